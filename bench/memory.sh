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

# peak LABEL OUTPUT COMMAND...: runs COMMAND twice, its standard output to
# OUTPUT: under /usr/bin/time for the peak resident size (a line
# "LABEL<TAB>KiB" in memory.tsv), and under exit_memory.py for its own
# memory at exit (memory_anon.tsv).
peak() {
    local label=$1 output=$2
    shift 2
    /usr/bin/time -f "$label	%M" -a -o "$results/memory.tsv" "$@" >"$output"
    echo "$label	$(python3 "$bench_dir/exit_memory.py" --output "$output" "$@")" >>"$results/memory_anon.tsv"
}

# The peak counts the pages of the shared libraries too, and how many of
# those are mapped changes from run to run by 100 KiB and more: many runs,
# and their median.
echo "bench: memory, $BENCH_MEMORY_RUNS runs" >&2
for ((round = 1; round <= BENCH_MEMORY_RUNS; round++)); do
    peak "zub2wav 1 KiB" /dev/null "$program" tiny.zub
    peak "zub2wav large" /dev/null "$program" big.zub
    if [ -n "${ZUB2WAV_BASELINE:-}" ]; then
        peak "baseline 1 KiB" /dev/null "$ZUB2WAV_BASELINE" tiny.zub
        peak "baseline large" /dev/null "$ZUB2WAV_BASELINE" big.zub
    fi
    peak "cat 1 KiB" cat.out cat tiny.zub
    peak "cat large" cat.out cat big.zub
done
echo "memory_runs $BENCH_MEMORY_RUNS" >>"$results/sizes.txt"
[ "$(stat -c %s big.wav)" -eq $((BENCH_LARGE_MIB * 1024 * 1024 + 3 + 44)) ]
