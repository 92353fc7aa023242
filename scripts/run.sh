#!/usr/bin/env bash
# Builds dravik and starts an edition (default dravik-plus). Without DRAVIK_COM1 naming a real
# port, COM1 is a simulated adapter with a PIC16F84 in its socket.
# Usage: scripts/run.sh [dravik-plus|dravik]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" "$root/build"
exec "$root/tools/run-with-sim.sh" "$root/build" "${1:-dravik-plus}"
