#!/usr/bin/env bash
# Regenerates resources/icons/velmora-<size>.png, the desktop icons the install
# puts in the hicolor theme, from the sizes held in resources/icon101.ico.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/icons"
for frame in 0 1 2; do
  size=$(identify -format '%w' "$here/icon101.ico[$frame]")
  convert "$here/icon101.ico[$frame]" -strip "PNG32:$here/icons/velmora-$size.png"
done
