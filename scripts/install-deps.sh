#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need,
# only when one of them is missing.
set -euo pipefail
packages=(g++ cmake make pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-odbc
  libsqlite3-dev sqlite3 unixodbc-dev tdsodbc libsqliteodbc
  fonts-wqy-microhei qt6-translations-l10n
  poppler-utils xvfb xauth xdotool dpkg-dev desktop-file-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
