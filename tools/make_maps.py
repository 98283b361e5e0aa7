#!/usr/bin/python3
"""Writes src/artwork/maps.cpp: the built-in day and night maps, 360 x 180,
one pixel per degree, column x covering longitudes x - 180 to x - 179, row y
latitudes 90 - y to 89 - y.

Sources:
  - the NASA Blue Marble picture of Debian's xplanet-images package
    (/usr/share/xplanet/images/earth.jpg, 2048 x 1024, equirectangular,
    not copyrighted);
  - the Natural Earth 1:50m land polygons of the npm package world-atlas
    (land-50m.json, public domain data, ISC-licensed packaging).

The coastlines come from the land polygons, ice and vegetation from the
picture. Every one-degree cell is put into one class:
  ocean    not land, and not covered by sea ice;
  lake     land under open water in the picture (the great lakes); the
           day map paints them as ocean, the night map a shade apart;
  ice      land under ice (Antarctica, Greenland, the ice caps), and the
           Antarctic ice shelves;
  pack     sea ice, and land that is partly snow-covered;
  land     everything else, coloured from the picture's colour.
The day map paints them in a bright poster style, the night map in the
dark colours of the Earth under a faint sky light.

usage: make_maps.py [--earth earth.jpg] --land land-50m.json [--out maps.cpp]
"""

import argparse
import json
import os

import numpy as np
from PIL import Image, ImageDraw

import artwork_lib as lib

EARTH_JPG = '/usr/share/xplanet/images/earth.jpg'

# Sub-samples per degree for the coverage of each cell.
SUB = 10
W, H = 360, 180

OCEAN_DAY = '#3A3AFF'
ICE_DAY = '#F5FDF8'
PACK_DAY = '#B5FCF9'
# The land colours of the day map, from wet to dry along the picture's
# brightness, and the olive browns that red, rocky ground moves towards.
WET_TO_DRY = [(40, '#4E9A3C'), (60, '#69A742'), (80, '#81BF40'),
              (105, '#9DC149'), (125, '#B9C155'), (155, '#DFC33E'),
              (190, '#F0DD45'), (235, '#FAF755')]
ROCK = [(60, '#7E6A3C'), (100, '#A8844A'), (150, '#C89E52'), (200, '#E2BC5A')]
DAY_FIXED_LAND = ['#81BF40', '#69A742', '#B9C155', '#DFC33E', '#FAF755',
                  '#F0DD45']
DAY_LAND_COLOURS = 60

OCEAN_NIGHT = '#020204'
ICE_NIGHT = '#464543'
PACK_NIGHT = '#1A353C'
LAKE_NIGHT = '#0C0E14'
NIGHT_FIXED_LAND = ['#161D14', '#291C17']
NIGHT_LAND_COLOURS = 27

OCEAN, ICE, PACK, LAND, LAKE = range(5)


# --- land polygons ---------------------------------------------------------

def topojson_rings(path):
    """Every ring of the land polygons as an array of (longitude, latitude)."""
    topo = json.load(open(path))
    sx, sy = topo['transform']['scale']
    tx, ty = topo['transform']['translate']
    arcs = []
    for arc in topo['arcs']:
        a = np.cumsum(np.array(arc, dtype=np.int64), axis=0)
        arcs.append(np.column_stack([a[:, 0] * sx + tx, a[:, 1] * sy + ty]))
    rings = []
    for geometry in topo['objects']['land']['geometries']:
        polygons = geometry['arcs']
        if geometry['type'] == 'Polygon':
            polygons = [polygons]
        for polygon in polygons:
            for ring in polygon:
                parts = []
                for i in ring:
                    a = arcs[i] if i >= 0 else arcs[~i][::-1]
                    parts.append(a if not parts else a[1:])
                rings.append(np.concatenate(parts))
    return rings


def land_mask(path, width, height):
    """Rasterise the land polygons: True where the sample point is on land.

    Rings are filled with exclusive or, so holes (the Caspian Sea) need no
    special care. A ring that crosses the 180th meridian is made continuous
    and drawn three times, shifted by a full turn; a ring that goes once
    round a pole (Antarctica) is closed along that pole."""
    mask = np.zeros((height, width), bool)
    for ring in topojson_rings(path):
        lon = ring[:, 0].copy()
        lat = ring[:, 1].copy()
        lon += np.concatenate([[0], np.cumsum(-360 * np.round(np.diff(lon) / 360))])
        if abs(lon[-1] - lon[0]) > 180:
            pole = -90.0 if lat.mean() < 0 else 90.0
            lon = np.concatenate([lon, [lon[-1], lon[0]]])
            lat = np.concatenate([lat, [pole, pole]])
        for shift in (-360, 0, 360):
            x = (lon + shift + 180) / 360 * width
            y = (90 - lat) / 180 * height
            x0, x1 = max(0, int(np.floor(x.min()))), min(width, int(np.ceil(x.max())) + 1)
            y0, y1 = max(0, int(np.floor(y.min()))), min(height, int(np.ceil(y.max())) + 1)
            if x1 <= x0 or y1 <= y0:
                continue
            im = Image.new('1', (x1 - x0, y1 - y0), 0)
            ImageDraw.Draw(im).polygon(list(zip(x - x0, y - y0)), fill=1)
            mask[y0:y1, x0:x1] ^= np.asarray(im, bool)
    return mask


# --- the picture -----------------------------------------------------------

def cell_mean(a):
    """Mean over each one-degree cell of a (H*SUB, W*SUB, ...) array."""
    return a.reshape(H, SUB, W, SUB, *a.shape[2:]).mean(axis=(1, 3))


def read_picture(path):
    im = Image.open(path).convert('RGB').resize((W * SUB, H * SUB), Image.BILINEAR)
    return np.asarray(im).astype(float)


def classify(picture, land):
    """Per cell: class, mean colour of its bare or vegetated ground."""
    lo = picture.min(axis=-1)
    hi = picture.max(axis=-1)
    r, g, b = picture[..., 0], picture[..., 1], picture[..., 2]
    # Snow and ice are bright, grey and not yellower than white; the bright
    # sand of the great deserts is yellow.
    white = (lo > 150) & (hi - lo < 70) & (b >= r - 12)
    water = ~white & (b > r + 15) & (b >= g - 5)
    ground = ~(white | water)

    land_cover = cell_mean(land.astype(float))
    white_cover = cell_mean(white.astype(float))
    water_cover = cell_mean(water.astype(float))
    ground_cover = cell_mean(ground.astype(float))
    colour = cell_mean(picture * ground[..., None]) / np.maximum(ground_cover, 1e-9)[..., None]
    bare = ground_cover < 0.02
    colour[bare] = cell_mean(picture)[bare]

    lat = (89.5 - np.arange(H))[:, None] + np.zeros((1, W))
    on_land = land_cover >= 0.5
    frozen = white_cover >= 0.5

    cls = np.full((H, W), LAND)
    cls[on_land & (white_cover >= 0.25)] = PACK
    cls[on_land & frozen] = ICE
    cls[on_land & ~frozen & (water_cover >= 0.6)] = LAKE
    cls[~on_land] = OCEAN
    cls[~on_land & frozen] = PACK
    cls[~on_land & frozen & (lat < -70)] = ICE
    return cls, colour


# --- colours ---------------------------------------------------------------

def luma(rgb):
    return rgb @ np.array([0.299, 0.587, 0.114])


def ramp(values, stops):
    xs = [s[0] for s in stops]
    cs = np.array([lib.hex_colour(s[1]) for s in stops], float)
    return np.stack([np.interp(values, xs, cs[:, k]) for k in range(3)], axis=-1)


def day_land_colour(colour):
    """The poster colour of ground of the given picture colour."""
    light = luma(colour)
    redness = (colour[..., 0] - colour[..., 1]) / (light + 1)
    rock = np.clip((redness - 0.12) / 0.25, 0, 1)[..., None] * 0.7
    return ramp(light, WET_TO_DRY) * (1 - rock) + ramp(light, ROCK) * rock


def night_land_colour(colour):
    """Ground of the given picture colour under a faint bluish sky light:
    a fifth of its light, a little paler, over a dark blue-grey floor."""
    grey = luma(colour)[..., None]
    return (0.8 * colour + 0.2 * grey) * 0.2 + np.array([8.0, 10.0, 13.0])


def to_lab(rgb):
    c = np.asarray(rgb, float) / 255
    c = np.where(c > 0.04045, ((c + 0.055) / 1.055) ** 2.4, c / 12.92)
    xyz = c @ np.array([[0.4124, 0.2126, 0.0193],
                        [0.3576, 0.7152, 0.1192],
                        [0.1805, 0.0722, 0.9505]])
    xyz /= np.array([0.9505, 1.0, 1.089])
    f = np.where(xyz > 0.008856, np.cbrt(xyz), 7.787 * xyz + 16 / 116)
    return np.stack([116 * f[..., 1] - 16, 500 * (f[..., 0] - f[..., 1]),
                     200 * (f[..., 1] - f[..., 2])], axis=-1)


def quantise(colours, fixed, count, seed):
    """A palette of count colours for the given pixel colours: the fixed ones
    and the centres of a k-means clustering in CIELAB space, each rounded to
    whole RGB values and each used by at least one pixel. Returns the palette
    (n, 3) and the index of every pixel."""
    points = to_lab(colours)
    fixed = np.array([lib.hex_colour(c) for c in fixed], float)
    rng = np.random.RandomState(seed)
    free = count - len(fixed)
    # k-means++ start, the fixed colours counting as centres already.
    centres = list(to_lab(fixed))
    for _ in range(free):
        d = np.min([((points - c) ** 2).sum(-1) for c in centres], axis=0)
        centres.append(points[rng.choice(len(points), p=d / d.sum())])
    centres = np.array(centres)
    rgb_centres = None
    for _ in range(60):
        d = ((points[:, None, :] - centres[None, :, :]) ** 2).sum(-1)
        label = d.argmin(1)
        for k in range(len(fixed), count):
            members = label == k
            if members.any():
                centres[k] = points[members].mean(0)
            else:
                centres[k] = points[d.min(1).argmax()]
    # Round the free centres to the RGB colour of their mean member.
    rgb_centres = fixed.tolist()
    for k in range(len(fixed), count):
        members = label == k
        rgb_centres.append(np.round(colours[members].mean(0)) if members.any()
                           else np.round(colours[d.min(1).argmax()]))
    palette = np.clip(np.array(rgb_centres), 0, 255).astype(int)
    # Merge duplicates away by giving them the farthest pixel, then assign.
    for _ in range(count):
        lab = to_lab(palette)
        d = ((points[:, None, :] - lab[None, :, :]) ** 2).sum(-1)
        label = d.argmin(1)
        used = np.bincount(label, minlength=count)
        unused = [k for k in range(len(fixed), count) if used[k] == 0]
        if not unused:
            break
        far = d.min(1).argmax()
        palette[unused[0]] = np.round(colours[far]).astype(int)
    # A fixed colour that no pixel chose takes the pixels closest to it.
    used = np.bincount(label, minlength=count)
    for k in np.nonzero(used == 0)[0]:
        near = np.argsort(d[:, k])[:max(1, len(points) // (4 * count))]
        near = near[d[near, k] < 36] if (d[near, k] < 36).any() else near[:1]
        label[near] = k
    assert np.bincount(label, minlength=count).min() > 0, 'a palette colour is unused'
    assert len({tuple(p) for p in palette}) == count
    return palette, label


def build_map(cls, land_colours, class_colours, fixed, count, seed):
    """Colour table (None first) and pixel indices of one map.

    class_colours: (colour, classes) pairs, the colours that follow None in
    the table, each painting the cells of the classes named; the land
    colours follow them, most used first."""
    is_land = cls == LAND
    palette, label = quantise(land_colours[is_land], fixed, count, seed)
    used = np.bincount(label, minlength=count)
    order = sorted(range(count), key=lambda k: (-used[k], tuple(palette[k])))
    rank = np.empty(count, int)
    rank[order] = np.arange(count)
    index = np.zeros(cls.shape, int)
    for i, (_, classes) in enumerate(class_colours):
        index[np.isin(cls, classes)] = 1 + i
    index[is_land] = 1 + len(class_colours) + rank[label]
    colours = [None] + [c for c, _ in class_colours] + [lib.colour_name(palette[k]) for k in order]
    return colours, index


def shares(cls):
    return {name: float((cls == c).mean()) for name, c in
            (('ocean', OCEAN), ('lakes', LAKE), ('ice', ICE), ('pack', PACK), ('land', LAND))}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--earth', default=EARTH_JPG)
    parser.add_argument('--land', required=True, help='world-atlas land-50m.json')
    parser.add_argument('--out', default=os.path.join(lib.ARTWORK_DIR, 'maps.cpp'))
    args = parser.parse_args()

    land = land_mask(args.land, W * SUB, H * SUB)
    cls, colour = classify(read_picture(args.earth), land)

    day = build_map(cls, day_land_colour(colour),
                    [(OCEAN_DAY, [OCEAN, LAKE]), (ICE_DAY, [ICE]), (PACK_DAY, [PACK])],
                    DAY_FIXED_LAND, DAY_LAND_COLOURS, seed=1)
    night = build_map(cls, night_land_colour(colour),
                      [(OCEAN_NIGHT, [OCEAN]), (ICE_NIGHT, [ICE]), (PACK_NIGHT, [PACK]),
                       (LAKE_NIGHT, [LAKE])],
                      NIGHT_FIXED_LAND, NIGHT_LAND_COLOURS, seed=2)
    lib.write_cpp(args.out, 'make_maps.py', [
        'Day and night maps, 360 x 180, one pixel per degree, 180 degrees west at',
        'the left edge, north at the top. Made from the NASA Blue Marble picture',
        'of Debian\'s xplanet-images (earth.jpg) and the Natural Earth 1:50m land',
        'polygons of npm world-atlas 2 (land-50m.json); see README.md.',
    ], [('day_map_xpm', W, H, day[0], day[1]),
        ('night_map_xpm', W, H, night[0], night[1])])
    print('wrote %s' % args.out)
    for name, share in shares(cls).items():
        print('  %-5s %5.1f %%' % (name, 100 * share))
    north = float(((cls == PACK) & (np.arange(H)[:, None] < 30)).sum() / max(1, (cls == PACK).sum()))
    print('  pack north of 60 degrees: %.0f %%' % (100 * north))


if __name__ == '__main__':
    main()
