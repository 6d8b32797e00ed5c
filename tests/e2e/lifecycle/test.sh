# The life cycle of the sample product under Wine: a snapshot of the prefix, an installation by
# the wizard (wizard-driver.exe), a file of the user's own in the product's folder, then the
# uninstaller started from the registration's UninstallString as Windows starts it, its questions
# answered by uninstall-driver.exe. Afterwards files, folders, shortcuts, file types and the
# uninstall key must be as before, except the user's file, which stays with its folders, and the
# uninstaller must be gone. The product is signed as a vendor ships it, setup.exe and the
# uninstaller inside it, with a certificate made here, and carries a vendor's identity: its main
# shortcut goes to the vendor's start-menu folder, its uninstall entry shows the vendor's version
# and publisher, and all of it goes with the uninstallation. The same cycle runs again in a
# prefix whose account is named outside the code page (Дмитрий on Windows-1252): the per-user
# folders the setup reads, and the uninstaller after it, lie under C:\users\Дмитрий\.
source tests/e2e/lib.sh
source tests/e2e/wizard/checks.sh
for program in setup-stub.exe wizard-driver.exe link-check.exe uninstall-driver.exe UnInstall.EXE; do
  [ -f "$WIN_BIN/$program" ] || e2e_fail "not built: $WIN_BIN/$program"
done
wizard_prefix lifecycle
first=$E2E_DIR
signer=
for candidate in /usr/local/bin/osslsigncode /usr/bin/osslsigncode; do
  [ -n "$signer" ] || [ ! -x "$candidate" ] || signer=$candidate
done
sign=()
if [ -n "$signer" ] && [ -x /usr/bin/openssl ]; then
  signer_name="Veltro Lifecycle $$"
  /usr/bin/openssl req -x509 -newkey rsa:2048 -days 2 -nodes -subj "/CN=$signer_name" \
    -keyout "$E2E_DIR/sign.key" -out "$E2E_DIR/sign.pem" >"$E2E_DIR/openssl.log" 2>&1
  sign=(--sign-cert "$E2E_DIR/sign.pem" --sign-key "$E2E_DIR/sign.key")
else
  echo "lifecycle: osslsigncode or openssl is not installed: the product is built unsigned" \
    "(scripts/bootstrap installs both)"
fi
# The sample script with the D line of the vendor's folder before the main program's F line.
WIZ_START_MENU='Veltro Lifecycle\V12'
WIZ_SCRIPT=$E2E_DIR/setup.txt
awk -v folder="D*%P$WIZ_START_MENU\\" '{ print } /^D\*%PVELTRO 5107!\\\r$/ { print folder "\r" }' \
  "$E2E_REPO/sample/setup.txt" >"$WIZ_SCRIPT"
grep -qF "D*%P$WIZ_START_MENU\\" "$WIZ_SCRIPT" || e2e_fail "the vendor's D line is not in $WIZ_SCRIPT"
cat >"$E2E_DIR/identity.txt" <<IDENTITY
# The vendor of the life cycle's product.
StartMenuFolder = $WIZ_START_MENU
Version = 12.5.0.114
CompanyName = Veltro Lifecycle Ltd.
DisplayVersion = 12.5.0.114
Publisher = Veltro Lifecycle Ltd.
EstimatedSize = 2048
NoModify = 1
IDENTITY
WIZ_UNINSTALL_EXTRAS=$(printf '%s\n' '"DisplayVersion"="12.5.0.114"' \
  '"Publisher"="Veltro Lifecycle Ltd."' '"EstimatedSize"=dword:00000800' '"NoModify"=dword:00000001')
sample=$E2E_DIR/sample
wizard_build_setup "$sample" "${sign[@]}" --identity "$E2E_DIR/identity.txt"
grep -qF "  Publisher            Veltro Lifecycle Ltd." <("$HOST_BIN/mksetup" list "$sample/setup.exe") ||
  e2e_fail "setup.exe does not list the vendor's identity"
if [ ${#sign[@]} -gt 0 ]; then
  grep -qF "Signature              signed by \"$signer_name\"" <("$HOST_BIN/mksetup" list "$sample/setup.exe") ||
    e2e_fail "setup.exe is not listed as signed by $signer_name"
  # The installation must carry the signed uninstaller, which the tree's file is not.
  "$HOST_BIN/mksetup" extract "$sample/setup.exe" "$E2E_DIR/extracted" >"$E2E_DIR/extract.log" 2>&1
  cp "$E2E_DIR/extracted/S/UnInstall.EXE" "$sample/tree/S/UnInstall.EXE"
fi
# What an installation touches and the uninstaller must give back; the R lines' values are not
# in UnInstall.LOG, so they are not part of it.
reg_scope='^\[software\\\\(classes|microsoft\\\\windows\\\\currentversion\\\\uninstall)(\\\\|\])'
snapshot() {
  e2e_list_files "$E2E_DIR/$1.files" '^\./windows/'
  e2e_reg_sections "$E2E_DIR/$1.reg" "$reg_scope"
}

# cycle: installs by the wizard into the current prefix, adds the user's file, uninstalls from
# the registration and checks what stayed.
cycle() {
  snapshot before

  wizard_run install walk --exe "$(wizard_winpath "$sample/setup.exe")" --language E \
    --one-user --desktop --quick-launch --no-addon || e2e_fail "install: $(grep -a '^FAIL' "$E2E_DIR/install.report")"
  wizard_folders E one "$(report_ctrl install ProgramDestination DestinationEdit | cut -d' ' -f3-)"
  check_install "$sample/tree" yes yes || e2e_fail "the installation differs"
  if [ ${#sign[@]} -gt 0 ]; then
    for file in "$sample/setup.exe" "$(unix_of "${S}UnInstall.EXE")"; do
      "$signer" verify -CAfile "$first/sign.pem" -in "$file" >"$E2E_DIR/verify.log" 2>&1 ||
        e2e_fail "osslsigncode verify refuses $file: $(tail -3 "$E2E_DIR/verify.log")"
    done
    echo "signed by $signer_name: setup.exe and the UnInstall.EXE it installed"
  fi
  snapshot installed
  cp "$(unix_of "${S}UnInstall.LOG")" "$E2E_DIR/UnInstall.LOG"

  mine=$(unix_of "${S}data\\mine.txt")
  echo "the user's own notes" >"$mine"

  # Windows runs the UninstallString as a command line (CreateProcess without an application name).
  command=$(e2e_reg_query "HKLM\\$WIZ_UNINSTALL_KEY\\$WIZ_PRODUCT" UninstallString |
    sed -n 's/^ *UninstallString *REG_SZ *//p')
  [ -n "$command" ] || e2e_fail "no UninstallString"
  # The entry as the programs that list installed software read it.
  for value in 'DisplayVersion *REG_SZ *12.5.0.114' 'Publisher *REG_SZ *Veltro Lifecycle Ltd.'; do
    e2e_reg_query "HKLM\\$WIZ_UNINSTALL_KEY\\$WIZ_PRODUCT" "${value%% *}" | grep -q "^ *$value\$" ||
      e2e_fail "the uninstall entry has no ${value%% *} of the vendor's"
  done
  [ -e "$(unix_of "${P}$WIZ_START_MENU\\$WIZ_PRODUCT.lnk")" ] ||
    e2e_fail "the main shortcut is not in the vendor's folder ${P}$WIZ_START_MENU"
  echo "UninstallString: $command"
  start=$SECONDS
  rc=0
  e2e_wine "$E2E_DIR/uninstall.out" "$WIN_BIN/uninstall-driver.exe" 'C:\uninstall-report.txt' \
    "$command" yes ok || rc=$?
  tr -d '\r' <"$(unix_of 'C:\uninstall-report.txt')" >"$E2E_DIR/uninstall.boxes"
  rm -f "$(unix_of 'C:\uninstall-report.txt')"
  echo "uninstall: $((SECONDS - start)) s, exit $rc"
  [ $rc -eq 0 ] || e2e_fail "the uninstaller failed ($rc): $(cat "$E2E_DIR/uninstall.boxes")"
  expect_box() {
    grep -qF -- "$1" "$E2E_DIR/uninstall.boxes" || e2e_fail "no box says: $1 ($(cat "$E2E_DIR/uninstall.boxes"))"
}
expect_box "Do you want to remove \"$WIZ_PRODUCT\""
expect_box "\"$WIZ_PRODUCT\" has been removed."
expect_box "folder (not empty): ${S}data\\"
# The uninstaller runs as a copy in the temporary folder, which goes at the next restart.
expect_box 'UnInstall.EXE is removed as soon as you close this message'
e2e_restart
snapshot after

# Files and folders. What stays: the user's file with its folders, and the folders that the run
# created on the way to a recorded folder or file, which the log cannot name (nor can the
# uninstaller know they were not there before); every recorded folder, file and shortcut goes.
local -x LC_ALL=C
relative() { sed 's#^[Cc]:\\#./#; s#\\$##; s#\\#/#g' <<<"$1"; }
folders_of() {  # the folders that hold a relative path, as listed by e2e_list_files
  local path=$1
  while path=${path%/*} && [ "$path" != . ]; do echo "d - - $path"; done
}
for state in before after; do sort "$E2E_DIR/$state.files" >"$E2E_DIR/$state.sorted"; done
records=$(grep -a '^[DF]' "$E2E_DIR/UnInstall.LOG" | tr -d '\r')
user_file=$(relative "${S}data\\mine.txt")
must_stay=$({ echo "f $(stat -c %s "$mine") $(md5sum <"$mine" | cut -c1-32) $user_file"
  folders_of "$user_file"; } | sort | comm -13 "$E2E_DIR/before.sorted" -)
may_stay=$({ echo "$must_stay"
  while IFS= read -r record; do folders_of "$(relative "${record:1}")"; done <<<"$records" |
    sort -u | comm -23 - <(grep '^D' <<<"$records" | while IFS= read -r d; do
      echo "d - - $(relative "${d:1}")"; done | sort -u); } | sort -u)
comm -23 "$E2E_DIR/before.sorted" "$E2E_DIR/after.sorted" >"$E2E_DIR/gone.files"
[ ! -s "$E2E_DIR/gone.files" ] || e2e_fail "removed what was there before: $(cat "$E2E_DIR/gone.files")"
comm -13 "$E2E_DIR/before.sorted" "$E2E_DIR/after.sorted" >"$E2E_DIR/left-over.files"
comm -23 <(echo "$must_stay") "$E2E_DIR/left-over.files" >"$E2E_DIR/lost.files"
[ ! -s "$E2E_DIR/lost.files" ] || e2e_fail "the user's file or its folders went: $(cat "$E2E_DIR/lost.files")"
comm -23 "$E2E_DIR/left-over.files" <(echo "$may_stay") >"$E2E_DIR/not-removed.files"
[ ! -s "$E2E_DIR/not-removed.files" ] || e2e_fail "left over: $(cat "$E2E_DIR/not-removed.files")"
comm -23 "$E2E_DIR/left-over.files" <(echo "$must_stay") | sed 's/^/left over, never recorded: /'
[ ! -e "$(unix_of "${S}UnInstall.EXE")" ] || e2e_fail "UnInstall.EXE is still there"
e2e_same "$E2E_DIR/before.reg" "$E2E_DIR/after.reg"
}

begun=$SECONDS
cycle
echo "lifecycle: installed and removed for the account of" \
  "$(reg_text user.reg 'Volatile Environment' USERNAME) ($((SECONDS - begun)) s)"

# Wine's registry files write a character outside ASCII as \x and its UTF-16 unit in hex, four
# digits when a hex digit follows; the oracle compares text, so the stored form is decoded, unless
# the wizard's checks read the files decoded already (reg_hive).
if ! declare -F reg_hive >/dev/null; then
  eval "wizard_$(declare -f reg_raw)"
  reg_raw() {
    wizard_reg_raw "$@" | perl -CO -pe 's/\\(\\|x([0-9a-fA-F]{1,4}))/defined $2 ? chr(hex $2) : "\\\\"/ge'
  }
fi

# section_lines KEY: the value lines of one key of the prefix's user.reg, in its escaped form,
# which is the form of a .reg file's lines too.
section_lines() {
  local key=${1//\\/\\\\}
  KEY="[${key,,}]" awk '
    /^\[/ { line = $0; sub(/\] [0-9]+$/, "]", line); on = (tolower(line) == ENVIRON["KEY"]); next }
    on && /^"/' "$WINEPREFIX/user.reg"
}

# move_profile NAME: the account's profile becomes C:\users\NAME, as for an account of that name:
# every per-user shell folder below the profile Wine made (Shell Folders, and User Shell Folders
# written out in full), and the account's profile list entry; the folders are made on disk, as
# the first logon makes them. Through regedit, so that Wine stores the names as it stores any.
move_profile() {
  local shell='Software\Microsoft\Windows\CurrentVersion\Explorer' old new=C:\\users\\$1
  old=$(reg_text user.reg "$shell\\Shell Folders" AppData)
  old=${old%\\AppData\\Roaming}
  [[ $old == [Cc]:\\users\\* ]] || e2e_fail "the account's AppData is not under C:\\users: $old"
  local from=${old//\\/\\\\} to=${new//\\/\\\\} sid
  sid=$(grep -B3 -F "\"ProfileImagePath\"=\"$from\"" "$WINEPREFIX/system.reg" |
    sed -n 's/^\[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\ProfileList\\\\\(S-[-0-9]*\)\].*/\1/p')
  [ -n "$sid" ] || e2e_fail "no profile list entry holds $old"
  {
    printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\%s\\Shell Folders]\n' "$shell"
    section_lines "$shell\\Shell Folders" | grep -F "\"=\"$from\\\\" | while IFS= read -r line; do
      printf '%s\n' "${line/"\"=\"$from"/"\"=\"$to"}"
    done
    printf '\n[HKEY_CURRENT_USER\\%s\\User Shell Folders]\n' "$shell"
    local expandable='=str(2):"%USERPROFILE%'
    section_lines "$shell\\User Shell Folders" | grep -F "$expandable\\\\" |
      while IFS= read -r line; do printf '%s\n' "${line/"$expandable"/"=\"$to"}"; done
    printf '\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\%s]\n' "$sid"
    printf '"ProfileImagePath"="%s"\n' "$to"
  } >"$E2E_DIR/profile.txt"
  { printf '\xff\xfe' && iconv -f UTF-8 -t UTF-16LE "$E2E_DIR/profile.txt"; } >"$E2E_DIR/profile.reg"
  e2e_wine "$E2E_DIR/regedit.out" regedit /s "$(wizard_winpath "$E2E_DIR/profile.reg")" ||
    e2e_fail "regedit /s of the profile failed: $(cat "$E2E_DIR/regedit.out.err")"
  local name folder
  while IFS= read -r name; do
    folder=$(reg_text user.reg "$shell\\Shell Folders" "$name")
    [[ $folder == "$new"\\* ]] || e2e_fail "Shell Folders $name is [$folder], not under $new"
    mkdir -p "$(e2e_unix_path "$folder")"
  done < <(sed -n '/\\Shell Folders\]$/,/^$/s/^"\([^"]*\)"=.*/\1/p' "$E2E_DIR/profile.txt")
  mkdir -p "$(e2e_unix_path "$new\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch")"
}

# --- An account named outside the code page: on Windows-1252, the ANSI functions would read
# its folders as C:\users\???????\. The same product, the same cycle.
export LC_ALL=C.UTF-8
account=Дмитрий
begun=$SECONDS
wizard_prefix lifecycle-account
move_profile "$account"
cycle
# Where the files went, named here rather than by the oracle: the profile's folders in UTF-8.
home=./users/$account
for path in "$home/AppData/Roaming/vqx/VelV12/special/libs/part1.lib" \
  "$home/AppData/Roaming/vqx/VelV12/special/projects/example.T5107" "$home/Desktop/$WIZ_PRODUCT.lnk" \
  "$home/AppData/Roaming/Microsoft/Internet Explorer/Quick Launch/$WIZ_PRODUCT.lnk" \
  "$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$WIZ_START_MENU/$WIZ_PRODUCT.lnk"; do
  path=${path//\\//}
  grep -qF " $path" "$E2E_DIR/installed.files" || e2e_fail "not installed: $path"
  ! grep -qF " $path" "$E2E_DIR/after.files" || e2e_fail "not removed: $path"
done
! grep -a '?' "$E2E_DIR/installed.files" >"$E2E_DIR/question-marks.files" ||
  e2e_fail "names with question marks: $(cat "$E2E_DIR/question-marks.files")"
echo "lifecycle: installed and removed for the account $account on the ANSI code page of" \
  "LC_ALL=$LC_ALL ($((SECONDS - begun)) s)"
echo "lifecycle: ok"
