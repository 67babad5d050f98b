#!/bin/sh
# Stops or starts the tests' throw-away server in place, its data kept:
# server-ctl.sh DIR PORT stop|start. Used by the test of a server that goes
# away in the middle of a save.
dir=$1
port=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
run() {
    if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
case $3 in
stop) run "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop ;;
start)
    run "$bin/pg_ctl" -D "$dir/data" -w -t 60 -l "$dir/server.log" \
        -o "-k $dir -p $port -c listen_addresses= -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c autovacuum=off -c max_connections=200" \
        start ;;
esac
