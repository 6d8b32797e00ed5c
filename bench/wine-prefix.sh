#!/usr/bin/env bash
# bench/wine-prefix.sh PREFIX: a Wine prefix for bench_install, copied from the end-to-end tests'
# template (made once, as their runs make it: user folders inside the prefix, no menu builder).
set -euo pipefail
source "$(dirname "$0")/../tests/e2e/lib.sh"
e2e_template
rm -rf "$1"
cp -a "$E2E_OUT/template" "$1"
