# setup.exe's wizard under Wine, walked by wizard-driver.exe like a user: the sample product
# installed in each language (one user and all users, with and without the add-on and the
# optional shortcuts), checked in the prefix against the script; keys and clicks during a long
# run, whose big file's path the label shows while it is written; Cancel answered Yes and No;
# Back from every page; Enter on the destination page from each of its controls; a destination
# without its drive refused; a setup.exe with a damaged payload block; a product of umlauts and
# accents under the ANSI code pages 1252, 1251, 1250 and 932 (code-pages.sh). Screenshots of
# every page and box: build/e2e/ARCH/wizard/*/shots/.
source tests/e2e/lib.sh
source tests/e2e/wizard/checks.sh
for program in "$WIN_BIN/setup-stub.exe" "$WIN_BIN/wizard-driver.exe" "$WIN_BIN/link-check.exe" \
  "$WIN_BIN/planted.exe" "$WIN_BIN/UnInstall.EXE" "$HOST_BIN/mksetup" "$HOST_BIN/make_sample_tree"; do
  [ -f "$program" ] || e2e_fail "not built: $program"
done
work=$E2E_OUT/wizard
rm -rf "$work" && mkdir -p "$work"
wizard_build_setup "$work/sample"
setup=$(wizard_winpath "$work/sample/setup.exe")
tree=$work/sample/tree

# The texts each language must show (welcome_text: the product name filled in).
welcome_text() {
  case $1 in
    G) echo "Willkommen zum $WIZ_PRODUCT Setup Assistenten." ;;
    E) echo "Welcome to the $WIZ_PRODUCT setup assistant." ;;
    F) echo "Bienvenue à l'aide d'installation de $WIZ_PRODUCT." ;;
  esac
}
declare -A forward=([G]='Weiter >' [E]='Next >' [F]='Continuer >')
declare -A install=([G]='Installieren' [E]='Install' [F]='Installer')
declare -A completed=([G]='Installation abgeschlossen!' [E]='Installation finished!' [F]='Installation fini!')
declare -A finished=([G]='Fertig!' [E]='Finished!' [F]='Fini!')
declare -A readme=([G]='LiesMich-Datei anzeigen' [E]='Show ReadMe file' [F]='Indiquer le fichier LisezMoi')

# check_walk NAME LANGUAGE DESKTOP QUICKLAUNCH DEST: the report of a completed walk.
check_walk() {
  local name=$1 l=$2 desktop=$3 quick=$4 dest=$5 lines
  [ "$(report_pages "$name")" = 'LanguagePage WelcomePage LicencePage ProgramDestination IconPage SummaryPage ActionPage FinishPage ' ] ||
    e2e_fail "$name: pages $(report_pages "$name")"
  expect_ctrl "$name" WelcomePage WelcomeLabel "vis=1 en=1 $(welcome_text "$l")"
  report_ctrl "$name" LicencePage AgreeBox | grep -aq '^vis=1 en=1 chk=0 ' || e2e_fail "$name: licence accepted on entry"
  report_ctrl "$name" LicencePage NextBtn | grep -aq '^vis=1 en=0' || e2e_fail "$name: Next enabled before the licence is accepted"
  expect_ctrl "$name" IconPage NextBtn "vis=1 en=1 default=1 ${forward[$l]}"
  expect_ctrl "$name" SummaryPage NextBtn "vis=1 en=1 default=1 ${install[$l]}"
  # The summary: the welcome page's install line first, the destination as typed on line 8,
  # ten lines plus one per chosen shortcut.
  report_ctrl "$name" SummaryPage SummaryMemo | sed 's/^vis=1 en=1 //; s/<CR><LF>$//; s/<CR><LF>/\n/g' >"$E2E_DIR/$name.summary"
  lines=$((10 + $([ "$desktop" = yes ] && echo 1 || echo 0) + $([ "$quick" = yes ] && echo 1 || echo 0)))
  [ "$(grep -c '' "$E2E_DIR/$name.summary")" -eq $lines ] || e2e_fail "$name: summary is not $lines lines"
  [ "$(sed -n 1p "$E2E_DIR/$name.summary")" = "$(report_ctrl "$name" WelcomePage InstallLabel | cut -d' ' -f3-)" ] ||
    e2e_fail "$name: summary line 1"
  [ "$(sed -n 8p "$E2E_DIR/$name.summary")" = "$dest" ] || e2e_fail "$name: summary line 8 is not $dest"
  report_has "$name" "BOX [OK] [$WIZ_PRODUCT] ${completed[$l]}"
  [ "$(grep -ac '^BOX' "$E2E_DIR/$name.report")" -eq 1 ] || e2e_fail "$name: unexpected boxes: $(grep -a '^BOX' "$E2E_DIR/$name.report")"
  expect_ctrl "$name" ActionPage ProgressBar 'vis=1 en=1 pos=100 '
  expect_ctrl "$name" ActionPage PercentLabel 'vis=1 en=1 100%'
  expect_ctrl "$name" FinishPage CancelBtn "vis=1 en=1 default=1 ${finished[$l]}"
  report_ctrl "$name" FinishPage NextBtn | grep -aq '^vis=1 en=0' || e2e_fail "$name: Next enabled on the finish page"
  report_ctrl "$name" FinishPage ReadMeBox | grep -qF "vis=1 en=1 chk=1 ${readme[$l]}" || e2e_fail "$name: read-me box"
  report_has "$name" 'EXIT 0'
}

# walk NAME LANGUAGE USERS DEST DESKTOP QUICKLAUNCH ADDON [DRIVER-ARGS...]: a fresh prefix, the
# walk, and every check of the installation it must leave.
walk() {
  local name=$1 l=$2 users=$3 dest=$4 desktop=$5 quick=$6 addon=$7
  shift 7
  wizard_prefix "wizard/$name"
  local exe=$setup
  [ -z "${WALK_FROM_DOWNLOADS:-}" ] || exe=$(plant_downloads)
  local args=(walk --exe "$exe" --language "$l" "--$([ "$users" = all ] && echo all-users || echo one-user)")
  [ -n "$dest" ] && args+=(--dest "$dest")
  args+=("--$([ "$desktop" = yes ] && echo desktop || echo no-desktop)")
  args+=("--$([ "$quick" = yes ] && echo quick-launch || echo no-quick-launch)")
  args+=("--$([ "$addon" = yes ] && echo addon || echo no-addon)")
  wizard_run "$name" "${args[@]}" "$@" || e2e_fail "$name: $(grep -a '^FAIL' "$E2E_DIR/$name.report")"
  local proposed
  proposed=$(reg_text system.reg 'Software\Microsoft\Windows\CurrentVersion' ProgramFilesDir)\\$(script_header 5)
  expect_ctrl "$name" ProgramDestination DestinationEdit "vis=1 en=1 $proposed"
  wizard_folders "$l" "$users" "${dest:-$proposed}"
  check_walk "$name" "$l" "$desktop" "$quick" "${dest:-$proposed}"
  check_install "$tree" "$desktop" "$quick" || e2e_fail "$name: the installation differs"
  local marker
  marker=$(unix_of "${S}korvalt.txt")
  if [ "$addon" = yes ]; then
    [ -f "$marker" ] || e2e_fail "$name: the add-on's setup did not run"
  else
    [ ! -e "$marker" ] || e2e_fail "$name: the add-on's setup ran unasked"
  fi
}

walk german G one '' yes no no
# The user's download folder in the current prefix (a Windows path), where a setup.exe usually
# lies beside whatever else was downloaded.
downloads_folder() {
  local desktop
  desktop=$(reg_text user.reg 'Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' Desktop)
  echo "${desktop%'\'*}\Downloads"
}
# plant_downloads: setup.exe in the download folder beside a planted NOTEPAD.EXE; echoes the
# Windows path of that setup.exe.
plant_downloads() {
  local folder
  folder=$(e2e_unix_path "$(downloads_folder)")
  mkdir -p "$folder"
  cp "$work/sample/setup.exe" "$folder/setup.exe"
  cp "$WIN_BIN/planted.exe" "$folder/NOTEPAD.EXE"
  echo "$(downloads_folder)\setup.exe"
}
# Started from a download folder that also holds someone else's NOTEPAD.EXE: the read-me is
# shown by the system's own viewer, and the planted program never runs.
WALK_FROM_DOWNLOADS=1 walk english-all E all 'C:\Prog\Veltro' yes no no --finish-actions
report_has english-all 'STARTED notepad ReadMe'
planted=$(e2e_unix_path "$(downloads_folder)")/PLANTED-RAN.txt
[ ! -e "$planted" ] || e2e_fail "english-all: the NOTEPAD.EXE beside setup.exe ran: $(cat "$planted")"
report_has english-all "STARTED program $WIZ_PRODUCT"
walk french-addon F one '' no yes yes
expect_ctrl french-addon WelcomePage KorvaltCheckBox 'vis=1 en=1 chk=0 Installer autorouteur Korvalt  (version demo)'

# Esc and a click on the greyed Cancel made while the run holds the dialog are thrown away: the
# completion message still waits for its answer and the finish page follows. One file of the
# sample made 400 MB of zeros (3 MB in setup.exe) keeps the run going for a few seconds.
big=$work/big
rm -rf "$big" && mkdir -p "$big" && cp -al "$tree" "$big/tree"
rm "$big/tree/S/data/table12.dat" && head -c 400M /dev/zero >"$big/tree/S/data/table12.dat"
wizard_pack "$big"
setup=$(wizard_winpath "$big/setup.exe") tree=$big/tree walk input-during-run E one '' yes no no --input-during-run
report_has input-during-run 'INPUT during the run'
report_has input-during-run 'WAITING'
# The big file's path is what the label shows longest, while the file is written: not the path of
# the line before it, held back by the pacing of the drawing. A text lasts until the next one, the
# last until the run's first box (the ActionPage line logged after it).
longest=$(awk '
  function ended(now) { if (shown && now - since > best) { best = now - since; text = shown } }
  /^LABEL / { ended($2); since = $2; shown = $0; sub(/^LABEL [0-9]+ /, "", shown) }
  /^PAGE ActionPage / && shown { ended($3); shown = "" }
  END { print text }' "$E2E_DIR/input-during-run.report")
[ "$longest" = "${S}data\table12.dat" ] ||
  e2e_fail "input-during-run: the label showed [$longest] longest, not ${S}data\table12.dat: $(grep -a '^LABEL' "$E2E_DIR/input-during-run.report" | tr '\n' ' ')"
rm -rf "$big" "$(unix_of "${S}data\\table12.dat")"

# --- Walks that install nothing, in one prefix: before and after must be the same.
wizard_prefix wizard/no-install
reg_scope='^\[software\\\\(classes|microsoft\\\\windows\\\\currentversion\\\\uninstall|vqx)(\\\\|\])'
snapshot() {
  e2e_list_files "$E2E_DIR/$1.files" '^\./windows/'
  e2e_reg_sections "$E2E_DIR/$1.reg" "$reg_scope"
}
snapshot before
english_cancel="Setup is not complete. If you quit now, $WIZ_PRODUCT will not be installed.<CR><CR>Exit Setup?"
wizard_run cancel-yes cancel --exe "$setup" --answer yes || e2e_fail "cancel-yes: $(grep -a '^FAIL' "$E2E_DIR/cancel-yes.report")"
report_has cancel-yes "BOX [Yes,No] [Exit Setup] $english_cancel"
report_has cancel-yes 'EXIT 0'
wizard_run cancel-no cancel --exe "$setup" --answer no --language G --page LicencePage ||
  e2e_fail "cancel-no: $(grep -a '^FAIL' "$E2E_DIR/cancel-no.report")"
report_has cancel-no "BOX [Yes,No] [Setup abbrechen] Setup ist noch nicht fertig. Wenn Sie jetzt abbrechen, wird $WIZ_PRODUCT nicht installiert.<CR><CR>Setup abbrechen?"
report_has cancel-no 'STAYED LicencePage'
[ "$(grep -ac '^BOX' "$E2E_DIR/cancel-no.report")" -eq 2 ] || e2e_fail "cancel-no: not two confirmations"
report_has cancel-no 'EXIT 0'

wizard_run back back-from-every-page --exe "$setup" --language F || e2e_fail "back: $(grep -a '^FAIL' "$E2E_DIR/back.report")"
[ "$(report_pages back)" = 'LanguagePage WelcomePage LicencePage ProgramDestination IconPage SummaryPage IconPage-back ProgramDestination-back LicencePage-back WelcomePage-back LanguagePage-back ' ] ||
  e2e_fail "back: pages $(report_pages back)"
expect_ctrl back IconPage-back NextBtn "vis=1 en=1 default=1 ${forward[F]}"
report_ctrl back LicencePage-back AgreeBox | grep -aq '^vis=1 en=1 chk=0 ' || e2e_fail "back: licence still accepted"
report_ctrl back LicencePage-back NextBtn | grep -aq '^vis=1 en=0 ' || e2e_fail "back: Next enabled on the licence page"
report_ctrl back WelcomePage-back BackBtn | grep -aq '^vis=1 en=1 ' || e2e_fail "back: Back disabled on the welcome page"
report_ctrl back LanguagePage-back FrenchBox | grep -aq '^vis=1 en=1 chk=1 ' || e2e_fail "back: French no longer chosen"
report_ctrl back LanguagePage-back NextBtn | grep -aq '^vis=1 en=1 ' || e2e_fail "back: Next disabled on the language page"
report_ctrl back LanguagePage-back BackBtn | grep -aq '^vis=1 en=0 ' || e2e_fail "back: Back enabled on the language page"
report_has back 'BOX [Yes,No] [Terminer l'"'"'installation] '
report_has back 'EXIT 0'
# Enter leaves the destination page as Next does, with the focus moved by Tab to the directory
# list, to the closed drive list and to the edit box; in the open drive list it only ends the
# choice there.
wizard_run enter-keys enter-on-destination --exe "$setup" --language E ||
  e2e_fail "enter-keys: $(grep -a '^FAIL' "$E2E_DIR/enter-keys.report")"
for from in DestinationDirectoryBox DestinationDriveBox DestinationEdit; do
  report_has enter-keys "FOCUS $from"
  report_has enter-keys "PAGE IconPage-enter-from-$from "
done
report_has enter-keys 'STAYED ProgramDestination after Enter in the open drive list'
[ "$(grep -ac '^BOX' "$E2E_DIR/enter-keys.report")" -eq 1 ] || e2e_fail "enter-keys: unexpected boxes"
report_has enter-keys 'EXIT 0'
# A destination typed without its drive: Next shows the box and the wizard keeps the page and
# the typed text.
wizard_run refused-dest refused-dest --exe "$setup" --language E --dest 'Veltro\App' ||
  e2e_fail "refused-dest: $(grep -a '^FAIL' "$E2E_DIR/refused-dest.report")"
report_has refused-dest 'BOX [OK] [Invalid destination directory] Please enter a directory with a drive letter (C:\...) or a network path (\\server\share).'
report_has refused-dest 'STAYED ProgramDestination'
expect_ctrl refused-dest ProgramDestination-after-box DestinationEdit 'vis=1 en=1 Veltro\App'
report_has refused-dest 'EXIT 0'
snapshot after
e2e_same "$E2E_DIR/before.files" "$E2E_DIR/after.files"
e2e_same "$E2E_DIR/before.reg" "$E2E_DIR/after.reg"

# --- A payload block that zlib must refuse (data\table06.dat's): the run stops with the error,
# the wizard stays on ActionPage, the files before it stay, no log and no registration.
entries=$(($(script_lines | grep -c '^[Ff]') + 1))
damaged_line=$(script_lines | grep '^[Ff]' | grep -n -F 'data\table06.dat' | cut -d: -f1)
python3 tests/e2e/wizard/damage-payload.py "$work/sample/setup.exe" "$work/sample/damaged.exe" \
  "$damaged_line" "$entries" >"$E2E_DIR/damage.log"
wizard_run damaged damaged --exe "$(wizard_winpath "$work/sample/damaged.exe")" --language E ||
  e2e_fail "damaged: $(grep -a '^FAIL' "$E2E_DIR/damaged.report")"
report_has damaged 'BOX [OK] [Setup] data error.'
[ "$(report_pages damaged | awk '{print $NF}')" = ActionPage-after-error ] || e2e_fail "damaged: left ActionPage"
report_ctrl damaged ActionPage-after-error CancelBtn | grep -aq '^vis=1 en=1 default=1 ' ||
  e2e_fail "damaged: Cancel not enabled as the default button"
report_ctrl damaged ActionPage-after-error NextBtn | grep -aq '^vis=1 en=0 ' || e2e_fail "damaged: Next enabled"
report_has damaged "BOX [Yes,No] [Exit Setup] $english_cancel"
report_has damaged 'EXIT 0'
wizard_folders E one "$(report_ctrl damaged ProgramDestination DestinationEdit | cut -d' ' -f3-)"
e2e_same "$tree/S/data/table05.dat" "$(unix_of "${S}data\\table05.dat")"
[ ! -e "$(unix_of "${S}data\\table07.dat")" ] || e2e_fail "damaged: the run went on after the error"
[ ! -e "$(unix_of "${S}UnInstall.LOG")" ] || e2e_fail "damaged: UnInstall.LOG written"
e2e_reg_sections "$E2E_DIR/damaged.reg" '^\[software\\\\microsoft\\\\windows\\\\currentversion\\\\uninstall\\\\veltro'
[ ! -s "$E2E_DIR/damaged.reg" ] || e2e_fail "damaged: uninstall key written"
source tests/e2e/wizard/code-pages.sh
echo "wizard: ok"
