#!/bin/sh
# Runs one test against the throw-away server: run-on-server.sh DIR PORT TEST.
# Exits 77 (skipped) when no server runs there.
dir=$1
port=$2
shift 2
if [ ! -S "$dir/.s.PGSQL.$port" ]; then
    echo "No PostgreSQL server runs for the tests: skipped."
    exit 77
fi
ZENTAVO_TEST_SERVER="postgresql:$dir:$port" ZENTAVO_TEST_PG_DIR="$dir" ZENTAVO_TEST_PG_PORT="$port" exec "$@"
