#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/debian-packages that are
# missing, as root or through sudo; does nothing when all are there.
set -euo pipefail
list="$(dirname "$0")/debian-packages"
mapfile -t packages < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$list" | grep -v '^$')
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "These Debian packages are missing: ${missing[*]}" >&2
    echo "Installing them needs root: run 'make' as root once, or install sudo first." >&2
    exit 1
  fi
  sudo=(sudo)
fi
echo "Installing the Debian packages the build needs: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "Installed ${#missing[@]} packages."
