#!/usr/bin/env bash
# Regenerates resources/icons/velmora-<size>.png, the desktop icons the install
# puts in the hicolor theme: 16, 32 and 48 from the hand-drawn sizes held in
# resources/icon101.ico, 64, 128 and 256 from the scalable icons/velmora.svg
# (rsvg-convert, Debian's librsvg2-bin).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/icons"
for frame in 0 1 2; do
  size=$(identify -format '%w' "$here/icon101.ico[$frame]")
  convert "$here/icon101.ico[$frame]" -strip "PNG32:$here/icons/velmora-$size.png"
done
for size in 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$here/icons/velmora.svg" |
    convert - -strip "PNG32:$here/icons/velmora-$size.png"
done
