#!/usr/bin/env bash
# Keeps the dependencies pointing one way: data <- ui <- reports <- screens <- app.
# Every quoted #include of a library folder must name a header of its own
# folder or of a folder it may use; screen folders never include each other.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root"

declare -A allowed=(
  [data]="data"
  [ui]="data ui"
  [reports]="data ui reports"
  [users]="data ui users"
  [registers]="data ui registers"
  [occupancy]="data ui reports occupancy"
  [charging]="data ui reports charging"
  [queries]="data ui reports queries"
)

# Which folder each header lives in (headers are included by bare name).
declare -A home=()
for folder in "${!allowed[@]}"; do
  while IFS= read -r h; do
    home[$(basename "$h")]=$folder
  done < <(find "$folder" -name '*.h')
done

status=0
for folder in "${!allowed[@]}"; do
  while IFS= read -r src; do
    while IFS= read -r name; do
      owner=${home[$name]:-}
      [[ -z $owner ]] && continue   # generated (ui_*.h, *.moc) or not a library header
      if [[ " ${allowed[$folder]} " != *" $owner "* ]]; then
        echo "$src includes \"$name\" from $owner/, which $folder/ may not use"
        status=1
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$src" | xargs -rn1 basename)
  done < <(find "$folder" \( -name '*.cpp' -o -name '*.h' \))
done
[[ $status -eq 0 ]] && echo "every include points the allowed way"
exit $status
