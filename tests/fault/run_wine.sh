#!/usr/bin/env bash
# Runs the fault test of one Windows build under Wine, in a fresh Wine prefix
# of its own: run_wine.sh 32|64 BUILD_DIR (holding win32/ and win64/). Exits
# 77 (skipped) when the loader or the program is missing, or when this
# machine cannot start the loader (a kernel without 32-bit support).
set -uo pipefail
bits=$1
build=$(realpath "$2")
case $bits in
    32) loader=/usr/lib/wine/wine server=/usr/lib/wine/wineserver32 tree=win32 ;;
    64) loader=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver64 tree=win64 ;;
    *) echo "usage: run_wine.sh 32|64 BUILD_DIR" >&2; exit 2 ;;
esac
program=$build/$tree/tests/fault/fault_tests.exe
for needed in "$loader" "$server"; do
    [ -x "$needed" ] || { echo "skipped: $needed is not installed" >&2; exit 77; }
done
[ -f "$program" ] || { echo "skipped: no $program (scripts/build.sh $tree builds it)" >&2; exit 77; }
if ! "$loader" --version >/dev/null 2>&1; then
    echo "skipped: $loader does not start on this machine" >&2
    exit 77
fi

home=$(mktemp -d "${TMPDIR:-/tmp}/zub2wav-wine-faults.XXXXXX")
trap 'rm -rf "$home"' EXIT
export HOME=$home WINEPREFIX=$home/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir "$WINEPREFIX"
# The test's own files go to the prefix's Temp folder.
(cd "$home" && "$loader" "$program" --gtest_color=no) >"$home/log" 2>&1
code=$?
"$server" -k 2>/dev/null
# A failed 32-bit start can end with 0 and no output: the summary line is
# the proof that the tests ran.
if [ "$code" -ne 0 ] || ! grep -q '^\[  PASSED  \]' "$home/log"; then
    cat "$home/log" >&2
    echo "FAILED under $loader: status $code" >&2
    exit 1
fi
grep '^\[  PASSED  \]' "$home/log"
