#!/usr/bin/env bash
# The whole test suite: installs what it needs, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh release
ctest --preset release -j"$(nproc)"
