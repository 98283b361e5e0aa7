#!/bin/sh
# Instructions per frame of the applet with its built-in maps on a 24-bit
# Xvfb, counted by callgrind in the client (not the X server): the
# difference between runs of 21 and 1 frames, divided by 20, so that the
# set-up drops out.
#   cached     renderGlobe after a view change
#   zoom       renderGlobe after a zoom change
#   converted  a cached frame and myRConvertImage
#   loop       a main-loop turn that draws: refreshGlobe, myRConvertImage,
#              copyToWindows
# Then the exclusive profile of 21 frames of each of the first and the third.
#   tools/callgrind_frame.sh [build-dir] [zoom]
BUILD=${1:-build}
ZOOM=${2:-1}
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
count() { # kind function frames
  valgrind --tool=callgrind --toggle-collect="*$2*" --callgrind-out-file="$OUT/cg.$1.$3" \
    "$BUILD/bench_frame" --frames="$3" --kind="$1" --zoom="$ZOOM" 2>&1 |
    sed -n 's/.*Collected : //p'
}
for pair in cached:oneFrameCached zoom:oneFrameAfterZoom converted:oneFrameConverted loop:oneFrameLoopTurn; do
  kind=${pair%%:*}
  function=${pair#*:}
  one=$(count "$kind" "$function" 1)
  many=$(count "$kind" "$function" 21)
  echo "$kind (zoom $ZOOM): $(( (many - one) / 20 )) instructions per frame"
done
for kind in cached converted; do
  echo "profile of 21 $kind frames, exclusive:"
  callgrind_annotate --inclusive=no "$OUT/cg.$kind.21" | sed -n '/file:function/,/^$/p' | sed -n '3,14p'
done
