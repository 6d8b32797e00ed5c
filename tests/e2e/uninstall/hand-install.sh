# hand_install FOLDER PRODUCT [CHARSET]: lays down what a setup run leaves behind, with the
# uninstaller built here: files, a shortcut, two associations, the registration with the log's
# digest and UnInstall.LOG (English), in UTF-8 or, as setups wrote it before, in CHARSET.
hand_install() {
  local folder=$1 product=$2 charset=${3:-UTF-8}
  local unix desktop
  unix=$(e2e_unix_path "$folder")
  desktop='C:\users\Public\Desktop'
  mkdir -p "$unix/data" "$unix/help" "$(e2e_unix_path "$desktop")"
  cp "$WIN_BIN/UnInstall.EXE" "$unix/UnInstall.EXE"
  echo program >"$unix/hand.exe"
  echo symbols >"$unix/data/a.SYM5107"
  echo index >"$unix/data/a.SYM5107IND"
  echo help >"$unix/help/h.txt"
  echo link >"$(e2e_unix_path "$desktop\\Hand.lnk")"
  {
    printf 'N%s\r\nLE\r\n' "$product"
    printf 'D%s\\\r\nD%s\\data\\\r\nD%s\\help\\\r\n' "$folder" "$folder" "$folder"
    printf 'F%s\\hand.exe\r\nF%s\r\n' "$folder" "$desktop\\Hand.lnk"
    printf 'F%s\\data\\a.SYM5107\r\nF%s\\data\\a.SYM5107IND\r\n' "$folder" "$folder"
    printf 'F%s\\data\\never-written.dat\r\nF%s\\HELP\\H.TXT\r\n' "$folder" "$folder"
    printf 'XT5108\r\nXT5109\r\nF%s\\UnInstall.EXE\r\nF%s\\hand.exe\r\nXT5108\r\n' "$folder" "$folder"
  } | iconv -f UTF-8 -t "$charset" >"$unix/UnInstall.LOG"
  local win=${folder//\\/\\\\}
  # Version 5 files are UTF-16: a folder or product name of any script gets into the registry
  # as it is, whatever the prefix's code page.
  {
    printf '\xff\xfe'
    iconv -f UTF-8 -t UTF-16LE <<REG
Windows Registry Editor Version 5.00

[HKEY_CLASSES_ROOT\\.T5108]
@="T5108file"
"Content Type"="Hand Made drawing"

[HKEY_CLASSES_ROOT\\T5108file]
@="Hand Made drawing"

[HKEY_CLASSES_ROOT\\T5108file\\DefaultIcon]
@="$win\\\\hand.exe,1"

[HKEY_CLASSES_ROOT\\T5108file\\Shell\\open\\command]
@="$win\\\\hand.exe \\"%1\\""

[HKEY_CLASSES_ROOT\\.T5109]
@="T5109file"

[HKEY_CLASSES_ROOT\\T5109file]
@="Hand Made other"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\uninstall\\$product]
"DisplayName"="$product"
"UninstallString"="$win\\\\UnInstall.EXE"
"UninstallLogSha256"="$(sha256sum <"$unix/UnInstall.LOG" | cut -c1-64)"
REG
  } >"$E2E_DIR/hand.reg"
  local reg
  reg=$(e2e_winepath "$E2E_DIR/hand.reg")
  wine regedit /s "$reg" >"$E2E_DIR/regedit.out" 2>&1 ||
    e2e_fail "regedit /s $reg failed: $(cat "$E2E_DIR/regedit.out")"
  wineserver -w
}

# register_digest FOLDER PRODUCT: registers the digest of the UnInstall.LOG now in FOLDER, as the
# setup would have for a log it wrote so.
register_digest() {
  local digest
  digest=$(sha256sum <"$(e2e_unix_path "$1\\UnInstall.LOG")" | cut -c1-64)
  wine reg add "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\uninstall\\$2" \
    /v UninstallLogSha256 /d "$digest" /f >/dev/null 2>&1
  wineserver -w
}
