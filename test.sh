#!/usr/bin/env bash
# Installs what the project needs, builds it and runs every test through ctest:
# first the Release build (assertions on), then the same suite built with
# AddressSanitizer and UndefinedBehaviorSanitizer (skip it with VELMORA_SANITIZE=0).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

jobs=$(nproc)
build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVELMORA_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

build build
(cd build && ctest --output-on-failure -j "$jobs")

if [ "${VELMORA_SANITIZE:-1}" != 0 ]; then
  build build-asan -DVELMORA_SANITIZE=ON
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest --output-on-failure -j "$jobs")
fi
