#!/usr/bin/env bash
# The slow cases left out of the default run: sources of 2 GiB and of the
# largest size a WAV can hold (about 4 GiB), converted for real. Needs about
# 9 GiB of free disk in the temporary directory and a few minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build tests
bash scripts/build.sh release >/dev/null
cd tests/blackbox
ZUB2WAV=../../build/release/zub2wav ZUB2WAV_LARGE=1 PYTHONDONTWRITEBYTECODE=1 \
  python3 -m unittest -v test_faults.LargeSources
