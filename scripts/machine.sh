# What this machine can run, found out rather than assumed; sourced by scripts/bootstrap,
# scripts/demo and tests/e2e/run. Kernels built without 32-bit support (their log says "32-bit
# emulation disabled") refuse every 32-bit Linux program, 32-bit Wine's loader included, while
# 64-bit Wine runs there.

MACHINE_REPO=${MACHINE_REPO:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

# Debian's loaders, called by full path: /usr/bin/wine, wineboot and winepath always pick the
# 32-bit loader when it is installed, whatever the prefix.
machine_wine_loader() {
  case $1 in
    x86) echo /usr/lib/wine/wine ;;
    x64) echo /usr/lib/wine/wine64 ;;
  esac
}

machine_wine_server() {
  local server
  for server in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver32; do
    [ -x "$server" ] && { echo "$server"; return 0; }
  done
  echo /usr/lib/wine/wineserver64
}

# The Windows programs of one architecture, as scripts/build lays them out.
machine_windows_bin() {
  case $1 in
    x86) echo "$MACHINE_REPO/build/win32/bin" ;;
    x64) echo "$MACHINE_REPO/build/win64/bin" ;;
  esac
}

machine_wine_prefix_arch() {
  case $1 in
    x86) echo win32 ;;
    x64) echo win64 ;;
  esac
}

# machine_runs_32bit: whether the kernel starts a 32-bit (i386) Linux program. The probe is a
# 96-byte static ELF that only calls exit(42), written here, so that it needs no package.
machine_runs_32bit() {
  local dir=$MACHINE_REPO/build/machine probe rc=0
  mkdir -p "$dir" || return 1
  probe=$dir/probe-i386
  printf '%b' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe" &&
    chmod +x "$probe" || return 1
  "$probe" 2>/dev/null || rc=$?
  [ "$rc" -eq 42 ]
}

# machine_why_no_32bit: one line on why 32-bit programs do not run, from the kernel's own words
# where it left them.
machine_why_no_32bit() {
  if dmesg 2>/dev/null | grep -q '32-bit emulation disabled'; then
    echo "this kernel cannot run 32-bit programs (its log: 32-bit emulation disabled)"
  else
    echo "this kernel cannot run 32-bit programs (a 32-bit probe program did not start)"
  fi
}

# machine_wine_check ARCH: whether Wine of that architecture runs here; on failure
# MACHINE_REASON says why in one line.
machine_wine_check() {
  local arch=$1 loader out rc=0
  MACHINE_REASON=
  loader=$(machine_wine_loader "$arch")
  if [ "$arch" = x86 ] && ! machine_runs_32bit; then
    MACHINE_REASON=$(machine_why_no_32bit)
    return 1
  fi
  if [ ! -x "$loader" ]; then
    case $arch in
      x86) MACHINE_REASON="32-bit Wine is not installed ($loader, Debian's wine32:i386)" ;;
      x64) MACHINE_REASON="64-bit Wine is not installed ($loader, Debian's wine64)" ;;
    esac
    return 1
  fi
  out=$("$loader" --version 2>&1) || rc=$?
  if [ $rc -ne 0 ]; then
    MACHINE_REASON="$loader --version failed (exit $rc: $(head -1 <<<"$out"))"
    return 1
  fi
}

# bootstrap_plan RUNS_32BIT I386_INDEX: what scripts/bootstrap does about 32-bit Wine, from its
# probes. RUNS_32BIT is yes or no (machine_runs_32bit); I386_INDEX is ok, failed (apt-get could
# not fetch the i386 package index) or unknown (not asked yet). Prints one of:
#   skip   the kernel cannot run 32-bit programs: no i386 architecture, no wine32
#   fetch  ask apt for the i386 index first, then decide again
#   wine32 install wine32:i386 beside wine64
#   drop   the index cannot be had: go on with 64-bit Wine only, and take the i386
#          architecture off again if this run added it
bootstrap_plan() {
  local runs32=$1 index=$2
  if [ "$runs32" != yes ]; then
    echo skip
  elif [ "$index" = ok ]; then
    echo wine32
  elif [ "$index" = failed ]; then
    echo drop
  else
    echo fetch
  fi
}
