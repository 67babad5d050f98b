#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands there,
# validates the desktop entry, then builds the Debian package and reads its
# control fields back. Usage: check-install.sh BUILD_DIR
set -euo pipefail
build=$1
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
echo "install and package checked: $(basename "$deb")"
