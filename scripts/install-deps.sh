#!/usr/bin/env bash
# Installs every Debian 12 package Stowkeep needs to build, test, fuzz and benchmark.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation
  clang libclang-rt-14-dev
  xvfb xauth imagemagick poppler-utils
  cups cups-client printer-driver-cups-pdf
  libdbd-xbase-perl python3-dbfread python3-dbf pgdbf dbview gdal-bin sqlite3 time
  librsvg2-bin desktop-file-utils appstream dpkg-dev file man-db bash-completion
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
