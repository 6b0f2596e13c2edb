#!/usr/bin/env bash
# Installs what the project needs, builds the saver and its media, and runs it
# on the built Media.dat. Extra arguments go to the saver.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"

media=$PWD/build/Media.dat
if [ -x build/app/velmora ]; then
  cd build
  if [ -n "${DISPLAY:-}" ]; then
    exec ./app/velmora "${@:-/t}"
  elif [ -x tools/render/velmora-render ]; then
    mkdir -p frames
    ./tools/render/velmora-render --step 0.1 --at 1 --at 150 --out frames "$@"
    echo "No display: rendered a day and a night frame offscreen into $PWD/frames"
    exit 0
  fi
fi
echo "Built $media, but neither the saver nor the offscreen renderer was built." >&2
exit 1
