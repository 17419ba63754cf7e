#!/usr/bin/env bash
# Format and static checks before anything is built for testing.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/lint.sh
