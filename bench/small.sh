#!/usr/bin/env bash
# Many small sources named by one pattern, against cp of the same files and
# against a shell loop of sox calls. Usage: small.sh PROGRAM RESULTS_DIR
set -euo pipefail
program=$(realpath "$1")
results=$(realpath "$2")
source "$(dirname "$0")/lib.sh"
make_work_dir
cd "$work"
mkdir sources
python3 "$bench_dir/make_data.py" small sources "$BENCH_SMALL_COUNT" "$BENCH_SMALL_BYTES"
warm_cache sources/*.zub
echo "small_count $BENCH_SMALL_COUNT" >>"$results/sizes.txt"
echo "small_bytes $BENCH_SMALL_BYTES" >>"$results/sizes.txt"

# The program expands the pattern itself. A build that cannot (it leaves no
# output for a quoted pattern) is given the names by the shell instead, and
# the report says so.
mkdir probe
cp sources/src000000.zub probe/
(cd probe && "$program" '*.zub' 2>/dev/null) || true
if [ -f probe/src000000.wav ]; then
    pattern="'*.zub'"
    echo "small_expansion program" >>"$results/sizes.txt"
else
    pattern="*.zub"
    echo "small_expansion shell" >>"$results/sizes.txt"
fi
rm -rf probe

# Before each run, untimed: all outputs removed, the file system written back.
clean="rm -rf copy sox; rm -f sources/*.wav; mkdir copy sox; sync -f ."
add_command "cp" "$clean" "cp sources/*.zub copy/"
add_command "zub2wav" "$clean" "cd sources && '$program' $pattern"
# The same batch spread over every core: 64 names per call, one call per core
# at a time (README, "Many files, many cores").
cores=$(nproc)
add_command "zub2wav, xargs -P $cores" "$clean" \
    "cd sources && find . -name '*.zub' -print0 | xargs -0 -n 64 -P $cores '$program'"
if [ -n "${ZUB2WAV_BASELINE:-}" ]; then
    add_command "zub2wav (baseline)" "$clean" "cd sources && '$(realpath "$ZUB2WAV_BASELINE")' $pattern"
fi
if [ "$BENCH_SOX_LOOP" = 1 ]; then
    # One sox process per file costs milliseconds each: the loop takes the
    # first BENCH_SOX_FILES sources, and the report scales its time to all.
    sox_files=$((BENCH_SOX_FILES < BENCH_SMALL_COUNT ? BENCH_SOX_FILES : BENCH_SMALL_COUNT))
    find sources -name '*.zub' | sort | awk -v n="$sox_files" 'NR <= n' >sox_list.txt
    echo "small_sox_files $sox_files" >>"$results/sizes.txt"
    add_command "sox loop" "$clean" \
        "while read -r f; do n=\${f##*/}; sox -t raw -r 44100 -e signed -b 16 -c 2 \"\$f\" \"sox/\${n%.zub}.wav\" trim 8s; done <sox_list.txt"
fi
run_interleaved "$results/small"

# Every source converted, each output 12 bytes longer than its source.
rm -f sources/*.wav
(cd sources && eval "'$program' $pattern")
converted=$(find sources -name '*.wav' -size "$((BENCH_SMALL_BYTES + 12))c" | wc -l)
[ "$converted" -eq "$BENCH_SMALL_COUNT" ] || {
    echo "small: $converted of $BENCH_SMALL_COUNT sources converted" >&2
    exit 1
}
