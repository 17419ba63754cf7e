#!/usr/bin/env bash
# Runs every benchmark and writes docs/benchmarks.md and docs/benchmarks.png.
#
#   bash bench/run.sh                  the full run (several minutes)
#   BENCH_QUICK=1 bash bench/run.sh    small sizes, to see that it all works
#
# ZUB2WAV names the program to measure (default: a fresh release build);
# BENCH_OUT the directory for the report (default: docs). Sizes and rounds
# are set by the variables listed in bench/lib.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh build tests bench
if [ -z "${ZUB2WAV:-}" ]; then
    bash scripts/build.sh release >/dev/null
    ZUB2WAV=$PWD/build/release/zub2wav
fi
program=$(realpath "$ZUB2WAV")
out=${BENCH_OUT:-docs}
source bench/lib.sh

# BENCH_RESULTS keeps the raw figures (hyperfine's JSON and the rest) there.
if [ -n "${BENCH_RESULTS:-}" ]; then
    results=$(realpath "$BENCH_RESULTS")
    mkdir -p "$results"
    rm -f "$results"/*
else
    results=$(mktemp -d)
    trap 'rm -rf "$results"' EXIT
fi
describe() { echo "$1 $2" >>"$results/machine.txt"; }
describe date "$(date -u '+%Y-%m-%d %H:%M UTC')"
describe commit "$(git rev-parse --short HEAD 2>/dev/null || echo unknown)$(git diff --quiet HEAD -- . 2>/dev/null || echo ' (with local changes)')"
describe cpu "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
describe cores "$(nproc)"
describe memory "$(free -g | awk '/^Mem:/ { print $2 " GiB" }')"
describe system "$(uname -sr), $(. /etc/os-release && echo "$PRETTY_NAME")"
describe filesystem "$(df -T "$BENCH_TMPDIR" | awk 'NR == 2 { print $2 }')"
describe rounds "$BENCH_ROUNDS"
describe load_before "$(cut -d ' ' -f 1 /proc/loadavg)"

bash bench/large.sh "$program" "$results"
bash bench/small.sh "$program" "$results"
if [ -f bench/expansion.sh ]; then
    # Its output names the program: by its name only, not where it was built.
    bash bench/expansion.sh "$program" | sed "s|$program|zub2wav|g" | tee "$results/expansion.txt"
fi
bash bench/memory.sh "$program" "$results"

describe load_after "$(cut -d ' ' -f 1 /proc/loadavg)"
python3 bench/report.py "$results" "$out" bench/notes.md
echo "bench: wrote $out/benchmarks.md and $out/benchmarks.png" >&2
