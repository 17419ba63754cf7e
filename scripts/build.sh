#!/usr/bin/env bash
# Configures and builds one preset (default: release) with warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-release}
cmake --preset "$preset" -DZUB2WAV_WERROR=ON >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
