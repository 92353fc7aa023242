#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing dravik need, when missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev fonts-liberation
  dpkg-dev                             # dpkg-shlibdeps for the Debian package's Depends
  help2man                             # manual pages from dravik-cli's and adapter-sim's --help
  gputils srecord                      # assembler and HEX tool the tests and benchmarks compare with
  clang libclang-rt-14-dev             # libFuzzer and the sanitizer runtimes
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
