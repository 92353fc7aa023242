#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60) on a copy of its
# seed corpus. Fails on any crash, sanitizer report, broken invariant or time-out; what failed is
# kept in BUILD_DIR/fuzz-artifacts/ and the logs in BUILD_DIR/fuzz-logs/.
# Usage: scripts/fuzz.sh [SECONDS] [BUILD_DIR]   (BUILD_DIR defaults to build-fuzz/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${2:-$root/build-fuzz}
targets=(hex_loader_fuzz address_field_fuzz exchange_fuzz adapter_model_fuzz)

"$root/scripts/install-deps.sh"
# -O1 keeps the runs fast; a Debug build keeps Qt's own range assertions on.
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DDRAVIK_FUZZ=ON -DDRAVIK_WERROR=ON >/dev/null
cmake --build "$build" --target dravik_fuzzers -j"$(nproc)"

export UBSAN_OPTIONS=print_stacktrace=1
# Qt is built without frame pointers, so the fast unwinder records a new garbage stack for many of
# its allocations and memory keeps growing over a long run. The runs keep no allocation
# stacks; a failing input is replayed with them at the end.
fuzz_asan=malloc_context_size=0
mkdir -p "$build/fuzz-corpus" "$build/fuzz-artifacts" "$build/fuzz-logs"
failed=()
for target in "${targets[@]}"; do
  # The seeds are copied in: libFuzzer adds what it finds to the corpus it is given, and what an
  # earlier run found here is kept for the next.
  corpus=$build/fuzz-corpus/$target
  mkdir -p "$corpus"
  cp "$root/tests/fuzz/corpus/$target/"* "$corpus/"
  log=$build/fuzz-logs/$target.log
  echo "== $target: $seconds s"
  program=$build/tests/fuzz/$target
  options=(-timeout=10 -rss_limit_mb=2048 -artifact_prefix="$build/fuzz-artifacts/$target-")
  rm -f "$build/fuzz-artifacts/$target-"*
  status=0
  ASAN_OPTIONS=$fuzz_asan "$program" "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 \
    "$corpus" >"$log" 2>&1 || status=$?
  # A sanitizer that only warned still counts.
  if [ $status -ne 0 ] || grep -qE 'runtime error:|ERROR: [A-Za-z]+Sanitizer' "$log"; then
    tail -n 40 "$log"
    for input in "$build/fuzz-artifacts/$target-"*; do
      [ -e "$input" ] || continue
      echo "-- $input replayed with allocation stacks:"
      "$program" "${options[@]}" "$input" 2>&1 | tail -n 80 || true
    done
    failed+=("$target")
  else
    grep -E '^Done [0-9]+ runs' "$log"
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzing failed: ${failed[*]} (inputs in $build/fuzz-artifacts/)" >&2
  exit 1
fi
