#!/bin/sh
# Remakes the review gallery in this folder from a built tree:
#   docs/gallery/make-gallery.sh [BUILD_DIR]      (default: build)
# It renders with BUILD_DIR's velmora-render and Media.dat under default
# settings, then writes the scene frames at 1024x768 and 1920x1080, the
# close-ups, the day and night loops, and the "after" halves of the
# before/after pictures of the latest mends (their "before" halves are kept
# from the files in place). Needs ImageMagick with WebP and the DejaVu fonts.
set -eu

gallery=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
render="$build/tools/render/velmora-render"
[ -x "$render" ] && [ -f "$build/Media.dat" ] || {
    echo "make-gallery: no velmora-render or Media.dat in $build" >&2
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/velmora"
printf 'REGEDIT4\n' >"$work/config/velmora/registry.reg"
ln -s "$build/Media.dat" "$work/Media.dat"

# frames SIZE STEP OUT TIMES...: every frame from time 0 is drawn, those at
# TIMES are written as OUT/frame-TTTT.TT.png.
frames() {
    size=$1 step=$2 out=$3
    shift 3
    mkdir -p "$work/$out"
    at=""
    for t in "$@"; do at="$at --at $t"; done
    # shellcheck disable=SC2086
    (cd "$work" && XDG_CONFIG_HOME="$work/config" "$render" --size "$size" --step "$step" \
        --out "$work/$out" $at >/dev/null)
}
frame() { printf '%s/%s/frame-%07.2f.png' "$work" "$1" "$2"; }

# label IMAGE TEXT: the before/after captions in the top left corner.
label() {
    mogrify -font DejaVu-Sans-Bold -pointsize 21 -stroke black -strokewidth 2 -fill white \
        -annotate +9+24 "$2" -stroke none -annotate +9+24 "$2" "$1"
}

times="10 30 50 70 90 110 130 150 170 190 210 230 250 270"

# The seven camera presets by day and by night, at two sizes.
frames 1024x768 0.25 scene $times
frames 1920x1080 0.25 wide $times 50.5
for t in $times; do
    name=$(printf '%03ds' "$t")
    convert "$(frame scene "$t")" -quality 85 "$gallery/scene-$name.jpg"
    convert "$(frame wide "$t")" -quality 85 "$gallery/wide-$name.jpg"
done

# Close-ups: the crown at night, the water's ripples 0.5 s apart, the clock.
convert "$(frame wide 270)" -crop 640x480+640+160 +repage -quality 88 \
    "$gallery/closeup-crown-night.jpg"
for t in 50 50.5; do
    convert "$(frame wide "$t")" -crop 800x450+480+560 +repage -quality 88 \
        "$gallery/closeup-water-$(printf '%05.1f' "$t")s.jpg"
done
convert "$(frame scene 110)" -crop 320x56+704+706 +repage -sample 200% \
    "$gallery/closeup-clock-2x.png"

# Loops at 10 frames a second, 480x360: 30 s by day from the start, 30 s of
# night from 145 s.
day="" night=""
for i in $(seq 1 300); do
    day="$day $(echo "$i" | awk '{printf "%.1f", $1 / 10}')"
    night="$night $(echo "$i" | awk '{printf "%.1f", 145 + ($1 - 1) / 10}')"
done
# shellcheck disable=SC2086
frames 480x360 0.1 loop $day $night
# loop NAME TIMES...: an endless animated WebP of the loop frames at TIMES.
loop() {
    name=$1
    shift
    files=""
    for t in "$@"; do files="$files $(frame loop "$t")"; done
    # shellcheck disable=SC2086
    convert -delay 10 -loop 0 $files -quality 80 "$gallery/$name.webp"
}
# shellcheck disable=SC2086
loop loop-day $day
# shellcheck disable=SC2086
loop loop-night $night

# Before/after of the day water (30 s and 50 s, left before, right after)
# and of the mirrored hills' edge (1280x1024 at 10 s, twice the size, top
# before, bottom after).
frames 1280x1024 0.25 edge 10
convert "$gallery/flaw-3-day-water.jpg" -crop 512x768+0+0 +repage "$work/water-before.png"
convert "$(frame scene 30)" "$(frame scene 50)" -resize 50% -append "$work/water-after.png"
label "$work/water-after.png" after
convert "$work/water-before.png" "$work/water-after.png" +append -quality 85 \
    "$gallery/flaw-3-day-water.jpg"
convert "$gallery/flaw-4-reflection-edge.jpg" -crop 800x400+0+0 +repage "$work/edge-before.png"
convert "$(frame edge 10)" -crop 400x200+0+560 +repage -sample 200% "$work/edge-after.png"
label "$work/edge-after.png" after
convert "$work/edge-before.png" "$work/edge-after.png" -append -quality 88 \
    "$gallery/flaw-4-reflection-edge.jpg"

ls -l "$gallery"
