# What a run of the test product must leave, derived from the tables of product.sh and from the
# prefix itself (its folder values, which folders existed before), never from the run's output.
# A run is described by RUN_LANGUAGE (G, E or F), RUN_SWITCHES (" --all-users --desktop ... ")
# and the folders S A D P Q of the macros.

# For helpers that run where set -e is off (in conditions): stop the group at once.
die() {
  echo "FAIL: $*" >&2
  exit 1
}

switch_on() { [[ $RUN_SWITCHES == *" $1 "* ]]; }

expand() {
  local t=$1
  t=${t//"%S"/"$S"} t=${t//"%A"/"$A"} t=${t//"%D"/"$D"} t=${t//"%P"/"$P"} t=${t//"%Q"/"$Q"}
  printf '%s' "$t"
}

with_slash() { [ "${1: -1}" = '\' ] && printf '%s' "$1" || printf '%s\\' "$1"; }

# accepts CODE: the line's language code against the run's language.
accepts() {
  case ${1^^} in
    '*') return 0 ;;
    G | D) [ "$RUN_LANGUAGE" = G ] ;;
    E) [ "$RUN_LANGUAGE" = E ] ;;
    F) [ "$RUN_LANGUAGE" = F ] ;;
    *) return 1 ;;
  esac
}

# unix_of 'C:\x': the Linux path of a Windows path (Windows-1252) on drive C:; Wine names
# files in UTF-8.
unix_of() {
  e2e_unix_path "$(printf '%s' "$1" | iconv -f CP1252 -t UTF-8)"
}

# The path of a Windows path on drive C:, relative to drive_c as e2e_list_files writes it.
relative() {
  local p
  p=$(printf '%s' "${1#[Cc]:}" | iconv -f CP1252 -t UTF-8)
  p=${p//\\//}
  printf '.%s' "${p%/}"
}

# Wine links the user's Desktop and other folders to the real home; a run must stay inside the
# prefix, so they become folders of their own.
own_user_folders() {
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
  done
}

# reg_text FILE HIVE NAME: a string value out of an e2e_reg_sections file.
reg_text() {
  sed -n "s/^$2 \"$3\"=\"\(.*\)\"\$/\1/p" "$1" | head -1 | sed 's/\\\\/\\/g'
}

# The folders of the macros and the program files folder, read from the prefix's hives.
read_folders() {
  local f=$E2E_DIR/folders.reg
  e2e_reg_sections "$f" '^\[software\\\\microsoft\\\\windows\\\\currentversion(\\\\explorer\\\\shell folders)?\]'
  PROGRAM_FILES=$(reg_text "$f" system.reg ProgramFilesDir)\\
  local appdata
  appdata=$(reg_text "$f" user.reg AppData)\\
  [ "$appdata" != '\' ] || e2e_fail "the prefix has no AppData folder value"
  if switch_on --all-users; then
    A=$(reg_text "$f" system.reg 'Common AppData')\\$DEFAULT_SUB_FOLDER
    D=$(reg_text "$f" system.reg 'Common Desktop')\\
    P=$(reg_text "$f" system.reg 'Common Programs')\\
  else
    A=$appdata$DEFAULT_SUB_FOLDER
    D=$(reg_text "$f" user.reg Desktop)\\
    P=$(reg_text "$f" user.reg Programs)\\
  fi
  Q="${appdata}Microsoft\\Internet Explorer\\Quick Launch\\"
}

# Which D line folders exist before the run (a D record only for a folder that did not).
declare -A EXISTED
note_existing_folders() {
  EXISTED=()
  local row code folder
  for row in "${D_LINES[@]}"; do
    IFS='|' read -r code folder <<<"$row"
    folder=$(with_slash "$(expand "$folder")")
    [ -d "$(unix_of "$folder")" ] && EXISTED[${folder^^}]=1
  done
  return 0
}

# run_engine NAME EXE ARGS...: one run; its report goes to $E2E_DIR/NAME.report.
run_engine() {
  local name=$1 exe=$2
  shift 2
  local rc=0 report
  e2e_wine "$E2E_DIR/$name.out" "$exe" "C:\\$name-report.txt" "$@" || rc=$?
  report=$(unix_of "C:\\$name-report.txt")
  [ -f "$report" ] || die "$name: no report (exit $rc): $(cat "$E2E_DIR/$name.out.err")"
  mv "$report" "$E2E_DIR/$name.report"
  return $rc
}

# The tables are Windows-1252, as the script they write; engine-run.exe and link-check.exe
# report in UTF-8, so what is compared with their reports goes through this first.
utf8() { iconv -f CP1252 -t UTF-8; }

# The text tools read the reports byte by byte.
report_values() { LC_ALL=C sed -n "s/^$2=\[\(.*\)\]\r\$/\1/p" "$E2E_DIR/$1.report"; }

expect_value() {
  local got expected
  got=$(report_values "$1" "$2")
  expected=$(printf '%s' "$3" | utf8)
  [ "$got" = "$expected" ] || e2e_fail "$1: $2 is [$got], expected [$expected]"
}

# The main program's shortcuts, in the order they are made.
main_links() {
  printf '%s\n' "${P}VELTRO 5107!\\$PRODUCT.lnk"
  if switch_on --desktop; then printf '%s\n' "$D$PRODUCT.lnk"; fi
  if switch_on --quick-launch; then printf '%s\n' "$Q$PRODUCT.lnk"; fi
}

is_main_program() {
  local main
  main=$(expand "$MAIN_PROGRAM")
  [ "${1^^}" = "${main^^}" ]
}

is_indexed() {
  local name=${1##*\\}
  [[ $name == *.* ]] || return 1
  case ${name##*.} in [sS][yY][mM]5107 | [pP][cC][kK]5107 | [rR][eE][fF]5107) return 0 ;; esac
  return 1
}

# K lines whose shortcut folder is there: those Save can write.
link_folder_exists() { [ -d "$(unix_of "${1%\\*}")" ]; }

e_line_runs() {
  local lang=$1 command=$2
  accepts "$lang" || return 1
  [[ ${command^^} != *KORVALT* ]] || switch_on --add-on
}

# The records of UnInstall.LOG, one per line, in the tables' Windows-1252.
expected_log() {
  local row code lang path b c folder link
  local -A made=()
  printf '%s\n' "N$PRODUCT" "L$RUN_LANGUAGE"
  for row in "${D_LINES[@]}"; do
    IFS='|' read -r code folder <<<"$row"
    accepts "${code:1}" || continue
    folder=$(with_slash "$(expand "$folder")")
    [ -z "${EXISTED[${folder^^}]:-}" ] && [ -z "${made[${folder^^}]:-}" ] && printf 'D%s\n' "$folder"
    made[${folder^^}]=1
  done
  for row in "${FILE_LINES[@]}"; do
    IFS='|' read -r code path b <<<"$row"
    accepts "${code:1}" || continue
    path=$(expand "$path")
    printf 'F%s\n' "$path"
    if is_indexed "$path"; then printf 'F%sIND\n' "$path"; fi
    if is_main_program "$path"; then main_links | sed 's/^/F/'; fi
  done
  for row in "${K_LINES[@]}"; do
    IFS='|' read -r lang link b <<<"$row"
    if accepts "$lang"; then printf 'F%s\n' "$(expand "$link")"; fi
  done
  for row in "${X_LINES[@]}"; do
    IFS='|' read -r lang b c <<<"$row"
    if accepts "$lang"; then printf 'X%s\n' "$b"; fi
  done
}

# The labels the run repaints: ActionLabel texts in order, and the percentages.
expected_actions() {
  local row code lang path b
  for row in "${D_LINES[@]}"; do
    IFS='|' read -r code path <<<"$row"
    if accepts "${code:1}"; then with_slash "$(expand "$path")" && echo; fi
  done
  for row in "${FILE_LINES[@]}"; do
    IFS='|' read -r code path b <<<"$row"
    expand "$path" && echo  # every F line, of every language
  done
  for row in "${R_LINES[@]}"; do
    if accepts "${row%%|*}"; then echo Registry; fi
  done
  for row in "${E_LINES[@]}"; do
    IFS='|' read -r lang path b <<<"$row"
    echo "Execute $(expand "$(e_command "$path" "$b")")"
  done
}

check_progress() {
  local n i p
  n=$(($(grep -c '' "$products/script.txt") - 9))
  for ((i = 0; i < n; i++)); do
    p=$((i * 100 / n))
    echo "$((p < 1 ? 1 : p))%"
  done >"$E2E_DIR/percent.expected"
  report_values run Percent >"$E2E_DIR/percent.got"
  e2e_same "$E2E_DIR/percent.got" "$E2E_DIR/percent.expected"
  expected_actions | utf8 >"$E2E_DIR/actions.expected"
  report_values run Action >"$E2E_DIR/actions.got"
  e2e_same "$E2E_DIR/actions.got" "$E2E_DIR/actions.expected"
}

# Every box of the run: a "Problems with link" for each K line whose folder is missing.
check_boxes() {
  local row lang link b
  for row in "${K_LINES[@]}"; do
    IFS='|' read -r lang link b <<<"$row"
    accepts "$lang" || continue
    link=$(expand "$link")
    link_folder_exists "$link" && continue
    printf 'BoxCaption=[SETUP.EXE]\r\nBoxText=[Problems with link \r "%s"!]\r\nBoxAnswer=[ok]\r\n' "$link"
  done | utf8 >"$E2E_DIR/boxes.expected"
  grep -a '^Box' "$E2E_DIR/run.report" >"$E2E_DIR/boxes.got" || true
  e2e_same "$E2E_DIR/boxes.got" "$E2E_DIR/boxes.expected"
}

# check_files [STOP_PATH]: every F line's file against its source, or absent when its language
# is not the run's. From the row of STOP_PATH on (the line an error ended), nothing is written.
check_files() {
  local row code path b target stopped=
  for row in "${FILE_LINES[@]}"; do
    IFS='|' read -r code path b <<<"$row"
    [ "$path" = "${1:-}" ] && stopped=1
    target=$(unix_of "$(expand "$path")")
    if [ -z "$stopped" ] && accepts "${code:1}"; then
      cmp -s "$target" "$(source_of "$path")" || e2e_fail "$target differs from its source"
    elif [ -z "$stopped" ] || [ "$path" != "${1:-}" ]; then
      [ ! -e "$target" ] || e2e_fail "$target written (line $code$path)"
    fi
  done
}

check_folders() {
  local row code folder target
  for row in "${D_LINES[@]}"; do
    IFS='|' read -r code folder <<<"$row"
    target=$(unix_of "$(expand "$folder")")
    if accepts "${code:1}"; then
      [ -d "$target" ] || e2e_fail "folder missing: $target"
    else
      [ ! -e "$target" ] || e2e_fail "folder made for line $code$folder"
    fi
  done
}

# Everything new on drive C: must be one of the files and shortcuts the product makes, or a
# folder on the way to one of them or of a D line; nothing of the prefix may go.
expected_new_paths() {
  local row code lang path b c
  {
    for row in "${FILE_LINES[@]}"; do
      IFS='|' read -r code path b <<<"$row"
      if accepts "${code:1}"; then expand "$path" && echo; fi
    done
    echo "${S}UnInstall.LOG"
    main_links
    for row in "${K_LINES[@]}"; do
      IFS='|' read -r lang path b c <<<"$row"
      path=$(expand "$path")
      if accepts "$lang" && link_folder_exists "$path"; then echo "$path"; fi
    done
    for row in "${E_LINES[@]}"; do
      IFS='|' read -r lang path b <<<"$row"
      if e_line_runs "$lang" "$(e_command "$path" "$b")"; then echo "$S$path"; fi
    done
    for row in "${D_LINES[@]}"; do
      IFS='|' read -r code path <<<"$row"
      if accepts "${code:1}"; then expand "$path" && echo; fi
    done
  } | while IFS= read -r path; do
    path=$(relative "$path")
    while [ "$path" != . ]; do
      echo "$path"
      path=${path%/*}
    done
  done | LC_ALL=C sort -u
}

check_drive() {
  e2e_list_files "$E2E_DIR/after.files" '^\./windows/'
  cut -d' ' -f4- "$E2E_DIR/before.files" | LC_ALL=C sort >"$E2E_DIR/before.paths"
  cut -d' ' -f4- "$E2E_DIR/after.files" | LC_ALL=C sort >"$E2E_DIR/after.paths"
  LC_ALL=C comm -23 "$E2E_DIR/before.paths" "$E2E_DIR/after.paths" >"$E2E_DIR/gone.paths"
  [ ! -s "$E2E_DIR/gone.paths" ] || e2e_fail "gone from the prefix: $(cat "$E2E_DIR/gone.paths")"
  LC_ALL=C comm -13 "$E2E_DIR/before.paths" "$E2E_DIR/after.paths" >"$E2E_DIR/new.paths"
  expected_new_paths | LC_ALL=C comm -23 - "$E2E_DIR/before.paths" >"$E2E_DIR/new.expected"
  e2e_same "$E2E_DIR/new.paths" "$E2E_DIR/new.expected"
}

# UnInstall.LOG as saved: UTF-8 records ending in CR LF (an all-ASCII log is the same in either).
expected_log_bytes() {
  expected_log | utf8 | LC_ALL=C sed 's/$/\r/'
}

check_log() {
  expected_log_bytes >"$E2E_DIR/log.expected"
  e2e_same "$(unix_of "${S}UnInstall.LOG")" "$E2E_DIR/log.expected"
}

check_e_lines() {
  local row lang file text target
  for row in "${E_LINES[@]}"; do
    IFS='|' read -r lang file text <<<"$row"
    target=$(unix_of "$S$file")
    if e_line_runs "$lang" "$(e_command "$file" "$text")"; then
      [ "$(cat "$target" 2>/dev/null)" = "$(printf '%s\r' "$text")" ] ||
        e2e_fail "E line for $file did not run"
    else
      [ ! -e "$target" ] || e2e_fail "E line for $file ran"
    fi
  done
}

# --- Registry values and shortcuts, read by one Windows session: rows KEY|NAME|TYPE|DATA.
integer_data() {
  local v=$1 n
  n=$((10#${v#-}))
  [ "${v:0:1}" = - ] && n=$((-n))
  printf '0x%x' $((n & 0xffffffff))
}

expected_values() {
  local row lang name value ext program description root=HKCU other='HKU\.DEFAULT'
  local classes='HKLM\Software\Classes'
  if switch_on --all-users; then root='HKU\.DEFAULT' other=HKCU; fi
  for row in "${R_LINES[@]}"; do
    IFS='|' read -r lang name value <<<"$row"
    accepts "$lang" || continue
    [ -n "$name" ] || name='(Default)'
    if [[ $value =~ ^-?[0-9]+$ ]]; then
      echo "$root\\$KEY|$name|REG_DWORD|$(integer_data "$value")"
    else
      echo "$root\\$KEY|$name|REG_SZ|$(expand "$value")"
    fi
  done
  echo "$other\\$KEY|absent"
  for row in "${X_LINES[@]}"; do
    IFS='|' read -r lang ext program description <<<"$row"
    accepts "$lang" || continue
    program=$(expand "$program")
    echo "$classes\\.$ext|(Default)|REG_SZ|${ext}file"
    echo "$classes\\.$ext|Content Type|REG_SZ|$description"
    echo "$classes\\${ext}file|(Default)|REG_SZ|$description"
    echo "$classes\\${ext}file\\DefaultIcon|(Default)|REG_SZ|$program,1"
    echo "$classes\\${ext}file\\Shell\\open\\command|(Default)|REG_SZ|$program \"%1\""
    echo "HKCU\\Software\\Classes\\.$ext|absent"
  done
  local uninstall="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$PRODUCT"
  echo "$uninstall|DisplayName|REG_SZ|$PRODUCT"
  echo "$uninstall|UninstallString|REG_SZ|\"${S}UnInstall.EXE\""
  echo "$uninstall|UninstallLogSha256|REG_SZ|$(expected_log_bytes | sha256sum | cut -c1-64)"
}

# Link=[..] Path=[..] WorkingFolder=[..] Arguments=[..] of every shortcut that must exist.
expected_links() {
  local row lang link program rest main
  main=$(expand "$MAIN_PROGRAM")
  main_links | while IFS= read -r link; do
    printf 'Link=[%s]\nPath=[%s]\nWorkingFolder=[%s\\]\nArguments=[]\n' "$link" "$main" "${main%\\*}"
  done
  for row in "${K_LINES[@]}"; do
    IFS='|' read -r lang link program rest <<<"$row"
    link=$(expand "$link") program=$(expand "$program")
    accepts "$lang" && link_folder_exists "$link" || continue
    printf 'Link=[%s]\nPath=[%s]\nWorkingFolder=[%s\\]\nArguments=[%s]\n' "$link" "$program" \
      "${program%\\*}" "$(expand "${rest%%;*}")"
  done
}

check_registry_and_links() {
  local rows=$E2E_DIR/values.expected batch=$WINEPREFIX/drive_c/engine-check.bat
  expected_values >"$rows"
  expected_links | utf8 >"$E2E_DIR/links.expected"
  cp "$WIN_BIN/link-check.exe" "$WINEPREFIX/drive_c/link-check.exe"
  LC_ALL=C sed -n 's/^Link=\[\(.*\)\]$/\1\r/p' "$E2E_DIR/links.expected" >"$WINEPREFIX/drive_c/links.lst"
  local -a keys
  mapfile -t keys < <(cut -d'|' -f1 "$rows" | awk '!seen[$0]++')
  {
    # The link paths go in a list: a batch line is read in the console code page.
    printf '@echo off\r\nC:\\link-check.exe C:\\links.txt @C:\\links.lst\r\n'
    local i
    for i in "${!keys[@]}"; do printf 'echo ==%s\r\nreg query "%s"\r\n' "$i" "${keys[$i]}"; done
  } >"$batch"
  e2e_wine "$E2E_DIR/check.out" cmd /c 'C:\engine-check.bat' || true
  tr -d '\r' <"$WINEPREFIX/drive_c/links.txt" >"$E2E_DIR/links.got"
  e2e_same "$E2E_DIR/links.got" "$E2E_DIR/links.expected"
  tr -d '\r' <"$E2E_DIR/check.out" >"$E2E_DIR/check.txt"
  local key section name type data
  for i in "${!keys[@]}"; do
    key=${keys[$i]} section=$E2E_DIR/key.$i.txt
    awk -v want="==$i" '/^==[0-9]+$/ { on = ($0 == want); next } on' "$E2E_DIR/check.txt" >"$section"
    if grep -qFx "$key|absent" "$rows"; then
      ! grep -q '^HKEY_' "$section" || e2e_fail "key exists: $key"
      continue
    fi
    K=$key awk -F'|' '$1 == ENVIRON["K"] { print $2 "|" $3 "|" $4 }' "$rows" >"$section.rows"
    [ "$(grep -c '^    ' "$section")" = "$(grep -c '' "$section.rows")" ] ||
      e2e_fail "key $key: values are $(cat "$section")"
    while IFS='|' read -r name type data; do
      grep -qFx "    $name    $type    $data" "$section" ||
        e2e_fail "key $key lacks $name $type $data: $(cat "$section")"
    done <"$section.rows"
  done
}

check_completed_run() {
  [ "$RUN_RC" = 0 ] || e2e_fail "$E2E_DIR: exit code $RUN_RC: $(cat "$E2E_DIR/run.report")"
  expect_value run Outcome Completed
  expect_value run Admin 1  # Wine's user is an administrator: the rights question is not asked
  expect_value run ProgramFiles "$PROGRAM_FILES"
  expect_value run AppData "$A"
  expect_value run Desktop "$D"
  expect_value run Programs "$P"
  expect_value run QuickLaunch "$Q"
  check_progress
  check_boxes
  check_files
  check_folders
  check_e_lines
  check_drive
  check_log
  check_registry_and_links
  check_working_set
}

# The payload's pages are given back as they are read, a file's among them: however large a file
# (big.bin is 24 MB), the run's peak working set stays near what Wine itself takes.
check_working_set() {
  local peak
  peak=$(report_values run PeakWorkingSet)
  [ -n "$peak" ] && [ "$peak" -lt $((32 << 20)) ] ||
    e2e_fail "peak working set of the run: ${peak:-none} bytes, not under 32 MiB"
}

# --- Runs that an error ends.
make_read_only() {
  local file
  file=$(unix_of "$1")
  mkdir -p "$(dirname "$file")"
  echo old >"$file"
  chmod a-w "$file"  # what Wine shows as the read-only attribute
  # Root writes whatever the mode says; an immutable file refuses root too.
  if [ "$(id -u)" = 0 ]; then chattr +i "$file" || e2e_fail "chattr +i refused: $file"; fi
}

release_read_only() {
  local file
  file=$(unix_of "$read_only")
  chattr -i "$file" 2>/dev/null || true
  chmod u+w "$file" 2>/dev/null || true
}

# damage_block EXE SOURCE OUT: OUT is EXE with one byte of SOURCE's stored deflate data changed,
# so that the block's Adler-32 check fails.
damage_block() {
  perl -e '
    my ($exe, $source, $out) = @ARGV;
    local $/;
    open(my $e, "<:raw", $exe) or die; my $bytes = <$e>;
    open(my $s, "<:raw", $source) or die; my $data = <$s>;
    for my $at (1000000, 1300000, 700000) {
      my $found = index($bytes, substr($data, $at, 24));
      next if $found < 0;
      substr($bytes, $found + 12, 1) = chr(ord(substr($bytes, $found + 12, 1)) ^ 0xff);
      open(my $o, ">:raw", $out) or die; print $o $bytes; close $o or die;
      exit 0;
    }
    exit 1;' "$1" "$2" "$3" || e2e_fail "the data of $2 is not stored as it is in $1"
}

# check_failed_run NAME MESSAGE FAILING_PATH
check_failed_run() {
  expect_value "$1" Outcome Error
  expect_value "$1" Error "$2"
  ! grep -qa '^Box' "$E2E_DIR/$1.report" || e2e_fail "$1: a message box was shown"
  check_files "$3"
  [ ! -e "$(unix_of "${S}UnInstall.LOG")" ] || e2e_fail "$1: UnInstall.LOG written"
  local row lang link
  for row in "${K_LINES[@]}"; do
    IFS='|' read -r lang link _ <<<"$row"
    [ ! -e "$(unix_of "$(expand "$link")")" ] || e2e_fail "$1: a later K line was carried out"
  done
}

check_nothing_registered() {
  e2e_reg_sections "$E2E_DIR/registered.reg" \
    '^\[(software\\\\microsoft\\\\windows\\\\currentversion\\\\uninstall\\\\engine probe|software\\\\engineprobe|software\\\\classes\\\\\.?t510[78])'
  [ ! -s "$E2E_DIR/registered.reg" ] ||
    e2e_fail "keys written by runs that failed: $(cat "$E2E_DIR/registered.reg")"
}
