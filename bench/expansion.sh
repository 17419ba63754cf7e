#!/usr/bin/env bash
# Times the expansion of one wildcard pattern over 1,000, 10,000 and 100,000
# matches and prints the ratio of the last two times; about 10 means the
# expansion grows linearly (up to a log factor), 100 would mean quadratic.
# Then 100,000 matches with ties: 95,000 names, one in nineteen of them with
# a twin that differs only in letter case (5,000 twins, so one name in
# twenty has one), timed in turn with the 100,000 without ties; it prints
# the ratio of the two.
#
#   bash bench/expansion.sh [PROGRAM]     (default: build/release/zub2wav)
#
# The matches are empty sub-directories in a temporary directory, named in
# mixed letter case (in memory when /dev/shm is there); the program fails to open each as a source, so nothing
# is written. Each size is run three times and the best time is kept.
set -euo pipefail
# A program named by the caller is found from the caller's directory, the
# default from the top of the source tree.
if [ $# -ge 1 ]; then
  program=$1
else
  program=$(dirname "$0")/../build/release/zub2wav
fi
if [ ! -x "$program" ] || [ -d "$program" ]; then
  echo "expansion: no program at $program (build it with: bash scripts/build.sh release)" >&2
  exit 1
fi
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
# In memory where possible: making 111,000 directories on a disk takes
# minutes, and the figures are about the program, not the disk.
base=${TMPDIR:-/tmp}
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then base=/dev/shm; fi
work=$(mktemp -d "$base/zub2wav-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 - "$program" "$work" <<'PY'
import os, random, subprocess, sys, time

program, work = sys.argv[1], sys.argv[2]
times = {}
print("expansion of the pattern '*' by %s" % program)
print("%10s %12s %14s" % ("matches", "seconds", "per match (us)"))


def spelt(rng, number):
    return "".join(c.upper() if rng.random() < 0.5 else c for c in "take_%06d.zub" % number)


def make(directory, names, rng):
    os.mkdir(directory)
    rng.shuffle(names)
    for name in names:
        os.mkdir(os.path.join(directory, name))


def timed(directory, count):
    start = time.perf_counter()
    done = subprocess.run([program, "*"], cwd=directory, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    lines = done.stderr.count(b"\n")
    if done.returncode != 0 or lines != count:
        sys.exit("expansion: expected %d failed opens and status 0, got %d lines and status %d"
                 % (count, lines, done.returncode))
    return elapsed


for count in (1000, 10000, 100000):
    directory = os.path.join(work, str(count))
    rng = random.Random(count)
    make(directory, [spelt(rng, number) for number in range(count)], rng)
    times[count] = min(timed(directory, count) for _ in range(3))
    print("%10d %12.4f %14.2f" % (count, times[count], times[count] / count * 1e6))
print("ratio 100k/10k: %.1f (linear about 10, quadratic about 100)" % (times[100000] / times[10000]))

# The same count with ties: every 19th of 95,000 names has a case twin, its
# letters swapped. Run in turn with the directory without ties, so that both
# meet the same load; the best of each is kept.
count = 100000
rng = random.Random(-count)
names = [spelt(rng, number) for number in range(95000)]
names += [name.swapcase() for name in names[::19]]
assert len(names) == count
tied = os.path.join(work, "ties")
make(tied, names, rng)
runs_without, runs_with_ties = [], []
for _ in range(5):
    runs_without.append(timed(os.path.join(work, str(count)), count))
    runs_with_ties.append(timed(tied, count))
without, with_ties = min(runs_without), min(runs_with_ties)
print("%10d %12.4f %14.2f  with ties (one name in twenty has a case twin)" % (count, with_ties, with_ties / count * 1e6))
print("ratio with ties/without at 100k: %.2f (without: %.4f s; at most 1.5 wanted)" % (with_ties / without, without))
PY
