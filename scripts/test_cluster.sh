#!/usr/bin/env bash
# scripts/test_cluster.sh start|stop DIR
#
# A private PostgreSQL cluster for the server tests: initdb into DIR/data, the server
# listening only on its Unix socket in DIR (no TCP), stopped again by "stop". As root
# (CI) the server runs as the "postgres" user, as PostgreSQL requires.
#   roles: "tarvo" (superuser, trusted on the socket), "loader" (password "secret",
#          checked with SCRAM)
# "start" first stops and removes a cluster a previous run may have left in DIR.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }
cmd=$1
dir=$2
bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$bindir" ] || { echo "PostgreSQL server programs not found (run scripts/setup.sh)" >&2; exit 1; }

as_server() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

stop() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_server "$bindir/pg_ctl" -D "$dir/data" -m immediate -w -t 60 stop >/dev/null 2>&1 || true
  fi
}

case "$cmd" in
  start)
    stop
    rm -rf "$dir"
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
    as_server "$bindir/initdb" -D "$dir/data" -U tarvo -A trust -E UTF8 --locale=C --no-sync \
      >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    printf '%s\n' 'local all tarvo trust' 'local all all scram-sha-256' >"$dir/pg_hba.conf"
    as_server cp "$dir/pg_hba.conf" "$dir/data/pg_hba.conf"
    as_server "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 120 \
      -o "-k $dir -c listen_addresses= -c fsync=off -c synchronous_commit=off -c max_connections=50" \
      start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    "$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -U tarvo -d postgres \
      -c "CREATE ROLE loader LOGIN PASSWORD 'secret' CREATEDB"
    echo "cluster running, socket in $dir"
    ;;
  stop)
    stop
    rm -rf "$dir"
    ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
