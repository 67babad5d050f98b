#!/bin/sh
# Stops the tests' throw-away server and removes it: stop-server.sh DIR.
dir=$1
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -f "$dir/data/postmaster.pid" ]; then
    if [ "$(id -u)" = 0 ]; then
        runuser -u postgres -- "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop
    else
        "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop
    fi
fi
rm -rf "$dir"
