#!/usr/bin/env bash
# Brings build/win32 and build/win64 up to date for the Windows tests.
# Exits with 77 (skipped) when the MinGW-w64 cross compilers are missing.
set -euo pipefail
cd "$(dirname "$0")/../.."
for target in i686-w64-mingw32 x86_64-w64-mingw32; do
  if ! command -v "$target-g++-win32" >/dev/null && ! command -v "$target-g++" >/dev/null; then
    echo "Windows build skipped: no $target-g++ (bash scripts/setup.sh windows installs it)" >&2
    exit 77
  fi
done
bash scripts/build.sh win32
bash scripts/build.sh win64
