#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for SECONDS seconds each, on a
# corpus kept in the build folder (seeded from fuzz/corpus/<target> and the
# seeds fuzz_seeds writes from the project's own data), and prints per target
# the executions and what was found. Non-zero when any target found a crash,
# a leak, undefined behaviour, a time-out or a broken invariant; the inputs
# are kept in BUILD/fuzz-findings.
#
#   fuzz/run_fuzzers.sh BUILD SECONDS [TARGET...]
#
# FUZZ_JOBS (default 1) runs that many targets side by side; FUZZ_NICE
# (default 0) is their niceness.
set -uo pipefail
cd "$(dirname "$0")/.."

BUILD=$(realpath "${1:?usage: run_fuzzers.sh BUILD SECONDS [TARGET...]}")
SECONDS_EACH=${2:?usage: run_fuzzers.sh BUILD SECONDS [TARGET...]}
shift 2
JOBS=${FUZZ_JOBS:-1}
NICE=${FUZZ_NICE:-0}
RSS_MB=${FUZZ_RSS_MB:-2048}

if [ $# -gt 0 ]; then
  TARGETS=("$@")
else
  mapfile -t TARGETS < <(cd "$BUILD/bin" && ls fuzz_* | grep -v '^fuzz_seeds$' | sort)
fi
[ ${#TARGETS[@]} -gt 0 ] || { echo "run_fuzzers: no fuzz targets in $BUILD/bin" >&2; exit 2; }

SEEDS="$BUILD/fuzz-seeds"
"$BUILD/bin/fuzz_seeds" "$SEEDS" "$BUILD/demo" >/dev/null || exit 2
mkdir -p "$BUILD/fuzz-corpus" "$BUILD/fuzz-findings" "$BUILD/fuzz-logs"

run_one() {
  local t=$1
  local corpus="$BUILD/fuzz-corpus/$t" log="$BUILD/fuzz-logs/$t.log"
  local dirs=("$corpus")
  mkdir -p "$corpus"
  [ -d "fuzz/corpus/$t" ] && dirs+=("$PWD/fuzz/corpus/$t")
  [ -d "$SEEDS/$t" ] && dirs+=("$SEEDS/$t")
  # Leak detection needs ptrace-free LeakSanitizer; a leak is a finding too.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    nice -n "$NICE" "$BUILD/bin/$t" -max_total_time="$SECONDS_EACH" -rss_limit_mb="$RSS_MB" \
      -timeout=25 -max_len=1100000 -print_final_stats=1 \
      -artifact_prefix="$BUILD/fuzz-findings/$t-" "${dirs[@]}" >"$log" 2>&1
  echo $? >"$log.rc"
}

pids=()
for t in "${TARGETS[@]}"; do
  run_one "$t" &
  pids+=($!)
  while [ "$(jobs -rp | wc -l)" -ge "$JOBS" ]; do wait -n; done
done
wait

failed=0
printf '%-22s %12s %8s %8s  %s\n' target executions exec/s corpus result
for t in "${TARGETS[@]}"; do
  log="$BUILD/fuzz-logs/$t.log"
  rc=$(cat "$log.rc" 2>/dev/null || echo 99)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  corpus=$(find "$BUILD/fuzz-corpus/$t" -type f | wc -l)
  if [ "$rc" = 0 ]; then
    result="no finding"
  else
    failed=1
    what=$(grep -m1 -E 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error|invariant broken' "$log")
    result="FINDING (exit $rc): ${what:-see $log}; input in $BUILD/fuzz-findings"
  fi
  printf '%-22s %12s %8s %8s  %s\n' "$t" "${execs:-?}" "${rate:-?}" "$corpus" "$result"
done
exit $failed
