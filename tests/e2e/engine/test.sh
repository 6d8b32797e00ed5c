# The installation run on the real Windows (Wine): engine-run.exe, carrying the test product of
# product.sh as real resources, installs it for one user (German) and for all users (French), each
# in a fresh prefix; then the prefix is checked against what the product's tables say: files byte
# for byte, folders, registry values, associations, shortcuts read back through IShellLinkA,
# UnInstall.LOG byte for byte and the uninstall registration. A third prefix takes two runs that
# an error ends: a read-only target file and a damaged payload block. Small products run both
# under Wine and by mksetup run must end alike (versus-sim.sh), one of them with Cyrillic and CJK
# names from a UTF-8 script, uninstalled by both too. The prefixes run side by side.
source tests/e2e/lib.sh
here=tests/e2e/engine
source "$here/product.sh"
source "$here/expect.sh"
source "$here/versus-sim.sh"
for program in "$WIN_BIN/engine-run.exe" "$WIN_BIN/link-check.exe" "$WIN_BIN/uninstall-driver.exe" \
  "$WIN_BIN/UnInstall.EXE" "$HOST_BIN/mksetup"; do
  [ -f "$program" ] || e2e_fail "not built: $program"
done
# Saving a shell link starts winemenubuilder, which writes menu entries into the real home.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

products=$E2E_OUT/engine-product
rm -rf "$products"
make_product "$products"
setup_exe=$products/setup.exe

# install NAME LANGUAGE DESTINATION SWITCHES...: a fresh prefix, the folders the run will use
# read from its registry, and one run of the product. Sets RUN_RC and the run's globals.
install() {
  local name=$1
  RUN_LANGUAGE=$2 RUN_DEST=$3
  shift 3
  RUN_SWITCHES=" $* "
  e2e_new_prefix "$name"
  own_user_folders
  read_folders
  S=$RUN_DEST
  [ "${S: -1}" = '\' ] || S+='\'
  note_existing_folders
  e2e_list_files "$E2E_DIR/before.files" '^\./windows/'
  RUN_RC=0
  run_engine run "$setup_exe" --language "$RUN_LANGUAGE" --destination "$RUN_DEST" "$@" ||
    RUN_RC=$?
}

one_user() {
  install engine G 'C:\Program Files\Engine Probe' --desktop --quick-launch
  check_completed_run
}

all_users() {
  install engine-all F 'C:\Program Files\Engine Probe All\' --all-users --quick-launch --add-on
  check_completed_run
}

# Runs that an error ends, in one prefix: everything before the failing line stays, no
# UnInstall.LOG, no registration, no later line carried out.
failures() {
  read_only='C:\Fail Read Only\data\symbols.sym5107'
  chattr -i "$E2E_OUT/engine-fail/prefix/drive_c/Fail Read Only/data/symbols.sym5107" 2>/dev/null || true
  trap 'release_read_only' EXIT
  e2e_new_prefix engine-fail
  own_user_folders
  RUN_LANGUAGE=E RUN_SWITCHES=' '
  read_folders

  S='C:\Fail Read Only\'
  make_read_only "$read_only"
  if run_engine read-only "$setup_exe" --language E --destination "$S"; then
    e2e_fail "read-only target: the run completed"
  fi
  release_read_only
  check_failed_run read-only "Cannot create file $read_only" '%Sdata\symbols.sym5107'
  [ "$(cat "$(e2e_unix_path "$read_only")")" = old ] || e2e_fail "the read-only file was changed"

  S='C:\Fail Damaged\'
  local damaged=$E2E_DIR/damaged.exe
  damage_block "$setup_exe" "$(source_of '%Sdata\big.bin')" "$damaged"
  if run_engine damaged "$damaged" --language E --destination "$S"; then
    e2e_fail "damaged block: the run completed"
  fi
  check_failed_run damaged 'data error' '%Sdata\big.bin'
  check_nothing_registered
}

# The prefixes are independent, and a Wine run mostly waits: they run side by side.
e2e_template
cases=(one_user all_users failures doubled_separators registry_limits wide_names)
pids=()
for case in "${cases[@]}"; do
  (set -e; "$case") >"$E2E_OUT/engine-$case.log" 2>&1 &
  pids+=($!)
done
failed=0
for i in "${!cases[@]}"; do
  wait "${pids[$i]}" && continue
  failed=1
  echo "--- ${cases[$i]}:"
  cat "$E2E_OUT/engine-${cases[$i]}.log"
done
[ $failed = 0 ] || e2e_fail "engine: a case failed"
echo "engine: ok (one user, all users, read-only target, damaged block, versus the simulated runs: doubled separators, registry limits, Cyrillic and CJK names)"
