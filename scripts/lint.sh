#!/usr/bin/env bash
# Fails on any file clang-format would change and on any clang-tidy finding
# in the code the host build compiles.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh lint build tests

mapfile -t sources < <(git ls-files '*.cpp' '*.h' '*.c')
clang-format --dry-run --Werror "${sources[@]}"

cmake --preset debug >/dev/null
# Every translation unit of the host build that is the project's own.
mapfile -t units < <(python3 - <<'PY'
import json, os
root = os.getcwd()
for entry in json.load(open("build/debug/compile_commands.json")):
    path = os.path.relpath(entry["file"], root)
    if path.split(os.sep)[0] in ("cli", "convert", "platform", "tests"):
        print(path)
PY
)
clang-tidy --quiet -p build/debug "${units[@]}"
echo "lint: ${#sources[@]} files formatted, ${#units[@]} translation units checked" >&2
