#!/bin/bash
# Reruns every measurement of docs/performance.md and prints the figures.
#
#   bench/run_all.sh [BUILD] [SECTION...]
#
# BUILD is the build folder (default build; it must hold orvane, bench_frame,
# bench_render, bench_convert). SECTIONs, run in this order when none is
# named:
#   machine    nproc, CPU model, load average, versions
#   frame      Google Benchmark: bench_frame (render, convert, loop turn, zooms)
#   callgrind  instructions per frame (tools/callgrind_frame.sh) at each zoom
#   peer       xplanet against the applet's frame loop, CPU time and
#              instructions per frame, alternating, REPEAT rounds
#   applet     the running applet on Xvfb, SECONDS each: defaults, -delay 0,
#              -delay 0 -dlong 30, the left button held, a parameter page
#              open; CPU per hour, frames, wake-ups, peak resident memory;
#              xplanet's peak for one frame. With BEFORE=DIR (another build
#              folder, such as the previous commit's) each case runs with
#              DIR/orvane first, then with this build's

#   maps       -map with 360x180, 2048x1024 and 8192x4096 day maps: load time,
#              memory, frame cost
# Environment: SECONDS_EACH (default 60), REPEAT (default 3), BEFORE.
# Needs Xvfb, xdotool, valgrind, ImageMagick's convert, and xplanet with
# xplanet-images (/usr/share/xplanet/images/earth.jpg) for peer and maps.
set -u
BUILD=${1:-build}
shift || true
SECTIONS=${*:-machine frame callgrind peer applet maps}
SECONDS_EACH=${SECONDS_EACH:-60}
REPEAT=${REPEAT:-3}
HERE=$(cd "$(dirname "$0")/.." && pwd)
TMP=$(mktemp -d)
PIDS=""
cleanup() {
  for p in $PIDS; do kill "$p" 2>/dev/null; done
  rm -rf "$TMP"
}
trap cleanup EXIT INT TERM

# The view both programs draw: 2025-06-21 12:00 UTC, centred on the sub-solar point.
TIME=1750507200
XPLANET="xplanet -geometry 64x64 -radius 50 -wait 0 -date 20250621.120000 -origin sun -body earth"
FRAME_BYTES=16464 # one 64 x 64 PutImage at 32 bits a pixel and two CopyArea requests

section() { printf '\n== %s ==\n' "$*"; }
load() { cut -d' ' -f1-3 /proc/loadavg; }

# CPU time of a process in seconds, from the scheduler's nanoseconds.
cpu_of() { awk '{printf "%.4f", $1 / 1e9}' "/proc/$1/schedstat"; }
status_of() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/status"; }
wchar_of() { awk '$1 == "wchar:" {print $2}' "/proc/$1/io"; }

start_xvfb() { # sets XVFB and DISPLAY
  rm -f "$TMP/display"
  Xvfb -displayfd 3 -screen 0 320x240x24 -nolisten tcp 3>"$TMP/display" >/dev/null 2>&1 &
  XVFB=$!
  PIDS="$PIDS $XVFB"
  for _ in $(seq 100); do [ -s "$TMP/display" ] && break; sleep 0.1; done
  DISPLAY=":$(head -n1 "$TMP/display")"
  export DISPLAY
}

stop() { for p in "$@"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done; }

machine() {
  section machine
  echo "nproc: $(nproc)"
  echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(grep -m1 'cpu MHz' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//') MHz"
  echo "memory: $(free -g | awk '/Mem:/ {print $2}') GiB"
  echo "system: $(. /etc/os-release; echo "$PRETTY_NAME"), kernel $(uname -r)"
  echo "compiler: $(c++ --version | head -n1)"
  echo "Xvfb: $(dpkg-query -W -f '${Version}' xvfb 2>/dev/null), libwraster: $(dpkg-query -W -f '${Version}' 'libwraster6' 2>/dev/null), xplanet: $(dpkg-query -W -f '${Version}' xplanet 2>/dev/null)"
  echo "load average: $(load)"
}

frame() {
  section "frame cost (bench_frame, median of 5; load before: $(load))"
  "$BUILD/bench_frame" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null |
    awk '/_median/ {sub(/_median/, ""); printf "%-26s %9s %s real %9s %s CPU\n", $1, $2, $3, $4, $5}'
  echo "load after: $(load)"
}

callgrind() {
  section "instructions per frame (callgrind, client only)"
  for z in 1 0.08 0.5 2 100; do
    if [ "$z" = 1 ]; then
      "$HERE/tools/callgrind_frame.sh" "$BUILD" "$z"
    else
      "$HERE/tools/callgrind_frame.sh" "$BUILD" "$z" | grep -E '^(cached|zoom) '
    fi
  done
}

# Whole-process instructions of a command (callgrind, no toggle).
instructions() {
  valgrind --tool=callgrind --callgrind-out-file="$TMP/cg.out" "$@" 2>&1 >/dev/null | sed -n 's/.*Collected : //p'
}

# user + system CPU seconds and peak resident KB of a command.
timed() { /usr/bin/time -f '%U %S %M' -o "$TMP/time" "$@" >/dev/null 2>&1; awk '{printf "%.3f %d", $1 + $2, $3}' "$TMP/time"; }

peer() {
  section "xplanet against the applet's frame loop (same view; load before: $(load))"
  # The applet's frames: loop turns that draw, the view moved by 0.01 degree a
  # second so that every turn draws again the picture centred on the Sun.
  local few=5 many=45 afew=100 amany=4100
  for round in $(seq "$REPEAT"); do
    read -r x1 _ <<<"$(timed $XPLANET -num_times $few -output "$TMP/xp.png")"
    read -r x2 _ <<<"$(timed $XPLANET -num_times $many -output "$TMP/xp.png")"
    a1=$("$BUILD/bench_frame" --frames=$afew --kind=loop --dlong=0.01 2>&1 | sed -n 's/.*client cpu \([0-9.]*\) s, X server cpu \([0-9.]*\) s.*/\1 \2/p')
    a2=$("$BUILD/bench_frame" --frames=$amany --kind=loop --dlong=0.01 2>&1 | sed -n 's/.*client cpu \([0-9.]*\) s, X server cpu \([0-9.]*\) s.*/\1 \2/p')
    echo "$x1 $x2 $a1 $a2" | awk -v f=$few -v m=$many -v af=$afew -v am=$amany -v r="$round" '{
      xp = ($2 - $1) / (m - f); ap = ($5 - $3) / (am - af); sv = ($6 - $4) / (am - af);
      printf "round %s: xplanet %.1f ms/frame (%.1f ms with start-up), applet %.0f us/frame (+ X server %.0f us), ratio %.0f (%.0f counting the server)\n",
        r, 1000 * xp, 1000 * $2 / m, 1e6 * ap, 1e6 * sv, xp / ap, xp / (ap + sv) }'
  done
  x1=$(instructions $XPLANET -num_times 1 -output "$TMP/xp.png")
  x2=$(instructions $XPLANET -num_times 3 -output "$TMP/xp.png")
  a1=$(instructions "$BUILD/bench_frame" --frames=100 --kind=loop --dlong=0.01)
  a2=$(instructions "$BUILD/bench_frame" --frames=1100 --kind=loop --dlong=0.01)
  echo "$x1 $x2 $a1 $a2" | awk '{ xp = ($2 - $1) / 2; ap = ($4 - $3) / 1000;
    printf "instructions per frame (whole process): xplanet %.0f (%.0f for one run of one frame), applet %.0f, ratio %.0f\n", xp, $1, ap, xp / ap }'
  echo "load after: $(load)"
}

# One scenario of the running applet: LABEL, the applet's binary, NAME, then
# the applet's arguments. NAME page opens the position page and keeps it open;
# NAME hold keeps the left button held on the tile the whole time.
applet_run() {
  local label=$1 bin=$2 name=$3
  shift 3
  start_xvfb
  "$bin" "$@" >/dev/null 2>&1 &
  local app=$!
  PIDS="$PIDS $app"
  local win
  win=$(timeout 10 xdotool search --sync --limit 1 --classname orvane)
  local clicker=""
  if [ "$name" = page ]; then
    # A right click opens the position page. A page closes itself after 6
    # seconds without a button released on it, so a click every 4 seconds
    # on a spot that is no field (left of the digits, between the lines)
    # keeps it open and changes nothing.
    xdotool mousemove --window "$win" 32 32 click 3
    (while :; do sleep 4; xdotool mousemove --window "$win" 4 30 click 1; done) &
    clicker=$!
    PIDS="$PIDS $clicker"
  elif [ "$name" = hold ]; then
    # Right of the centre: the globe turns east at every turn.
    xdotool mousemove --window "$win" 56 32 mousedown 1
  fi
  sleep 2
  local c0 w0 v0 x0 t0 c1 w1 v1 x1 t1
  c0=$(cpu_of $app); w0=$(wchar_of $app); v0=$(status_of $app voluntary_ctxt_switches); x0=$(cpu_of $XVFB); t0=$(date +%s.%N)
  sleep "$SECONDS_EACH"
  c1=$(cpu_of $app); w1=$(wchar_of $app); v1=$(status_of $app voluntary_ctxt_switches); x1=$(cpu_of $XVFB); t1=$(date +%s.%N)
  local hwm
  hwm=$(status_of $app VmHWM)
  [ "$name" = page ] && import -window "$win" "$TMP/page.png" 2>/dev/null && cp "$TMP/page.png" "$OUT_PAGE" 2>/dev/null
  [ "$name" = hold ] && xdotool mouseup 1
  [ -n "$clicker" ] && stop $clicker
  stop $app $XVFB
  echo "$label $name $c0 $c1 $w0 $w1 $v0 $v1 $x0 $x1 $t0 $t1 $hwm" | awk -v fb=$FRAME_BYTES '{
    wall = $12 - $11; cpu = $4 - $3; frames = ($6 - $5) / fb; wakes = $8 - $7;
    if ($2 == "page") fr = "-"; else fr = sprintf("%.0f (%.1f/s)", frames, frames / wall);
    printf "%-7s %-15s %5.1f s  cpu %7.4f s  %6.3f %% of a core  %6.2f s/hour  frames %-14s  wake-ups %7.1f/s  X server %6.4f s  peak RSS %d KB\n",
      $1, $2, wall, cpu, 100 * cpu / wall, 3600 * cpu / wall, fr, wakes / wall, $10 - $9, $13 }'
}

applet() {
  section "the running applet on Xvfb, ${SECONDS_EACH} s each (load before: $(load))"
  # What a turn of the old polling loop costs when it draws nothing: XPending
  # and the sleep, nothing else (the wake-up is most of it).
  echo "idle turn of a polling loop: $("$BUILD/bench_frame" --idle=10 | sed -n 's/.*, \([0-9.]*\) us of CPU each.*/\1/p') us with usleep 40 ms, $("$BUILD/bench_frame" --idle=5 --sleep=500 | sed -n 's/.*, \([0-9.]*\) us of CPU each.*/\1/p') us with usleep 0.5 ms"
  OUT_PAGE=${OUT_PAGE:-$BUILD/page-open.png}
  # With BEFORE set to another build folder (the previous commit, say), each
  # case runs there first and then here, one after the other.
  local builds="now:$BUILD/orvane"
  [ -n "${BEFORE:-}" ] && builds="before:$BEFORE/orvane $builds"
  local entry
  for case in "defaults" "delay0 -delay 0" "delay0-dlong30 -delay 0 -dlong 30" "hold" "page"; do
    for entry in $builds; do
      # shellcheck disable=SC2086
      applet_run "${entry%%:*}" "${entry#*:}" $case
    done
  done
  read -r _ rss <<<"$(timed $XPLANET -num_times 1 -output "$TMP/xp.png")"
  echo "xplanet, one frame: peak RSS $rss KB"
  echo "load after: $(load)"
}

maps() {
  section "day maps given with -map (load before: $(load))"
  local src=/usr/share/xplanet/images/earth.jpg
  for size in 360x180 2048x1024 8192x4096; do
    for ext in jpg png; do
      convert "$src" -resize "$size!" "$TMP/earth-$size.$ext"
      echo "$size.$ext: $(du -k "$TMP/earth-$size.$ext" | cut -f1) KB file"
      for _ in $(seq "$REPEAT"); do
        "$BUILD/bench_frame" --load="$TMP/earth-$size.$ext" | tr '\n' ' ' | sed "s|$TMP/||"
        echo
      done
      # The applet itself: start-up CPU to the first picture and peak memory.
      start_xvfb
      "$BUILD/orvane" -map "$TMP/earth-$size.$ext" >/dev/null 2>&1 &
      local app=$!
      PIDS="$PIDS $app"
      timeout 30 xdotool search --sync --limit 1 --classname orvane >/dev/null
      sleep 0.5
      echo "  applet: start-up cpu $(cpu_of $app) s, peak RSS $(status_of $app VmHWM) KB, RSS $(status_of $app VmRSS) KB"
      stop $app $XVFB
      rm -f "$TMP/earth-$size.$ext"
    done
  done
  start_xvfb
  "$BUILD/orvane" >/dev/null 2>&1 &
  local app=$!
  PIDS="$PIDS $app"
  timeout 30 xdotool search --sync --limit 1 --classname orvane >/dev/null
  sleep 0.5
  echo "built-in maps: applet start-up cpu $(cpu_of $app) s, peak RSS $(status_of $app VmHWM) KB, RSS $(status_of $app VmRSS) KB"
  stop $app $XVFB
  echo "load after: $(load)"
}

for s in $SECTIONS; do
  "$s"
done
