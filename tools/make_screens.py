#!/usr/bin/python3
"""Writes src/artwork/screen_images.cpp: the backgrounds of the parameter
screens and the sheet of pieces they copy from.

  latlong_screen  64 x 64: the words LAT and LONG, the two black digit
                  fields with their degree rings, the button bar.
  text_screen     64 x 64: four black text bars and the button bar.
  screen_parts    64 x 64: a black field with a degree ring (the eraser is
                  cut from it), the three buttons raised and pressed, and
                  the framed button bar.

Everything is drawn here; pixels outside the pieces are None.

usage: make_screens.py [--out screen_images.cpp]
"""

import argparse
import os

import numpy as np

import artwork_lib as lib

NONE, BLACK, OLIVE, WHITE, GREY, PALE = None, '#000000', '#CCCC6E', '#FFFFFF', '#CCCCCC', '#F7F3FF'
LATLONG_COLOURS = [NONE, BLACK, OLIVE, WHITE, GREY, PALE]
TEXT_COLOURS = [NONE, BLACK, WHITE, GREY, PALE]

# Capitals 8 pixels high with two-pixel strokes.
LETTERS = {
    'L': ['##....', '##....', '##....', '##....', '##....', '##....', '######', '######'],
    'A': ['.####.', '######', '##..##', '##..##', '######', '######', '##..##', '##..##'],
    'T': ['######', '######', '..##..', '..##..', '..##..', '..##..', '..##..', '..##..'],
    'O': ['.#####.', '#######', '##...##', '##...##', '##...##', '##...##', '#######', '.#####.'],
    'N': ['##...##', '###..##', '####.##', '##.####', '##..###', '##...##', '##...##', '##...##'],
    'G': ['.####.', '######', '##....', '##.###', '##.###', '##..##', '######', '.####.'],
}
RING = ['.##.', '#..#', '#..#', '.##.']
LEFT_ARROWS = ['..#...#', '.##..##', '###.###', '.##..##', '..#...#']
BAR = ['#######'] * 3

BUTTON_W, BUTTON_H = 20, 9


def canvas():
    return np.full((64, 64), NONE, dtype=object)


def paint(img, x, y, pattern, colour):
    """Paint the '#' pixels of pattern (a list of strings) at (x, y)."""
    for dy, row in enumerate(pattern):
        for dx, ch in enumerate(row):
            if ch == '#':
                img[y + dy, x + dx] = colour


def fill(img, x, y, w, h, colour):
    img[y:y + h, x:x + w] = colour


def word(img, x, y, text):
    for ch in text:
        paint(img, x, y, LETTERS[ch], BLACK)
        x += len(LETTERS[ch][0]) + 1


def button(symbol, pressed=False):
    """One 20 x 9 button: light grey face, white upper-left and black
    lower-right edges when raised, the other way round when pressed. The
    corners where light and dark edges meet are face grey; the corner of
    the two light edges is a paler white."""
    b = np.full((BUTTON_H, BUTTON_W), GREY, dtype=object)
    light, dark = (BLACK, WHITE) if pressed else (WHITE, BLACK)
    b[0, :] = light
    b[:, 0] = light
    b[-1, :] = dark
    b[:, -1] = dark
    b[0, -1] = GREY
    b[-1, 0] = GREY
    if pressed:
        b[-1, -1] = PALE
    else:
        b[0, 0] = PALE
    if symbol == 'left':
        paint(b, 6, 2, LEFT_ARROWS, BLACK)
    elif symbol == 'right':
        paint(b, 6, 2, [row[::-1] for row in LEFT_ARROWS], BLACK)
    else:
        paint(b, 6, 3, BAR, BLACK)
    return b


def button_row(img, x, y, pressed=False):
    for k, symbol in enumerate(('left', 'right', 'bar')):
        img[y:y + BUTTON_H, x + BUTTON_W * k:x + BUTTON_W * (k + 1)] = button(symbol, pressed)


def latlong_screen():
    img = canvas()
    word(img, 4, 3, 'LAT')
    fill(img, 2, 12, 60, 13, BLACK)
    paint(img, 37, 13, RING, OLIVE)
    word(img, 4, 27, 'LONG')
    fill(img, 2, 36, 60, 13, BLACK)
    paint(img, 37, 37, RING, OLIVE)
    button_row(img, 2, 52)
    return img


def text_screen():
    img = canvas()
    for y in (2, 14, 26, 38):
        fill(img, 2, y, 60, 10, BLACK)
    button_row(img, 2, 52)
    return img


def screen_parts():
    img = canvas()
    fill(img, 0, 1, 60, 26, BLACK)
    paint(img, 35, 2, RING, OLIVE)
    button_row(img, 0, 28)
    button_row(img, 0, 38, pressed=True)
    # The button bar in a frame: dark above and left, light below and right.
    fill(img, 0, 48, 62, 11, GREY)
    img[48, :62] = BLACK
    img[48:59, 0] = BLACK
    img[58, 1:62] = GREY
    img[49:59, 61] = GREY
    button_row(img, 1, 49)
    return img


def indices(img, colours):
    lut = {c: i for i, c in enumerate(colours)}
    return np.vectorize(lambda c: lut[c])(img)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--out', default=os.path.join(lib.ARTWORK_DIR, 'screen_images.cpp'))
    args = parser.parse_args()
    assert sum(len(LETTERS[c][0]) + 1 for c in 'LAT') - 1 == 20
    assert sum(len(LETTERS[c][0]) + 1 for c in 'LONG') - 1 == 29
    lib.write_cpp(args.out, 'make_screens.py', [
        'Backgrounds of the parameter screens and the pieces they copy.',
    ], [('latlong_screen_xpm', 64, 64, LATLONG_COLOURS, indices(latlong_screen(), LATLONG_COLOURS)),
        ('text_screen_xpm', 64, 64, TEXT_COLOURS, indices(text_screen(), TEXT_COLOURS)),
        ('screen_parts_xpm', 64, 64, LATLONG_COLOURS, indices(screen_parts(), LATLONG_COLOURS))])
    print('wrote %s' % args.out)


if __name__ == '__main__':
    main()
