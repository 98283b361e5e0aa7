#!/bin/sh
# Starts the applet on $DISPLAY. On a machine with no reachable X display it
# starts a private Xvfb with Window Maker, docks the applet there and saves a
# screenshot of the tile in the build folder.
BUILD=${1:-build}
[ $# -gt 0 ] && shift
if [ -n "$DISPLAY" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$BUILD/orvane" "$@"
fi
echo "no X display reachable: docking the applet in Window Maker on a private Xvfb"
KEEP=""
[ -t 0 ] && KEEP=--keep
exec sh "$(dirname "$0")/dock_in_wmaker.sh" "$BUILD" "$BUILD/docked.png" $KEEP "$@"
