#!/usr/bin/env bash
# Builds the Windows console program, statically linked, with MinGW-w64:
#   bash scripts/build-windows.sh win32   ->  build/win32/zub2wav.exe (32-bit)
#   bash scripts/build-windows.sh win64   ->  build/win64/zub2wav.exe (64-bit)
# Installs the cross compilers (and Wine, for the tests) first if missing.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-}
case "$preset" in
  win32|win64) ;;
  *) echo "usage: bash scripts/build-windows.sh win32|win64" >&2; exit 2 ;;
esac
bash scripts/setup.sh windows
bash scripts/build.sh "$preset"
