# The wizard's pictures, icon, manifest and version resource as Windows reads them: from
# picture-probe.exe, which carries the resource object, from a setup built on it by mksetup
# (whose resource rewrite must keep them), and from setup-stub.exe once that is built. Then
# another product's pictures and icon, drawn now and given to mksetup build --pictures and
# --icon: read back from a probe and a sample built with them, pixel by pixel, Explorer's icon
# through ExtractIconEx, and the real dialog's icon page as the screen shows it.
source tests/e2e/lib.sh
source tests/e2e/wizard/checks.sh
e2e_new_prefix pictures
probe=$WIN_BIN/picture-probe.exe
for program in "$probe" "$WIN_BIN/picture-probe.dir" "$HOST_BIN/mksetup"; do
  [ -f "$program" ] || e2e_fail "not built: $program"
done
generated=$(head -1 "$WIN_BIN/picture-probe.dir")

python3 -B tests/e2e/pictures/generator_test.py >"$E2E_DIR/generator_test.out" 2>&1 ||
  e2e_fail "generator tests: $(cat "$E2E_DIR/generator_test.out")"
# The drawing is deterministic: a second run gives the bytes the build made.
python3 -B src/wizard/win32/resources/make_pictures.py "$E2E_DIR/again" \
  src/wizard/ControlIds.h
for file in "$E2E_DIR"/again/*; do
  e2e_same "$file" "$generated/$(basename "$file")"
done

# Bitmap id, generated file, size, bits per pixel, palette entries.
bitmaps=(
  "200 logo.bmp 600x75 24 0"
  "201 flag-english.bmp 60x40 8 256"
  "202 flag-german.bmp 60x40 4 16"
  "203 flag-french.bmp 60x40 8 256"
  "204 program-folder.bmp 25x25 24 0"
  "205 quick-launch-classic.bmp 161x24 24 0"
  "206 quick-launch-xp.bmp 213x30 24 0"
)
# Pixel, nearest named colour: the flags' fields and bands, the bars' faces.
samples=(
  "202@30,6 black" "202@30,20 red" "202@30,33 gold"
  "203@10,20 blue" "203@30,20 white" "203@50,20 red"
  "201@1,1 blue" "201@20,2 red" "201@20,5 white" "201@45,20 red" "201@32,10 blue"
  "204@12,17 yellow" "205@88,12 grey" "206@40,27 green" "206@150,27 blue"
)
# The lower-left pixel of every picture shown transparent: one key colour for all.
keys=("204@0,24" "205@0,23" "206@0,29")
# Where the view writes the white "V12" with its black shadow, and the wordmark.
label_area=200@525,32,592,74
wordmark_area=200@17,18,320,50
version_strings=(CompanyName FileDescription FileVersion=1.0.0.0 InternalName LegalCopyright
  LegalTrademarks OriginalFilename ProductName ProductVersion=1.0.0.0 Comments)

expected=$E2E_DIR/expected.txt
{
  for entry in "${bitmaps[@]}"; do
    read -r id _ size bits palette <<<"$entry"
    echo "bitmap $id $size bpp=$bits palette=$palette loaded=$size"
  done
  echo "icon 207 images=1 32x32 bpp=24 image-bpp=24 mask=yes loaded=yes"
  echo "first-icon-group MAINICON same-image=yes"
  echo "manifest 1 present"
  echo "version file=1.0.0.0 product=1.0.0.0 type=1"
  echo "translation 0407 04E4"
  for entry in "${version_strings[@]}"; do
    name=${entry%%=*} value=${entry#*=}
    [ "$name" = "$entry" ] && value=
    echo "string $name=[$value]"
  done
} >"$expected"

queries=("${keys[@]}" "$label_area" "$wordmark_area")
for entry in "${samples[@]}"; do queries+=("${entry%% *}"); done

# run_probe NAME PROGRAM MODULE: runs the probe (MODULE "-": the running program itself). The
# runs follow one another on one wineserver; only the report files are read afterwards.
run_probe() {
  local name=$1 program=$2 module=$3
  mkdir -p "$E2E_DIR/$name"
  wine "$program" "C:\\$name.txt" "Z:${E2E_DIR//\//\\}\\$name" "$module" "${queries[@]}" \
    >"$E2E_DIR/$name.out" 2>"$E2E_DIR/$name.out.err" ||
    e2e_fail "$name: probe failed: $(cat "$E2E_DIR/$name.out.err")"
}

# check_report NAME: the report and the dumps of a probe run against what was drawn.
check_report() {
  local name=$1 dump=$E2E_DIR/$1
  local report=$E2E_DIR/$name.report
  tr -d '\r' <"$(e2e_unix_path "C:\\$name.txt")" >"$report"
  grep -v '^sample \|^luminance ' "$report" | diff "$expected" - >"$E2E_DIR/$name.diff" ||
    e2e_fail "$name: report differs: $(cat "$E2E_DIR/$name.diff")"
  for entry in "${samples[@]}"; do
    grep -q "^sample ${entry%% *} ${entry#* } #" "$report" ||
      e2e_fail "$name: ${entry%% *} is not ${entry#* }: $(grep "^sample ${entry%% *} " "$report")"
  done
  local key_values
  key_values=$(for q in "${keys[@]}"; do grep "^sample $q " "$report" | cut -d' ' -f4; done)
  key_values=$(echo "$key_values" | sort -u)
  [ "$(echo "$key_values" | wc -l)" -eq 1 ] || e2e_fail "$name: key colours differ: $key_values"
  local dark bright
  dark=$(sed -n "s/^luminance $label_area //p" "$report")
  bright=$(sed -n "s/^luminance $wordmark_area //p" "$report")
  [ "$dark" -lt 60 ] && [ "$dark" -lt $((bright / 2)) ] ||
    e2e_fail "$name: the label area (luminance $dark) is not dark beside the wordmark ($bright)"
  # Windows must give exactly the pixels that were drawn, the right way up.
  for entry in "${bitmaps[@]}"; do
    read -r id file _ <<<"$entry"
    local differing
    differing=$(compare -metric AE "$generated/$file" "$dump/bitmap-$id.ppm" null: 2>&1) || true
    [ "$differing" = 0 ] || e2e_fail "$name: bitmap $id differs from $file in $differing pixels"
  done
  e2e_same "$dump/manifest.xml" "$generated/setup.manifest"
  # Explorer shows the program icon, and it is drawn as the page draws it.
  same_pixels "$name: Explorer's icon" "$dump/program-icon.ppm" "$dump/explorer-icon.ppm"
  echo "$name: resources as expected"
}

# same_pixels WHAT EXPECTED GOT: the two pictures have the same size and every pixel alike.
same_pixels() {
  local differing
  differing=$(compare -metric AE "$2" "$3" null: 2>&1) || true
  [ "$differing" = 0 ] || e2e_fail "$1: $3 differs from $2 in $differing pixels"
}

# check_vendor NAME: a probe run of a setup built with the vendor's pictures: those given are
# the vendor's, pixel by pixel, the flags stay the stub's, Explorer's icon is the vendor's.
check_vendor() {
  local name=$1 dump=$E2E_DIR/$1
  local report=$E2E_DIR/$name.report
  tr -d '\r' <"$(e2e_unix_path "C:\\$name.txt")" >"$report"
  grep -v '^sample \|^luminance ' "$report" | diff "$expected_vendor" - >"$E2E_DIR/$name.diff" ||
    e2e_fail "$name: report differs: $(cat "$E2E_DIR/$name.diff")"
  for entry in "${bitmaps[@]}"; do
    read -r id file _ <<<"$entry"
    local source=$generated/$file
    [ -f "$vendor/pictures/$file" ] && source=$vendor/pictures/$file
    same_pixels "$name: bitmap $id" "$source" "$dump/bitmap-$id.ppm"
  done
  same_pixels "$name: the icon page's icon" "$vendor/expected/program-icon.ppm" \
    "$dump/program-icon.ppm"
  same_pixels "$name: Explorer's icon" "$vendor/expected/explorer-icon.ppm" \
    "$dump/explorer-icon.ppm"
  echo "$name: the vendor's pictures and icon as drawn"
}

# The manifest itself must ask for the version 6 common controls and for the highest level the
# user has (an administrator confirms; a standard user runs as himself), and name
# the program's own architecture: the 64-bit program is amd64, and takes the common controls of
# whatever architecture Windows has ("*"); the 32-bit one names x86 for both.
manifest=$generated/setup.manifest
case $E2E_ARCH in
  x86) architectures=('processorArchitecture="x86"/>' 'processorArchitecture="x86" publicKeyToken') ;;
  x64) architectures=('processorArchitecture="amd64"/>' 'processorArchitecture="*" publicKeyToken') ;;
esac
for attribute in 'name="Microsoft.Windows.Common-Controls"' 'version="6.0.0.0"' \
  "${architectures[@]}" 'publicKeyToken="6595b64144ccf1df"' 'level="highestAvailable"'; do
  grep -qF "$attribute" "$manifest" || e2e_fail "manifest lacks $attribute"
done

input=$E2E_DIR/input
mkdir -p "$input/tree/S"
printf '%s\r\n' GEF 'NPicture Probe' 'V(1.0)' S0 'DProbe\' 'H%Sprobe.exe' MGliesmich.txt \
  MEreadme.txt MFlisezmoi.txt 'D*%S' 'F*%Sprobe.exe' >"$input/script.txt"
printf '%s\r\n' GERMAN Lizenz. '' ENGLISH Licence. '' FRENCH Licence. '' >"$input/licence.txt"
printf 'MZ' >"$input/tree/S/probe.exe"
# build_probe OUTPUT [MKSETUP-ARGS...]: the probe product built on the probe.
build_probe() {
  local output=$1
  shift
  "$HOST_BIN/mksetup" build --arch "$E2E_ARCH" \
    --script "$input/script.txt" --licence "$input/licence.txt" \
    --source "$input/tree" -o "$output" --stub "$probe" \
    --allow no-uninstaller,not-installed,shortcut-folder "$@" >"$output.out" 2>&1 ||
    e2e_fail "mksetup build failed: $(cat "$output.out")"
}
build_probe "$E2E_DIR/built.exe"

# The vendor's pictures: the banner in 8 bits, the program icon with a 16x16 image after its
# 32x32 one, Explorer's icon of three sizes.
vendor=$E2E_DIR/vendor-pictures
python3 -B tests/e2e/pictures/vendor_pictures.py "$vendor"
vendor_args=(--pictures "$vendor/pictures" --icon "$vendor/setup.ico")
build_probe "$E2E_DIR/vendor.exe" "${vendor_args[@]}"
expected_vendor=$E2E_DIR/expected-vendor.txt
sed -e 's/^bitmap 200 .*/bitmap 200 600x75 bpp=8 palette=256 loaded=600x75/' \
  -e 's/^icon 207 .*/icon 207 images=2 32x32 bpp=24 image-bpp=24 mask=yes loaded=yes/' \
  -e 's/^first-icon-group MAINICON .*/first-icon-group MAINICON same-image=no/' \
  "$expected" >"$expected_vendor"

modules=(self built) vendors=(vendor)
run_probe self "$probe" -
run_probe built "$E2E_DIR/built.exe" -
run_probe vendor "$E2E_DIR/vendor.exe" -
if [ -f "$WIN_BIN/setup-stub.exe" ]; then
  modules+=(stub) vendors+=(sample)
  run_probe stub "$probe" "Z:${WIN_BIN//\//\\}\\setup-stub.exe"
  # The sample product with the vendor's pictures, as scripts/demo builds it otherwise.
  wizard_build_setup "$E2E_DIR/sample" "${vendor_args[@]}" ||
    e2e_fail "the sample with the vendor's pictures: $(cat "$E2E_DIR/sample/mksetup.log")"
  run_probe sample "$probe" "$(wizard_winpath "$E2E_DIR/sample/setup.exe")"
else
  echo "setup-stub.exe not built: only the resource object and its mksetup copy were checked"
fi
e2e_settle
for name in "${modules[@]}"; do check_report "$name"; done
for name in "${vendors[@]}"; do check_vendor "$name"; done

# The real dialog: the icon page of the sample with the vendor's pictures, as the screen shows
# it. Each picture lies where the layout puts it (a page's controls 2,88 further); the pictures
# drawn transparent show the dialog's face colour where the vendor's have their lower-left
# pixel's colour, and the icon shows it where its mask lets through.
if [ -f "$WIN_BIN/setup-stub.exe" ]; then
  wizard_run walk cancel --exe "$(wizard_winpath "$E2E_DIR/sample/setup.exe")" --language E \
    --page IconPage --answer yes || e2e_fail "walk: $(grep -a '^FAIL' "$E2E_DIR/walk.report")"
  shot=$(compgen -G "$E2E_DIR/shots/walk/*-IconPage.png" | head -1)
  [ -n "$shot" ] || e2e_fail "walk: no screenshot of the icon page"
  channel() { convert "$shot" -format "%[fx:int(255*p{$1,$2}.$3+0.5)]" info:; }
  face="rgb($(channel 71 171 r),$(channel 71 171 g),$(channel 71 171 b))"
  [ "$face" != "rgb(0,128,128)" ] || e2e_fail "walk: the folder picture is not transparent"
  mkdir -p "$E2E_DIR/screen"
  # Picture, its place on the screen, the part compared (the banner's right end lies under the
  # version labels), the colour the dialog shows for it.
  on_screen=(
    "pictures/logo.bmp 10,10 520x75 -"
    "pictures/program-folder.bmp 71,147 25x25 rgb(0,128,128)"
    "pictures/quick-launch-classic.bmp 164,275 161x24 rgb(0,128,128)"
    "pictures/quick-launch-xp.bmp 164,307 213x30 rgb(0,128,128)"
    "expected/program-icon.ppm 67,193 32x32 rgb(255,0,255)"
  )
  for entry in "${on_screen[@]}"; do
    read -r file place size key <<<"$entry"
    base=$(basename "${file%.*}")
    want=(convert "$vendor/$file" -crop "$size+0+0" +repage)
    [ "$key" = - ] || want+=(-fill "$face" -opaque "$key")
    "${want[@]}" "$E2E_DIR/screen/$base-want.png"
    convert "$shot" -crop "$size+${place%,*}+${place#*,}" +repage "$E2E_DIR/screen/$base.png"
    same_pixels "the icon page's $base" "$E2E_DIR/screen/$base-want.png" \
      "$E2E_DIR/screen/$base.png"
  done
  echo "walk: the icon page shows the vendor's banner, pictures and icon"
fi
for entry in "${bitmaps[@]}"; do
  read -r id file _ <<<"$entry"
  convert "$E2E_DIR/self/bitmap-$id.ppm" "$E2E_DIR/${file%.bmp}.png"
done
echo "pictures: Windows reads every picture, the icon, the manifest and the version as drawn"
