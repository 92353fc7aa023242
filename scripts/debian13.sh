#!/usr/bin/env bash
# Runs a command from a fresh clone of this checkout inside a Debian 13 (trixie) root, made with
# debootstrap from the archive the machine's apt sources name, and kept for the next run.
# Usage: scripts/debian13.sh [COMMAND...]     (default: scripts/test.sh, README's test command)
# DRAVIK_DEBIAN13_ROOT chooses the root's folder (default /tmp/dravik-debian13). Needs root.
#
# The root's /proc, /dev and /dev/pts are mounted in a mount namespace of this script's own, so
# they vanish with it however it ends, and /dev is a fresh tmpfs with a few nodes, not the
# machine's: removing the root can never remove the machine's device nodes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${DRAVIK_DEBIAN13_ROOT:-/tmp/dravik-debian13}
[ $# -gt 0 ] || set -- scripts/test.sh

if [ "$(id -u)" -ne 0 ]; then
  echo "$0: debootstrap and chroot need root; run it with sudo" >&2
  exit 1
fi

if [ -z "${DRAVIK_IN_NAMESPACE:-}" ]; then
  for tool in debootstrap unshare; do
    command -v "$tool" >/dev/null || { apt-get update -qq; apt-get install -y -qq debootstrap util-linux >/dev/null; }
  done
  if [ ! -x "$target/usr/bin/apt-get" ] || [ ! -e "$target/.dravik-complete" ]; then
    # The machine's own mirror; a machine that names none falls back to Debian's.
    mirror=$(grep -hoE '^(URIs:|deb) +https?://[^ ]+/debian/?( |$)' /etc/apt/sources.list.d/*.sources \
      /etc/apt/sources.list 2>/dev/null | grep -oE 'https?://[^ ]+' | head -n 1 || true)
    mirror=${mirror:-http://deb.debian.org/debian}
    # Nothing may be mounted inside a root that is removed.
    if grep -qF " $target/" /proc/mounts; then
      echo "$0: something is still mounted under $target; unmount it first" >&2
      exit 1
    fi
    rm -rf "$target"
    echo "== making a Debian 13 root in $target from $mirror"
    debootstrap --variant=minbase --include=ca-certificates,git,sudo trixie "$target" "$mirror" >/dev/null
    touch "$target/.dravik-complete"
  fi
  exec env DRAVIK_IN_NAMESPACE=1 unshare --mount --propagation private "$0" "$@"
fi

# From here on in a private mount namespace.
# shellcheck disable=SC2317 # run by the trap
unmount_all() {
  for m in dev/pts dev/shm dev sys proc; do
    mountpoint -q "$target/$m" && umount -l "$target/$m"
  done
  return 0
}
trap unmount_all EXIT
mount -t proc proc "$target/proc"
mount -t sysfs -o ro sysfs "$target/sys"
mount -t tmpfs -o mode=755,nosuid dev "$target/dev"
for node in null:1:3 zero:1:5 full:1:7 random:1:8 urandom:1:9 tty:5:0; do
  IFS=: read -r name major minor <<<"$node"
  mknod -m 666 "$target/dev/$name" c "$major" "$minor"
done
mkdir -p "$target/dev/pts" "$target/dev/shm"
mount -t devpts -o newinstance,ptmxmode=0666,mode=620 devpts "$target/dev/pts"
ln -s pts/ptmx "$target/dev/ptmx"
mount -t tmpfs -o mode=1777 shm "$target/dev/shm"
ln -s /proc/self/fd "$target/dev/fd"
cp /etc/resolv.conf "$target/etc/resolv.conf"
# Packages installed in the root start no service (postgresql would start a server of its own
# that outlives this script): the tests start what they need.
printf '#!/bin/sh\nexit 101\n' >"$target/usr/sbin/policy-rc.d"
chmod 755 "$target/usr/sbin/policy-rc.d"

# A fresh clone of what is committed, as a newcomer would have it.
rm -rf "$target/work/dravik"
mkdir -p "$target/work"
git clone -q "$root" "$target/work/dravik"
quoted=$(printf '%q ' "$@")
chroot "$target" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 CI="${CI:-}" \
  /bin/bash -c "cd /work/dravik && echo \"== \$(. /etc/os-release; echo \$PRETTY_NAME)\" && $quoted"
