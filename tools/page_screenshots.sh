#!/bin/sh
# Pictures of the seven parameter pages, as a user opens them, into
# docs/screenshots/ (PNG, four times enlarged, grey outside the window shape).
#   tools/page_screenshots.sh [BUILD] [OUTDIR]
set -e
BUILD=${1:-build}
OUT=${2:-docs/screenshots}
mkdir -p "$OUT"
TMP=$(mktemp -d)
trap 'kill $APPLET $XVFB 2>/dev/null; rm -rf "$TMP"' EXIT INT TERM
Xvfb -displayfd 3 -noreset -screen 0 320x240x24 -nolisten tcp 3>"$TMP/display" >/dev/null 2>&1 &
XVFB=$!
for i in $(seq 50); do [ -s "$TMP/display" ] && break; sleep 0.1; done
DISPLAY=":$(head -n1 "$TMP/display")"
export DISPLAY
# A fixed place and time, so that the pictures do not change from run to run.
"$BUILD/orvane" -pos 48.5 -123.5 -time 1000000000 -delay 0.5 -accel 2.4 &
APPLET=$!
"$BUILD/page_shots" "$TMP"
for f in "$TMP"/*.ppm; do
  convert "$f" "$OUT/$(basename "$f" .ppm).png"
done
ls "$OUT"
