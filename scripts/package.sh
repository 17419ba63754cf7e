#!/usr/bin/env bash
# Makes the release packages in build/packages/: the Debian package of the
# Linux program (zub2wav_<version>_<arch>.deb) and a ZIP of each Windows
# program (zub2wav-<version>-win32.zip, zub2wav-<version>-win64.zip).
# Installs what it needs first if missing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build tests ship windows
out=build/packages
mkdir -p "$out"
for preset in release win32 win64; do
  bash scripts/build.sh "$preset" >/dev/null
  cpack --config "build/$preset/CPackConfig.cmake" -B "$out" >/dev/null
done
rm -rf "$out/_CPack_Packages"
ls -l "$out"
