#!/usr/bin/env bash
# Every end-to-end test once more with the release program run under
# valgrind's memcheck: an invalid access, a use of an uninitialised value or a
# leak makes the program exit with status 99, which fails the test.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
bash scripts/setup.sh build tests memcheck
bash scripts/build.sh release >/dev/null
# harness.run puts ZUB2WAV_WRAPPER in front of every run of the program.
ZUB2WAV_WRAPPER="valgrind --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,possible -q" \
  ctest --preset release -R '^blackbox\.' -j"$(nproc)"
echo "valgrind stage: $((SECONDS - start)) s" >&2
