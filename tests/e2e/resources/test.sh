# A setup program's resources read through the win32 layer under Wine: resource-probe.exe,
# given a script and licence by mksetup, must report exactly what the host reading of the same
# executable reports, and what the inputs hold.
source tests/e2e/lib.sh
e2e_new_prefix resources
for program in "$WIN_BIN/resource-probe.exe" "$HOST_BIN/resource-probe-host" "$HOST_BIN/mksetup"; do
  [ -x "$program" ] || [ -f "$program" ] || e2e_fail "not built: $program"
done
input=$E2E_DIR/input
mkdir -p "$input/tree/S/data"

# The script mixes CR LF, lone LF and lone CR line ends, lower-case codes, an empty line,
# Windows-1252 letters, and ends without a line break.
printf 'GEF\r\nNfV\351rification \200 5107\nV(1.2.3)\rS0\r\nDProbe Folder\r\n' >"$input/script.txt"
printf 'h%%Sprobe.exe\r\nMGliesmich.txt\r\nMEreadme.txt\nMFlisezmoi.txt\r\nD*%%S\r\n' >>"$input/script.txt"
printf 'F*%%Sprobe.exe\r\nf*%%Sdata\\empty.dat\n\r\nTEKORVALT=Add-on = extra\r\n' >>"$input/script.txt"
printf 'TGKORVALT\r\nTFkorvalt=ignored\r\nFG%%Sdata\\big.bin' >>"$input/script.txt"

printf 'GERMAN\r\nLizenz f\374r \344lteste Gr\366\337en, 5 \200.\r\n\r\n' >"$input/licence.txt"
printf 'ENGLISH\r\nLicence \253quoted\273 \226 dash.\r\n\r\n' >>"$input/licence.txt"
printf 'FRENCH\r\nLicence fran\347aise, d\351j\340 \340 l\264\351t\351.\r\n\r\n' >>"$input/licence.txt"

printf 'MZ not really a program' >"$input/tree/S/probe.exe"
: >"$input/tree/S/data/empty.dat"
head -c 300000 /dev/urandom >"$input/tree/S/data/big.bin"

"$HOST_BIN/mksetup" build --arch "$E2E_ARCH" \
  --script "$input/script.txt" --licence "$input/licence.txt" \
  --source "$input/tree" -o "$E2E_DIR/probe.exe" --stub "$WIN_BIN/resource-probe.exe" \
  --allow no-uninstaller,not-installed,shortcut-folder

e2e_wine "$E2E_DIR/wine.out" "$E2E_DIR/probe.exe" 'C:\probe-report.txt' ||
  e2e_fail "resource-probe.exe failed: $(cat "$E2E_DIR/wine.out" "$E2E_DIR/wine.out.err")"
windows_report=$(e2e_unix_path 'C:\probe-report.txt')
"$HOST_BIN/resource-probe-host" "$E2E_DIR/probe.exe" "$E2E_DIR/host-report.txt"
e2e_same "$windows_report" "$E2E_DIR/host-report.txt"

# Both readings could agree and still be wrong: check them against the inputs too.
expect() { grep -qaF -- "$1" "$windows_report" || e2e_fail "report lacks: $1"; }
# The report holds the texts as the setup holds them: in UTF-8, decoded from Windows-1252.
expect "$(printf 'ProductName=[V\303\251rification \342\202\254 5107]\r')"
expect "$(printf 'PreselectedLanguage=[F]\r')"
expect "$(printf 'VersionText=[(1.2.3)]\r')"
# 300,000 + 124 licence bytes + 23: mksetup's S line, read back and formatted.
expect "$(printf 'SizeText=[293 kB]\r')"
expect "$(printf 'MainProgram=[%%Sprobe.exe]\r')"
expect "$(printf 'ReadMeEnglish=[readme.txt]\r')"
expect "$(printf 'AddOnTicked=[1]\r')"
expect "$(printf 'AddOnCaptionEnglish=[Add-on = extra]\r')"
expect "$(printf 'AddOnCaptionGerman=[]\r')"
expect "$(printf 'ActionLines=[8]\r')"
expect "$(printf 'Line=[]\r')"
sed -n '/^Licence:\r$/,$p' "$windows_report" | tail -n +2 >"$E2E_DIR/licence.out"
iconv -f CP1252 -t UTF-8 "$input/licence.txt" >"$E2E_DIR/licence.expected"
e2e_same "$E2E_DIR/licence.out" "$E2E_DIR/licence.expected"

# The stub itself carries no resources: start-up must fail with a message, not crash.
if e2e_wine "$E2E_DIR/bare.out" "$WIN_BIN/resource-probe.exe" 'C:\bare-report.txt'; then
  e2e_fail "resource-probe.exe without resources reported success"
fi
grep -q 'SetupInfo' "$E2E_DIR/bare.out" "$E2E_DIR/bare.out.err" ||
  e2e_fail "no message naming SetupInfo: $(cat "$E2E_DIR/bare.out.err")"
echo "resources: Windows and host readings agree"
