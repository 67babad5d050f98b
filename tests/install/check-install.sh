#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands there,
# validates the desktop entry, then builds the Debian package and reads its
# control fields back. Usage: check-install.sh BUILD_DIR [SOURCE_DIR]
set -euo pipefail
build=$1
source_dir=${2:-$(cd "$(dirname "$0")/../.." && pwd)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" > "$work/install.log"
for f in bin/zentavo bin/zentavo-sql share/applications/zentavo.desktop \
         share/icons/hicolor/scalable/apps/zentavo.svg share/zentavo/schema/sqlserver.sql; do
  [[ -e "$work/prefix/$f" ]] || fail "not installed: $f"
done
[[ -x "$work/prefix/bin/zentavo" ]] || fail "zentavo not executable"
desktop-file-validate "$work/prefix/share/applications/zentavo.desktop" || fail "desktop entry invalid"
grep -qx 'Name=Zentavo房屋出租管理系统' "$work/prefix/share/applications/zentavo.desktop" || fail "desktop name"
grep -qx 'Categories=Office;Finance;' "$work/prefix/share/applications/zentavo.desktop" || fail "desktop category"

# The installed program answers on the terminal without a display.
version=$(env -u DISPLAY QT_QPA_PLATFORM= "$work/prefix/bin/zentavo" --version)
[[ "$version" =~ ^zentavo\ [0-9]+\.[0-9]+ ]] || fail "zentavo --version said: $version"
env -u DISPLAY QT_QPA_PLATFORM= "$work/prefix/bin/zentavo" --help | grep -q -- '--version' || fail "zentavo --help"

(cd "$build" && cpack -G DEB -B "$work/pkg" > "$work/cpack.log") || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/zentavo_*.deb)
info=$(dpkg-deb -I "$deb")
grep -q '^ Package: zentavo$' <<<"$info" || fail "package name"
grep -q '^ Architecture: ' <<<"$info" || fail "architecture"
depends=$(grep '^ Depends:' <<<"$info") || fail "no Depends"
for dep in libqt6widgets6 libqt6sql6-sqlite libqt6sql6-odbc tdsodbc fonts-wqy-microhei libsqlite3-0 libicu72; do
  grep -q "$dep" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
files=$(dpkg-deb -c "$deb")
grep -q './usr/bin/zentavo$' <<<"$files" || fail "package lacks /usr/bin/zentavo"
grep -q './usr/share/applications/zentavo.desktop$' <<<"$files" || fail "package lacks the desktop entry"
# Every server script ships, and each script path the README gives is one
# the source or the package holds.
for sql in "$source_dir"/data/schema/*.sql; do
  grep -q "\./usr/share/zentavo/schema/$(basename "$sql")$" <<<"$files" || fail "package lacks $(basename "$sql")"
done
mapfile -t named < <(grep -oE '(/usr/share/zentavo/schema|data/schema)/[A-Za-z0-9_.-]+\.sql' "$source_dir/README.md" | sort -u)
[[ ${#named[@]} -gt 0 ]] || fail "the README names no server script"
for path in "${named[@]}"; do
  case $path in
    /usr/*) grep -q "\.$path$" <<<"$files" || fail "README names $path, which the package lacks" ;;
    *) [[ -f "$source_dir/$path" ]] || fail "README names $path, which the source lacks" ;;
  esac
done
echo "install and package checked: $(basename "$deb")"
