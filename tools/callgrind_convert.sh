#!/bin/sh
# Instructions per conversion of the 64 x 64 picture, counted by callgrind in
# the program's converter and in libwraster's RConvertImage, on 24-bit and
# 16-bit TrueColor and 8-bit PseudoColor Xvfb servers: the difference
# between runs of 200 and 100 conversions, divided by 100, so that the
# set-up drops out. Counts the client only, not the X server.
#   tools/callgrind_convert.sh [build-dir]
BUILD=${1:-build}
OUT=$(mktemp -d)
count() { # function visual conversions
  valgrind --tool=callgrind --toggle-collect="$1" --callgrind-out-file="$OUT/cg" \
    "$BUILD/bench_convert" --visual="$2" --conversions="$3" 2>&1 |
    sed -n 's/.*Collected : //p'
}
for visual in TrueColor24 TrueColor16 PseudoColor8; do
  for function in 'myRConvertImage*' RConvertImage; do
    few=$(count "$function" $visual 100)
    many=$(count "$function" $visual 200)
    echo "$visual $function: $(( (many - few) / 100 )) instructions per conversion"
  done
done
rm -rf "$OUT"
