# What the wizard and life cycle groups share: building the sample setup.exe, prefixes whose
# user folders stay inside the prefix, running wizard-driver.exe, and an independent reading of
# the sample script that says what an installation must leave: files, UnInstall.LOG, shortcuts,
# registry values, file types and the uninstall key. Sourced after tests/e2e/lib.sh.

# Wine's menu builder would copy every shortcut into the Linux desktop's menus.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};winemenubuilder.exe=d"
WIZ_SCRIPT=$E2E_REPO/sample/setup.txt
WIZ_LICENCE=$E2E_REPO/sample/licence.txt

# script_text: the script in UTF-8, decoded as the setup decodes it: Windows-1252, or UTF-8 after
# its byte-order mark. What the driver reports and what Wine names on the Linux disk is UTF-8,
# so every expectation taken from the script goes through here.
script_text() {
  if [ "$(head -c 3 "$WIZ_SCRIPT" | od -An -tx1 | tr -d ' ')" = efbbbf ]; then
    tail -c +4 "$WIZ_SCRIPT"
  else
    iconv -f CP1252 -t UTF-8 "$WIZ_SCRIPT"
  fi
}

# script_header LINE: the value of header line LINE (2 to 9) after its code letter and, for the
# N and M lines, its language code.
script_header() {
  local line
  line=$(script_text | sed -n "${1}{s/\r\$//;p}")
  case ${line:0:1} in
    [NnMm]) echo "${line:2}" ;;
    *) echo "${line:1}" ;;
  esac
}
WIZ_PRODUCT=$(script_header 2)
WIZ_UNINSTALL_KEY='Software\Microsoft\Windows\CurrentVersion\Uninstall'
# What a product built with --identity changes: the main shortcut's start-menu folder, and the
# values its uninstall key holds beside the three of every installation (one per line, as the
# prefix's registry file writes them: "Publisher"="Acme", "NoModify"=dword:00000001).
WIZ_START_MENU='VELTRO 5107!'
WIZ_UNINSTALL_EXTRAS=

# wizard_build_setup DIR [MKSETUP-ARGS...]: DIR/tree and DIR/setup.exe, built as scripts/demo
# builds them.
wizard_build_setup() {
  local dir=$1
  shift
  rm -rf "$dir/tree" && mkdir -p "$dir"
  "$HOST_BIN/make_sample_tree" "$dir/tree" --win32-bin "$WIN_BIN" 2>"$dir/tree.err"
  wizard_pack "$dir" "$@"
}

# wizard_pack DIR [BUILD OPTION...]: DIR/setup.exe of the sample script over the tree DIR/tree.
wizard_pack() {
  local dir=$1
  shift
  "$HOST_BIN/mksetup" build --arch "$E2E_ARCH" \
    --script "$WIZ_SCRIPT" --licence "$WIZ_LICENCE" \
    --source "$dir/tree" -o "$dir/setup.exe" --stub "$WIN_BIN/setup-stub.exe" \
    --uninstaller "$WIN_BIN/UnInstall.EXE" "$@" >"$dir/mksetup.log"
}

# wizard_prefix NAME: a fresh prefix whose user folders are real folders (Wine links Desktop and
# the documents folders to $HOME, where an installation would escape the prefix), with the
# user's quick-launch folder that Windows has and Wine does not make.
wizard_prefix() {
  e2e_new_prefix "$1"
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
  done
  local appdata
  appdata=$(reg_text user.reg 'Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' AppData)
  mkdir -p "$(e2e_unix_path "$appdata\Microsoft\Internet Explorer\Quick Launch")"
}

# wizard_winpath UNIXPATH: the same file through Wine's Z: drive.
wizard_winpath() {
  local p=${1//\//\\}
  echo "Z:$p"
}

# wizard_run NAME DRIVER-ARGS...: runs the driver; its report goes to $E2E_DIR/NAME.report (CR
# removed) and its screenshots to $E2E_DIR/shots/NAME/*.png. Returns the driver's exit code.
wizard_run() {
  local name=$1
  shift
  local shots=$E2E_DIR/shots/$name rc=0
  rm -rf "$shots" && mkdir -p "$shots"
  e2e_wine "$E2E_DIR/$name.out" "$WIN_BIN/wizard-driver.exe" "$@" \
    --report "$(wizard_winpath "$E2E_DIR/$name.raw")" --shots "$(wizard_winpath "$shots")" || rc=$?
  tr -d '\r' <"$E2E_DIR/$name.raw" >"$E2E_DIR/$name.report"
  if compgen -G "$shots/*.bmp" >/dev/null; then
    (cd "$shots" && mogrify -format png ./*.bmp && rm -f ./*.bmp)
  fi
  grep -a '^TIME' "$E2E_DIR/$name.report" | sed "s/^/$name: /"
  return $rc
}

# report_has NAME TEXT: the report holds a line with TEXT.
report_has() {
  grep -aqF -- "$2" "$E2E_DIR/$1.report" || e2e_fail "$1: the report lacks: $2"
}

# report_ctrl NAME LABEL CONTROL: the control's line of that page visit, after its name.
report_ctrl() {
  sed -n "s/^CTRL $2 $3 //p" "$E2E_DIR/$1.report" | head -1
}

# expect_ctrl NAME LABEL CONTROL LINE: the control's line is exactly LINE.
expect_ctrl() {
  local got
  got=$(report_ctrl "$1" "$2" "$3")
  [ "$got" = "$4" ] || e2e_fail "$1: $2 $3 is [$got], expected [$4]"
}

# report_pages NAME: the page visits in order, one line.
report_pages() {
  sed -n 's/^PAGE \([^ ]*\) .*/\1/p' "$E2E_DIR/$1.report" | tr '\n' ' '
}

# --- The oracle: the sample script read on its own terms.

# wizard_folders LANGUAGE USERS DEST: sets WIZ_LANGUAGE and the folders S A D P Q (Windows paths
# with a trailing backslash) as the installation must resolve them in this prefix.
wizard_folders() {
  WIZ_LANGUAGE=$1
  local users=$2 sub shell common
  sub=$(script_header 5)
  shell='Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
  S=${3%\\}\\
  Q=$(reg_text user.reg "$shell" AppData)\\'Microsoft\Internet Explorer\Quick Launch\'
  if [ "$users" = all ]; then
    A=$(reg_text system.reg "$shell" 'Common AppData')\\$sub
    D=$(reg_text system.reg "$shell" 'Common Desktop')\\
    P=$(reg_text system.reg "$shell" 'Common Programs')\\
  else
    A=$(reg_text user.reg "$shell" AppData)\\$sub
    D=$(reg_text user.reg "$shell" Desktop)\\
    P=$(reg_text user.reg "$shell" Programs)\\
  fi
  WIZ_USERS=$users
}

# expand TEXT: the five folder macros replaced, in the order %S %A %D %P %Q.
expand() {
  local t=$1 m
  for m in S A D P Q; do
    local macro="%$m"
    t=${t//"$macro"/"${!m}"}
  done
  printf '%s' "$t"
}

# accepted CODE: the line's language code takes effect in WIZ_LANGUAGE.
accepted() {
  local code=${1^^}
  [ "$code" = '*' ] || [ "$code" = "$WIZ_LANGUAGE" ] || { [ "$code" = D ] && [ "$WIZ_LANGUAGE" = G ]; }
}

# script_lines: the action lines (after the language line and the eight header lines), no CR.
script_lines() {
  script_text | tail -n +10 | tr -d '\r'
}

# unix_of WINPATH: the prefix's file for a path on drive C:.
unix_of() {
  e2e_unix_path "$1"
}

# expected_log DESKTOP QUICKLAUNCH (yes|no): UnInstall.LOG as the run must write it into a prefix
# where none of the script's folders existed, records ending in CR LF.
expected_log() {
  local desktop=$1 quick=$2 line code arg main
  main=$(expand "$(script_header 6)")
  printf 'N%s\r\nL%s\r\n' "$WIZ_PRODUCT" "$WIZ_LANGUAGE"
  while IFS= read -r line; do
    code=${line:0:1} arg=${line:2}
    accepted "${line:1:1}" || continue
    case ${code^^} in
      D) arg=$(expand "$arg") && printf 'D%s\r\n' "${arg%\\}\\" ;;
      F)
        arg=$(expand "$arg")
        printf 'F%s\r\n' "$arg"
        case ${arg^^} in *.SYM5107 | *.PCK5107 | *.REF5107) printf 'F%sIND\r\n' "$arg" ;; esac
        if [ "${arg^^}" = "${main^^}" ]; then
          printf 'F%s\r\n' "${P}$WIZ_START_MENU\\$WIZ_PRODUCT.lnk"
          [ "$desktop" = yes ] && printf 'F%s\r\n' "$D$WIZ_PRODUCT.lnk"
          [ "$quick" = yes ] && printf 'F%s\r\n' "$Q$WIZ_PRODUCT.lnk"
        fi
        ;;
      K) printf 'F%s\r\n' "$(expand "${arg%%;*}")" ;;
      X) printf 'X%s\r\n' "${arg%%;*}" ;;
    esac
  done < <(script_lines)
}

# check_files TREE: every F line's file of the language is there byte for byte; those of the
# other languages are not.
check_files() {
  local tree=$1 line arg source target
  while IFS= read -r line; do
    [ "${line:0:1}" = F ] || continue
    arg=${line:2}
    source=$tree/${arg:1:1}/${arg:2}
    source=${source//\\//}
    target=$(unix_of "$(expand "$arg")")
    if accepted "${line:1:1}"; then
      e2e_same "$source" "$target" || return 1
    else
      [ ! -e "$target" ] || e2e_fail "$target belongs to another language"
    fi
  done < <(script_lines)
}

# expected_links DESKTOP QUICKLAUNCH: "LINK|TARGET|WORKDIR" per shortcut the run must make; a
# working folder is the target's folder up to its last backslash.
expected_links() {
  local desktop=$1 quick=$2 line arg link target program
  program=$(expand "$(script_header 6)")
  echo "${P}$WIZ_START_MENU\\$WIZ_PRODUCT.lnk|$program|${program%\\*}\\"
  [ "$desktop" = yes ] && echo "$D$WIZ_PRODUCT.lnk|$program|${program%\\*}\\"
  [ "$quick" = yes ] && echo "$Q$WIZ_PRODUCT.lnk|$program|${program%\\*}\\"
  while IFS= read -r line; do
    [ "${line:0:1}" = K ] && accepted "${line:1:1}" || continue
    arg=${line:2}
    link=$(expand "${arg%%;*}") && arg=${arg#*;}
    target=$(expand "${arg%%;*}")
    echo "$link|$target|${target%\\*}\\"
  done < <(script_lines)
}

# links_hold LNK WINPATH...: each shell link file holds every name of its path after the drive
# as UTF-16, in order, as its item list stores them.
links_hold() {
  python3 - "$@" <<'PY'
import sys
for link, path in zip(sys.argv[1::2], sys.argv[2::2]):
    data, at = open(link, "rb").read(), 0
    for name in path.split("\\")[1:]:
        at = data.find(name.encode("utf-16-le"), at)
        if at < 0:
            sys.exit(f"{link} lacks {name} of {path}")
PY
}

# check_links DESKTOP QUICKLAUNCH: the shortcuts, read back through IShellLinkW by the engine
# group's link-check.exe: target, working folder, no arguments, no description and no icon; the
# product's desktop and quick-launch shortcuts exist only when chosen. A target that the prefix's
# ANSI code page cannot spell is read from the link's item list instead: Wine keeps the base path
# that GetPath gives only in that code page, best-fitted ("Räder" comes back as "Rader" under
# 1251, "Дмитрий" as "???????" under 1252), while the item list and the working folder hold
# UTF-16.
check_links() {
  local expected links=() link target folder acp n=0 marks=' ' pairs=()
  expected=$(expected_links "$1" "$2")
  while IFS='|' read -r link _ _; do links+=("$link"); done <<<"$expected"
  e2e_wine "$E2E_DIR/link-check.out" "$WIN_BIN/link-check.exe" \
    "$(wizard_winpath "$E2E_DIR/links.raw")" "${links[@]}" || true
  acp=$(reg_text system.reg 'System\CurrentControlSet\Control\Nls\Codepage' ACP)
  while IFS='|' read -r link target folder; do
    n=$((n + 1))
    if ! printf '%s' "$target" | iconv -f UTF-8 -t "CP$acp" >/dev/null 2>&1; then
      marks+="$n " pairs+=("$(unix_of "$link")" "$target") target='(in its item list)'
    fi
    printf 'Link=[%s]\nPath=[%s]\nWorkingFolder=[%s]\nArguments=[]\n' "$link" "$target" "$folder"
  done <<<"$expected" >"$E2E_DIR/links.expected"
  tr -d '\r' <"$E2E_DIR/links.raw" | awk -v marks="$marks" '
    /^Link=/ { n++ }
    /^Path=/ && index(marks, " " n " ") { $0 = "Path=[(in its item list)]" }
    { print }' >"$E2E_DIR/links.txt"
  [ ${#pairs[@]} -eq 0 ] || links_hold "${pairs[@]}" || return 1
  diff "$E2E_DIR/links.expected" "$E2E_DIR/links.txt" >"$E2E_DIR/links.diff" ||
    { e2e_fail "shortcuts differ: $(cat "$E2E_DIR/links.diff")"; return 1; }
  [ "$1" = yes ] || [ ! -e "$(unix_of "$D$WIZ_PRODUCT.lnk")" ] ||
    { e2e_fail "unwanted desktop shortcut"; return 1; }
  [ "$2" = yes ] || [ ! -e "$(unix_of "$Q$WIZ_PRODUCT.lnk")" ] ||
    { e2e_fail "unwanted quick-launch shortcut"; return 1; }
}

# --- The registry, read from the prefix's files after the wineserver saved them.

# reg_hive FILE: the prefix's registry file with Wine's escapes of the letters beyond ASCII
# (UTF-16 units: \x00e4 before a hex digit, else as few digits as it takes: \xe4; a surrogate
# pair as two) turned into UTF-8; the other escapes (\\ and \") stay.
reg_hive() {
  perl -CS -pe 's/\\(?:x([0-9a-fA-F]{1,4})|(.))/defined $1 ? chr(hex $1) : "\\$2"/ge;
    s/([\x{d800}-\x{dbff}])([\x{dc00}-\x{dfff}])/chr(0x10000 + (ord($1) - 0xd800) * 0x400 + ord($2) - 0xdc00)/ge' \
    "$WINEPREFIX/$1"
}

# wizard_reg_sections OUT REGEX: e2e_reg_sections over the decoded files, so that REGEX and the
# sections name keys in UTF-8 as the script does.
wizard_reg_sections() {
  local out=$1 regex=$2 hive
  e2e_settle || return 1
  for hive in system.reg user.reg; do
    reg_hive "$hive" | E2E_REGEX=$regex awk -v hive="$hive" '
      /^\[/ { sub(/\] [0-9]+$/, "]"); keep = (tolower($0) ~ ENVIRON["E2E_REGEX"]); if (keep) print hive " " $0; next }
      /^#time=/ { next }
      keep && NF { print hive " " $0 }'
  done >"$out"
}

# reg_raw FILE KEY NAME: the stored form of a value ("text" for REG_SZ, dword:... ), or nothing;
# KEY as Windows writes it, case-insensitive; NAME @ for the default value.
reg_raw() {
  local key=${2//\\/\\\\} name=$3
  [ "$name" = @ ] || name="\"$name\""
  reg_hive "$1" | KEY="[${key,,}]" NAME="$name" awk '
    /^\[/ { line = $0; sub(/\] [0-9]+$/, "]", line); inside = (tolower(line) == ENVIRON["KEY"]); next }
    inside && !found && index($0, ENVIRON["NAME"] "=") == 1 { print substr($0, length(ENVIRON["NAME"]) + 2); found = 1 }
  '
}

# reg_text FILE KEY NAME: a REG_SZ value's text, its escapes (\\ and \") undone.
reg_text() {
  local raw
  raw=$(reg_raw "$@")
  raw=${raw#\"} && raw=${raw%\"}
  sed 's/\\\(.\)/\1/g' <<<"$raw" | tr -d '\n'
}

# reg_expect FILE KEY NAME TEXT: the value is the REG_SZ TEXT.
reg_expect() {
  local want=${4//\\/\\\\} got
  want=\"${want//\"/\\\"}\"
  got=$(reg_raw "$1" "$2" "$3")
  [ "$got" = "$want" ] || e2e_fail "$1 [$2] $3 is [$got], expected [$want]"
}

# check_registry: the R values in the hive of the kind of installation (and not in the other),
# the language's file types, the uninstall key with exactly its two values.
check_registry() {
  local line arg key name value hive=user.reg other=userdef.reg
  e2e_settle || return 1
  if [ "$WIZ_USERS" = all ]; then hive=userdef.reg other=user.reg; fi
  while IFS= read -r line; do
    accepted "${line:1:1}" || continue
    arg=${line:2}
    case ${line:0:1} in
      R)
        key=${arg%%;*} && arg=${arg#*;} && name=${arg%%;*} && value=$(expand "${arg#*;}")
        reg_expect "$hive" "$key" "$name" "$value" || return 1
        [ -z "$(reg_raw "$other" "$key" "$name")" ] || { e2e_fail "$name also in $other"; return 1; }
        ;;
      X)
        local ext=${arg%%;*} program description
        arg=${arg#*;} && program=$(expand "${arg%%;*}") && description=${arg#*;}
        reg_expect system.reg "Software\\Classes\\.$ext" @ "${ext}file" &&
          reg_expect system.reg "Software\\Classes\\.$ext" 'Content Type' "$description" &&
          reg_expect system.reg "Software\\Classes\\${ext}file" @ "$description" &&
          reg_expect system.reg "Software\\Classes\\${ext}file\\DefaultIcon" @ "$program,1" &&
          reg_expect system.reg "Software\\Classes\\${ext}file\\Shell\\open\\command" @ \
            "$program \"%1\"" || return 1
        ;;
    esac
  done < <(script_lines)
  check_uninstall_key "$S"
}

# check_uninstall_key FOLDER: the product's uninstall key holds exactly DisplayName,
# UninstallString: FOLDER + UnInstall.EXE in double quotes, no arguments (the setup quotes it,
# since Windows would split a path with blanks at its first blank), the SHA-256 of the
# UnInstall.LOG in FOLDER, and WIZ_UNINSTALL_EXTRAS.
check_uninstall_key() {
  local folder=$1 bs='\\\\' got want
  wizard_reg_sections "$E2E_DIR/uninstall-key.txt" \
    "^\\[software${bs}microsoft${bs}windows${bs}currentversion${bs}uninstall${bs}${WIZ_PRODUCT,,}\\]"
  got=$(grep -v '^system.reg \[' "$E2E_DIR/uninstall-key.txt" | sed 's/^system.reg //' |
    LC_ALL=C sort)
  want=$({ printf '"DisplayName"="%s"\n"UninstallLogSha256"="%s"\n"UninstallString"="\\"%s\\""\n' \
    "$WIZ_PRODUCT" "$(sha256sum <"$(unix_of "${folder}UnInstall.LOG")" | cut -c1-64)" \
    "${folder//\\/\\\\}UnInstall.EXE"
    [ -z "$WIZ_UNINSTALL_EXTRAS" ] || printf '%s\n' "$WIZ_UNINSTALL_EXTRAS"; } | LC_ALL=C sort)
  [ "$got" = "$want" ] || e2e_fail "uninstall key: [$got], expected [$want]"
}

# check_install TREE DESKTOP QUICKLAUNCH: files, log, shortcuts and registry of a completed run
# (wizard_folders first).
check_install() {
  local tree=$1 desktop=$2 quick=$3
  check_files "$tree" || return 1
  expected_log "$desktop" "$quick" >"$E2E_DIR/expected.log"
  e2e_same "$E2E_DIR/expected.log" "$(unix_of "${S}UnInstall.LOG")" || {
    diff "$E2E_DIR/expected.log" "$(unix_of "${S}UnInstall.LOG")" | head -20 >&2
    return 1
  }
  check_links "$desktop" "$quick" || return 1
  check_registry
}
