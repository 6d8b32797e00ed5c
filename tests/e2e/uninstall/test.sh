# UnInstall.EXE under Wine, started from the registration's UninstallString as Windows starts it
# (CreateProcess of the string, no quotes, no arguments), its message boxes answered by
# uninstall-driver.exe. The prefix must be as before the installation, except what the user
# added, and a damaged or rewritten log must remove nothing.
source tests/e2e/lib.sh
e2e_new_prefix uninstall
here=tests/e2e/uninstall
driver=$WIN_BIN/uninstall-driver.exe
uninstaller=$WIN_BIN/UnInstall.EXE
[ -f "$driver" ] && [ -f "$uninstaller" ] || e2e_fail "$WIN_BIN lacks uninstall-driver.exe or UnInstall.EXE"
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
# What an installation touches, and what the uninstaller must give back.
reg_scope='^\[software\\\\(classes|microsoft\\\\windows\\\\currentversion\\\\uninstall)(\\\\|\])'
# Wine keeps its own files under windows/; the temporary folder is checked on its own.
files_scope='^\./windows/'

snapshot() {
  e2e_list_files "$E2E_DIR/$1.files" "$files_scope"
  e2e_reg_sections "$E2E_DIR/$1.reg" "$reg_scope"
}

# uninstall_from_registration PRODUCT NAME ANSWER...: runs the UninstallString of PRODUCT through
# the driver; the boxes' texts go to $E2E_DIR/NAME.boxes (CR LF removed). Returns the exit code.
uninstall_from_registration() {
  local product=$1 name=$2
  shift 2
  local command
  command=$(e2e_reg_query "$key\\$product" UninstallString | sed -n 's/^ *UninstallString *REG_SZ *//p')
  [ -n "$command" ] || e2e_fail "no UninstallString for $product"
  local rc=0
  e2e_wine "$E2E_DIR/$name.out" "$driver" 'C:\driver-report.txt' "$command" "$@" || rc=$?
  tr -d '\r' <"$(e2e_unix_path 'C:\driver-report.txt')" >"$E2E_DIR/$name.boxes"
  rm -f "$(e2e_unix_path 'C:\driver-report.txt')"
  return $rc
}

expect_box() {
  grep -qF -- "$2" "$E2E_DIR/$1.boxes" || e2e_fail "$1: no box says: $2 ($(cat "$E2E_DIR/$1.boxes"))"
}

# --- A hand-made installation: the files, keys and log that a setup leaves, made here so that
# every record kind and every rule is met: duplicates, a missing file, IND names, a shortcut, an
# association still as written and one that another program took over.
source "$here/hand-install.sh"
wine reg add 'HKCR\.T5109' /ve /d 'Other.Document' /f >/dev/null 2>&1
wineserver -w
snapshot before
hand_install 'C:\Program Files\Hand Made' 'Hand Made 1.0'
# After the installation another program takes .T5109 over.
wine reg add 'HKCR\.T5109' /ve /d 'Other.Document' /f >/dev/null 2>&1
uninstall_from_registration 'Hand Made 1.0' hand yes ok || e2e_fail "UnInstall.EXE failed"
expect_box hand 'CAPTION Uninstall'
expect_box hand 'Do you want to remove "Hand Made 1.0"'
expect_box hand '"Hand Made 1.0" has been removed.'
expect_box hand 'file type (now associated with another program): .T5109'
expect_box hand 'UnInstall.EXE is removed as soon as you close this message'
e2e_restart  # carries out the copy's delete at restart
snapshot after
diff "$E2E_DIR/before.files" "$E2E_DIR/after.files" >"$E2E_DIR/hand.files.diff" ||
  e2e_fail "files differ after uninstalling: $(cat "$E2E_DIR/hand.files.diff")"
# T5109file stays: .T5109 no longer points at it, so it may belong to the new owner.
diff "$E2E_DIR/before.reg" "$E2E_DIR/after.reg" | grep -v '^[0-9,]*[acd][0-9,]*$' \
  >"$E2E_DIR/hand.reg.diff" || true
expected_reg=$'> system.reg [Software\\\\Classes\\\\T5109file]\n> system.reg @="Hand Made other"'
[ "$(cat "$E2E_DIR/hand.reg.diff")" = "$expected_reg" ] ||
  e2e_fail "registry differs after uninstalling: $(cat "$E2E_DIR/hand.reg.diff")"

# --- Files the user added stay, with their folders; everything else of the product goes.
hand_install 'C:\Program Files\Hand Made' 'Hand Made 1.0'
echo mine >"$(e2e_unix_path 'C:\Program Files\Hand Made\data\mine.txt')"
uninstall_from_registration 'Hand Made 1.0' user yes ok || e2e_fail "UnInstall.EXE failed"
expect_box user 'folder (not empty): C:\Program Files\Hand Made\data\'
e2e_restart
snapshot user
diff "$E2E_DIR/after.files" "$E2E_DIR/user.files" | grep '^[<>]' >"$E2E_DIR/user.files.diff" || true
[ "$(cat "$E2E_DIR/user.files.diff")" = "$(printf '%s\n' \
  '> d - - ./Program Files/Hand Made' '> d - - ./Program Files/Hand Made/data' \
  "> f 5 $(echo mine | md5sum | cut -c1-32) ./Program Files/Hand Made/data/mine.txt")" ] ||
  e2e_fail "user's file: unexpected difference: $(cat "$E2E_DIR/user.files.diff")"
rm -rf "$(e2e_unix_path 'C:\Program Files\Hand Made')"

# --- Names of other scripts than Latin: the log's paths, the program's own path and the boxes'
# texts get through UnInstall.EXE unchanged, and everything goes. The command line is the one the
# registration holds: reg query would print it in the console's code page.
for name in 'Проба 製品|Проба 1.0' 'Δοκιμή|Δοκιμή 2.0'; do
  folder="C:\\Program Files\\${name%%|*}" product=${name#*|}
  hand_install "$folder" "$product"
  rc=0
  e2e_wine "$E2E_DIR/wide.out" "$driver" 'C:\driver-report.txt' "$folder\UnInstall.EXE" yes ok ||
    rc=$?
  tr -d '\r' <"$(e2e_unix_path 'C:\driver-report.txt')" >"$E2E_DIR/wide.boxes"
  rm -f "$(e2e_unix_path 'C:\driver-report.txt')"
  [ $rc = 0 ] || e2e_fail "$product: UnInstall.EXE failed ($rc): $(cat "$E2E_DIR/wide.boxes")"
  expect_box wide "Do you want to remove \"$product\""
  expect_box wide "\"$product\" has been removed."
  [ ! -e "$(e2e_unix_path "$folder\hand.exe")" ] || e2e_fail "$product: the product stayed"
  e2e_restart
  [ ! -e "$(e2e_unix_path "$folder")" ] || e2e_fail "$product: its folder stayed"
done

# --- Logs that setups wrote before logs were UTF-8: their bytes in the ANSI code page of the
# machine that installed (not valid UTF-8), read by the uninstaller in the code page of the one it
# runs on, which Wine takes from the locale: Windows-1252 on a Western machine, Windows-1251 on a
# Russian one. Registered with the digest of those bytes, the installation goes whole and the
# boxes name the product in its letters.
old_logs=(
  'C.UTF-8|CP1252|C:\Programme\Größe|Spezialität|Übersicht.txt'
  'ru_RU.UTF-8|CP1251|C:\Программы\Проба|Проба старая|Обзор.txt'
)
for entry in "${old_logs[@]}"; do
  begun=$SECONDS
  IFS='|' read -r locale charset folder product file <<<"$entry"
  (
    export LC_ALL=$locale
    # The folder above the product's was there before it, as C:\Programme on a German Windows.
    mkdir -p "$(e2e_unix_path "${folder%\\*}")"
    snapshot "old-$charset.before"
    hand_install "$folder" "$product" "$charset"
    echo "$file" >"$(e2e_unix_path "$folder\\$file")"
    log=$(e2e_unix_path "$folder\UnInstall.LOG")
    printf 'F%s\\%s\r\n' "$folder" "$file" | iconv -f UTF-8 -t "$charset" >>"$log"
    ! iconv -f UTF-8 -t UTF-8 "$log" >/dev/null 2>&1 || e2e_fail "$product: the log is valid UTF-8"
    register_digest "$folder" "$product"
    rc=0
    e2e_wine "$E2E_DIR/old.out" "$driver" 'C:\driver-report.txt' "$folder\UnInstall.EXE" yes ok ||
      rc=$?
    tr -d '\r' <"$(e2e_unix_path 'C:\driver-report.txt')" >"$E2E_DIR/old.boxes"
    rm -f "$(e2e_unix_path 'C:\driver-report.txt')"
    [ $rc = 0 ] || e2e_fail "$product: UnInstall.EXE failed ($rc): $(cat "$E2E_DIR/old.boxes")"
    expect_box old "Do you want to remove \"$product\""
    expect_box old "\"$product\" has been removed."
    e2e_restart
    snapshot "old-$charset.after"
    e2e_same "$E2E_DIR/old-$charset.before.files" "$E2E_DIR/old-$charset.after.files"
    # T5109file carries no command of the product, so the uninstaller leaves it to whoever may
    # own it now; the keys of .T5109 are left out of the comparison.
    for state in before after; do
      awk '/^[a-z.]+ \[/ { skip = (tolower($0) ~ /t5109/) } !skip' \
        "$E2E_DIR/old-$charset.$state.reg" >"$E2E_DIR/old-$charset.$state.kept"
    done
    e2e_same "$E2E_DIR/old-$charset.before.kept" "$E2E_DIR/old-$charset.after.kept"
    echo "uninstall: an old $charset log under LC_ALL=$locale: $product removed ($((SECONDS - begun)) s)"
  )
done

# --- A folder of the installation swapped for a link to a folder outside it that holds files of
# the names the log gives: the log is the one registered, yet nothing is removed through the
# link, and the rest of the product still goes.
hand_install 'C:\Program Files\Hand Made' 'Hand Made 1.0'
product=$(e2e_unix_path 'C:\Program Files\Hand Made')
outside=$(e2e_unix_path 'C:\outside')
mkdir -p "$outside"
echo keep >"$outside/a.SYM5107"
echo keep >"$outside/a.SYM5107IND"
rm -rf "$product/data" && ln -s "$outside" "$product/data"
uninstall_from_registration 'Hand Made 1.0' linked yes ok || e2e_fail "linked: UnInstall.EXE failed"
expect_box linked 'C:\Program Files\Hand Made\data\a.SYM5107'
for kept in a.SYM5107 a.SYM5107IND; do
  [ "$(cat "$outside/$kept" 2>/dev/null)" = keep ] || e2e_fail "linked: $kept removed through the link"
done
[ ! -e "$product/hand.exe" ] || e2e_fail "linked: the product stayed"
e2e_restart
rm -rf "$product" "$outside"

# --- A log rewritten after the installation: its bytes are not those whose digest the
# registration holds, so nothing at all is removed and the exit code says so.
tamper() {
  printf 'DC:\\windows\\\r\nFC:\\windows\\win.ini\r\nFC:\\windows\\system32\\notepad.exe\r\n' \
    >>"$(e2e_unix_path 'C:\Program Files\Hand Made\UnInstall.LOG')"
}
hand_install 'C:\Program Files\Hand Made' 'Hand Made 1.0'
tamper
snapshot rewritten.before
if uninstall_from_registration 'Hand Made 1.0' rewritten ok; then e2e_fail "rewritten: exit 0"; fi
expect_box rewritten 'is not the one that the installation of "Hand Made 1.0" saved'
expect_box rewritten 'Nothing has been removed.'
snapshot rewritten.after
e2e_same "$E2E_DIR/rewritten.before.files" "$E2E_DIR/rewritten.after.files"
e2e_same "$E2E_DIR/rewritten.before.reg" "$E2E_DIR/rewritten.after.reg"
rm -rf "$(e2e_unix_path 'C:\Program Files\Hand Made')"

# --- The same log with no digest registered (a registration cut short): the user is asked
# before anything outside the destination goes, and what lies outside the installation's
# folders is reported and stays, also below a D record naming a system folder.
hand_install 'C:\Program Files\Hand Made' 'Hand Made 1.0'
tamper
wine reg delete "$key\\Hand Made 1.0" /v UninstallLogSha256 /f >/dev/null 2>&1
wineserver -w
uninstall_from_registration 'Hand Made 1.0' tampered yes yes ok || e2e_fail "UnInstall.EXE failed"
expect_box tampered 'No uninstall registration of "Hand Made 1.0" confirms UnInstall.LOG'
expect_box tampered 'C:\users\Public\Desktop\Hand.lnk'
[ ! -e "$(e2e_unix_path 'C:\users\Public\Desktop\Hand.lnk')" ] || e2e_fail "tampered: the shortcut stayed"
expect_box tampered 'outside the installation, left alone: C:\windows\win.ini'
expect_box tampered 'outside the installation, left alone: C:\windows\system32\notepad.exe'
expect_box tampered 'outside the installation, left alone: C:\windows\'
for kept in 'C:\windows\win.ini' 'C:\windows\system32\notepad.exe'; do
  [ -f "$(e2e_unix_path "$kept")" ] || e2e_fail "tampered: $kept was removed"
done
[ ! -e "$(e2e_unix_path 'C:\Program Files\Hand Made\hand.exe')" ] || e2e_fail "tampered: the product stayed"
e2e_restart
rm -rf "$(e2e_unix_path 'C:\Program Files\Hand Made')"

# --- A damaged or truncated log, a path that names no file ("\\?\"), a product name that
# would reach the whole Uninstall key, and a No: nothing is removed.
for damage in truncated unknown-kind no-language device-path key-path declined; do
  hand_install 'C:\Program Files\Hand Made' 'Hand Made 1.0'
  log=$(e2e_unix_path 'C:\Program Files\Hand Made\UnInstall.LOG')
  case $damage in
    truncated) sed -i '2s/^LE/LF/' "$log" && head -c -2 "$log" >"$log.new" && mv "$log.new" "$log" ;;
    declined) sed -i '2s/^LE/LG/' "$log" && register_digest 'C:\Program Files\Hand Made' 'Hand Made 1.0' ;;
    unknown-kind) printf 'QC:\\x\r\n' >>"$log" ;;
    no-language) sed -i '2d' "$log" ;;
    device-path) printf 'F\\\\?\\C:\\windows\\system.ini\r\n' >>"$log" ;;
    key-path) sed -i '1s/^N.*/N\\\r/' "$log" ;;
  esac
  snapshot "$damage.before"
  if [ $damage = declined ]; then
    uninstall_from_registration 'Hand Made 1.0' $damage no || e2e_fail "$damage: exit code $?"
    expect_box $damage "$(printf 'M\303\266chten Sie "Hand Made 1.0"')"
  elif [ $damage = truncated ]; then
    if uninstall_from_registration 'Hand Made 1.0' $damage ok; then e2e_fail "$damage: exit 0"; fi
    expect_box $damage "$(printf 'Rien n\047a \303\251t\303\251 supprim\303\251.')"
  else
    if uninstall_from_registration 'Hand Made 1.0' $damage ok; then e2e_fail "$damage: exit 0"; fi
    expect_box $damage 'is damaged or incomplete'
    expect_box $damage 'Nothing has been removed.'
  fi
  snapshot "$damage.after"
  e2e_same "$E2E_DIR/$damage.before.files" "$E2E_DIR/$damage.after.files"
  e2e_same "$E2E_DIR/$damage.before.reg" "$E2E_DIR/$damage.after.reg"
  rm -rf "$(e2e_unix_path 'C:\Program Files\Hand Made')"
done
echo "uninstall: ok"
