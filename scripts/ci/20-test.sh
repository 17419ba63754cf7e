#!/usr/bin/env bash
# The README's test command: the whole suite on the release build.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/test.sh
