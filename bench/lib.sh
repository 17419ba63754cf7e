# Shared by the benchmark scripts (sourced, not run).
#
# Sizes and repetitions come from the environment, so a quick run is one
# variable away: BENCH_QUICK=1 shrinks every size to a smoke test.
#   BENCH_ROUNDS        interleaved rounds per benchmark (default 9, quick 2)
#   BENCH_MEMORY_RUNS   runs of each command in the memory benchmark (default 21, quick 2)
#   BENCH_LARGE_MIB     sample data of the large source in MiB (default 1024, quick 8)
#   BENCH_SMALL_COUNT   number of small sources (default 10000, quick 50)
#   BENCH_SMALL_BYTES   size of each small source, header included (default 8192)
#   BENCH_SOX_LOOP      0 leaves the sox loop out of the small-sources benchmark
#   BENCH_SOX_FILES     sources the sox loop converts, its time scaled to all (default 1000)
#   BENCH_TMPDIR        where the data is made (default: $TMPDIR or /tmp)
#   BENCH_RESULTS       a directory to keep the raw figures in (run.sh)
#   ZUB2WAV_BASELINE    another build of the program, measured beside it
#                       (to see what a change gains)

if [ "${BENCH_QUICK:-0}" = 1 ]; then
    : "${BENCH_ROUNDS:=2}" "${BENCH_MEMORY_RUNS:=2}" "${BENCH_LARGE_MIB:=8}" "${BENCH_SMALL_COUNT:=50}"
fi
: "${BENCH_ROUNDS:=9}" "${BENCH_MEMORY_RUNS:=21}" "${BENCH_LARGE_MIB:=1024}" "${BENCH_SMALL_COUNT:=10000}"
: "${BENCH_SMALL_BYTES:=8192}" "${BENCH_SOX_LOOP:=1}" "${BENCH_SOX_FILES:=1000}"
: "${BENCH_TMPDIR:=${TMPDIR:-/tmp}}"

bench_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# A fresh directory for one benchmark's data, removed when the script ends.
make_work_dir() {
    work=$(mktemp -d "$BENCH_TMPDIR/zub2wav-bench.XXXXXX")
    trap 'rm -rf "$work"' EXIT
}

# Writes the new files back and reads them once, so that the runs find them
# in the page cache and no write-back of them runs alongside.
warm_cache() {
    sync -f "$1"
    cat "$@" >/dev/null
}

# The commands of one benchmark, added one at a time with
#   add_command NAME PREPARE COMMAND
# (PREPARE runs untimed before each run of COMMAND, e.g. to remove the
# outputs of the run before), then timed with run_interleaved.
names=()
prepares=()
commands=()
add_command() {
    names+=("$1")
    prepares+=("$2")
    commands+=("$3")
}

# run_interleaved PREFIX: runs every command once (untimed, as a check and a
# warm-up), then BENCH_ROUNDS rounds in which each command runs once, the
# order turned by one place each round so that none always follows the same
# neighbour. Round r's figures go to PREFIX.r.json (hyperfine's format).
run_interleaved() {
    local prefix=$1 count=${#commands[@]} round index position
    for ((index = 0; index < count; index++)); do
        sh -c "${prepares[index]}"
        sh -c "${commands[index]}" >/dev/null 2>&1 || {
            echo "bench: '${names[index]}' failed: ${commands[index]}" >&2
            return 1
        }
    done
    for ((round = 1; round <= BENCH_ROUNDS; round++)); do
        local args=()
        for ((position = 0; position < count; position++)); do
            index=$(((position + round) % count))
            args+=(--command-name "${names[index]}" --prepare "${prepares[index]}")
        done
        for ((position = 0; position < count; position++)); do
            index=$(((position + round) % count))
            args+=("${commands[index]}")
        done
        echo "bench: ${prefix##*/} round $round of $BENCH_ROUNDS" >&2
        hyperfine --style none --runs 1 --export-json "$prefix.$round.json" "${args[@]}" >/dev/null
    done
}
