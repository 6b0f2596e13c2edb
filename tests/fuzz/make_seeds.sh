#!/usr/bin/env bash
# Makes the seed files of the fuzz corpora from real things: archives from
# the zip tool, pictures from ImageMagick out of a picture Debian ships,
# Ogg files from vorbis-tools and a Debian sound theme, WAVE files decoded
# by oggdec. Registry files come from the store itself (the replay test's
# registry seeds were written by registry_seed_writer, see docs/FUZZING.md).
# Run from anywhere; it rewrites the seed_* files only, never regression cases.
set -euo pipefail
corpus=$(cd "$(dirname "$0")" && pwd)/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

picture=/usr/share/icons/Adwaita/16x16/places/folder-pictures.png
sound=/usr/share/sounds/freedesktop/stereo/audio-volume-change.oga
password=plumbo3  # the media archive's password (media/media_archive.cpp)

# Images: the 16x16 picture in the formats and variants the decoders read.
mkdir -p "$corpus/image"
# img OPTIONS... [FORMAT:]NAME writes seed_NAME, in FORMAT when given.
img() {
  local out=${!#} prefix=
  if [[ $out == *:* ]]; then prefix=${out%%:*}:; out=${out#*:}; fi
  convert "$picture" "${@:1:$#-1}" "$prefix$corpus/image/seed_$out"
}
img -quality 80 colour.jpg
img -colorspace gray -quality 70 grey.jpg
img -interlace plane progressive.jpg
img -sampling-factor 2x2 -quality 50 subsampled.jpg
img -crop 13x11+1+2 +repage -type TrueColor bmp3:rgb24.bmp
img -crop 13x11+1+2 +repage -colors 200 -type Palette bmp3:palette8.bmp
img -crop 13x11+1+2 +repage -colors 12 bmp3:palette4.bmp
img -crop 13x11+1+2 +repage -monochrome bmp3:mono.bmp
img -crop 13x11+1+2 +repage -colors 200 -type Palette -compress RLE bmp3:rle8.bmp
img -crop 13x11+1+2 +repage -define bmp:subtype=RGB565 bmp:rgb565.bmp
img -crop 13x11+1+2 +repage -type TrueColorAlpha bmp:argb32.bmp
img -crop 13x11+1+2 +repage -type TrueColor -compress None tga:rgb24.tga
img -crop 13x11+1+2 +repage -type TrueColorAlpha -compress None tga:argb32.tga
img -crop 13x11+1+2 +repage -type TrueColorAlpha -compress RLE tga:rle32.tga
img -crop 13x11+1+2 +repage -colorspace gray -compress None tga:grey.tga
img -crop 13x11+1+2 +repage -colors 30 -type Palette -compress None tga:palette.tga
img -crop 13x11+1+2 +repage -colors 30 -type Palette -compress RLE tga:palette_rle.tga

# Ogg Vorbis: a sound from the Debian theme, and short re-encodings of it.
mkdir -p "$corpus/ogg" "$corpus/wav"
cp "$sound" "$corpus/ogg/seed_theme.ogg"
oggdec -Q -o full.wav "$sound"
oggenc -Q --resample 8000 --downmix -q 0 -o "$corpus/ogg/seed_mono_8k.ogg" full.wav
oggenc -Q --resample 11025 -q -1 -o short.ogg full.wav
cp short.ogg "$corpus/ogg/seed_stereo_11k.ogg"
head -c 1500 "$sound" > "$corpus/ogg/seed_cut.ogg"
# Two logical streams one after the other: a chained file.
cat "$corpus/ogg/seed_mono_8k.ogg" "$corpus/ogg/seed_mono_8k.ogg" > "$corpus/ogg/seed_chained.ogg"

# WAVE: oggdec's output at 16 and 8 bits, mono and stereo, cut short.
oggdec -Q -b 16 -o - "$corpus/ogg/seed_mono_8k.ogg" | head -c 1200 > "$corpus/wav/seed_mono16.wav"
oggdec -Q -b 8 -o - "$corpus/ogg/seed_mono_8k.ogg" | head -c 900 > "$corpus/wav/seed_mono8.wav"
oggdec -Q -b 16 -o - short.ogg | head -c 1600 > "$corpus/wav/seed_stereo16.wav"
oggdec -Q -b 8 -o - short.ogg | head -c 700 > "$corpus/wav/seed_stereo8.wav"
oggdec -Q -b 16 -o - short.ogg | head -c 300 > "$corpus/wav/seed_cut_header.wav"

# Archives: entries encrypted with the media password, stored and deflated.
mkdir -p "$corpus/archive" models sound textures
head -c 700 "$corpus/model/one_quad.r3m" > models/quad.r3m
cp "$corpus/image/seed_rgb24.tga" textures/bark.tga
printf 'lake and island\n%.0s' {1..40} > readme.txt
zip -q -X -P "$password" "$corpus/archive/seed_deflated.dat" readme.txt models/quad.r3m
zip -q -X -0 -P "$password" "$corpus/archive/seed_stored.dat" textures/bark.tga readme.txt
zip -q -X -P "$password" -r "$corpus/archive/seed_folders.dat" models textures
zip -q -X -P wrongword "$corpus/archive/seed_other_password.dat" readme.txt
zip -q -X "$corpus/archive/seed_plain.dat" readme.txt
