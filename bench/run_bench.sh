#!/usr/bin/env bash
# Benchmarks of the saver and the offscreen renderer, with XScreenSaver's GL
# hacks glschool, gears and pipes measured the same way as peers. Run through
# `cmake --build build --target bench`, or as bench/run_bench.sh BUILD_DIR.
# Every figure is the median of BENCH_REPEATS runs (default 3); BENCH_SECONDS
# (default 60) is how long each windowed program runs for the running figures.
#   1. start-up: wall time from process start to the first presented frame
#      (and the CPU time spent by then, which a busy machine barely moves),
#      and the saver's own split of it in CPU time (VELMORA_STARTUP_PROFILE);
#   2. frame cost of the whole scene offscreen by day and by night at
#      1024x768 and 1920x1080: wall and CPU milliseconds per frame;
#   3. own code against the GL driver: callgrind instruction counts of the
#      frames alone (a long run less a one-frame run), by library;
#   4. side by side under one Xvfb at 600x400, the saver's /t window size:
#      frames per second, CPU per frame and peak resident memory after the run;
#   5. our Direct3D 8 against Wine's: velmora-render against velmora-render.exe
#      of a Windows build (VELMORA_WINDOWS_BUILD, default build-windows in the
#      source tree) under Wine, the same frames, runs alternating: wall and CPU
#      per frame, time to the first frame and peak resident memory. Skipped
#      when that build has no velmora-render.exe;
#   6. exit: from a key press (xdotool), from SIGTERM and, for the saver,
#      from the pointer movement that ends it to the window gone
#      (unmapped or destroyed) and to the process gone, for `velmora /s` and
#      the peers glschool and gears in a window of the same size, quiet and
#      with both cores loaded by two `yes`; median of BENCH_EXIT_REPEATS runs
#      (default 5). BENCH_EXIT_USER (a user id) runs the programs of this
#      section as that user, who may not raise a thread's priority.
# BENCH_ONLY names the sections to run, space-separated, of startup, cost,
# callgrind, side, wine and exit (all when unset): BENCH_ONLY=exit
# bench/run_bench.sh build runs the exit section alone.
set -euo pipefail
build=$(cd "${1:?usage: run_bench.sh BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
"$source_dir/scripts/install-deps.sh" "$source_dir"/scripts/packages/bench/*.list

repeats=${BENCH_REPEATS:-3}
seconds=${BENCH_SECONDS:-60}
hacks=/usr/libexec/xscreensaver
probe=$build/bench/libvelmora_frame_probe.so
render=$build/tools/render/velmora-render
saver=$build/app/velmora
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data SDL_AUDIODRIVER=dummy
export LP_NUM_THREADS=2  # llvmpipe's rasteriser threads: the two cores of the target machine

xvfb_pid=
child=
load_pids=
cleanup() {
  [ -n "$child" ] && kill "$child" 2>/dev/null
  [ -n "$load_pids" ] && kill $load_pids 2>/dev/null
  # Wine's server for the prefix of section 5, when a run ended before it did.
  if [ -d "$work/wine-prefix" ]; then WINEPREFIX=$work/wine-prefix wineserver -k 2>/dev/null || true; fi
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

want() {  # want SECTION: whether BENCH_ONLY selects it
  [ -z "${BENCH_ONLY:-}" ] || [[ " $BENCH_ONLY " == *" $1 "* ]]
}
median() {  # the median of the numbers on standard input
  sort -g | awk '{v[NR] = $1} END {if (NR == 0) print "n/a"; else print v[int((NR + 1) / 2)]}'
}
now_ns() { date +%s%N; }

# ---- the machine ----------------------------------------------------------
echo "== machine"
echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
echo "memory: $(free -g | awk '/Mem:/ {print $2}') GiB; mesa: $(dpkg-query -W -f='${Version}' libgl1-mesa-dri 2>/dev/null)"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"

# ---- one Xvfb for every windowed program ------------------------------------
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

# launch NAME -> starts the program NAME with the frame probe; sets child and
# the probe file $work/NAME.probe, and records the launch time in $work/NAME.t0.
launch() {
  local name=$1
  rm -f "$work/$name.probe"
  now_ns >"$work/$name.t0"
  case $name in
    velmora)
      (cd "$build" && VELMORA_STARTUP_PROFILE=1 VELMORA_FRAME_PROBE="$work/$name.probe" \
         LD_PRELOAD="$probe" exec "$saver" /t) 2>"$work/$name.err" &
      ;;
    *)
      VELMORA_FRAME_PROBE="$work/$name.probe" LD_PRELOAD="$probe" \
        "$hacks/$name" -window -geometry 600x400 2>"$work/$name.err" &
      ;;
  esac
  child=$!
}
stop() {
  kill "$child" 2>/dev/null || true
  wait "$child" 2>/dev/null || true
  child=
}
# first_frame_ms NAME: milliseconds from launch to the first frame, and the
# process's CPU milliseconds by then, once it is shown.
first_frame_ms() {
  local name=$1
  for _ in $(seq 600); do
    if grep -q '^first' "$work/$name.probe" 2>/dev/null; then
      awk -v t0="$(cat "$work/$name.t0")" '/^first/ {printf "%.0f %.0f\n", ($2 - t0) / 1e6, $3 / 1e6}' \
        "$work/$name.probe"
      return
    fi
    sleep 0.05
  done
  echo "n/a n/a"
}
# wall_and_cpu FILE: "WALL ms (CPU ms of CPU)" from the medians of the two columns.
wall_and_cpu() {
  echo "$(awk '{print $1}' "$1" | median) ms ($(awk '{print $2}' "$1" | median) ms of CPU)"
}

programs=(velmora glschool gears pipes)

if want startup; then
# ---- 1. start-up ------------------------------------------------------------
echo
echo "== start-up: process start to first presented frame, wall (CPU) (median of $repeats)"
for name in "${programs[@]}"; do
  : >"$work/$name.startup"
  for _ in $(seq "$repeats"); do
    launch "$name"
    first_frame_ms "$name" >>"$work/$name.startup"
    sleep 0.5  # the saver's profile line follows its first frame
    [ "$name" = velmora ] && grep -h '^startup:' "$work/$name.err" >>"$work/velmora.split" || true
    stop
  done
  printf '%-26s %s\n' "$name (Xvfb, 600x400)" "$(wall_and_cpu "$work/$name.startup")"
done
: >"$work/render.startup"
for _ in $(seq "$repeats"); do
  rm -f "$work/render.probe"
  t0=$(now_ns)
  (cd "$build" && VELMORA_STARTUP_PROFILE=1 VELMORA_FRAME_PROBE="$work/render.probe" \
     LD_PRELOAD="$probe" "$render" --size 1024x768 --at 0.1 --out "$work") \
    >/dev/null 2>>"$work/render.split"
  awk -v t0="$t0" '/^first/ {printf "%.0f %.0f\n", ($2 - t0) / 1e6, $3 / 1e6}' \
    "$work/render.probe" >>"$work/render.startup"
done
printf '%-26s %s\n' "velmora-render (1024x768)" "$(wall_and_cpu "$work/render.startup")"
# split FILE: the median of each phase over the profile lines in FILE.
split() {
  local file=$1 phase
  for phase in "archive reads" "image decoding" "model loading" "GL upload" "shader builds"; do
    printf '  %-16s %s ms\n' "$phase" \
      "$(grep -o "$phase [0-9.]*" "$file" | awk '{print $NF}' | median)"
  done
}
echo "velmora /t, split of its start-up in CPU time (median):"
split "$work/velmora.split"
echo "velmora-render, split of its start-up in CPU time (median):"
split "$work/render.split"

fi

if want cost; then
# ---- 2. frame cost offscreen --------------------------------------------------
# One run draws every frame from scene time 0 to 280 s: seven camera presets by
# day, then seven by night.
echo
echo "== frame cost of the whole scene offscreen, llvmpipe with $LP_NUM_THREADS threads (median of $repeats)"
for size in 1024x768 1920x1080; do
  : >"$work/cost-$size"
  for _ in $(seq "$repeats"); do
    (cd "$build" && "$render" --size "$size" --step 1 --at 280 --out "$work") |
      grep -E '^velmora-render: (day|night):' >>"$work/cost-$size"
  done
  for phase in day night; do
    wall=$(grep " $phase:" "$work/cost-$size" | sed -E 's/.*, ([0-9.]+) ms per frame.*/\1/' | median)
    cpu=$(grep " $phase:" "$work/cost-$size" | sed -E 's/.*, ([0-9.]+) ms CPU per frame.*/\1/' | median)
    thread=$(grep " $phase:" "$work/cost-$size" | sed -E 's/.*, ([0-9.]+) ms of it on the drawing thread.*/\1/' | median)
    printf '%-10s %-6s %7s ms per frame, %7s ms CPU per frame (%s ms on the drawing thread)\n' \
      "$size" "$phase" "$wall" "$cpu" "$thread"
  done
done

fi

if want callgrind; then
# ---- 3. own code against the driver (callgrind) ------------------------------
# Instruction counts by library for the frames alone: a run to scene time 280 s
# at a 10 s step (28 frames, day and night) less a run of a single frame.
echo
echo "== own code against the GL driver: callgrind instructions per frame, 1024x768"
if command -v valgrind >/dev/null; then
  for frames in 1 28; do
    (cd "$build" && valgrind --tool=callgrind --callgrind-out-file="$work/cg-$frames.out" \
       "$render" --size 1024x768 --step 10 --at $((frames * 10)) --out "$work") \
      >/dev/null 2>&1
    # Self cost by object file: our executable, the C and C++ runtime, the rest
    # (Mesa, its JIT code, GL dispatch, SDL) counted as the driver.
    callgrind_annotate --inclusive=no --threshold=100 "$work/cg-$frames.out" 2>/dev/null |
      awk -v exe="$(basename "$render")" '
        /^ *[0-9,]+ / {
          n = $1; gsub(",", "", n)
          if ($0 ~ "/" exe "\\]") own += n
          else if ($0 ~ /\/(libc|libstdc\+\+|libm|libgcc_s)\.so/) runtime += n
          else driver += n
        }
        END {printf "%.0f %.0f %.0f\n", own, runtime, driver}' >"$work/cg-$frames.sum"
  done
  read -r own1 run1 drv1 <"$work/cg-1.sum"
  read -r own2 run2 drv2 <"$work/cg-28.sum"
  awk -v o="$((own2 - own1))" -v r="$((run2 - run1))" -v d="$((drv2 - drv1))" 'BEGIN {
    t = o + r + d; f = 27
    printf "own code (platform layer and scene) %6.1f M instructions per frame, %5.1f%%\n", o / f / 1e6, 100 * o / t
    printf "C and C++ runtime (both sides)      %6.1f M instructions per frame, %5.1f%%\n", r / f / 1e6, 100 * r / t
    printf "GL driver (Mesa, JIT code, SDL)     %6.1f M instructions per frame, %5.1f%%\n", d / f / 1e6, 100 * d / t
  }'
else
  echo "valgrind is not installed"
fi

fi

if want side; then
# ---- 4. side by side under Xvfb ----------------------------------------------
echo
echo "== side by side under Xvfb at 600x400, ${seconds} s each (median of $repeats)"
printf '%-10s %10s %16s %16s\n' program "frames/s" "CPU ms/frame" "peak RSS MiB"
for name in "${programs[@]}"; do
  : >"$work/$name.run"
  for _ in $(seq "$repeats"); do
    launch "$name"
    sleep "$seconds"
    peak=$(awk '/^VmHWM:/ {printf "%.1f", $2 / 1024}' "/proc/$child/status")
    stop
    # Frames and CPU between the first report after 5 s and the last one.
    awk -v peak="$peak" '
      /^first/ {first = $2}
      /^frames/ && $3 - first >= 5e9 {
        if (!f0) {f0 = $2; t0 = $3; c0 = $4}
        f1 = $2; t1 = $3; c1 = $4
      }
      END {
        if (f1 > f0) printf "%.1f %.2f %s\n", (f1 - f0) / ((t1 - t0) / 1e9), (c1 - c0) / 1e6 / (f1 - f0), peak
        else printf "n/a n/a %s\n", peak
      }' "$work/$name.probe" >>"$work/$name.run"
  done
  printf '%-10s %10s %16s %16s\n' "$name" \
    "$(awk '{print $1}' "$work/$name.run" | median)" \
    "$(awk '{print $2}' "$work/$name.run" | median)" \
    "$(awk '{print $3}' "$work/$name.run" | median)"
done
fi

if want wine; then
# ---- 5. our Direct3D 8 against Wine's ------------------------------------------
# The frames of section 2 at 1024x768 (0 to 280 s at a 1 s step, day and
# night), once natively and once under Wine, alternating, with the settings of
# tools/compare/compare-wine.sh on both sides (no clock, no sound). Wine's
# prefix is booted first and its server kept running, so a run pays for the
# program's own start, not for a boot. Counted for Wine: the process that runs
# velmora-render.exe (wine execs itself into it; its CPU includes Mesa's
# threads, as the native figure does) and, separately, wineserver's CPU during
# the run; wineserver's memory is reported beside, not added.
echo
windows_build=${VELMORA_WINDOWS_BUILD:-$source_dir/build-windows}
exe=$windows_build/tools/render/velmora-render.exe
if [ ! -f "$exe" ]; then
  echo "== our Direct3D 8 against Wine's: skipped, no $exe"
  echo "   (scripts/build-windows.sh makes it; VELMORA_WINDOWS_BUILD names another Windows build)"
else
  echo "== our Direct3D 8 against Wine's at 1024x768, 0 to 280 s at a 1 s step, runs alternating (median of $repeats)"
  export WINEPREFIX=$work/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
  settings=$work/config/velmora/registry.reg
  mkdir -p "$(dirname "$settings")"
  printf '%s\r\n' REGEDIT4 '' '[HKEY_CURRENT_USER\Software\Quintaro\Velmora]' \
    '"Show Time"=dword:00000000' '"Enable FPS"=dword:00000001' \
    '"Enable Sound"=dword:00000000' >"$settings"
  wine wineboot -i >/dev/null 2>&1
  wineserver -w
  wineserver -p
  wine reg import "$(winepath -w "$settings")" >/dev/null 2>&1
  # This prefix's server, not another user's: it inherited WINEPREFIX.
  server=
  for pid in $(pgrep wineserver); do
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
      server=$pid
  done
  cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
  # side NAME: one run; appends "day-wall day-cpu night-wall night-cpu first-s
  # peak-MiB server-cpu-ms-per-frame" to $work/NAME.d3d.
  side() {
    local name=$1 out=$work/d3d-$1 t0 ticks0 ticks1
    rm -rf "$out"; mkdir -p "$out"
    ticks0=$(cpu_ticks "$server")
    t0=$(now_ns)
    if [ "$name" = native ]; then
      (cd "$build" && /usr/bin/time -f '%M' -o "$work/d3d.rss" "$render" \
         --size 1024x768 --step 1 --at 1 --at 280 --out "$out") >"$work/d3d.log"
    else
      (cd "$build" && /usr/bin/time -f '%M' -o "$work/d3d.rss" wine "$exe" \
         --size 1024x768 --step 1 --at 1 --at 280 --out "$(winepath -w "$out")") 2>/dev/null |
        tr -d '\r' >"$work/d3d.log"
    fi
    ticks1=$(cpu_ticks "$server")
    # The first frame is written as soon as it is drawn: its file's time.
    local first
    first=$(awk -v t0="$t0" -v t1="$(stat -c %.9Y "$out/frame-0001.00.png")" \
      'BEGIN {printf "%.2f", t1 - t0 / 1e9}')
    local figures
    figures=$(grep -E '^velmora-render: (day|night):' "$work/d3d.log" |
      sed -E 's/.*, ([0-9.]+) ms per frame.*, ([0-9.]+) ms CPU per frame.*/\1 \2/' | tr '\n' ' ')
    local frames
    frames=$(grep -E '^velmora-render: (day|night):' "$work/d3d.log" |
      awk '{n += $3} END {print n}')
    echo "$figures $first $(awk '{printf "%.1f", $1 / 1024}' "$work/d3d.rss") \
      $(awk -v t="$((ticks1 - ticks0))" -v hz="$(getconf CLK_TCK)" -v n="$frames" \
          'BEGIN {printf "%.2f", n ? t * 1000 / hz / n : 0}')" >>"$work/$name.d3d"
  }
  : >"$work/native.d3d"
  : >"$work/wine.d3d"
  for _ in $(seq "$repeats"); do
    side native
    side wine
  done
  d3d_median() { awk -v c="$2" '{print $c}' "$work/$1.d3d" | median; }
  printf '%-28s %22s %22s %10s %10s\n' "" "day wall / CPU ms" "night wall / CPU ms" "first (s)" "peak MiB"
  for name in native wine; do
    label="velmora-render (ours)"
    [ "$name" = wine ] && label="velmora-render.exe (Wine)"
    printf '%-28s %22s %22s %10s %10s\n' "$label" \
      "$(d3d_median "$name" 1) / $(d3d_median "$name" 2)" "$(d3d_median "$name" 3) / $(d3d_median "$name" 4)" \
      "$(d3d_median "$name" 5)" "$(d3d_median "$name" 6)"
  done
  echo "wineserver during Wine's runs: $(d3d_median wine 7) ms of CPU per frame;" \
    "$(awk '/^VmRSS:/ {printf "%.1f", $2 / 1024}' "/proc/$server/status" 2>/dev/null || echo n/a) MiB resident after them"
  wineserver -k
fi

fi

# ---- 6. exit --------------------------------------------------------------
# The saver full screen (1280x1024, sound on, through SDL's dummy audio
# driver) and the peers in a window of that size at the same place, each
# drawing for 2 s after its first frame; then a key press or SIGTERM, timed
# by bench/exit_watch.cpp from the moment the key reaches the window (or the
# signal is sent) to the window's unmapping or destruction and to the end of
# the process. Loaded: two `yes` at normal priority on the two cores.
if want exit; then
echo
exit_repeats=${BENCH_EXIT_REPEATS:-5}
exit_watch=$build/bench/velmora-exit-watch
# As another user: through setpriv, with files and settings that user may write.
as_user=()
if [ -n "${BENCH_EXIT_USER:-}" ]; then
  as_user=(setpriv --reuid="$BENCH_EXIT_USER" --regid="$BENCH_EXIT_USER" --clear-groups)
  chmod 0777 "$work"
  mkdir -p "$work/user-config" "$work/user-data"
  chmod 0777 "$work/user-config" "$work/user-data"
  export XDG_CONFIG_HOME=$work/user-config XDG_DATA_HOME=$work/user-data
  echo "as user $BENCH_EXIT_USER"
fi
echo "== exit: key press or SIGTERM to the window gone and to the process gone, ms (median of $exit_repeats)"
# exit_run NAME key|term FILE: one run; appends "WINDOW_MS PROCESS_MS" to FILE.
exit_run() {
  local name=$1 how=$2 file=$3 window watcher
  xdotool mousemove 100 100 || true  # inside every window, before any of them exists
  rm -f "$work/$name.probe" "$work/watch.out"
  case $name in
    velmora)
      (cd "$build" && VELMORA_FRAME_PROBE="$work/$name.probe" LD_PRELOAD="$probe" \
         exec "${as_user[@]}" "$saver" /s) 2>"$work/$name.err" &
      ;;
    *)
      VELMORA_FRAME_PROBE="$work/$name.probe" LD_PRELOAD="$probe" \
        "${as_user[@]}" "$hacks/$name" -window -geometry 1280x1024+0+0 2>"$work/$name.err" &
      ;;
  esac
  child=$!
  for _ in $(seq 1200); do grep -q '^first' "$work/$name.probe" 2>/dev/null && break; sleep 0.05; done
  sleep 2
  window=$(xdotool search --onlyvisible --pid "$child" 2>/dev/null | head -1 || true)
  if [ -z "$window" ]; then
    echo "n/a n/a" >>"$file"
    stop
    return
  fi
  "$exit_watch" "$child" "$window" "$how" >"$work/watch.out" &
  watcher=$!
  if [ "$how" = key ]; then
    for _ in $(seq 200); do grep -qs '^ready' "$work/watch.out" && break; sleep 0.01; done
    xdotool key q || true  # q ends the peers in a window too
  elif [ "$how" = move ]; then
    # The sixth move to a new place ends the saver; each one well apart, and
    # made through the pointing device (XTest), as a mouse moves the pointer.
    for _ in $(seq 200); do grep -qs '^ready' "$work/watch.out" && break; sleep 0.01; done
    for _ in 1 2 3 4 5 6; do xdotool mousemove_relative 40 0 || true; sleep 0.15; done
  fi
  wait "$watcher" || true
  grep -v '^ready' "$work/watch.out" >>"$file" || echo "n/a n/a" >>"$file"
  stop
}
# exit_median FILE COLUMN: the median of the column's figures.
exit_median() { awk -v c="$2" '$c != "n/a" {print $c}' "$1" | median; }
printf '%-12s %-7s %24s %28s %26s\n' program load "key: window / process" \
  "SIGTERM: window / process" "move: window / process"
for load in quiet loaded; do
  if [ "$load" = loaded ]; then
    yes >/dev/null &
    load_pids="$!"
    yes >/dev/null &
    load_pids="$load_pids $!"
  fi
  for name in velmora glschool gears; do
    # Moving the pointer ends only the saver; the peers in a window stay.
    hows="key term"
    [ "$name" = velmora ] && hows="key term move"
    : >"$work/$name.exit.move"
    for how in $hows; do
      : >"$work/$name.exit.$how"
      for _ in $(seq "$exit_repeats"); do exit_run "$name" "$how" "$work/$name.exit.$how"; done
    done
    label=$name
    [ "$name" = velmora ] && label="velmora /s"
    move="-"
    [ -s "$work/$name.exit.move" ] &&
      move="$(exit_median "$work/$name.exit.move" 1) / $(exit_median "$work/$name.exit.move" 2)"
    printf '%-12s %-7s %24s %28s %26s\n' "$label" "$load" \
      "$(exit_median "$work/$name.exit.key" 1) / $(exit_median "$work/$name.exit.key" 2)" \
      "$(exit_median "$work/$name.exit.term" 1) / $(exit_median "$work/$name.exit.term" 2)" "$move"
  done
  if [ -n "$load_pids" ]; then
    kill $load_pids
    wait $load_pids 2>/dev/null || true
    load_pids=
  fi
done
fi

echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
