# The wizard under the ANSI code pages of a Western (1252), Cyrillic (1251), Central European
# (1250) and Japanese (932) Windows: a small product whose Windows-1252 script and licence carry
# umlauts and accents in its name, folders, files, shortcut, registry values and file type. In
# each code page one installation in German and one run to the summary in English and French. Every text the driver reads must be the script's and licence's text
# decoded from Windows-1252 and the language's own, and equal that of the 1252 run; every name
# the installation leaves on the disk and in the registry must equal the 1252 run's.
# Sourced by test.sh after its own cases (walk, check_walk, welcome_text).

# Wine takes a process's code pages from its Unix locale, not from the prefix: a prefix made
# under C.UTF-8 and started under ru_RU.UTF-8 runs under 1251 and rewrites its locale keys to
# match, so the run's one template serves every code page; the driver's CODEPAGE line and the
# prefix's own Codepage key prove which one each run met.
code_pages=('C.UTF-8 1252' 'ru_RU.UTF-8 1251' 'pl_PL.UTF-8 1250' 'ja_JP.UTF-8 932')
for entry in "${code_pages[@]}"; do
  locale -a | grep -qix "$(sed 's/UTF-8/utf8/' <<<"${entry% *}")" ||
    e2e_fail "the locale ${entry% *} is not installed (scripts/bootstrap makes it)"
done
cp_start=$SECONDS

# The product, written here in UTF-8 and stored as Windows-1252 with CR LF, as a vendor's
# editor on a Western Windows saves it.
product=$work/code-pages
rm -rf "$product" && mkdir -p "$product/tree/S/Übersicht für Benutzer" "$product/tree/A/Ärger"
to_1252() { sed 's/$/\r/' | iconv -f UTF-8 -t CP1252; }
to_1252 >"$product/setup.txt" <<'SCRIPT'
GEF
N*Spezialität Café
V(1.0)
S0
DRäder\Spezialität\
H%SSpezialität.exe
MG%SLiesMich.txt
ME%SReadMe.txt
MF%SLisezMoi.txt
D*%PVELTRO 5107!\
D*%SÜbersicht für Benutzer\
D*%AÄrger\
F*%SSpezialität.exe
F*%SUnInstall.EXE
FG%SLiesMich.txt
FE%SReadMe.txt
FF%SLisezMoi.txt
F*%SÜbersicht für Benutzer\Größe.txt
F*%AÄrger\Café.txt
K*%PVELTRO 5107!\Bibliothèques Übersicht.lnk;%SÜbersicht für Benutzer\Größe.txt;
R*Software\Räder\Spezialität;Verzeichnis;%SÜbersicht für Benutzer
R*Software\Räder\Spezialität;Größe;Maße übergroß
X*spz5107;%SSpezialität.exe;Spezialität-Dokument
SCRIPT
to_1252 >"$product/licence.txt" <<'LICENCE'
GERMAN
Für Schäden an Rädern wird nicht gehaftet.
Ärger über Größe und Maße: schriftlich.

ENGLISH
No warranty for the café's naïve façade.

FRENCH
Aucune garantie: ce logiciel est livré tel quel, à vos risques.
Où qu'il soit installé, l'été comme l'hiver.
LICENCE
cp "$WIN_BIN/VelV12.exe" "$product/tree/S/Spezialität.exe"
cp "$WIN_BIN/UnInstall.EXE" "$product/tree/S/UnInstall.EXE"
printf 'Lies mich: Spezialität\r\n' >"$product/tree/S/LiesMich.txt"
printf 'Read me: Spezialität\r\n' >"$product/tree/S/ReadMe.txt"
printf 'Lisez-moi: Spécialité\r\n' >"$product/tree/S/LisezMoi.txt"
printf 'Größe\r\n' >"$product/tree/S/Übersicht für Benutzer/Größe.txt"
printf 'Café\r\n' >"$product/tree/A/Ärger/Café.txt"
WIZ_SCRIPT=$product/setup.txt WIZ_LICENCE=$product/licence.txt
WIZ_PRODUCT=$(script_header 2)
wizard_pack "$product" || e2e_fail "code pages: mksetup build failed: $(cat "$product/mksetup.log")"
setup=$(wizard_winpath "$product/setup.exe") tree=$product/tree

# licence_section MARKER: the licence's section after its marker line as the memo shows it in
# the report, decoded from Windows-1252, every line ended by CR LF.
licence_section() {
  iconv -f CP1252 -t UTF-8 "$WIZ_LICENCE" | tr -d '\r' |
    awk -v m="$1" '/^(GERMAN|ENGLISH|FRENCH)$/ { inside = ($0 == m); next } inside { printf "%s<CR><LF>", $0 }'
}

# The texts of each language that carry letters beyond ASCII or the script's names, one
# "PAGE CONTROL|LINE" a line, for the walks of the code-page cases.
version=$(script_header 3)
user=$(id -un)
expected_texts() {
  local p=$WIZ_PRODUCT
  case $1 in
    G)
      cat <<TEXTS
LanguagePage FrenchBox|vis=1 en=1 chk=0 Installer la version française
WelcomePage BackBtn|vis=1 en=1 default=0 < Zurück
WelcomePage WelcomeLabel|vis=1 en=1 $(welcome_text G)
WelcomePage InstallLabel|vis=1 en=1 Setup wird "$p $version" auf Ihrem Rechner installieren.
WelcomePage OneUserBtn|vis=1 en=1 chk=1 Installation nur für den angemeldeten Benutzer ( $user )
WelcomePage AllUserBtn|vis=1 en=1 chk=0 Installation für alle Benutzer an diesem Computer
LicencePage LizenzMemo|vis=1 en=1 $(licence_section GERMAN)
ProgramDestination DestinationLabel|vis=1 en=1 $p wird in das folgende Verzeichnis installiert:
IconPage IconLabel|vis=1 en=1 Verknüpfungen mit Programmsymbolen (Ikonen):
IconPage StartMenueLabel|vis=1 en=1 Programm-Ordner mit Ikonen im Windows Start-Menü anlegen
FinishPage DirectStartBox|vis=1 en=1 chk=1 $p direkt starten
TEXTS
      ;;
    E)
      cat <<TEXTS
WelcomePage WelcomeLabel|vis=1 en=1 $(welcome_text E)
WelcomePage InstallLabel|vis=1 en=1 Setup will install "$p $version" on your computer.
LicencePage LizenzMemo|vis=1 en=1 $(licence_section ENGLISH)
ProgramDestination DestinationLabel|vis=1 en=1 $p will be installed into the following directory:
TEXTS
      ;;
    F)
      cat <<TEXTS
WelcomePage BackBtn|vis=1 en=1 default=0 < Retour
WelcomePage WelcomeLabel|vis=1 en=1 $(welcome_text F)
WelcomePage InstallLabel|vis=1 en=1 Le setup installera "$p $version" sur votre ordinateur.
LicencePage LizenzMemo|vis=1 en=1 $(licence_section FRENCH)
ProgramDestination DestinationLabel|vis=1 en=1 $p sera installé sur le répertoire suivant:
IconPage IconLabel|vis=1 en=1 Liens avec des symboles de programme (Icônes):
IconPage StartMenueLabel|vis=1 en=1 Créer un répertoire de programme avec des icônes dans le menu Démarrer de Windows
SummaryPage ReadyLabel|vis=1 en=1 Prêt installer:
TEXTS
      ;;
  esac
}

# check_texts NAME LANGUAGE [SUFFIX]: the report's texts of the language are the expected ones,
# on the page visits labelled with SUFFIX.
check_texts() {
  local page control want
  while IFS='|' read -r page want; do
    control=${page#* } page=${page%% *}
    expect_ctrl "$1" "$page${3:-}" "$control" "$want" || return 1
  done < <(expected_texts "$2")
}

# comparable NAME SEPARATOR: what a run of the report NAME must share with the 1252 run: every
# control's state and text, the boxes, the end. The free disk space changes from one prefix to
# the next and is left out; a size keeps the locale's decimal separator, turned back to a dot.
comparable() {
  grep -aE '^(CTRL|BOX|STAYED|EXIT)' "$E2E_DIR/$1.report" |
    sed -E "s/([0-9])[$2]([0-9]+ [kKMGT]?B)/\\1.\\2/g; s/[0-9][0-9.,]* [kKMGT]?B( von | of | de )/FREE\\1/g"
}

# names OUT: the prefix's files and folders (the .lnk files by name: a shell link also holds its
# target in the code page, which differs by design) and the registry keys and values of the
# product, its file type and its uninstall entry.
names() {
  e2e_list_files "$1.files" '^\./windows/'
  sed -Ei 's/^f [0-9]+ [0-9a-f]{32} (.*\.lnk)$/f - - \1/' "$1.files"
  wizard_reg_sections "$1.reg" \
    "^\\[software\\\\\\\\(räder|classes\\\\\\\\(\\.spz5107|spz5107file)|microsoft\\\\\\\\windows\\\\\\\\currentversion\\\\\\\\uninstall\\\\\\\\${WIZ_PRODUCT,,})(\\\\\\\\|\\])"
}

# code_page_case LOCALE CP: the walks of one code page in a prefix of its own,
# $E2E_OUT/wizard/cpCP, with every check that needs no other code page's run.
code_page_case() {
  local locale=$1 cp=$2 name=cp$2 report acp
  LC_ALL=$locale walk "$name" G one '' yes yes no
  check_texts "$name" G
  # English and French in one run, to the summary and back: a Wine start costs more than a walk.
  LC_ALL=$locale wizard_run "$name-languages" every-language --exe "$setup" --languages EF ||
    e2e_fail "$name-languages: $(grep -a '^FAIL' "$E2E_DIR/$name-languages.report")"
  check_texts "$name-languages" E -E
  check_texts "$name-languages" F -F
  report_has "$name-languages" "BOX [Yes,No] [Exit Setup] Setup is not complete. If you quit now, $WIZ_PRODUCT will not be installed.<CR><CR>Exit Setup?"
  report_has "$name-languages" 'STAYED SummaryPage-E'
  report_has "$name-languages" "BOX [Yes,No] [Terminer l'installation] L'installation n'est pas complète. Si vous terminez maintenant, $WIZ_PRODUCT ne sera pas installé.<CR><CR>Sortez l'installation?"
  report_has "$name-languages" 'EXIT 0'
  # The code page is the one claimed: as the driver's process met it, and as Wine wrote it into
  # the prefix.
  for report in "$name" "$name-languages"; do
    report_has "$report" "CODEPAGE ANSI $cp "
  done
  acp=$(reg_text system.reg 'System\CurrentControlSet\Control\Nls\Codepage' ACP)
  [ "$acp" = "$cp" ] || e2e_fail "$name: the prefix's ANSI code page is $acp"
  names "$E2E_DIR/names"
  grep -q 'Ärger/Café.txt$' "$E2E_DIR/names.files" || e2e_fail "$name: no Café.txt among the names"
  grep -q '"Größe"=' "$E2E_DIR/names.reg" || e2e_fail "$name: no value Größe among the names"
}

# The code pages run side by side, each in an X display of its own (so that no window covers
# another's screenshot): a Wine run mostly waits, and four in a row would add minutes.
cp_xvfb=() cp_jobs=()
trap 'kill "${cp_xvfb[@]}" 2>/dev/null || true' EXIT
for entry in "${code_pages[@]}"; do
  locale=${entry% *} cp=${entry#* }
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/cp$cp.display" \
    >"$work/cp$cp.xvfb.log" 2>&1 &
  cp_xvfb+=($!)
  waited=0
  while [ ! -s "$work/cp$cp.display" ] && ((waited++ < 100)); do sleep 0.1; done
  [ -s "$work/cp$cp.display" ] || e2e_fail "Xvfb for code page $cp did not start: $(cat "$work/cp$cp.xvfb.log")"
  (
    export DISPLAY=:$(cat "$work/cp$cp.display")
    start=$SECONDS
    code_page_case "$locale" "$cp"
    echo "code page $cp ($locale): ok ($((SECONDS - start)) s)"
  ) >"$work/cp$cp.log" 2>&1 &
  cp_jobs+=($!)
done
cp_failed=
for i in "${!code_pages[@]}"; do
  wait "${cp_jobs[i]}" || cp_failed+=" ${code_pages[i]#* }"
  cat "$work/cp${code_pages[i]#* }.log"
done
kill "${cp_xvfb[@]}" 2>/dev/null || true
[ -z "$cp_failed" ] || e2e_fail "code pages failed:$cp_failed"

# Against the 1252 run: every text (a size in the locale's decimal separator), every name.
baseline=$E2E_OUT/wizard/cp1252
[ "$(LC_ALL=C.UTF-8 locale decimal_point)" = . ] ||
  e2e_fail "C.UTF-8's decimal separator is not a dot"
for entry in "${code_pages[@]:1}"; do
  locale=${entry% *} cp=${entry#* }
  E2E_DIR=$E2E_OUT/wizard/cp$cp
  separator=$(LC_ALL=$locale locale decimal_point)
  for report in "cp$cp" "cp$cp-languages"; do
    comparable "$report" "$separator" >"$E2E_DIR/$report.texts"
    (E2E_DIR=$baseline && comparable "${report/cp$cp/cp1252}" .) >"$E2E_DIR/$report.base"
    diff "$E2E_DIR/$report.base" "$E2E_DIR/$report.texts" >"$E2E_DIR/$report.diff" ||
      e2e_fail "$report: texts differ from the 1252 run's: $(head -20 "$E2E_DIR/$report.diff")"
  done
  for kind in files reg; do
    diff "$baseline/names.$kind" "$E2E_DIR/names.$kind" >"$E2E_DIR/names.$kind.diff" ||
      e2e_fail "cp$cp: names ($kind) differ from the 1252 run's: $(head -20 "$E2E_DIR/names.$kind.diff")"
  done
done
echo "code pages: $((SECONDS - cp_start)) s"
