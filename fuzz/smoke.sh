#!/usr/bin/env bash
# The fuzz smoke job: builds the libFuzzer targets with clang and the sanitizers,
# runs each one for SECONDS_PER_TARGET (60) seconds with one process per core,
# and fails on any crash, sanitizer report, leak, time-out or out-of-memory.
# Inputs that failed are copied to fuzz/regressions/<target>/, where the ordinary
# tests replay them (commit them with the fix).
#
#   fuzz/smoke.sh [TARGET...]      (make fuzz-smoke runs it for every target)
# Environment: BUILD_FUZZ (build-fuzz), SECONDS_PER_TARGET (60), JOBS (nproc), ASAN_OPTIONS,
#   CORPUS_WORK (fuzz/corpus-work), KEEP_FAILURES (1: copy failing inputs to fuzz/regressions/).
set -uo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

TARGETS=(phone_text group_text vcard vcard_value vcard_import sort_keys registry_values)
[ $# -gt 0 ] && TARGETS=("$@")
build=${BUILD_FUZZ:-build-fuzz}
seconds=${SECONDS_PER_TARGET:-60}
jobs=${JOBS:-$(nproc)}
corpus_work=${CORPUS_WORK:-fuzz/corpus-work}
keep=${KEEP_FAILURES:-1}
# Absolute from here on: the fuzzers run inside their log folders.
build=$(realpath -m "$build")
corpus_work=$(realpath -m "$corpus_work")

# AddressSanitizer keeps freed blocks in quarantine to catch a use after free. Its
# default 256 MB is far more than one input frees (kilobytes for most targets, a
# few MB for the largest cards), and cycling that much memory costs page faults
# that halve the executions on a virtual machine; 64 MB still holds the frees of
# thousands of inputs. Options given in ASAN_OPTIONS come after, and win.
export ASAN_OPTIONS="quarantine_size_mb=64${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSORREL_WERROR=ON >/dev/null || exit 2
cmake --build "$build" --target $(printf 'fuzz_%s ' "${TARGETS[@]}") -j "$jobs" >"$build/build.log" 2>&1 || {
  tail -40 "$build/build.log"
  echo "fuzz-smoke: the fuzz targets do not build (log: $build/build.log)" >&2
  exit 2
}

rm -rf "$build/seeds"
python3 fuzz/make-seeds.py "$repo" "$build/seeds" || exit 2

summary="$build/smoke-summary.txt"
: >"$summary"
failed=0
for t in "${TARGETS[@]}"; do
  work="$corpus_work/$t"
  logs="$build/logs/$t"
  artifacts="$build/artifacts/$t"
  mkdir -p "$work" "$logs" "$artifacts" "$build/seeds/$t"
  rm -f "$logs"/* "$artifacts"/*
  start=$(date +%s.%N)
  # -jobs runs that many processes, each for the whole time; each writes fuzz-N.log.
  (cd "$logs" && "$build/fuzz_$t" -jobs="$jobs" -workers="$jobs" \
      -max_total_time="$seconds" -max_len=65536 -timeout=2 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" \
      "$work" "$build/seeds/$t" >"$logs/parent.log" 2>&1)
  rc=$?
  elapsed=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN {print b - a}')
  execs=$(grep -h 'stat::number_of_executed_units' "$logs"/fuzz-*.log 2>/dev/null | awk '{s += $2} END {print s + 0}')
  findings=$(grep -l -E 'ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error:|SUMMARY: |==[0-9]+== ?ERROR' "$logs"/*.log 2>/dev/null | wc -l)
  found_inputs=$(find "$artifacts" -type f | wc -l)
  status=ok
  if [ "$rc" -ne 0 ] || [ "$findings" -ne 0 ] || [ "$found_inputs" -ne 0 ]; then
    status=FAILED
    failed=1
    for f in "$artifacts"/*; do
      [ -f "$f" ] && [ "$keep" = 1 ] || continue
      mkdir -p "fuzz/regressions/$t"
      cp "$f" "fuzz/regressions/$t/" && echo "fuzz-smoke: $t: kept fuzz/regressions/$t/$(basename "$f")"
    done
    grep -h -A25 -E 'ERROR: |runtime error:' "$logs"/*.log | head -60
  fi
  corpus=$(find "$work" -type f | wc -l)
  printf '%-12s %-6s executions %10d in %5.1f s with %d processes; corpus %d; failing logs %d; failing inputs %d\n' \
    "$t" "$status" "$execs" "$elapsed" "$jobs" "$corpus" "$findings" "$found_inputs" | tee -a "$summary"
done

if [ "$failed" -ne 0 ]; then
  echo "fuzz-smoke: FAILED (logs under $build/logs/, summary $summary)" >&2
  exit 1
fi
echo "fuzz-smoke: every target ran clean (summary $summary)"
