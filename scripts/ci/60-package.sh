#!/usr/bin/env bash
# The release packages, made as a user would make them. Their contents,
# the installation and the manual page are checked by the test stage
# (CTest's package.* tests); this stage makes sure the release command works
# and yields every package.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
rm -rf build/packages
bash scripts/package.sh
version=$(sed -n 's/^project(zub2wav VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
for package in "zub2wav_${version}_$(dpkg --print-architecture).deb" \
               "zub2wav-$version-win32.zip" "zub2wav-$version-win64.zip"; do
  [ -s "build/packages/$package" ] || { echo "package stage: $package was not made" >&2; exit 1; }
done
echo "package stage: $((SECONDS - start)) s" >&2
