#!/bin/sh
# Starts a throw-away PostgreSQL server for the tests that also run on a
# server: start-server.sh DIR PORT. Its socket lives in DIR, every local
# connection is trusted, nothing is synced to disk. The tests connect as
# "zentavo", a role that may create databases but is no superuser, as a
# landlord's office would set it up.
# Run as root it runs as the "postgres" user, as PostgreSQL requires. Without
# PostgreSQL installed it does nothing and those tests are skipped.
set -e
dir=$1
port=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ ! -x "$bin/initdb" ]; then
    echo "PostgreSQL is not installed: the tests on a server are skipped."
    exit 0
fi
"$(dirname "$0")/stop-server.sh" "$dir" >/dev/null 2>&1 || true
mkdir -p "$dir"
as_owner() {
    if [ "$(id -u)" = 0 ]; then
        chown -R postgres "$dir"
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}
as_owner "$bin/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log"
as_owner "$bin/pg_ctl" -D "$dir/data" -w -t 60 -l "$dir/server.log" \
    -o "-k $dir -p $port -c listen_addresses= -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c autovacuum=off -c max_connections=200" \
    start
as_owner "$bin/psql" -q -h "$dir" -p "$port" -U postgres -d postgres -c "CREATE ROLE zentavo LOGIN CREATEDB"
