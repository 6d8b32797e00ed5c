# Small products run twice, by engine-run.exe under Wine and by mksetup run against the simulated
# Windows (for an account of the prefix's profile folder), where both must end the same way: the
# same outcome and error message, the same trees under the folders the case names, shortcuts of
# the same fields, the same UnInstall.LOG and the same values under the keys the case names. Each
# case is a table: the script's action lines, the run's destination, the folders whose trees are
# compared and the registry keys compared. Sourced by test.sh after product.sh.

# small_product DIR NAME LINES...: DIR/setup.exe of a product named NAME whose action lines are
# LINES; every F line's file holds its own path, but UnInstall.EXE is the uninstaller built here.
# They install no main program and mostly no uninstaller, which mksetup build refuses unless
# allowed; some name what Windows refuses, to show it refused. The script is Windows-1252 (the
# lines are given so), or with VERSUS_UTF8 set UTF-8 after its byte-order mark.
small_product() {
  local dir=$1 name=$2 line path file
  shift 2
  rm -rf "$dir" && mkdir -p "$dir/tree"
  {
    [ -z "${VERSUS_UTF8:-}" ] || printf '\xef\xbb\xbf'
    printf 'GEF\r\nN*%s\r\nV(1.0)\r\nS0\r\nDsmall\\\r\nH%%Snone.exe\r\nMG\r\nME\r\nMF\r\n' "$name"
    printf '%s\r\n' "$@"
  } >"$dir/script.txt"
  for line in "$@"; do
    [[ ${line^^} == F* ]] || continue
    path=${line:2}
    file=$dir/tree/${path:1:1}/${path:2}
    file=${file//\\//}
    [ -n "${VERSUS_UTF8:-}" ] || file=$(printf '%s' "$file" | iconv -f CP1252 -t UTF-8)
    mkdir -p "$(dirname "$file")"
    if [ "${path,,}" = '%suninstall.exe' ]; then
      cp "$WIN_BIN/UnInstall.EXE" "$file"
    else
      printf '%s\r\n' "$path" >"$file"
    fi
  done
  printf 'GERMAN\r\nLizenz.\r\nENGLISH\r\nLicence.\r\nFRENCH\r\nLicence fr.\r\n' >"$dir/licence.txt"
  "$HOST_BIN/mksetup" build --arch "$E2E_ARCH" \
    --script "$dir/script.txt" --licence "$dir/licence.txt" \
    --source "$dir/tree" -o "$dir/setup.exe" --stub "$WIN_BIN/engine-run.exe" \
    --allow no-uninstaller,not-installed,shortcut-folder,r-key-name,r-value-name,name-long \
    >"$dir/build.out"
}

# tree_of FOLDER: every entry below a host folder as "d path", "f md5 path" or, for a shortcut,
# whose bytes differ by nature (a shell link under Wine, a text record in the simulation), "l
# path", sorted.
tree_of() {
  [ -d "$1" ] || return 0
  (cd "$1" && find . -mindepth 1 | LC_ALL=C sort | while IFS= read -r p; do
    if [ -d "$p" ]; then
      echo "d $p"
    elif [[ ${p,,} == *.lnk ]]; then
      echo "l $p"
    else
      echo "f $(md5sum <"$p" | cut -c1-32) $p"
    fi
  done)
}

# exported_values REG_TEXT KEY: the values of one key of a registry text in UTF-8 (mksetup run's
# registry.txt, or a regedit export) as "name|type|data" lines in the form of `reg query`,
# sorted; "absent" when the key is not there.
exported_values() {
  python3 - "$1" "$2" <<'PY' | LC_ALL=C sort
import sys
sys.stdout.reconfigure(encoding="utf-8")
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
for line in open(sys.argv[1], encoding="utf-8-sig").read().splitlines():
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

# wine_export KEY OUT: the key (HKLM\... or the full root name) exported by regedit in UTF-8;
# OUT is empty when there is no such key. regedit writes UTF-16, which holds every name, where
# `reg query` prints in the console's code page.
wine_export() {
  local raw=$E2E_DIR/export.reg
  rm -f "$raw"
  e2e_wine "$E2E_DIR/export.out" regedit /e "$(e2e_winepath "$raw")" "$(sim_key "$1")" || true
  if [ -f "$raw" ]; then iconv -f UTF-16 -t UTF-8 "$raw" >"$2"; else : >"$2"; fi
}

# sim_path SIM 'C:\x\y': the host path of a Windows path in the simulated drive C:, whose names
# meet in any letter case as on Windows (C:\users\root is its folder C/Users/root).
sim_path() {
  local path=$1/C part entry rest=${2#[Cc]:}
  IFS='\\' read -ra parts <<<"$rest"
  for part in "${parts[@]}"; do
    [ -n "$part" ] || continue
    if [ ! -e "$path/$part" ]; then
      for entry in "$path"/*; do
        entry=${entry##*/}
        if [ "${entry,,}" = "${part,,}" ]; then part=$entry && break; fi
      done
    fi
    path=$path/$part
  done
  printf '%s' "$path"
}

# versus_links NAME FOLDER TREE SIM: every shortcut of the tree listing TREE (of the Windows
# folder FOLDER), as link-check.exe reads it under Wine and as the simulated run recorded it under
# SIM, in the same fields.
versus_links() {
  local name=$1 folder=${2%\\} links=() path
  while IFS= read -r path; do
    path=${path#./}
    links+=("$folder\\${path//\//\\}")
  done < <(sed -n 's/^l //p' "$3")
  [ ${#links[@]} -gt 0 ] || return 0
  printf '%s\r\n' "${links[@]}" >"$WINEPREFIX/drive_c/versus-links.lst"
  e2e_wine "$E2E_DIR/links.out" "$WIN_BIN/link-check.exe" 'C:\versus-links.txt' \
    '@C:\versus-links.lst' || true
  tr -d '\r' <"$WINEPREFIX/drive_c/versus-links.txt" >"$E2E_DIR/$name.wine.links"
  local link
  for link in "${links[@]}"; do
    printf 'Link=[%s]\n' "$link"
    tr -d '\r' <"$(sim_path "$4" "$link")" | sed 's/^Program=/Path=/; s/=\(.*\)$/=[\1]/'
  done >"$E2E_DIR/$name.sim.links"
  e2e_same "$E2E_DIR/$name.wine.links" "$E2E_DIR/$name.sim.links"
}

# versus_trees NAME FOLDERS SIM STATE: each folder of the "|"-separated FOLDERS compared, tree
# and shortcuts, between the prefix and SIM; the listings are $E2E_DIR/STATE.N.wine.tree.
versus_trees() {
  local name=$1 folder relative i=0
  IFS='|' read -ra folder_list <<<"$2"
  for folder in "${folder_list[@]}"; do
    relative=${folder#[Cc]:}
    relative=${relative//\\//}
    tree_of "$WINEPREFIX/drive_c$relative" >"$E2E_DIR/$4.$i.wine.tree"
    tree_of "$(sim_path "$3" "$folder")" >"$E2E_DIR/$4.$i.sim.tree"
    e2e_same "$E2E_DIR/$4.$i.wine.tree" "$E2E_DIR/$4.$i.sim.tree"
    versus_links "$4.$i" "$folder" "$E2E_DIR/$4.$i.wine.tree" "$3"
    i=$((i + 1))
  done
}

# versus_registry KEYS SIM STATE: each key of the "|"-separated KEYS compared between the prefix
# and SIM's registry.txt; the values are $E2E_DIR/STATE.N.wine.values.
versus_registry() {
  local key i=0
  IFS='|' read -ra key_list <<<"$1"
  for key in "${key_list[@]}"; do
    wine_export "$key" "$E2E_DIR/$3.$i.export"
    exported_values "$E2E_DIR/$3.$i.export" "$(sim_key "$key")" >"$E2E_DIR/$3.$i.wine.values"
    exported_values "$2/registry.txt" "$(sim_key "$key")" >"$E2E_DIR/$3.$i.sim.values"
    e2e_same "$E2E_DIR/$3.$i.wine.values" "$E2E_DIR/$3.$i.sim.values"
    i=$((i + 1))
  done
}

# versus_sim NAME DEST FOLDERS KEYS LINES...: the product of LINES run under Wine into DEST (in
# English, for one user) and by mksetup run; FOLDERS is a "|"-separated list of the Windows
# folders whose trees are compared (the first must hold something; macros expanded), KEYS one of
# registry keys ("HKLM\..." for Wine, mapped for the simulated registry). The product is named
# NAME, or $VERSUS_PRODUCT when that is set. The simulated account's profile is the prefix's.
# Sets the macros' folders S A D P Q, and VERSUS_FOLDERS to FOLDERS expanded.
versus_sim() {
  local name=$1 dest=$2 folders=$3 keys=$4
  shift 4
  e2e_new_prefix "engine-$name"
  own_user_folders
  small_product "$E2E_DIR/product" "${VERSUS_PRODUCT:-$name}" "$@"
  local f=$E2E_DIR/folders.reg appdata
  e2e_reg_sections "$f" '^\[software\\\\microsoft\\\\windows\\\\currentversion\\\\explorer\\\\shell folders\]'
  appdata=$(reg_text "$f" user.reg AppData)
  [[ $appdata == *\\AppData\\Roaming ]] || e2e_fail "$name: the prefix's AppData is [$appdata]"
  S=$(with_slash "$dest") A=$appdata\\small\\ D=$(reg_text "$f" user.reg Desktop)\\
  P=$(reg_text "$f" user.reg Programs)\\ Q="$appdata\\Microsoft\\Internet Explorer\\Quick Launch\\"
  folders=$(expand "$folders")
  local exe=$E2E_DIR/product/setup.exe sim=$E2E_DIR/sim wine_rc=0 sim_rc=0
  run_engine "$name" "$exe" --language E --destination "$dest" || wine_rc=$?
  "$HOST_BIN/mksetup" run "$exe" --root "$sim" --language E --dest "$dest" \
    --profile "${appdata%\\AppData\\Roaming}" >"$E2E_DIR/sim.out" 2>"$E2E_DIR/sim.err" || sim_rc=$?
  [ "$wine_rc" = "$sim_rc" ] ||
    e2e_fail "$name: Wine ended with $wine_rc, the simulated run with $sim_rc: $(cat "$E2E_DIR/sim.err")"
  local wine_error sim_error
  wine_error=$(report_values "$name" Error)
  sim_error=$(LC_ALL=C sed -n 's/^mksetup run: //p' "$E2E_DIR/sim.err")
  [ "$wine_error" = "$sim_error" ] ||
    e2e_fail "$name: Wine's error [$wine_error], the simulated run's [$sim_error]"
  VERSUS_FOLDERS=$folders
  versus_trees "$name" "$folders" "$sim" installed
  [ -s "$E2E_DIR/installed.0.wine.tree" ] || e2e_fail "$name: nothing under ${folders%%|*}"
  versus_registry "$keys" "$sim" installed
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

# Names of scripts that no ANSI code page holds together, from a UTF-8 script with its byte-order
# mark: product, folders, files, a shortcut with arguments, a registry key, value name and value.
# Besides agreeing with the simulated run, the Windows run must leave what the lines say, named
# here: files under their UTF-8 names, the log's records in UTF-8, the key's values, the
# shortcut's fields. Then UnInstall.EXE, started as the registration says, and mksetup uninstall
# remove the same: the product's folders and its uninstall key go, the R value stays (no record
# of the log names it).
wide_names() {
  # Wine's ANSI code page of this locale is Windows-1252, which holds neither script.
  local -x LC_ALL=C.UTF-8
  local product='製品 Проба 5107' dest='C:\Program Files\製品 Проба'
  local key='HKCU\Software\Проба 5107' folder='Проба 製品'
  local entry="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
  VERSUS_UTF8=1 VERSUS_PRODUCT=$product versus_sim wide "$dest" "%S|%Aデータ|%P$folder" \
    "$key|$entry" 'D*%S' 'D*%Sдокументы\' 'F*%SUnInstall.EXE' 'F*%Sдокументы\説明書.txt' \
    'D*%Aデータ\' 'F*%Aデータ\設定.ini' "D*%P$folder\\" \
    "K*%P$folder\\説明書.lnk;%Sдокументы\\説明書.txt;/показать «все»" \
    'R*Software\Проба 5107;名前;Значение %S'
  local sim=$E2E_DIR/sim
  local drive=$WINEPREFIX/drive_c tree=$E2E_DIR/product/tree
  e2e_same "$tree/S/документы/説明書.txt" "$drive/Program Files/製品 Проба/документы/説明書.txt"
  e2e_same "$tree/A/データ/設定.ini" "$(e2e_unix_path "${A}データ\\設定.ini")"
  printf '%s\r\n' "N$product" LE "D$S" "D${S}документы\\" "F${S}UnInstall.EXE" \
    "F${S}документы\\説明書.txt" "D${A}データ\\" "F${A}データ\\設定.ini" "D$P$folder\\" \
    "F$P$folder\\説明書.lnk" >"$E2E_DIR/wide.log.expected"
  e2e_same "$E2E_DIR/wide.log.expected" "$drive/Program Files/製品 Проба/UnInstall.LOG"
  e2e_same "$E2E_DIR/wide.log.expected" "$sim/C/Program Files/製品 Проба/UnInstall.LOG"
  printf '%s\n' "名前|REG_SZ|Значение $S" >"$E2E_DIR/wide.key.expected"
  e2e_same "$E2E_DIR/wide.key.expected" "$E2E_DIR/installed.0.wine.values"
  printf '%s\n' "DisplayName|REG_SZ|$product" \
    "UninstallLogSha256|REG_SZ|$(sha256sum <"$E2E_DIR/wide.log.expected" | cut -c1-64)" \
    "UninstallString|REG_SZ|\"${S}UnInstall.EXE\"" | LC_ALL=C sort >"$E2E_DIR/wide.entry.expected"
  e2e_same "$E2E_DIR/wide.entry.expected" "$E2E_DIR/installed.1.wine.values"
  printf '%s\n' "Link=[$P$folder\\説明書.lnk]" "Path=[${S}документы\\説明書.txt]" \
    "WorkingFolder=[${S}документы\\]" 'Arguments=[/показать «все»]' >"$E2E_DIR/wide.link.expected"
  e2e_same "$E2E_DIR/wide.link.expected" "$E2E_DIR/installed.2.wine.links"

  local command rc=0
  command=$(sed -n 's/^UninstallString|REG_SZ|//p' "$E2E_DIR/installed.1.wine.values")
  e2e_wine "$E2E_DIR/uninstall.out" "$WIN_BIN/uninstall-driver.exe" 'C:\uninstall-report.txt' \
    "$command" yes ok || rc=$?
  tr -d '\r' <"$drive/uninstall-report.txt" >"$E2E_DIR/uninstall.boxes"
  [ $rc = 0 ] || e2e_fail "wide: UnInstall.EXE failed ($rc): $(cat "$E2E_DIR/uninstall.boxes")"
  local box
  for box in "Do you want to remove \"$product\"" "\"$product\" has been removed."; do
    grep -qF -- "$box" "$E2E_DIR/uninstall.boxes" ||
      e2e_fail "wide: no box says: $box ($(cat "$E2E_DIR/uninstall.boxes"))"
  done
  rm -f "$drive/uninstall-report.txt"
  e2e_restart
  rc=0
  "$HOST_BIN/mksetup" uninstall --root "$sim" >"$E2E_DIR/sim-uninstall.out" \
    2>"$E2E_DIR/sim-uninstall.err" || rc=$?
  [ $rc = 0 ] || e2e_fail "wide: mksetup uninstall ended with $rc: $(cat "$E2E_DIR/sim-uninstall.err")"
  versus_trees wide "$VERSUS_FOLDERS" "$sim" removed
  local i
  for i in 0 1 2; do
    [ ! -s "$E2E_DIR/removed.$i.wine.tree" ] ||
      e2e_fail "wide: left after uninstalling: $(cat "$E2E_DIR/removed.$i.wine.tree")"
  done
  versus_registry "$key|$entry" "$sim" removed
  e2e_same "$E2E_DIR/wide.key.expected" "$E2E_DIR/removed.0.wine.values"
  [ "$(cat "$E2E_DIR/removed.1.wine.values")" = absent ] || e2e_fail "wide: the uninstall key stayed"
}
