#!/usr/bin/env bash
# Renders the program icon's PNG sizes from its SVG drawings into data/icons/hicolor, where
# they are committed: the build and the package then need no SVG renderer. Run it after
# changing either drawing; scripts/check-install.sh fails while the PNGs are out of date.
# With a folder argument it renders there instead (the check compares that against the tree).
set -euo pipefail
cd "$(dirname "$0")/.."

ICON=org.stowkeep.Stowkeep
SOURCE=data/icons/hicolor/scalable/apps/$ICON.svg
# The 32-unit drawing blurs at 16 px; that size has its own drawing on a 16-pixel grid.
SMALL=data/icons/small.svg
SIZES=(16 22 24 32 48 64 128 256)
out=${1:-data/icons/hicolor}

command -v rsvg-convert >/dev/null || { echo "render-icons: rsvg-convert (librsvg2-bin) is missing" >&2; exit 1; }
for size in "${SIZES[@]}"; do
  src=$SOURCE
  [ "$size" -le 16 ] && src=$SMALL
  mkdir -p "$out/${size}x${size}/apps"
  rsvg-convert --width "$size" --height "$size" "$src" -o "$out/${size}x${size}/apps/$ICON.png"
done
