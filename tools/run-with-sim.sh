#!/bin/sh
# Runs one of the programs with COM1 pointed at a simulated adapter, unless DRAVIK_COM1 already names a
# real device. Usage: tools/run-with-sim.sh BUILD_DIR PROGRAM [program args...]
# Extra simulator options (--device 16C711, --baud 9600, faults ...) come from ADAPTER_SIM_OPTIONS.
set -eu

if [ $# -lt 2 ]; then
    echo "usage: $0 BUILD_DIR PROGRAM [program args...]" >&2
    exit 2
fi
build=$1
program=$2
shift 2

if [ -n "${DRAVIK_COM1:-}" ]; then
    exec "$build/editions/$program" "$@"
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/dravik-sim.XXXXXX")
link="$dir/com1"
sim_pid=
# shellcheck disable=SC2317 # run by the trap
stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill -TERM "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$dir"
}
trap stop_sim EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# shellcheck disable=SC2086 # the options are meant to split into words
"$build/tools/adapter-sim/adapter-sim" --link "$link" ${ADAPTER_SIM_OPTIONS:-} >/dev/null &
sim_pid=$!

tries=0
while [ ! -L "$link" ]; do
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        echo "$0: adapter-sim did not start" >&2
        exit 1
    fi
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ]; then
        echo "$0: adapter-sim made no link within 5 s" >&2
        exit 1
    fi
    sleep 0.05
done

export DRAVIK_COM1="$link"
status=0
"$build/editions/$program" "$@" || status=$?
exit "$status"
