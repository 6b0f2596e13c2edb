#!/usr/bin/env bash
# Renders the same frames with our Direct3D 8 (velmora-render of a Linux
# build) and with Wine's (velmora-render.exe of a Windows build), both on the
# same GL driver, and compares them. Writes OUT/README.md (how the frames were
# made, the table of differences and both renderers' frame costs) and a heat
# map per frame in OUT/heat-maps/. The frames are kept in
# LINUX_BUILD/reference-frames/{linux,wine}. The hand-written part of the
# page, why the remaining pixels differ, is docs/reference/why-pixels-differ.md,
# which the page takes in after the table.
#
#   tools/compare/compare-wine.sh [LINUX_BUILD [WINDOWS_BUILD [OUT]]]
#
# LINUX_BUILD (default build) holds velmora-render, velmora-compare and
# Media.dat; WINDOWS_BUILD (default build-windows) holds
# tools/render/velmora-render.exe; OUT defaults to docs/reference. Wine runs
# in WINEPREFIX (one under the frames folder when unset) and on DISPLAY (a
# private Xvfb when unset).
set -euo pipefail
cd "$(dirname "$0")/../.."
source_dir=$(pwd)
linux=$(cd "${1:-build}" && pwd)
windows=$(cd "${2:-build-windows}" && pwd)
out=${3:-docs/reference}

size=1024x768
step=0.25
seed=1
# Leaf growth, the logo sliding out (it slides for the second after 15 s of
# overlays), and the seven camera presets by day and by night.
times=(1 3 15.75 10 30 50 70 90 110 130 150 170 190 210 230 250 270)

for tool in "$linux/tools/render/velmora-render" "$linux/tools/compare/velmora-compare" \
            "$linux/Media.dat" "$windows/tools/render/velmora-render.exe"; do
  [ -e "$tool" ] || { echo "compare-wine: $tool is missing: build it first" >&2; exit 1; }
done

frames=$linux/reference-frames
rm -rf "$frames/linux" "$frames/wine" "$frames/config"
mkdir -p "$frames/linux" "$frames/wine" "$frames/config/velmora" "$frames/data" "$out/heat-maps"
rm -f "$out"/heat-maps/*.png

# The same settings on both sides: no clock (it shows the wall clock, which
# moves between the runs), the frame-rate text instead (the fixed step makes
# it the same on both), no sound.
settings=$frames/config/velmora/registry.reg
printf '%s\r\n' REGEDIT4 '' '[HKEY_CURRENT_USER\Software\Quintaro\Velmora]' \
  '"Show Time"=dword:00000000' '"Enable FPS"=dword:00000001' \
  '"Enable Sound"=dword:00000000' >"$settings"

export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$frames/wine-prefix}
xvfb=
cleanup() { [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 2048x1536x24 -nolisten tcp 3>"$frames/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$frames/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(head -n1 "$frames/display")
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine wineboot -i >/dev/null 2>&1
  wineserver -w
fi
wine reg import "$(winepath -w "$settings")" >/dev/null 2>&1

at=()
for t in "${times[@]}"; do at+=(--at "$t"); done
render=(--size "$size" --step "$step" --seed "$seed" "${at[@]}")

echo "compare-wine: rendering with our Direct3D 8"
start=$SECONDS
(cd "$linux" && XDG_CONFIG_HOME="$frames/config" XDG_DATA_HOME="$frames/data" \
  ./tools/render/velmora-render "${render[@]}" --out "$frames/linux") >"$frames/linux.log"
linux_seconds=$((SECONDS - start))
echo "compare-wine: rendering with Wine's Direct3D 8"
start=$SECONDS
(cd "$linux" && wine "$windows/tools/render/velmora-render.exe" "${render[@]}" \
  --out "$(winepath -w "$frames/wine")") 2>"$frames/wine.err" | tr -d '\r' >"$frames/wine.log"
wine_seconds=$((SECONDS - start))

"$linux/tools/compare/velmora-compare" "$frames/linux" "$frames/wine" \
  --heat "$out/heat-maps" --heat-width 512 >"$frames/table.md"

# What a frame shows, from its scene time.
describe() {
  case $1 in
    0001.00 | 0003.00) echo "leaf growth" ;;
    0015.75) echo "logo sliding out" ;;
    *)
      local t=$((10#${1%.*}))
      if [ "$t" -lt 140 ]; then echo "camera $(((t - 10) / 20 + 1)), day"
      else echo "camera $(((t - 150) / 20 + 1)), night"; fi ;;
  esac
}

table() {
  echo "| frame | shows | pixels differing by more than 8 levels | PSNR (dB) | largest difference |"
  echo "|---|---|---:|---:|---:|"
  tail -n +3 "$frames/table.md" | while IFS='|' read -r _ name share psnr largest _; do
    name=$(echo "$name" | xargs)
    echo "| [${name#frame-} s](heat-maps/$name.png) | $(describe "${name#frame-}") |$share|$psnr|$largest|"
  done
}

costs() {
  grep -E '^velmora-render: (day|night):' "$1" | sed 's/^velmora-render: /- /'
}

{
  cat <<TEXT
# Our Direct3D 8 against Wine's

The same frames of the scene drawn twice by \`velmora-render\` on Mesa
llvmpipe: once by the Linux build through our Direct3D 8 on OpenGL, once by
the Windows build (\`velmora-render.exe\`, MinGW-w64) under Wine through
Wine's Direct3D 8. Written by \`tools/compare/compare-wine.sh\`; run it again
to remake this page and the heat maps.

- frames: $size, a fixed step of $step s of scene time from time 0, scene
  seed $seed (\`--seed\`: the scene's random draws, the night's rising
  lights, come from the renderer's own generator on both sides)
- settings on both sides: clock off (it shows the wall clock, which moves
  between the runs), frame-rate text on (with the fixed step it reads the
  same on both), sound off
- our side: $(git -C "$source_dir" describe --always --dirty 2>/dev/null || echo unknown),
  $(dpkg-query -W -f '${Package} ${Version}' libgl1-mesa-dri 2>/dev/null || echo Mesa)
- Wine's side: $(wine --version), Xvfb, the same Mesa

A pixel differs when any channel differs by more than 8 levels; PSNR is
taken over all three channels of every pixel. Each frame links its heat map
(512 wide; each pixel the largest channel difference of the pixels it
covers): black where both are equal, through red and yellow to white where
a channel differs by 64 levels or more.

$(table)

$(cat "$source_dir/docs/reference/why-pixels-differ.md")

## Frame costs

Wall and CPU milliseconds of whole frames (scene, present, driver), as the
renderer prints them; the runs took ${linux_seconds} s and ${wine_seconds} s
on a shared 2-core machine, so wall times are upper bounds.

Our Direct3D 8:

$(costs "$frames/linux.log")

Wine's Direct3D 8:

$(costs "$frames/wine.log")
TEXT
} >"$out/README.md"
echo "compare-wine: wrote $out/README.md and $out/heat-maps/; frames in $frames"
