# The test product of the engine group: make_product DIR writes DIR/script.txt, DIR/licence.txt
# and the source tree DIR/tree (macro letter as first folder), then DIR/setup.exe is built with
# engine-run.exe as its stub, so that the program carries real SetupInfo and SetupData resources.
PRODUCT='Engine Probe 5107!'
KEY='Software\EngineProbe 5107'

# The F lines: language code and path. The same table writes the script's F lines, the source
# files and what the checks expect. Sizes in bytes; "random" files are incompressible, so their
# deflate data holds their bytes as they are (the damaged-block case relies on that).
FILE_LINES=(
  '*|%SPROBE.exe|text|300'
  '*|%SUnInstall.EXE|text|200'
  'G|%Sliesmich.txt|text|120'
  'E|%Sreadme.txt|text|130'
  'F|%Slisezmoi.txt|text|140'
  'g|%Sdocs\handbuch.txt|text|150'
  'F|%Sdocs-fr\manuel.txt|text|160'
  'X|%Snever.txt|text|10'
  '*|%Shelp\guide.txt|text|170'
  '*|%Sdata\big.bin|random|2500000'
  '*|%Sdata\symbols.sym5107|text|180'
  '*|%Sdata\tables.PCK5107|text|190'
  '*|%Adata\deep\settings.ini|text|60'
  '*|%Ssub\nested\file.dat|random|5000'
  '*|%Sdata\empty.dat|text|0'
  '*|%Sdata\twice.dat|text|70'
  '*|%Sdata\twice.dat|text|70'
)

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
      # Text whose bytes name the path, so that a swapped entry shows.
      yes "$path " | head -c "$size" >"$file"
    fi
  done
}

write_script() {
  local row lang path kind size
  printf 'GEF\r\nN*%s\r\nV(1.0.0.1)\r\nS0\r\nDengine\\probe\\\r\nH%%Sprobe.exe\r\n' "$PRODUCT"
  printf 'MG%%Sliesmich.txt\r\nME%%Sreadme.txt\r\nMF%%Slisezmoi.txt\r\n'
  printf '%s\r\n' 'D*%PVELTRO 5107!\' 'D*%Q' 'D*%S' 'D*%Shelp' 'D*%Adata\deep\' 'dg%Sdocs\' \
    'DF%Sdocs-fr\' 'DX%Snever\' 'D*%Shelp\'
  for row in "${FILE_LINES[@]}"; do
    IFS='|' read -r lang path kind size <<<"$row"
    printf 'F%s%s\r\n' "$lang" "$path"
  done
  printf '%s\r\n' 'TEKORVALT=Add-on' '' 'Q*unknown code' \
    'K*%SData Folder.lnk;%Adata;' \
    'K*%PVELTRO 5107!\Probe Help.lnk;%Shelp\guide.txt;/view "guide";ignored' \
    'KG%SHandbuch.lnk;%Sdocs\handbuch.txt;-g' \
    'KF%SManuel.lnk;%Sdocs-fr\manuel.txt;-f' \
    'K*%Snowhere\Lost.lnk;%SPROBE.exe;' \
    "R*$KEY;AppDataPath;%A" "R*$KEY;Count;-12" "R*$KEY;Lead;007" "R*$KEY;Plus;+5" \
    "R*$KEY;Mixed;12a" "R*$KEY;Minus;-" "R*$KEY;Empty;" "R*$KEY;;default;with;semicolons" \
    "R*$KEY;Literal%S;%Shelp" "RG$KEY;Language;Deutsch" "RF$KEY;Language;Francais" \
    'XGT5107;%SPROBE.exe;Probe Zeichnung' 'XFT5107;%SPROBE.exe;Dessin Probe' \
    'X*T5108;%SPROBE.exe;Probe data %S' \
    'E*C:\windows\system32\cmd.exe /c echo started>"%Se-line.txt"' \
    'E*C:\windows\system32\cmd.exe /c echo add-on>"%Skorvalt.txt"' \
    'EFC:\windows\system32\cmd.exe /c echo fr>"%Se-french.txt"'
}

# make_product DIR
make_product() {
  PRODUCT_DIR=$1
  mkdir -p "$PRODUCT_DIR"
  write_sources
  write_script >"$PRODUCT_DIR/script.txt"
  printf 'GERMAN\r\nLizenz.\r\nENGLISH\r\nLicence.\r\nFRENCH\r\nLicence fr.\r\n' \
    >"$PRODUCT_DIR/licence.txt"
  "$HOST_BIN/mksetup" build --script "$PRODUCT_DIR/script.txt" \
    --licence "$PRODUCT_DIR/licence.txt" --source "$PRODUCT_DIR/tree" \
    -o "$PRODUCT_DIR/setup.exe" --stub "$WIN32_BIN/engine-run.exe" >"$PRODUCT_DIR/build.out"
}
