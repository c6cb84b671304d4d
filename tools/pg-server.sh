#!/usr/bin/env bash
# A throwaway PostgreSQL server on 127.0.0.1 for the tests.
#   eval "$(tools/pg-server.sh start DIR)"   starts one in DIR and prints the exports
#   tools/pg-server.sh stop DIR              stops it and removes DIR
# Everyone is trusted on 127.0.0.1 except the role velnor_login, which must give its
# password (scram-sha-256): the tests of a login with a wrong password use it.
set -euo pipefail
ACTION="$1"
DIR="$2"
PGBIN="$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)"
LOGIN_ROLE=velnor_login
LOGIN_PASSWORD=velnor-login-secret

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
  HBA="$DIR/data/pg_hba.conf"
  { echo "host all $LOGIN_ROLE 127.0.0.1/32 scram-sha-256"; cat "$HBA"; } > "$HBA.new"
  mv "$HBA.new" "$HBA"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$HBA"
  as_postgres "$PGBIN/pg_ctl" -D "$DIR/data" -l "$DIR/server.log" -w -t 30 \
    -o "-p $PORT -k $DIR -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=200" start >/dev/null
  as_postgres "$PGBIN/createdb" -h 127.0.0.1 -p "$PORT" -U postgres velnor_test
  as_postgres "$PGBIN/psql" -q -h 127.0.0.1 -p "$PORT" -U postgres -d velnor_test \
    -c "create role $LOGIN_ROLE login password '$LOGIN_PASSWORD'" >/dev/null
  echo "export VELNOR_TEST_PG='host=127.0.0.1 port=$PORT dbname=velnor_test user=postgres'"
  echo "export VELNOR_TEST_PG_LOGIN='$LOGIN_ROLE'"
  echo "export VELNOR_TEST_PG_PASSWORD='$LOGIN_PASSWORD'"
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
