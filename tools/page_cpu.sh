#!/bin/sh
# CPU time the applet uses while a parameter page stays open for 5 seconds,
# against 5 seconds of the idle globe, on a private Xvfb.
#   tools/page_cpu.sh [BUILD]
set -e
BUILD=${1:-build}
TMP=$(mktemp -d)
trap 'kill $APPLET $XVFB 2>/dev/null; rm -rf "$TMP"' EXIT INT TERM
Xvfb -displayfd 3 -screen 0 320x240x24 -nolisten tcp 3>"$TMP/display" >/dev/null 2>&1 &
XVFB=$!
for i in $(seq 50); do [ -s "$TMP/display" ] && break; sleep 0.1; done
DISPLAY=":$(head -n1 "$TMP/display")"
export DISPLAY
"$BUILD/orvane" &
APPLET=$!
WIN=$(xdotool search --sync --limit 1 --classname orvane)
sleep 2
HZ=$(getconf CLK_TCK)
# utime + stime of the applet, in clock ticks (fields 14 and 15 of /proc/PID/stat).
ticks() { awk '{print $14 + $15}' "/proc/$APPLET/stat"; }
# Voluntary context switches: about one per sleep, so the wake-ups.
wakeups() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$APPLET/status"; }
measure() {
  t0=$(ticks); w0=$(wakeups); s0=$(date +%s.%N)
  sleep 5
  t1=$(ticks); w1=$(wakeups); s1=$(date +%s.%N)
  echo "$t0 $t1 $s0 $s1 $HZ $w0 $w1" | awk '{ cpu = ($2 - $1) / $5; wall = $4 - $3;
    printf "%.2f s CPU in %.2f s (%.1f %% of one core), %.0f wake-ups a second\n",
      cpu, wall, 100 * cpu / wall, ($7 - $6) / wall }'
}
printf "globe shown:  "; measure
# Open the pages; page 1 then stays open (the 6-second time-out is not reached).
xdotool mousemove --window "$WIN" 32 32 click 3
sleep 0.3
printf "page 1 open:  "; measure
