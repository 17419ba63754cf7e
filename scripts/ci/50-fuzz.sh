#!/usr/bin/env bash
# Fuzzes each libFuzzer target for a bounded time (ZUB2WAV_FUZZ_SECONDS, 30 s
# by default), starting from its seed corpus in tests/fuzz/corpus/. Any
# finding fails the stage; the input that shows it is left in
# build/fuzz/findings/ (add it to the target's corpus, which the ordinary
# test run replays, and write a unit test for it).
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
bash scripts/setup.sh build fuzz
bash scripts/build.sh fuzz >/dev/null
seconds=${ZUB2WAV_FUZZ_SECONDS:-30}
findings=build/fuzz/findings
rm -rf "$findings"
mkdir -p "$findings"
export ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for program in build/fuzz/tests/fuzz/*_fuzz; do
  target=$(basename "$program" _fuzz)
  # Inputs found now go to a scratch directory; the repository's corpus
  # changes only by hand.
  scratch=$(mktemp -d)
  log="$findings/$target.log"
  if "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/$target-" "$scratch" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
    echo "fuzz $target: $(grep -E '^Done [0-9]+ runs' "$log" | tail -n 1)" >&2
  else
    status=1
    echo "fuzz $target: FINDING" >&2
    tail -n 30 "$log" >&2
    # The targets capture standard error around the code under test; show
    # each finding once more without the capture.
    for input in "$findings/$target"-*; do
      [ -f "$input" ] || continue
      echo "--- $input" >&2
      ZUB2WAV_FUZZ_SHOW_STDERR=1 "$program" "$input" 2>&1 | tail -n 30 >&2 || true
    done
  fi
  rm -rf "$scratch"
done
echo "fuzz stage: $((SECONDS - start)) s" >&2
exit "$status"
