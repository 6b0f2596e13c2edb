#!/usr/bin/env bash
# Builds the Windows saver into build-windows/: Velmora.scr, Media.dat beside
# it and Velmora-windows.zip. The Linux build in build/ (or
# VELMORA_HOST_BUILD) provides the host tools that make Media.dat and the
# resource script. Extra arguments go to the Windows tree's cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
jobs=$(nproc)
host=${VELMORA_HOST_BUILD:-build}
[ -f "$host/CMakeCache.txt" ] || cmake -S . -B "$host" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$host" -j "$jobs" --target velmora-mediagen velmora-rcgen
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVELMORA_HOST_BUILD="$(cd "$host" && pwd)" "$@" >/dev/null
cmake --build build-windows -j "$jobs"
