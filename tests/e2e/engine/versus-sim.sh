# Small products run twice, by engine-run.exe under Wine and by mksetup run against the simulated
# Windows, where both must end the same way: the same outcome and error message, the same tree
# under the product's folder, the same UnInstall.LOG and the same values under the keys the case
# names. Each case is a table: the script's action lines, the run's destination, the folder whose
# tree is compared and the registry keys compared. Sourced by test.sh after product.sh.

# small_product DIR NAME LINES...: DIR/setup.exe of a product named NAME whose action lines are
# LINES; every F line's file holds its own path. They install no main program and no uninstaller,
# which mksetup build refuses unless allowed; some name what Windows refuses, to show it refused.
small_product() {
  local dir=$1 name=$2 line path file
  shift 2
  rm -rf "$dir" && mkdir -p "$dir/tree"
  {
    printf 'GEF\r\nN*%s\r\nV(1.0)\r\nS0\r\nDsmall\\\r\nH%%Snone.exe\r\nMG\r\nME\r\nMF\r\n' "$name"
    printf '%s\r\n' "$@"
  } >"$dir/script.txt"
  for line in "$@"; do
    [[ ${line^^} == F* ]] || continue
    path=${line:2}
    file=$dir/tree/${path:1:1}/${path:2}
    file=${file//\\//}
    mkdir -p "$(dirname "$file")"
    printf '%s\r\n' "$path" >"$file"
  done
  printf 'GERMAN\r\nLizenz.\r\nENGLISH\r\nLicence.\r\nFRENCH\r\nLicence fr.\r\n' >"$dir/licence.txt"
  "$HOST_BIN/mksetup" build --arch "$E2E_ARCH" \
    --script "$dir/script.txt" --licence "$dir/licence.txt" \
    --source "$dir/tree" -o "$dir/setup.exe" --stub "$WIN_BIN/engine-run.exe" \
    --allow no-uninstaller,not-installed,shortcut-folder,r-key-name,r-value-name,name-long \
    >"$dir/build.out"
}

# tree_of FOLDER: every entry below a host folder as "d path" or "f md5 path", sorted.
tree_of() {
  [ -d "$1" ] || return 0
  (cd "$1" && find . -mindepth 1 | LC_ALL=C sort | while IFS= read -r p; do
    if [ -d "$p" ]; then echo "d $p"; else echo "f $(md5sum <"$p" | cut -c1-32) $p"; fi
  done)
}

# sim_values REGISTRY_TXT KEY: the values of one key of mksetup run's registry.txt as
# "name|type|data" lines in the form of `reg query`, sorted; "absent" when the key is not there.
sim_values() {
  python3 - "$1" "$2" <<'PY' | LC_ALL=C sort
import sys
sys.stdout.reconfigure(encoding="latin-1")
want = "[" + sys.argv[2].upper() + "]"
found = on = False
def unquote(text, i):
    out = ""
    i += 1
    while text[i] != '"':
        if text[i] == "\\":
            i += 1
        out += text[i]
        i += 1
    return out, i + 1
for line in open(sys.argv[1], encoding="latin-1").read().splitlines():
    if line.startswith("["):
        on = line.upper() == want
        found = found or on
        continue
    if not on or not line:
        continue
    name, i = ("", 1) if line[0] == "@" else unquote(line, 0)
    data = line[i + 1:]
    if data.startswith("dword:"):
        print("%s|REG_DWORD|0x%x" % (name or "(Default)", int(data[6:], 16)))
    else:
        print("%s|REG_SZ|%s" % (name or "(Default)", unquote(data, 0)[0]))
if not found:
    print("absent")
PY
}

# wine_values QUERY_OUTPUT: `reg query` of one key as "name|type|data" lines, sorted; "absent"
# when the query found no key.
wine_values() {
  if ! grep -q '^HKEY_' "$1"; then
    echo absent
    return
  fi
  LC_ALL=C sed -n 's/^    \(.*\)    \(REG_[A-Z]*\)    \(.*\)$/\1|\2|\3/p; s/^    \(.*\)    \(REG_[A-Z]*\)$/\1|\2|/p' "$1" |
    LC_ALL=C sort
}

# versus_sim NAME DEST FOLDER KEYS LINES...: the product of LINES run under Wine into DEST (in
# English, for one user) and by mksetup run; FOLDER is the Windows folder whose tree is
# compared, KEYS a "|"-separated list of registry keys ("HKLM\..." for Wine, mapped for the
# simulated registry). The product is named NAME, or $VERSUS_PRODUCT when that is set.
versus_sim() {
  local name=$1 dest=$2 folder=$3 keys=$4
  shift 4
  e2e_new_prefix "engine-$name"
  own_user_folders
  small_product "$E2E_DIR/product" "${VERSUS_PRODUCT:-$name}" "$@"
  local exe=$E2E_DIR/product/setup.exe sim=$E2E_DIR/sim wine_rc=0 sim_rc=0
  run_engine "$name" "$exe" --language E --destination "$dest" || wine_rc=$?
  "$HOST_BIN/mksetup" run "$exe" --root "$sim" --language E --dest "$dest" \
    >"$E2E_DIR/sim.out" 2>"$E2E_DIR/sim.err" || sim_rc=$?
  [ "$wine_rc" = "$sim_rc" ] ||
    e2e_fail "$name: Wine ended with $wine_rc, the simulated run with $sim_rc: $(cat "$E2E_DIR/sim.err")"
  local wine_error sim_error
  wine_error=$(report_values "$name" Error)
  sim_error=$(LC_ALL=C sed -n 's/^mksetup run: //p' "$E2E_DIR/sim.err")
  [ "$wine_error" = "$sim_error" ] ||
    e2e_fail "$name: Wine's error [$wine_error], the simulated run's [$sim_error]"
  local relative=${folder#[Cc]:}
  relative=${relative//\\//}
  tree_of "$WINEPREFIX/drive_c$relative" >"$E2E_DIR/wine.tree"
  tree_of "$sim/C$relative" >"$E2E_DIR/sim.tree"
  [ -s "$E2E_DIR/wine.tree" ] || e2e_fail "$name: nothing under $folder"
  e2e_same "$E2E_DIR/wine.tree" "$E2E_DIR/sim.tree"
  local key i=0 batch=$WINEPREFIX/drive_c/versus.bat
  IFS='|' read -ra key_list <<<"$keys"
  for key in "${key_list[@]}"; do
    printf '@reg query "%s" >C:\\versus.%s.txt\r\n' "$key" "$i"
    i=$((i + 1))
  done >"$batch"
  [ ${#key_list[@]} = 0 ] || e2e_wine "$E2E_DIR/reg.out" cmd /c 'C:\versus.bat' || true
  i=0
  for key in "${key_list[@]}"; do
    tr -d '\r' <"$WINEPREFIX/drive_c/versus.$i.txt" >"$E2E_DIR/reg.$i.txt"
    wine_values "$E2E_DIR/reg.$i.txt" >"$E2E_DIR/wine.$i.values"
    sim_values "$sim/registry.txt" "$(sim_key "$key")" >"$E2E_DIR/sim.$i.values"
    e2e_same "$E2E_DIR/wine.$i.values" "$E2E_DIR/sim.$i.values"
    i=$((i + 1))
  done
}

# sim_key 'HKLM\x': the key's name in the simulated registry's text.
sim_key() {
  local key=$1
  case ${key%%\\*} in
    HKLM) key=HKEY_LOCAL_MACHINE\\${key#*\\} ;;
    HKCU) key=HKEY_CURRENT_USER\\${key#*\\} ;;
    HKCR) key=HKEY_CLASSES_ROOT\\${key#*\\} ;;
    HKU) key=HKEY_USERS\\${key#*\\} ;;
  esac
  printf '%s' "$key"
}

# --- The cases.

# A destination typed with a doubled backslash and script lines behind %S, which already ends in
# one: every separator run is one, so the folders are made from the outermost down, and the
# log holds the paths as the script expanded them.
doubled_separators() {
  versus_sim doubled 'C:\Doubled Probe\\new' 'C:\Doubled Probe' \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\doubled' \
    'F*%S\sub\first.txt' 'D*%S\x\y' 'F*%S\x\y\second.txt' 'D*%S\\z\\'
  [ -f "$WINEPREFIX/drive_c/Doubled Probe/new/x/y/second.txt" ] || e2e_fail "doubled: no second.txt"
  e2e_same "$WINEPREFIX/drive_c/Doubled Probe/new/UnInstall.LOG" "$E2E_DIR/sim/C/Doubled Probe/new/UnInstall.LOG"
}

# letters N C: the character C N times.
letters() {
  local text
  printf -v text '%*s' "$1" ''
  printf '%s' "${text// /$2}"
}

# The registry's limits of names, where Wine keeps Windows' own: a key name of 255 characters is
# made, one of 257 is not (the R line is passed over), a value name of 16,383 is set, one of
# 16,384 is not (the error ends the run), and a product name of 257 characters cannot name the
# uninstall key (the registration fails, the log is still saved). Wine's server takes a key name
# of 256 characters where Windows stops at 255, so no case stands at 256.
registry_limits() {
  local k255 k257 v16383 v16384 uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
  k255=$(letters 255 k) k257=$(letters 257 k) v16383=$(letters 16383 v) v16384=$(letters 16384 v)
  versus_sim limits 'C:\Limits Probe' 'C:\Limits Probe' \
    "HKCU\\$k255|HKCU\\$k257|HKCU\\Software\\Limits|$uninstall\\limits" \
    'F*%Sfile.txt' "R*$k255;v;255" "R*$k257;v;257" 'R*Software\Limits;short;1' \
    "R*Software\\Limits;$v16383;16383"
  versus_sim value-limit 'C:\Value Limit' 'C:\Value Limit' 'HKCU\Software\Limits' \
    'F*%Sfile.txt' 'R*Software\Limits;short;1' "R*Software\\Limits;$v16384;16384" 'F*%Snever.txt'
  VERSUS_PRODUCT=$(letters 257 n) versus_sim product-limit 'C:\Product Limit' 'C:\Product Limit' \
    "$uninstall\\$(letters 257 n)" 'F*%Sfile.txt'
}
