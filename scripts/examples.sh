#!/usr/bin/env bash
# Builds zub2wav and converts the bundled example sources beside themselves.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build
bash scripts/build.sh release >/dev/null
echo "converting examples/*.zub" >&2
status=0
build/release/zub2wav examples/*.zub || status=$?
ls -l examples/*.wav
exit "$status"
