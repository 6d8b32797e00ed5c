# Shared helpers of the end-to-end tests, sourced by tests/e2e/run and by each group's test.sh.
# A group gets a fresh Wine prefix copied from one template made once per run and architecture.

E2E_REPO=${E2E_REPO:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
MACHINE_REPO=$E2E_REPO
source "$E2E_REPO/scripts/machine.sh"

# The Windows architecture under test: x86, the 32-bit programs in a 32-bit prefix, or x64, the
# 64-bit programs in a 64-bit prefix. Each runs through its own loader, called by full path.
E2E_ARCH=${E2E_ARCH:-x86}
case $E2E_ARCH in
  x86 | x64) ;;
  *) echo "E2E_ARCH must be x86 or x64, not $E2E_ARCH" >&2; return 2 2>/dev/null || exit 2 ;;
esac
E2E_OUT=${E2E_OUT:-$E2E_REPO/build/e2e/$E2E_ARCH}
WIN_BIN=${WIN_BIN:-$(machine_windows_bin "$E2E_ARCH")}
HOST_BIN=${HOST_BIN:-$E2E_REPO/build/host/bin}
E2E_WINE_LOADER=$(machine_wine_loader "$E2E_ARCH")
E2E_WINESERVER=$(machine_wine_server)
# Wine starts its own helper processes through WINELOADER and its server through WINESERVER.
export WINELOADER=$E2E_WINE_LOADER WINESERVER=$E2E_WINESERVER
export WINEARCH=$(machine_wine_prefix_arch "$E2E_ARCH") WINEDEBUG=${WINEDEBUG:--all}
# Saving a shell link starts Wine's menu builder, which would write entries into the real home.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

wine() { "$E2E_WINE_LOADER" "$@"; }
wineserver() { "$E2E_WINESERVER" "$@"; }
winepath() { "$E2E_WINE_LOADER" winepath "$@"; }
wineboot() { "$E2E_WINE_LOADER" wineboot "$@"; }

# e2e_restart: a Windows restart of the current prefix (it carries out the deletes that were
# scheduled for it), then waits for the wineserver. A failure is the case's failure.
e2e_restart() {
  local rc=0 log=$E2E_DIR/wineboot-restart.log
  wineboot -r >"$log" 2>&1 || rc=$?
  [ $rc -eq 0 ] || e2e_fail "wineboot -r failed (exit $rc): $(tail -3 "$log")" || return 1
  e2e_settle
}

# Makes the template prefix once: wineboot is the slow part (about 12 s), a copy takes 1.5 s.
e2e_template() {
  local template=$E2E_OUT/template
  if [ ! -f "$template/.ready-2-$WINEARCH" ]; then
    rm -rf "$template"
    mkdir -p "$E2E_OUT"
    local rc=0
    WINEPREFIX=$template wineboot -i >"$E2E_OUT/template.log" 2>&1 || rc=$?
    if [ $rc -ne 0 ]; then
      e2e_fail "making the $WINEARCH template prefix: $E2E_WINE_LOADER wineboot -i failed" \
        "(exit $rc): $(tail -3 "$E2E_OUT/template.log" | tr '\n' ' ')"
      return 1
    fi
    WINEPREFIX=$template wineserver -w
    # Wine links Desktop and the documents folders to $HOME: an installation would escape the
    # prefix into the real home, and copies of the prefix would share it.
    local link
    for link in "$template"/drive_c/users/*/*; do
      if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
    done
    touch "$template/.ready-2-$WINEARCH"
  fi
}

# e2e_new_prefix NAME: a fresh prefix at $E2E_OUT/NAME/prefix; sets WINEPREFIX and E2E_DIR.
e2e_new_prefix() {
  e2e_template
  E2E_DIR=$E2E_OUT/$1
  rm -rf "$E2E_DIR" && mkdir -p "$E2E_DIR"
  cp -a "$E2E_OUT/template" "$E2E_DIR/prefix"
  export WINEPREFIX=$E2E_DIR/prefix
}

# e2e_settle: waits for the wineserver, so that the prefix is settled; a program left running (a
# case that failed with a window still open) would hold it forever, so after a while everything
# of this prefix is killed and the case fails instead of the whole run hanging.
e2e_settle() {
  timeout "${E2E_SETTLE_SECONDS:-180}" "$E2E_WINESERVER" -w && return 0
  wineserver -k 2>/dev/null
  e2e_fail "programs of $WINEPREFIX still running after ${E2E_SETTLE_SECONDS:-180} s, killed"
}

# e2e_wine OUTFILE PROGRAM ARGS...: runs a Windows program with its output in a file, never a
# pipe (Wine's helper processes would hold a pipe open for seconds), then waits for the
# wineserver so that the prefix is settled. Returns the program's exit code.
e2e_wine() {
  local out=$1
  shift
  local rc=0
  wine "$@" >"$out" 2>"$out.err" || rc=$?
  e2e_settle || return 1
  return $rc
}

# e2e_winepath UNIXPATH: the Windows path Wine gives a Linux path; a failure of winepath is the
# case's failure, said where it happens, never an empty argument further on.
e2e_winepath() {
  local out rc=0
  out=$(winepath -w "$1" 2>"$E2E_DIR/winepath.err") || rc=$?
  if [ $rc -ne 0 ] || [ -z "$out" ]; then
    e2e_fail "winepath -w $1 failed (exit $rc): $(cat "$E2E_DIR/winepath.err")"
    return 1
  fi
  echo "$out"
}

# e2e_unix_path 'C:\x\y': the Linux path of a path on drive C: of the current prefix.
e2e_unix_path() {
  local p=${1#[Cc]:}
  p=${p//\\//}
  echo "$WINEPREFIX/drive_c$p"
}

# e2e_reg_query KEY [VALUE]: `wine reg query` output in a file, echoed.
e2e_reg_query() {
  local out=$E2E_DIR/reg.$$.txt
  if [ $# -ge 2 ]; then
    wine reg query "$1" /v "$2" >"$out" 2>/dev/null || { rm -f "$out"; return 1; }
  else
    wine reg query "$1" >"$out" 2>/dev/null || { rm -f "$out"; return 1; }
  fi
  tr -d '\r' <"$out"
  rm -f "$out"
}

e2e_fail() {
  echo "FAIL: $*" >&2
  return 1
}

# e2e_same FILE1 FILE2: byte-for-byte equality, with a message.
e2e_same() {
  cmp -s "$1" "$2" || e2e_fail "$1 differs from $2"
}

# e2e_list_files OUT [EXCLUDE_REGEX]: every file and folder of drive C: of the current prefix, one
# per line as "type size md5 path" (folders without size and sum), sorted; paths matching the
# extended regular expression EXCLUDE_REGEX (relative to drive_c, e.g. '^./windows/') are left out.
e2e_list_files() {
  local out=$1 exclude=${2:-'^$'}
  e2e_settle || return 1
  (
    cd "$WINEPREFIX/drive_c" &&
      find . -mindepth 1 | LC_ALL=C sort | grep -Ev "$exclude" | while IFS= read -r p; do
        if [ -d "$p" ]; then echo "d - - $p"; else echo "f $(stat -c %s "$p") $(md5sum <"$p" | cut -c1-32) $p"; fi
      done
  ) >"$out"
}

# e2e_reg_sections OUT REGEX: the keys of the prefix's registry (system.reg and user.reg, after
# the wineserver has saved them) whose path matches REGEX (case-insensitive, as in the files, e.g.
# '^\[software\\\\classes\\\\'), with their values, without Wine's time stamps.
e2e_reg_sections() {
  local out=$1 regex=$2
  e2e_settle || return 1
  for hive in system.reg user.reg; do
    E2E_REGEX=$regex awk -v hive="$hive" '
      /^\[/ { sub(/\] [0-9]+$/, "]"); keep = (tolower($0) ~ ENVIRON["E2E_REGEX"]); if (keep) print hive " " $0; next }
      /^#time=/ { next }
      keep && NF { print hive " " $0 }' "$WINEPREFIX/$hive"
  done >"$out"
}
