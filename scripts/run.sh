#!/usr/bin/env bash
# Starts the program from the build's bin folder. On first use it writes an
# iniFw.ini that selects the embedded database file beside the program and
# creates that file with its tables and starting rows, so the first start
# shows the login directly. Without a desktop the program runs under Xvfb.
set -euo pipefail
bin=$(cd "$1" && pwd)
ini="$bin/iniFw.ini"
if [[ ! -f "$ini" ]]; then
  # Owner-only, as the installed program writes its own: the file may come
  # to hold a server password.
  (umask 077 && printf '[server]\nname=sqlite:zentavo.db\ndatabaseName=\nuser=\npass=\n' > "$ini")
  echo "Wrote $ini (embedded database zentavo.db beside it)."
  if [[ ! -e "$bin/zentavo.db" ]]; then
    "$bin/zentavo-sql" -c "$ini" --create </dev/null
    echo "Created $bin/zentavo.db: log in as user admin, password admin."
  fi
else
  chmod 600 "$ini" 2>/dev/null || true
fi
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No desktop found: starting $bin/zentavo under Xvfb, where its windows cannot be seen. Stop it with Ctrl+C."
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$bin/zentavo"
fi
echo "Starting $bin/zentavo"
exec "$bin/zentavo"
