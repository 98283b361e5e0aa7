#!/bin/sh
# Starts the applet on $DISPLAY. On a machine with no reachable X display it
# starts a private Xvfb with Window Maker whose Dock starts the applet, as a
# user's login does, and saves a picture of the screen's corner with the
# Dock in the build folder (docked.png).
BUILD=${1:-build}
[ $# -gt 0 ] && shift
if [ -n "$DISPLAY" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$BUILD/orvane" "$@"
fi
echo "no X display reachable: docking the applet in Window Maker on a private Xvfb"
KEEP=""
[ -t 0 ] && KEEP=--keep
exec sh "$(dirname "$0")/dock_in_wmaker.sh" "$BUILD" "$BUILD/docked.png" $KEEP "$@"
