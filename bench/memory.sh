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
for ((round = 1; round <= BENCH_ROUNDS; round++)); do
    echo "bench: memory round $round of $BENCH_ROUNDS" >&2
    peak "zub2wav 1 KiB" "$program" tiny.zub
    peak "zub2wav large" "$program" big.zub
    peak "cat 1 KiB" cat tiny.zub >cat.out
    peak "cat large" cat big.zub >cat.out
done
[ "$(stat -c %s big.wav)" -eq $((BENCH_LARGE_MIB * 1024 * 1024 + 3 + 44)) ]
