#!/usr/bin/env bash
# run_fuzz.sh TARGET [SECONDS] [libFuzzer options...]
# Builds TARGET_fuzz with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/ and runs it at the lowest
# priority for SECONDS (default 600) over a working copy of its corpus in
# build-fuzz/fuzz-work/TARGET. Inputs that break a promise are written there
# as crash-*, leak-* or timeout-*; the run ends with libFuzzer's figures.
set -euo pipefail
target=${1:?"target: archive, image, ogg, wav, registry, command_line or model"}
seconds=${2:-600}
shift $(( $# < 2 ? $# : 2 ))
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DVELMORA_FUZZ=ON -DVELMORA_SANITIZE=ON >/dev/null
fi
cmake --build "$build" -j2 --target "${target}_fuzz" >/dev/null
work=$build/fuzz-work/$target
mkdir -p "$work/corpus"
cd "$work"
exec nice -n 19 "$build/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len=8192 \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" "$@" \
  corpus "$root/tests/fuzz/corpus/$target"
