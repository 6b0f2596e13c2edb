#!/usr/bin/env bash
# Installs what the project needs, builds it and runs every test through ctest:
# first the Release build (assertions on) with the Windows saver built beside it
# and tested under Wine (skip both with VELMORA_WINDOWS=0), then the same suite
# built with AddressSanitizer and UndefinedBehaviorSanitizer (skip it with
# VELMORA_SANITIZE=0), then the threaded parts, sound and host, built with
# ThreadSanitizer (skip it with VELMORA_TSAN=0).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

jobs=$(nproc)
configure() {  # configure DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVELMORA_WERROR=ON "$@" >/dev/null
}
build() {  # build DIR [cmake options...]
  configure "$@"
  cmake --build "$1" -j "$jobs"
}

if [ "${VELMORA_WINDOWS:-1}" != 0 ]; then
  # The Windows tree needs the Linux tree's host tools; its tests run from the
  # Linux tree, which is told where the Windows build is.
  build build -DVELMORA_WINDOWS_BUILD="$PWD/build-windows"
  VELMORA_HOST_BUILD=build ./scripts/build-windows.sh -DVELMORA_WERROR=ON
else
  build build -UVELMORA_WINDOWS_BUILD
fi
(cd build && ctest --output-on-failure -j "$jobs")

if [ "${VELMORA_SANITIZE:-1}" != 0 ]; then
  build build-asan -DVELMORA_SANITIZE=ON
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest --output-on-failure -j "$jobs")
fi

if [ "${VELMORA_TSAN:-1}" != 0 ]; then
  # Only the threaded parts: the sound feeder and mixer, the host's timers and
  # windows, and the texture loading workers. Building just their targets
  # keeps the run short.
  configure build-tsan -DVELMORA_TSAN=ON
  cmake --build build-tsan -j "$jobs" --target sound_reader_test dsound_test sound_system_test \
    host_logic_test host_saver_test host_window_test render_test
  # One test at a time: the sanitizer slows the sound feeder several times
  # over, and real-time audio must not starve behind a second test.
  suppressions="$PWD/tests/tsan.supp"
  (cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$suppressions" \
     ctest --output-on-failure -j 1 -L 'sound|host' &&
     ctest --output-on-failure -j 1 -R '^(TexturePrefetchTest|TextureCacheTest)\.')
fi
