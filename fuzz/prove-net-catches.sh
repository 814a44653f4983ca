#!/usr/bin/env bash
# Shows that the fuzz smoke job catches a real fault: copies the working tree,
# applies fuzz/planted-fault.patch to the copy (a read past the end in the
# quoted-printable decoder), runs the copy's smoke job on the vCard reader with
# one process, and succeeds when AddressSanitizer reports the read in the decoder
# in under LIMIT (10) seconds. The product's sources are never changed: the
# fault exists only in the copy, and the copy's findings go nowhere.
set -uo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=$(realpath -m "${BUILD_FUZZ_PLANTED:-build-fuzz-planted}")
limit=${LIMIT:-10}
target=${1:-vcard}

copy="$build/tree"
rm -rf "$copy" "$build/corpus-work" "$build/logs" "$build/artifacts"
mkdir -p "$copy"
# Every file of the working tree that git knows or would add, as it stands now.
git ls-files -z --cached --others --exclude-standard | tar -C "$repo" --null -T - -cf - | tar -C "$copy" -xf - || exit 2
patch -s -p1 -d "$copy" <fuzz/planted-fault.patch || {
  echo "prove-net-catches: fuzz/planted-fault.patch no longer applies to the value decoder" >&2
  exit 2
}

BUILD_FUZZ="$build" JOBS=1 SECONDS_PER_TARGET=$((limit * 3)) CORPUS_WORK="$build/corpus-work" KEEP_FAILURES=0 \
  "$copy/fuzz/smoke.sh" "$target" >"$build/prove.log" 2>&1
rc=$?
log="$build/logs/$target/fuzz-0.log"
# The time from the fuzzer's start to its report, without the build.
found_after=$(awk '/ERROR: AddressSanitizer/ {print found; exit} /^#[0-9]+/ {found = $0}' "$log" 2>/dev/null)
run_seconds=$(grep -m1 -oE 'in +[0-9.]+ s' "$build/smoke-summary.txt" 2>/dev/null | grep -oE '[0-9.]+')

if [ "$rc" -eq 0 ] || ! grep -q 'ERROR: AddressSanitizer: heap-buffer-overflow' "$log"; then
  echo "prove-net-catches: the planted fault was NOT found (log: $log)" >&2
  exit 1
fi
if ! grep -A8 'ERROR: AddressSanitizer' "$log" | grep -q 'DecodeVCardValue'; then
  echo "prove-net-catches: a fault was found, but not the planted one (log: $log)" >&2
  exit 1
fi
echo "prove-net-catches: $target found the planted read past the end after ${run_seconds}s (limit ${limit}s)"
echo "  last progress line before the report: ${found_after:-none}"
grep -m1 -A4 'ERROR: AddressSanitizer' "$log" | sed 's/^/  /'
awk -v t="$run_seconds" -v l="$limit" 'BEGIN {exit !(t < l)}' || {
  echo "prove-net-catches: too slow: ${run_seconds}s is not under ${limit}s" >&2
  exit 1
}
