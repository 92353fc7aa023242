#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing dravik need, when missing.
# Debian 12 (bookworm) and Debian 13 (trixie) are the releases it knows.
set -euo pipefail

. /etc/os-release
release="${PRETTY_NAME:-${ID:-unknown} ${VERSION_ID:-}}"
# clang's sanitizer and libFuzzer runtimes come in a package named after clang's major version.
case "${ID:-}:${VERSION_ID:-}" in
  debian:12) clang_major=14 ;;
  debian:13) clang_major=19 ;;
  *)
    echo "$0: $release is not a release dravik is built and tested on (Debian 12 or 13)." >&2
    echo "Install by hand what this script names for Debian 13, then build with scripts/build.sh." >&2
    exit 1 ;;
esac

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-serialport-dev qt6-qpa-plugins libgl-dev fonts-liberation
  libqt6sql6-sqlite libqt6sql6-psql    # the records database: an SQLite file or PostgreSQL
  postgresql                           # the throw-away server the tests keep records on
  dpkg-dev                             # dpkg-shlibdeps for the Debian package's Depends
  help2man                             # manual pages from dravik-cli's and adapter-sim's --help
  gputils srecord                      # assembler and HEX tool the tests and benchmarks compare with
  clang "libclang-rt-$clang_major-dev" # libFuzzer and the sanitizer runtimes
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing on $release: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
