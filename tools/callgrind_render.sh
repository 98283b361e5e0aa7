#!/bin/sh
# Instructions per globe frame, counted by callgrind inside renderGlobe():
# the difference between runs of 11 and 1 frames, divided by 10, so that
# the set-up frames drop out.
#   tools/callgrind_render.sh [build-dir]
BUILD=${1:-build}
OUT=$(mktemp -d)
count() { # mode frames
  valgrind --tool=callgrind --toggle-collect='renderGlobe()' \
    --callgrind-out-file="$OUT/cg.$1.$2" "$BUILD/bench_render" --frames="$2" $1 2>&1 |
    sed -n 's/.*Collected : //p'
}
for mode in "" --zoom --offset; do
  one=$(count "$mode" 1)
  eleven=$(count "$mode" 11)
  echo "${mode:-cached}: $(( (eleven - one) / 10 )) instructions per frame"
done
echo "profile of 11 cached frames (centred layout), exclusive:"
callgrind_annotate --inclusive=no "$OUT/cg..11" | sed -n '/file:function/,$p' | sed -n '2,12p'
rm -rf "$OUT"
