# The wizard's pictures, icon, manifest and version resource as Windows reads them: from
# picture-probe.exe, which carries the resource object, from a setup built on it by mksetup
# (whose resource rewrite must keep them), and from setup-stub.exe once that is built.
source tests/e2e/lib.sh
e2e_new_prefix pictures
probe=$WIN32_BIN/picture-probe.exe
for program in "$probe" "$WIN32_BIN/picture-probe.dir" "$HOST_BIN/mksetup"; do
  [ -f "$program" ] || e2e_fail "not built: $program"
done
generated=$(head -1 "$WIN32_BIN/picture-probe.dir")

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
  e2e_same "$dump/manifest.xml" src/wizard/win32/resources/setup.manifest
  echo "$name: resources as expected"
}

# The manifest itself must ask for the version 6 common controls and for no elevation.
manifest=src/wizard/win32/resources/setup.manifest
for attribute in 'name="Microsoft.Windows.Common-Controls"' 'version="6.0.0.0"' \
  'processorArchitecture="x86"' 'publicKeyToken="6595b64144ccf1df"' 'level="asInvoker"'; do
  grep -qF "$attribute" "$manifest" || e2e_fail "manifest lacks $attribute"
done

input=$E2E_DIR/input
mkdir -p "$input/tree/S"
printf '%s\r\n' GEF 'NPicture Probe' 'V(1.0)' S0 'DProbe\' 'H%Sprobe.exe' MGliesmich.txt \
  MEreadme.txt MFlisezmoi.txt 'D*%S' 'F*%Sprobe.exe' >"$input/script.txt"
printf '%s\r\n' GERMAN Lizenz. '' ENGLISH Licence. '' FRENCH Licence. '' >"$input/licence.txt"
printf 'MZ' >"$input/tree/S/probe.exe"
"$HOST_BIN/mksetup" build --script "$input/script.txt" --licence "$input/licence.txt" \
  --source "$input/tree" -o "$E2E_DIR/built.exe" --stub "$probe" \
  --allow no-uninstaller,not-installed,shortcut-folder >"$E2E_DIR/mksetup.out" 2>&1 ||
  e2e_fail "mksetup build failed: $(cat "$E2E_DIR/mksetup.out")"

modules=(self built)
run_probe self "$probe" -
run_probe built "$E2E_DIR/built.exe" -
if [ -f "$WIN32_BIN/setup-stub.exe" ]; then
  modules+=(stub)
  run_probe stub "$probe" "Z:${WIN32_BIN//\//\\}\\setup-stub.exe"
else
  echo "setup-stub.exe not built: only the resource object and its mksetup copy were checked"
fi
wineserver -w
for name in "${modules[@]}"; do check_report "$name"; done
for entry in "${bitmaps[@]}"; do
  read -r id file _ <<<"$entry"
  convert "$E2E_DIR/self/bitmap-$id.ppm" "$E2E_DIR/${file%.bmp}.png"
done
echo "pictures: Windows reads every picture, the icon, the manifest and the version as drawn"
