#!/bin/sh
# Starts Fluxbox or Blackbox on a private Xvfb with a private HOME (the
# window manager's own defaults, but for Fluxbox the slit half-way down the
# right edge, as the README recommends: by default it sits in the corner
# under the toolbar), then the applet, as a start-up file does; the window
# manager takes its icon window into its slit. Saves a picture of the part
# of the screen's right edge around the slit, twice enlarged.
#
#   tools/dock_in_slit.sh fluxbox|blackbox BUILD_DIR OUTPUT_PNG [applet options...]
set -e
WM_PROGRAM=$1
BUILD=$2
OUT=$3
shift 3
BIN="$(cd "$BUILD" && pwd)/orvane"
. "$(dirname "$0")/desktop_lib.sh"

WORK=$(mktemp -d /tmp/orvane-slit.XXXXXX)
trap 'stop_all; rm -rf "$WORK"' EXIT
trap 'exit 1' INT TERM

start_xvfb "$WORK" 640x480x24
mkdir -p "$WORK/home"
if [ "$WM_PROGRAM" = fluxbox ]; then
  mkdir -p "$WORK/home/.fluxbox"
  echo "session.screen0.slit.placement: RightCenter" >"$WORK/home/.fluxbox/init"
fi
HOME="$WORK/home" "$WM_PROGRAM" >"$WORK/wm.log" 2>&1 &
STOP_PIDS="$! $STOP_PIDS"
wait_for_wm || { echo "$WM_PROGRAM did not start" >&2; cat "$WORK/wm.log" >&2; exit 1; }

HOME="$WORK/home" "$BIN" "$@" &
STOP_PIDS="$! $STOP_PIDS"
ICON=$(wait_for_docked_icon) || { echo "$WM_PROGRAM did not take the applet into its slit" >&2; exit 1; }
sleep 0.5

# A 224 x 160 piece of the right edge, the slit in the middle as far as
# the screen allows.
SLIT=$(xwininfo -children -id "$ICON" | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p')
set -- $(geometry "$SLIT")
WIDTH=$(xwininfo -root | sed -n 's/.*Width: *//p')
HEIGHT=$(xwininfo -root | sed -n 's/.*Height: *//p')
TOP=$(($2 + $4 / 2 - 80))
[ "$TOP" -lt 0 ] && TOP=0
[ "$TOP" -gt $((HEIGHT - 160)) ] && TOP=$((HEIGHT - 160))
corner_shot "$OUT" $((WIDTH - 224)) "$TOP" 224 160
echo "$WM_PROGRAM took the applet into its slit: $OUT"
