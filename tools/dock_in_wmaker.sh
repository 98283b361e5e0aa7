#!/bin/sh
# Starts a private Xvfb with Window Maker (its defaults in a private HOME),
# docks the applet there and saves a screenshot of the docked tile.
#
#   tools/dock_in_wmaker.sh BUILD_DIR OUTPUT_PNG [--keep] [applet options...]
#
# With --keep the applet and its servers stay up until Ctrl-C.
set -e
BUILD=$1
OUT=$2
shift 2
KEEP=0
if [ "$1" = "--keep" ]; then KEEP=1; shift; fi
BIN="$(cd "$BUILD" && pwd)/orvane"

WORK=$(mktemp -d /tmp/orvane-wmaker.XXXXXX)
cleanup() {
  [ -n "$APPLET" ] && kill "$APPLET" 2>/dev/null
  [ -n "$WM" ] && pkill -P "$WM" 2>/dev/null; [ -n "$WM" ] && kill "$WM" 2>/dev/null
  [ -n "$XVFB" ] && kill "$XVFB" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

exec 3>"$WORK/display"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
for i in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
DISPLAY=":$(head -n1 "$WORK/display")"
export DISPLAY

HOME="$WORK/home" wmaker --no-clip >"$WORK/wmaker.log" 2>&1 &
WM=$!
# Window Maker is up once it owns the window-manager selection on the root.
for i in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done

"$BIN" "$@" &
APPLET=$!

# Wait until Window Maker has taken the icon window out of the applet's
# main window (reparented it into its own tile) and mapped it.
ICON=""
for i in $(seq 100); do
  MAIN=$(xdotool search --classname "orvane" 2>/dev/null | head -n1 || true)
  if [ -n "$MAIN" ]; then
    ICON=$(xprop -id "$MAIN" WM_HINTS 2>/dev/null | sed -n 's/.*window id # to use for icon: *\(0x[0-9a-f]*\).*/\1/p')
    if [ -n "$ICON" ] && xwininfo -id "$ICON" 2>/dev/null | grep -q "IsViewable"; then
      break
    fi
  fi
  ICON=""
  sleep 0.1
done
if [ -z "$ICON" ]; then
  echo "Window Maker did not take the applet's icon window" >&2
  exit 1
fi
sleep 1.5
# The tile is the icon window's parent: Window Maker's 64 x 64 app icon.
TILE=$(xwininfo -children -id "$ICON" | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p')
import -window "$TILE" "$OUT"
echo "screenshot of the docked applet: $OUT"
if [ "$KEEP" = 1 ]; then
  echo "the applet is docked in Window Maker on $DISPLAY; Ctrl-C stops it"
  wait "$APPLET"
fi
