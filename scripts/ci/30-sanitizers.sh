#!/usr/bin/env bash
# The unit and end-to-end tests once more under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/build.sh asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset asan -j"$(nproc)"
