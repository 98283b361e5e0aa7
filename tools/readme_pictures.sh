#!/bin/sh
# Makes every picture the README shows, from the real applet under Xvfb:
# the applet in Window Maker's Dock and in Fluxbox's slit, the globe at a few
# settings, with NASA's maps from Debian's xplanet-images (installed here if
# missing), and the pages.
#   tools/readme_pictures.sh [BUILD]
set -e
BUILD=${1:-build}
OUT=docs/screenshots
mkdir -p "$OUT"

sh tools/dock_in_wmaker.sh "$BUILD" "$OUT/docked.png" -time 1781784000
sh tools/dock_in_slit.sh fluxbox "$BUILD" "$OUT/fluxbox-slit.png" -time 1781784000
sh tools/page_screenshots.sh "$BUILD" "$OUT" >/dev/null

TMP=$(mktemp -d)
trap 'kill $XVFB 2>/dev/null; rm -rf "$TMP"' EXIT INT TERM
Xvfb -displayfd 3 -noreset -screen 0 320x240x24 -nolisten tcp 3>"$TMP/display" >/dev/null 2>&1 &
XVFB=$!
for i in $(seq 50); do [ -s "$TMP/display" ] && break; sleep 0.1; done
DISPLAY=":$(head -n1 "$TMP/display")"
export DISPLAY

# name, then the options; all at fixed times so the pictures stay the same.
shot() {
  name=$1
  shift
  "$BUILD/orvane" "$@" &
  pid=$!
  win=""
  for i in $(seq 50); do
    win=$(xdotool search --classname orvane 2>/dev/null | head -n1 || true)
    [ -n "$win" ] && break
    sleep 0.1
  done
  sleep 0.5
  import -window "$win" "$TMP/$name.png"
  convert "$TMP/$name.png" -filter point -resize 400% "$OUT/$name.png"
  kill $pid
  wait $pid 2>/dev/null || true
}
shot globe-solstice -time 1781784000
shot globe-equinox -time 1774094400 -bord 1
shot globe-zoomed -time 1774094400 -zoom 2.5 -pos 48 5 -mk 48.85 2.35
shot globe-south-up -time 1781748000 -oz -pos -30 135
shot globe-moon -time 1781784000 -moon -mk sun -mk moon -bord 0
shot globe-terminator -time 1781784000 -pos 10 105 -sun
shot globe-dim-night -time 1781784000 -pos 10 105 -sun -nonimap -light 0.45 -dawn 0.8

# NASA's day map and city lights: North America at nightfall, 21 June 2026
# at 01:30 UTC, the east already dark.
XPLANET=/usr/share/xplanet/images
if [ ! -f "$XPLANET/earth.jpg" ] || [ ! -f "$XPLANET/night.jpg" ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends xplanet-images
fi
shot globe-city-lights -time 1782005400 -pos 35 -85 \
  -map "$XPLANET/earth.jpg" -nimap "$XPLANET/night.jpg" -defnimap
ls "$OUT"
