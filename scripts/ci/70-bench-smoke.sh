#!/usr/bin/env bash
# The benchmarks at tiny sizes (BENCH_QUICK=1), to show that every script
# runs and the report is written; such figures mean nothing. About a minute,
# most of it the expansion benchmark, whose sizes are fixed.
set -euo pipefail
cd "$(dirname "$0")/../.."
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
BENCH_QUICK=1 BENCH_OUT="$out" bash bench/run.sh
grep -q '^## Goals' "$out/benchmarks.md"
[ -s "$out/benchmarks.png" ]
