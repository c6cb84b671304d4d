#!/usr/bin/env bash
# A throwaway PostgreSQL server on 127.0.0.1 for the tests.
#   eval "$(tools/pg-server.sh start DIR)"   starts one in DIR and prints the exports
#   tools/pg-server.sh stop DIR              stops it and removes DIR
set -euo pipefail
ACTION="$1"
DIR="$2"
PGBIN="$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)"

as_postgres() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

port_is_free() {
  ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

case "$ACTION" in
start)
  mkdir -p "$DIR"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$DIR"
  PORT=$(( 20000 + RANDOM % 20000 ))
  until port_is_free "$PORT"; do PORT=$(( PORT + 1 )); done
  as_postgres "$PGBIN/initdb" -D "$DIR/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 --no-sync >/dev/null
  as_postgres "$PGBIN/pg_ctl" -D "$DIR/data" -l "$DIR/server.log" -w -t 30 \
    -o "-p $PORT -k $DIR -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=200" start >/dev/null
  as_postgres "$PGBIN/createdb" -h 127.0.0.1 -p "$PORT" -U postgres velnor_test
  echo "export VELNOR_TEST_PG='host=127.0.0.1 port=$PORT dbname=velnor_test user=postgres'"
  ;;
stop)
  [ -d "$DIR/data" ] && as_postgres "$PGBIN/pg_ctl" -D "$DIR/data" -m fast -w stop >/dev/null || true
  rm -rf "$DIR"
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac
