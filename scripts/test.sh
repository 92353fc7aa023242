#!/usr/bin/env bash
# Builds dravik and runs every test headless, beside a PostgreSQL server of its own. Usage: scripts/test.sh [--sanitize]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = "--sanitize" ]; then
  build=$root/build-sanitize
  "$root/scripts/build.sh" "$build" -DDRAVIK_SANITIZE=ON
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  build=$root/build
  "$root/scripts/build.sh" "$build"
fi
export QT_QPA_PLATFORM=offscreen
# The records' tests run against an SQLite file and this throw-away PostgreSQL server.
"$root/scripts/postgres.sh" ctest --test-dir "$build" --output-on-failure -j2
