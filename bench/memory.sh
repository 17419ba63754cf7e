#!/usr/bin/env bash
# Peak resident size of a conversion of a 1 KiB and of a large source, and
# of cat copying the same files. Usage: memory.sh PROGRAM RESULTS_DIR
set -euo pipefail
program=$(realpath "$1")
results=$(realpath "$2")
source "$(dirname "$0")/lib.sh"
make_work_dir
cd "$work"
python3 "$bench_dir/make_data.py" large tiny.zub $((1024 - 32))
python3 "$bench_dir/make_data.py" large big.zub $((BENCH_LARGE_MIB * 1024 * 1024 + 3))
warm_cache tiny.zub big.zub

# peak LABEL COMMAND...: one line "LABEL<TAB>KiB" per run.
peak() {
    local label=$1
    shift
    /usr/bin/time -f "$label	%M" -a -o "$results/memory.tsv" "$@"
}
# The kernel counts resident pages in batches, so one run's peak can be off
# by a hundred KiB or more either way: many runs, and their median.
echo "bench: memory, $BENCH_MEMORY_RUNS runs" >&2
for ((round = 1; round <= BENCH_MEMORY_RUNS; round++)); do
    peak "zub2wav 1 KiB" "$program" tiny.zub
    peak "zub2wav large" "$program" big.zub
    if [ -n "${ZUB2WAV_BASELINE:-}" ]; then
        peak "baseline 1 KiB" "$ZUB2WAV_BASELINE" tiny.zub
        peak "baseline large" "$ZUB2WAV_BASELINE" big.zub
    fi
    peak "cat 1 KiB" cat tiny.zub >cat.out
    peak "cat large" cat big.zub >cat.out
done
echo "memory_runs $BENCH_MEMORY_RUNS" >>"$results/sizes.txt"
[ "$(stat -c %s big.wav)" -eq $((BENCH_LARGE_MIB * 1024 * 1024 + 3 + 44)) ]
