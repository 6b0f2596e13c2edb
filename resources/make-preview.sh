#!/usr/bin/env bash
# Regenerates resources/preview107.bmp: a 152 by 112 frame of the scene, at a
# time when the logo has slid away, with the clock turned off.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/velmora"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n"Show Time"=dword:00000000\n\n' \
  > "$work/config/velmora/registry.reg"
(cd "$build" && XDG_CONFIG_HOME="$work/config" ./tools/render/velmora-render \
  --size 152x112 --step 0.1 --at 17 --out "$work")
convert "$work/frame-0017.00.png" -type truecolor "BMP3:$here/preview107.bmp"
