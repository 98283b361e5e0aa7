#!/usr/bin/python3
"""Writes docs/artwork/*.png: every built-in image at 4 x scale, read back
from the generated sources in src/artwork (None pixels transparent), and the
three window shapes (white inside, black outside).

usage: artwork_png.py [--out docs/artwork]
"""

import argparse
import glob
import os
import re

import numpy as np

import artwork_lib as lib


def masks(path):
    text = open(path).read()
    for m in re.finditer(r'const unsigned char (\w+)\[512\] = \{(.*?)\};', text, re.S):
        data = np.array([int(v, 16) for v in re.findall(r'0x([0-9a-f]{2})', m.group(2))], np.uint8)
        bits = np.unpackbits(data.reshape(64, 8), axis=1, bitorder='little').astype(bool)
        yield m.group(1), bits


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--out', default=os.path.join(lib.REPO, 'docs', 'artwork'))
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    for path in sorted(glob.glob(os.path.join(lib.ARTWORK_DIR, '*.cpp'))):
        for name, (colours, pixels) in lib.read_cpp_images(path).items():
            target = os.path.join(args.out, name.replace('_xpm', '') + '.png')
            lib.save_png(target, lib.to_rgba(colours, pixels))
            print('wrote', target)
        for name, bits in masks(path):
            rgba = np.zeros((64, 64, 4), np.uint8)
            rgba[..., 3] = 255
            rgba[bits, :3] = 255
            target = os.path.join(args.out, name + '.png')
            lib.save_png(target, rgba)
            print('wrote', target)


if __name__ == '__main__':
    main()
