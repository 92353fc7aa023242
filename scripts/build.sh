#!/usr/bin/env bash
# Configures and builds dravik. Usage: scripts/build.sh [BUILD_DIR] [extra cmake options...]
# BUILD_TARGETS="a b" builds only those targets instead of everything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRAVIK_WERROR=ON "$@" >/dev/null
# shellcheck disable=SC2086 # the targets are meant to split into words
cmake --build "$build" -j"$(nproc)" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
