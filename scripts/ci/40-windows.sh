#!/usr/bin/env bash
# The Windows programs: builds both, checks the 32-bit and 64-bit executables
# (PE kind, console subsystem, system DLLs only), and runs the 64-bit one
# under Wine. Here a missing tool is a failure, not a skip.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
bash scripts/build-windows.sh win32
bash scripts/build-windows.sh win64
python3 tests/windows/check_executables.py build/win32/zub2wav.exe build/win64/zub2wav.exe
cd tests/blackbox
ZUB2WAV_WIN64=../../build/win64/zub2wav.exe ZUB2WAV_LAUNCHER=../../build/win64/command_line_launcher.exe \
  PYTHONDONTWRITEBYTECODE=1 python3 run_wine.py
echo "windows stage: $((SECONDS - start)) s" >&2
