# The test product of the engine group, as tables: each table writes its script lines, and the
# checks of test.sh derive what a run must leave from the same rows. make_product DIR writes
# DIR/script.txt, DIR/licence.txt and the source tree DIR/tree (macro letter as first folder),
# then builds DIR/setup.exe with engine-run.exe as its stub, so that the program carries real
# SetupInfo and SetupData resources.
PRODUCT='Engine Probe 5107!'
MAIN_PROGRAM='%Sprobe.exe'
DEFAULT_SUB_FOLDER='engine\probe\'
KEY='Software\EngineProbe 5107'

# D lines: code letter and language code, folder.
D_LINES=(
  'D*|%PVELTRO 5107!\' 'D*|%Q' 'D*|%S' 'D*|%Shelp' 'D*|%Adata\deep\' 'dg|%Sdocs\' 'DF|%Sdocs-fr\'
  'DX|%Snever\' 'D*|%Shelp\'
)
# F lines: code letter and language code, path, kind, size in bytes. "random" files are incompressible, so their
# deflate data holds their bytes as they are (the damaged-block case relies on that).
FILE_LINES=(
  'F*|%SPROBE.exe|text|300'
  'F*|%SUnInstall.EXE|text|200'
  'FG|%Sliesmich.txt|text|120'
  'FE|%Sreadme.txt|text|130'
  'FF|%Slisezmoi.txt|text|140'
  'fg|%Sdocs\handbuch.txt|text|150'
  'FF|%Sdocs-fr\manuel.txt|text|160'
  'FX|%Snever.txt|text|10'
  'F*|%Shelp\guide.txt|text|170'
  'F*|%Sdata\big.bin|random|24000000'
  'F*|%Sdata\symbols.sym5107|text|180'
  'F*|%Sdata\tables.PCK5107|text|190'
  'F*|%Adata\deep\settings.ini|text|60'
  'F*|%Ssub\nested\file.dat|random|5000'
  'F*|%Sdata\empty.dat|text|0'
  'F*|%Sdata\twice.dat|text|70'
  'F*|%Sdata\twice.dat|text|70'
  $'F*|%Sdata\\R\xe9sum\xe9 \xc0 lire.txt|text|90'
)
# Lines the run passes over.
OTHER_LINES=('TEKORVALT=Add-on' '' 'Q*unknown code')
# K lines: language code, shortcut, program, the rest (arguments up to a further ";").
K_LINES=(
  '*|%SData Folder.lnk|%Adata|'
  '*|%PVELTRO 5107!\Probe Help.lnk|%Shelp\guide.txt|/view "guide";ignored'
  'G|%SHandbuch.lnk|%Sdocs\handbuch.txt|-g'
  'F|%SManuel.lnk|%Sdocs-fr\manuel.txt|-f'
  '*|%Snowhere\Lost.lnk|%SPROBE.exe|'
  $'*|%SR\xe9sum\xe9.lnk|%Sdata\\R\xe9sum\xe9 \xc0 lire.txt|\xab\xe0 lire\xbb'
)
# R lines under $KEY: language code, value name, value.
R_LINES=(
  '*|AppDataPath|%A' '*|Count|-12' '*|Lead|007' '*|Plus|+5' '*|Mixed|12a' '*|Minus|-' '*|Empty|'
  '*||default;with;semicolons' '*|Literal%S|%Shelp' 'G|Language|Deutsch' 'F|Language|Francais'
)
# X lines: language code, extension, program, description.
X_LINES=(
  'G|T5107|%SPROBE.exe|Probe Zeichnung'
  'F|T5107|%SPROBE.exe|Dessin Probe'
  '*|T5108|%SPROBE.exe|Probe data %S'
)
# E lines: language code, file in %S that the started command writes, the text it writes.
E_LINES=('*|e-line.txt|started' '*|korvalt.txt|add-on' 'F|e-french.txt|fr')

e_command() {
  echo "C:\\windows\\system32\\cmd.exe /c echo $2>\"%S$1\""
}

# source_of 'PATH': the file of the tree that mksetup takes for the F line PATH.
source_of() {
  local rest=${1:2}
  echo "$PRODUCT_DIR/tree/${1:1:1}/${rest//\\//}"
}

write_sources() {
  local row lang path kind size file
  for row in "${FILE_LINES[@]}"; do
    IFS='|' read -r lang path kind size <<<"$row"
    file=$(source_of "$path")
    mkdir -p "$(dirname "$file")"
    if [ "$kind" = random ]; then
      head -c "$size" /dev/urandom >"$file"
    else
      # Text that names its path, so that entries paired with the wrong line show.
      yes "$path " | head -c "$size" >"$file" || true
    fi
  done
}

write_script() {
  local row lang a b c
  printf 'GEF\r\nN*%s\r\nV(1.0.0.1)\r\nS0\r\nD%s\r\nH%s\r\n' "$PRODUCT" "$DEFAULT_SUB_FOLDER" \
    "$MAIN_PROGRAM"
  printf 'MG%%Sliesmich.txt\r\nME%%Sreadme.txt\r\nMF%%Slisezmoi.txt\r\n'
  for row in "${D_LINES[@]}" "${FILE_LINES[@]}"; do
    IFS='|' read -r lang a b <<<"$row"
    printf '%s%s\r\n' "$lang" "$a"
  done
  printf '%s\r\n' "${OTHER_LINES[@]}"
  for row in "${K_LINES[@]}"; do
    IFS='|' read -r lang a b c <<<"$row"
    printf 'K%s%s;%s;%s\r\n' "$lang" "$a" "$b" "$c"
  done
  for row in "${R_LINES[@]}"; do
    IFS='|' read -r lang a b <<<"$row"
    printf 'R%s%s;%s;%s\r\n' "$lang" "$KEY" "$a" "$b"
  done
  for row in "${X_LINES[@]}"; do
    IFS='|' read -r lang a b c <<<"$row"
    printf 'X%s%s;%s;%s\r\n' "$lang" "$a" "$b" "$c"
  done
  for row in "${E_LINES[@]}"; do
    IFS='|' read -r lang a b <<<"$row"
    printf 'E%s%s\r\n' "$lang" "$(e_command "$a" "$b")"
  done
}

# make_product DIR
make_product() {
  PRODUCT_DIR=$1
  mkdir -p "$PRODUCT_DIR"
  write_sources
  write_script >"$PRODUCT_DIR/script.txt"
  printf 'GERMAN\r\nLizenz.\r\nENGLISH\r\nLicence.\r\nFRENCH\r\nLicence fr.\r\n' \
    >"$PRODUCT_DIR/licence.txt"
  "$HOST_BIN/mksetup" build --arch "$E2E_ARCH" --script "$PRODUCT_DIR/script.txt" \
    --licence "$PRODUCT_DIR/licence.txt" --source "$PRODUCT_DIR/tree" \
    -o "$PRODUCT_DIR/setup.exe" --stub "$WIN_BIN/engine-run.exe" \
    --allow unknown-code,shortcut-folder >"$PRODUCT_DIR/build.out"
}
