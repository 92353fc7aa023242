#!/usr/bin/env bash
# Builds the Debian package dravik_VERSION_ARCH.deb (both windows, dravik-cli, adapter-sim, icons,
# menu entries, help text, manual pages, bash completion, copyright, changelog) in BUILD_DIR
# (default build-package/) and prints its path. Its Depends come from the shared libraries the
# programs link (dpkg-shlibdeps). lintian build-package/dravik_*.deb reports nothing.
# Usage: scripts/package.sh [BUILD_DIR]      JOBS=n limits the parallel build (default: all cores)
# Install it with: sudo apt install ./build-package/dravik_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-package}
"$root/scripts/install-deps.sh"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DDRAVIK_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j"${JOBS:-$(nproc)}" --target dravik-plus dravik dravik-cli adapter-sim install-files
rm -f "$build"/dravik_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/dravik_*.deb
