#!/usr/bin/env bash
# Runs a command beside a throw-away PostgreSQL server: Debian's postgresql package, a data folder
# under /tmp, listening on 127.0.0.1 alone on a free port, as the postgres user when run as root.
# The command sees DRAVIK_TEST_POSTGRES=postgresql://USER@127.0.0.1:PORT/dravik_test; the server
# stops and its folder goes when the command ends, however it ends.
# Usage: scripts/postgres.sh COMMAND [ARGUMENTS...]
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGUMENTS...]" >&2; exit 2; }

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$bin/initdb" ] || { echo "$0: no PostgreSQL server (install the postgresql package)" >&2; exit 1; }

data=/tmp/dravik-postgres-$$
if [ "$(id -u)" -eq 0 ]; then
  user=postgres
  as_user() { runuser -u postgres -- "$@"; }
else
  user=$(id -un)
  as_user() { "$@"; }
fi

stop() {
  as_user "$bin/pg_ctl" -D "$data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$data"
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -m 700 "$data"
[ "$user" = postgres ] && chown postgres: "$data"
as_user "$bin/initdb" -D "$data" -U "$user" --auth=trust -E UTF8 >"$data.log" 2>&1 \
  || { cat "$data.log" >&2; rm -f "$data.log"; exit 1; }
rm -f "$data.log"

# A port another program takes between the choice and the start makes the start fail: try again.
started=""
for attempt in 1 2 3 4 5 6 7 8; do
  port=$(( 20000 + (RANDOM % 20000) ))
  if as_user "$bin/pg_ctl" -D "$data" -w -t 30 -l "$data/server.log" \
       -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$data -c fsync=off" \
       start >/dev/null 2>&1; then
    started=yes
    break
  fi
done
[ -n "$started" ] || { cat "$data/server.log" >&2; exit 1; }
as_user "$bin/createdb" -h 127.0.0.1 -p "$port" -U "$user" dravik_test

export DRAVIK_TEST_POSTGRES="postgresql://$user@127.0.0.1:$port/dravik_test"
"$@"
