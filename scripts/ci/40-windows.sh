#!/usr/bin/env bash
# The Windows programs: builds both, checks the 32-bit and 64-bit executables
# (PE kind, console subsystem, system DLLs only), and runs both under Wine.
# Here a missing tool is a failure, not a skip.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
bash scripts/build-windows.sh win32
bash scripts/build-windows.sh win64
python3 tests/windows/check_executables.py build/win32/zub2wav.exe build/win64/zub2wav.exe
# The lint stage checks what the host compiles; the Win32 code gets the same
# clang-tidy checks here, with MinGW's headers.
if command -v clang-tidy >/dev/null; then
  cxx=$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*/include/c++ | head -n 1)
  clang-tidy --quiet -p build/win64 --extra-arg=--target=x86_64-w64-mingw32 \
    --extra-arg=-isystem"$cxx" --extra-arg=-isystem"$cxx/x86_64-w64-mingw32" \
    platform/stream.cpp platform/stream_copy.cpp platform/win32/*.cpp tests/windows/command_line_launcher.cpp
fi
# Both programs under Wine in one prefix, each case on each. A program not
# built or a Wine not installed fails here (--strict); a host whose kernel
# runs no 32-bit code cannot run the 32-bit program at all: run_wine.py says
# so and exits with 77, which passes this stage with that line in its log.
cd tests/blackbox
status=0
ZUB2WAV_WIN32=../../build/win32/zub2wav.exe ZUB2WAV_WIN64=../../build/win64/zub2wav.exe \
  PYTHONDONTWRITEBYTECODE=1 python3 run_wine.py --strict || status=$?
if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then exit "$status"; fi
echo "windows stage: $((SECONDS - start)) s" >&2
