#!/usr/bin/env bash
# Builds zub2wav and converts the bundled example sources beside themselves.
# Installs only what building needs (scripts/packages/build.txt: compiler,
# CMake, make) and builds the program alone (preset "program", no tests).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
bash scripts/build.sh program >/dev/null
echo "converting examples/*.zub" >&2
status=0
build/program/zub2wav examples/*.zub || status=$?
ls -l examples/*.wav
exit "$status"
