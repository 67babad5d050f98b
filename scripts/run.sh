#!/usr/bin/env bash
# Starts the program from the build's bin folder. On first use it writes an
# iniFw.ini that selects the embedded database file beside the program and
# creates that file with its tables and starting rows, so the first start
# shows the login directly. Without a desktop the program runs under Xvfb.
set -euo pipefail
bin=$(cd "$1" && pwd)
if [[ ! -f "$bin/iniFw.ini" ]]; then
  printf '[server]\nname=sqlite:zentavo.db\ndatabaseName=\nuser=\npass=\n' > "$bin/iniFw.ini"
  echo "Wrote $bin/iniFw.ini (embedded database zentavo.db)."
  if [[ ! -e "$bin/zentavo.db" ]]; then
    "$bin/zentavo-sql" -c "$bin/iniFw.ini" --create </dev/null
    echo "Created $bin/zentavo.db (user admin, password admin)."
  fi
fi
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No desktop found: running under Xvfb, where its windows cannot be seen. Stop it with Ctrl+C."
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$bin/zentavo"
fi
exec "$bin/zentavo"
