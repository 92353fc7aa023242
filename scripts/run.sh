#!/usr/bin/env bash
# Builds an edition (default dravik-plus) and the simulated adapter, nothing else, and starts it.
# Without DRAVIK_COM1 naming a real port, COM1 is a simulated adapter with a PIC16F84 in its socket.
# Usage: scripts/run.sh [dravik-plus|dravik]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-dravik-plus}
case $program in
  dravik-plus|dravik) ;;
  *) echo "usage: $0 [dravik-plus|dravik]" >&2; exit 2 ;;
esac
BUILD_TARGETS="$program adapter-sim" "$root/scripts/build.sh" "$root/build"
exec "$root/tools/run-with-sim.sh" "$root/build" "$program"
