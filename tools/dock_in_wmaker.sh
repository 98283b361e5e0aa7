#!/bin/sh
# Docks the applet in Window Maker the way a user's login does, on a private
# Xvfb with a private HOME: its WMState keeps the applet in the Dock's second
# tile, started by Window Maker (AutoLaunch). Saves a picture of the screen's
# top-right corner, the Dock's tiles with the applet in its own, twice
# enlarged.
#
#   tools/dock_in_wmaker.sh BUILD_DIR OUTPUT_PNG [--keep] [applet options...]
#
# With --keep the applet and its servers stay up until Ctrl-C.
set -e
BUILD=$1
OUT=$2
shift 2
KEEP=0
if [ "${1:-}" = "--keep" ]; then KEEP=1; shift; fi
BIN="$(cd "$BUILD" && pwd)/orvane"
. "$(dirname "$0")/desktop_lib.sh"

WORK=$(mktemp -d /tmp/orvane-wmaker.XXXXXX)
trap 'stop_all; rm -rf "$WORK"' EXIT
trap 'exit 1' INT TERM

start_xvfb "$WORK" 640x480x24

# Window Maker starts the Command through PATH, and the applet names its
# window after the name it was started by: plain "orvane" gives the
# WM_CLASS "orvane.orvane" that the Dock's Name matches.
COMMAND=orvane
for arg in "$@"; do COMMAND="$COMMAND $arg"; done
mkdir -p "$WORK/home/GNUstep/Defaults"
# The user's Dock: its own tile, then the applet, started at login.
sed "s|@COMMAND@|$COMMAND|" "$(dirname "$0")/WMState.in" >"$WORK/home/GNUstep/Defaults/WMState"

HOME="$WORK/home" PATH="$(dirname "$BIN"):$PATH" wmaker >"$WORK/wmaker.log" 2>&1 &
WM=$!
STOP_PIDS="$WM $STOP_PIDS"
wait_for_wm || { echo "Window Maker did not start" >&2; cat "$WORK/wmaker.log" >&2; exit 1; }
# Debian's wmaker script execs Window Maker, which runs itself once more as
# its own child with --for-real: that process manages the screen and starts
# the Dock's applications.
REAL=""
for child in $(ps -o pid= --ppid "$WM"); do
  case "$(tr '\0' ' ' <"/proc/$child/cmdline" 2>/dev/null)" in *--for-real*) REAL=$child ;; esac
done
STOP_PIDS="$REAL $STOP_PIDS"

ICON=$(wait_for_docked_icon) || { echo "Window Maker did not dock the applet" >&2; exit 1; }
APPLET=$(children_running "$REAL" "$BIN")
[ -n "$APPLET" ] || { echo "the docked applet is not Window Maker's child" >&2; exit 1; }
STOP_PIDS="$APPLET $STOP_PIDS"
sleep 0.5
WIDTH=$(xwininfo -root | sed -n 's/.*Width: *//p')
corner_shot "$OUT" $((WIDTH - 224)) 0 224 160
echo "Window Maker started the applet (pid $APPLET) from its Dock; the screen's corner: $OUT"
if [ "$KEEP" = 1 ]; then
  echo "the applet is docked in Window Maker on $DISPLAY; Ctrl-C stops it"
  wait "$WM" || true
fi
