#!/bin/sh
# Starts the applet on $DISPLAY, or, on a machine with no reachable X display,
# on a private Xvfb.
BUILD=${1:-build}
shift 2>/dev/null
BIN="$BUILD/orvane"
if [ -n "$DISPLAY" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$BIN" "$@"
fi
echo "no X display reachable: starting a private Xvfb"
exec 3>"$BUILD/.xvfb-display"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
trap 'kill $XVFB 2>/dev/null' EXIT INT TERM
for i in $(seq 50); do [ -s "$BUILD/.xvfb-display" ] && break; sleep 0.1; done
DISPLAY=":$(head -n1 "$BUILD/.xvfb-display")"
export DISPLAY
echo "applet running on $DISPLAY (Ctrl-C to stop)"
"$BIN" "$@"
