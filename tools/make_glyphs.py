#!/usr/bin/python3
"""Writes src/artwork/glyphs.cpp: the two bitmap fonts of the parameter
screens, in pale olive on black.

  font_strip   434 x 10: 72 cells of 6 x 10, cell k at x = 6k, then two
               black columns. The glyphs are those of the misc-fixed 6x10
               font; the solid block, the checkerboard and the low ring are
               drawn here.
  digit_strip  120 x 13: twelve cells of 10 x 13 holding 1 to 9, 0, a blank
               and a minus sign. The digits are those of the misc-fixed
               8x13 bold font, made one row taller by repeating a row where
               a stroke runs straight; the 9 gets a second such row in its
               stem, so that its tail hangs one row below the others.

Source: Debian package xfonts-base, /usr/share/fonts/X11/misc/6x10.pcf.gz and
8x13B.pcf.gz ("Public domain font. Share and enjoy.").

usage: make_glyphs.py [--fonts /usr/share/fonts/X11/misc] [--out glyphs.cpp]
"""

import argparse
import gzip
import io
import os

import numpy as np
from PIL import PcfFontFile

import artwork_lib as lib

FONT_DIR = '/usr/share/fonts/X11/misc'
COLOURS = [None, '#000000', '#CCCC6E']
BLACK, OLIVE = 1, 2

# The characters of the font cells in order; None marks the cells drawn
# here or left blank.
FONT_CELLS = (list('0123456789+ABCDEFGHIJKLMNOPQRSTUVWXYZ') + [' ']
              + list(':/!*-.=#<>') + ['\u00b0'] + list('"\',@()&~')
              + ['block', 'checker'] + list('{}[]\\|?%') + ['low ring']
              + [' '] * 4)
assert len(FONT_CELLS) == 72


def load_font(path):
    with gzip.open(path) as f:
        return PcfFontFile.PcfFontFile(io.BytesIO(f.read()), 'iso8859-1')


def glyph_cell(font, char, width, height, ascent):
    """The glyph of char as a height x width array of 0/1, drawn on its
    baseline at row ascent."""
    cell = np.zeros((height, width), int)
    _, (x0, y0, x1, y1), _, image = font.glyph[ord(char)]
    if image is None:
        return cell
    bits = (np.asarray(image.convert('L')) > 0).astype(int)
    top, left = ascent + y0, x0
    h, w = bits.shape
    assert 0 <= top and top + h <= height and 0 <= left and left + w <= width, char
    cell[top:top + h, left:left + w] = bits
    return cell


def font_strip(font):
    strip = np.zeros((10, 434), int)
    for k, char in enumerate(FONT_CELLS):
        if char == 'block':
            cell = np.ones((10, 6), int)
        elif char == 'checker':
            cell = (np.add.outer(np.arange(10), np.arange(6)) % 2 == 0).astype(int)
        elif char == 'low ring':
            # The degree ring moved down into the lower half of the cell.
            cell = np.roll(glyph_cell(font, '\u00b0', 6, 10, 8), 4, axis=0)
        else:
            cell = glyph_cell(font, char, 6, 10, 8)
        strip[:, 6 * k:6 * k + 6] = cell
    return np.where(strip == 1, OLIVE, BLACK)


def straight_rows(ink):
    """Indices of the rows that equal the row below them."""
    return [i for i in range(len(ink) - 1) if (ink[i] == ink[i + 1]).all()]


def stretch(ink, lower_half=False):
    """Repeat one row of ink whose stroke runs straight on to the next row,
    the one nearest the middle (or nearest the middle of the lower half)."""
    rows = straight_rows(ink)
    target = len(ink) * (0.75 if lower_half else 0.45)
    i = min(rows, key=lambda r: (abs(r + 0.5 - target), r))
    return np.insert(ink, i, ink[i], axis=0)


def digit_strip(font):
    strip = np.zeros((13, 120), int)
    cells = [glyph_cell(font, char, 8, 13, 11) for char in '1234567890']
    # The box that holds the ink of all ten digits.
    rows = np.nonzero(np.any(cells, axis=(0, 2)))[0]
    cols = np.nonzero(np.any(cells, axis=(0, 1)))[0]
    for k, (char, cell) in enumerate(zip('1234567890', cells)):
        ink = cell[rows[0]:rows[-1] + 1, cols[0]:cols[-1] + 1]
        ink = stretch(ink)
        if char == '9':
            ink = stretch(ink, lower_half=True)
        h, w = ink.shape
        assert w == 7 and h == (12 if char == '9' else 11), (char, ink.shape)
        strip[1:1 + h, 10 * k + 1:10 * k + 1 + w] = ink
    strip[5:7, 114:119] = 1       # the minus sign
    return np.where(strip == 1, OLIVE, BLACK)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--fonts', default=FONT_DIR)
    parser.add_argument('--out', default=os.path.join(lib.ARTWORK_DIR, 'glyphs.cpp'))
    args = parser.parse_args()
    small = load_font(os.path.join(args.fonts, '6x10.pcf.gz'))
    large = load_font(os.path.join(args.fonts, '8x13B.pcf.gz'))
    lib.write_cpp(args.out, 'make_glyphs.py', [
        'The large position digits and the 6 x 10 font of the parameter screens,',
        'from the public-domain misc-fixed fonts 8x13B and 6x10 of Debian\'s',
        'xfonts-base; see README.md.',
    ], [('digit_strip_xpm', 120, 13, COLOURS, digit_strip(large)),
        ('font_strip_xpm', 434, 10, COLOURS, font_strip(small))])
    print('wrote %s' % args.out)


if __name__ == '__main__':
    main()
