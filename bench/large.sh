#!/usr/bin/env bash
# One large source against the copy limit and the tools a user would reach
# for instead. Usage: large.sh PROGRAM RESULTS_DIR
set -euo pipefail
program=$(realpath "$1")
results=$(realpath "$2")
source "$(dirname "$0")/lib.sh"
make_work_dir
cd "$work"

# An odd number of sample bytes: the tail is no whole block and no whole frame.
sample_bytes=$((BENCH_LARGE_MIB * 1024 * 1024 + 3))
python3 "$bench_dir/make_data.py" large big.zub "$sample_bytes"
warm_cache big.zub
echo "large_sample_bytes $sample_bytes" >>"$results/sizes.txt"

# Every run writes a new output. Before each, untimed, all outputs are
# removed and the file system written back, so no run pays for another's.
clean="rm -f cat.out cp.out shifted.out big.wav sox.wav ffmpeg.wav baseline/big.wav; sync -f ."
add_command "cat (copy limit)" "$clean" "cat big.zub > cat.out"
# The floor of any converter of these files: the fastest plain copy found of
# the bytes from offset 32 to offset 44 (bench/shifted_copy.c).
cc -O2 -o shifted_copy "$bench_dir/shifted_copy.c"
add_command "shifted copy (floor)" "$clean" "./shifted_copy big.zub shifted.out"
add_command "cp" "$clean" "cp big.zub cp.out"
add_command "zub2wav" "$clean" "'$program' big.zub"
if [ -n "${ZUB2WAV_BASELINE:-}" ]; then
    # The same source under another directory, so the outputs differ.
    mkdir baseline
    ln big.zub baseline/big.zub
    add_command "zub2wav (baseline)" "$clean" "'$(realpath "$ZUB2WAV_BASELINE")' baseline/big.zub"
fi
# The peers read the same file: sox trims the 8 frames of the header, ffmpeg
# skips its 32 bytes.
add_command "sox" "$clean" \
    "sox -t raw -r 44100 -e signed -b 16 -c 2 big.zub sox.wav trim 8s"
add_command "ffmpeg" "$clean" \
    "ffmpeg -nostdin -loglevel error -f s16le -ar 44100 -ac 2 -skip_initial_bytes 32 -i big.zub -c:a copy ffmpeg.wav"
run_interleaved "$results/large"

# The figures count only if the output is right: its size, and the samples
# byte for byte.
"$program" big.zub
expected=$((sample_bytes + 44))
[ "$(stat -c %s big.wav)" -eq "$expected" ] || { echo "large: big.wav has the wrong size" >&2; exit 1; }
cmp <(tail -c +33 big.zub) <(tail -c +45 big.wav) || { echo "large: samples differ" >&2; exit 1; }
