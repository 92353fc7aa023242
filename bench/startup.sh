#!/usr/bin/env bash
# Start-up time and resident memory of dravik-plus: on a private X server (Xvfb) with COM1 on the
# simulated adapter, the time from launch until the main window is mapped, and the peak resident
# set that /usr/bin/time -v reports for the run. Usage: bench/startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${2:-10}
for tool in xvfb-run xwininfo /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "needs $tool (Debian: xvfb xauth x11-utils time)"; exit 0; }
done
# xvfb-run returns only once its server is ready.
if [ -z "${DRAVIK_STARTUP_BENCH_X:-}" ]; then
  exec env DRAVIK_STARTUP_BENCH_X=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$runs"
fi

work=$(mktemp -d)
"$build/tools/adapter-sim/adapter-sim" --link "$work/com1" >/dev/null 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
export DRAVIK_COM1=$work/com1
until [ -e "$DRAVIK_COM1" ]; do sleep 0.01; done

until xwininfo -root >/dev/null 2>&1; do sleep 0.05; done
times=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  /usr/bin/time -v -o "$work/time.txt" "$build/editions/dravik-plus" &
  app=$!
  until xwininfo -name "Tobrisk Programmer" >/dev/null 2>&1; do
    kill -0 $app 2>/dev/null || { echo "dravik-plus did not start"; exit 0; }
    sleep 0.002
  done
  times+=($(( ($(date +%s%N) - start) / 1000000 )))
  sleep 0.5 # let it settle before reading its memory
  pkill -TERM -x dravik-plus || true
  wait $app 2>/dev/null || true
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "dravik-plus start-up to a mapped window over $runs runs: median $(echo "$sorted" | sed -n "$(( (runs + 1) / 2 ))p") ms, fastest $(echo "$sorted" | head -1) ms"
echo "peak resident memory (last run): $(grep 'Maximum resident' "$work/time.txt" | awk '{print $NF}') KiB"
