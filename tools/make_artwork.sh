#!/bin/sh
# Regenerates the built-in artwork (src/artwork/*.cpp but digit_tables.cpp)
# and its enlarged pictures (docs/artwork/*.png) from their sources:
#   Debian packages xplanet-images, xfonts-base, python3-numpy, python3-pil;
#   npm package world-atlas 2.0.2, fetched into $ARTWORK_WORK (default
#   ${TMPDIR:-/tmp}/orvane-artwork) unless it is there already.
set -e
export PYTHONDONTWRITEBYTECODE=1
cd "$(dirname "$0")"
for f in /usr/share/xplanet/images/earth.jpg /usr/share/fonts/X11/misc/6x10.pcf.gz \
         /usr/share/fonts/X11/misc/8x13B.pcf.gz; do
  [ -f "$f" ] || { echo "missing $f: apt-get install xplanet-images xfonts-base" >&2; exit 1; }
done
/usr/bin/python3 -c 'import numpy, PIL' 2>/dev/null ||
  { echo "missing numpy or PIL: apt-get install python3-numpy python3-pil" >&2; exit 1; }
work=${ARTWORK_WORK:-${TMPDIR:-/tmp}/orvane-artwork}
land=$work/node_modules/world-atlas/land-50m.json
if [ ! -f "$land" ]; then
  mkdir -p "$work"
  npm install --prefix "$work" --no-audit --no-fund --no-save world-atlas@2.0.2
fi
/usr/bin/python3 make_maps.py --land "$land"
/usr/bin/python3 make_glyphs.py
/usr/bin/python3 make_screens.py
/usr/bin/python3 make_masks.py
/usr/bin/python3 artwork_png.py
