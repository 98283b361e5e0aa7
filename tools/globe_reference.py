#!/usr/bin/python3
"""A second, independent evaluation of the globe renderer's arithmetic.

Renders the scenes of the exactness tests (tests/test_raster.cpp) with
Python floats (IEEE doubles, the same C library for sin, cos, atan, sqrt)
and prints the FNV-1a hash of each 64 x 64 picture. The test's constants
come from here; when the two disagree, one of them has an operation in the
wrong order.

    /usr/bin/python3 tools/globe_reference.py
"""
import math

PI = 3.141592653
TWO_PI = 6.283185306
HALF_PI = 1.5707963265
M32 = 0xFFFFFFFF


def noise_map(width, height, seed):
    x = (seed * 2654435761 + 1) & M32
    data = bytearray()
    for _ in range(width * height * 3):
        x ^= (x << 13) & M32
        x ^= x >> 17
        x ^= (x << 5) & M32
        data.append(x >> 24)
    return (width, height, data)


def trunc(v):
    return int(v)  # Python's int() truncates towards zero


def sample(m, column, row, fx, fy):
    w, h, data = m
    c0 = column % w  # Python's % is already never negative
    r0 = row % h
    c1 = (c0 + 1) % w
    r1 = (r0 + 1) % h
    def px(c, r):
        i = 3 * (c + w * r)
        return data[i:i + 3]
    s0, s1, s2, s3 = px(c0, r0), px(c1, r0), px(c0, r1), px(c1, r1)
    out = []
    for ch in range(3):
        top = s0[ch] + (((s1[ch] - s0[ch]) * fx) >> 8)
        bottom = s2[ch] + (((s3[ch] - s2[ch]) * fx) >> 8)
        out.append(top + (((bottom - top) * fy) >> 8))
    return out


class Scene:
    def __init__(self, **kw):
        self.zoom = 1.0
        self.lat = 0.0
        self.lon = 0.0
        self.sun_lat = 0.0
        self.sun_lon = 0.0
        self.day = None
        self.night = None
        self.light_level = 256
        self.dawn = 0.9
        self.orientation = 1
        self.fun = 0
        self.fun_dx = 0
        self.fun_dy = 0
        self.markers = []        # (lat, lon) place markers, degrees
        self.sun_marker = False  # one more marker that tracks the Sun
        self.__dict__.update(kw)


def render(sc):
    focal = 64 / math.tan(0.008726646258333333)
    radius = 1000.0
    x = ((sc.zoom * 64) * 0.5) / focal
    cam = radius / math.sin(math.atan(x))
    tan_sq = cam * cam - radius * radius
    slat = sc.sun_lat * PI / 180
    slon = sc.sun_lon * PI / 180
    sun = (math.sin(slon) * math.cos(slat), math.sin(slat), math.cos(slon) * math.cos(slat))
    lat_rad = sc.lat * PI / 180
    long_rad = PI * sc.lon / 180
    dw, dh, _ = sc.day
    xs = math.floor(dw / TWO_PI * 256)
    ys = math.floor(dh / PI * 256)

    def shade(lam, psi, s):
        a = lam + TWO_PI if lam < 0 else lam
        a = a + PI
        if a >= TWO_PI:
            a = a - TWO_PI
        b = psi + HALF_PI
        if s > 0:
            d = trunc(math.floor((1 - (1 - s) * sc.dawn) * 256))
        else:
            d = trunc(s * 256)
        X = trunc(a * xs)
        Y = trunc(b * ys)
        col, cf, row, rf = X >> 8, X & 255, Y >> 8, Y & 255
        use_night = sc.night is not None
        if use_night and d <= 0:
            out = sample(sc.night, col, row, cf, rf)
        else:
            c = sample(sc.day, col, row, cf, rf)
            if use_night:
                n = sample(sc.night, col, row, cf, rf)
                out = [(n[i] * (256 - d) + c[i] * d) >> 8 for i in range(3)]
            elif d <= 0:
                out = [(sc.light_level * c[i]) >> 8 for i in range(3)]
            else:
                L = sc.light_level
                out = [(L * c[i] + (256 - L) * trunc(c[i] * d / 256)) >> 8 for i in range(3)]
        return [v & 255 for v in out]

    img = [[[0, 0, 0] for _ in range(64)] for _ in range(64)]  # [y][x]
    on = [[0] * 64 for _ in range(64)]                          # [x][y]
    sL, cL = math.sin(long_rad), math.cos(long_rad)
    sB, cB = math.sin(lat_rad), math.cos(lat_rad)
    rlc = (2 * cam) * (-focal)
    R = trunc(math.sqrt(focal * (-focal) + rlc ** 2 / (tan_sq * 4))) + 1

    def ray(x, y):
        rx = x - 31.5
        ry = 31.5 - y
        q = rx * rx + ry * ry + focal * focal
        delta = rlc * rlc + (q * -4) * tan_sq
        if delta >= 0:
            r = math.sqrt(delta)
            t = min((r - rlc) / (2 * q), (-rlc - r) / (2 * q))
            return (t * rx, t * ry, t * (-focal) + cam)
        return None

    def geo(px, py, pz):
        X = cL * px - sL * sB * py + sL * cB * pz
        Y = cB * py + sB * pz
        Z = -sL * px - cL * sB * py + cL * cB * pz
        if abs(Z) < 0.001:
            a = HALF_PI if X * Z > 0 else -HALF_PI
            Zs = 0.001 if Z > 0 else -0.001
        else:
            a = math.atan(X / Z)
            Zs = Z
        lam = a + PI if Zs < 0 else a
        psi = math.atan(-Y / math.sqrt(X * X + Zs * Zs))
        s = ((X * sun[0] + Y * sun[1]) + Zs * sun[2]) / radius
        return lam, psi, s, Y

    def width(y):
        m = (R - (y - 32)) * (R + (y - 32))
        return math.isqrt(m) if m > 0 else 0

    if not sc.fun:
        u = max(0, 29 - R)
        for y in range(u, 64 - u):
            for x in range(max(0, 26 - width(y)), 32):
                p = ray(x, y)
                if p is None:
                    continue
                on[x][y] = on[63 - x][y] = 1
                px, py, pz = p
                lam, psi, s, Y = geo(px, py, pz)
                c = shade(lam, psi, s)
                X2 = -cL * px - sL * sB * py + sL * cB * pz
                Z2 = sL * px - cL * sB * py + cL * cB * pz
                s2 = ((X2 * sun[0] + Y * sun[1]) + Z2 * sun[2]) / radius
                c2 = shade(2 * long_rad - lam, psi, s2)
                if sc.orientation == 1:
                    img[y][x], img[y][63 - x] = c, c2
                else:
                    img[63 - y][63 - x], img[63 - y][x] = c, c2
    else:
        dx, dy = sc.fun_dx, sc.fun_dy
        y0 = min(max(29 - R, -dy), 63 - dy)
        y1 = min(max(R + 34, -dy), 63 - dy)
        for y in range(y0, y1 + 1):
            w = width(y)
            x0 = min(max(26 - w, -dx), 63 - dx)
            x1 = min(max(w + 37, -dx), 63 - dx)
            for x in range(x0, x1 + 1):
                p = ray(x, y)
                if p is None:
                    continue
                on[x + dx][y + dy] = 1
                lam, psi, s, _ = geo(*p)
                img[y + dy][x + dx] = shade(lam, psi, s)

    # Markers.
    vectors = []
    for mlat, mlon in sc.markers:
        la, lo = mlat * PI / 180, mlon * PI / 180
        vectors.append(((math.sin(lo) * math.cos(la), math.sin(la), math.cos(lo) * math.cos(la)), None))
    if sc.sun_marker:
        vectors.append((sun, (255, 255, 127)))

    def turned(x, y):
        if not sc.fun and sc.orientation != 1:
            return 63 - x, 63 - y
        return x, y

    def paint(x, y, colour):
        if 0 <= x < 64 and 0 <= y < 64 and on[x][y]:
            if colour is None:
                colour = (0, 0, 0) if max(img[y][x]) >= 128 else (255, 255, 255)
            img[y][x] = list(colour)

    for (mx, my, mz), body in vectors:
        h = sL * mx + cL * mz
        if sB * my + cB * h <= 0:
            continue
        cx = mx * cL + mz * (-sL)
        cy = my * cB + h * (-sB)
        px = trunc(sc.fun_dx + (cx * R + 32))
        py = trunc(sc.fun_dy + (32 - cy * R))
        if not (0 <= px < 64 and 0 <= py < 64 and on[px][py]):
            continue
        qx, qy = turned(px, py)
        if body is None:
            for d in range(2, 9):
                for ax, ay in ((d, 0), (-d, 0), (0, -d), (0, d)):
                    paint(qx + ax, qy + ay, None)
        else:
            for k in (0, 2, 4, 6):
                for dist, colour in ((2 + k, None), (3 + k, body)):
                    for ax, ay in ((dist, 0), (-dist, 0), (0, -dist), (0, dist)):
                        paint(qx + ax, qy + ay, colour)

    data = bytes(v for row in img for px in row for v in px)
    return data, R


def fnv1a(data):
    h = 0xcbf29ce484222325
    for b in data:
        h ^= b
        h = (h * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return h


def scenes():
    day = noise_map(360, 180, 11)
    night = noise_map(360, 180, 12)
    dusk = dict(day=day, night=night, light_level=64, lat=20, lon=30, sun_lat=10, sun_lon=80)
    return [
        ("dusk", Scene(**dusk)),
        ("dusk south up", Scene(orientation=-1, **dusk)),
        ("dimmed night zoomed", Scene(day=day, light_level=64, zoom=2.5, lat=-60, lon=-150,
                                      sun_lat=-20, sun_lon=170, markers=[(-55, -140), (-70, -160)],
                                      sun_marker=True)),
        ("offset", Scene(day=day, night=night, zoom=0.7, fun=1, fun_dx=7, fun_dy=-5, lat=45,
                         lon=100, sun_lat=-23, sun_lon=60, markers=[(40, 95)])),
        ("pole close up", Scene(day=day, night=night, zoom=100000, lat=89.99999, lon=-164.5, sun_lat=5,
                                sun_lon=0)),
    ]


if __name__ == "__main__":
    for name, sc in scenes():
        data, R = render(sc)
        print(f"{name:24s} radius {R:6d}  fnv1a 0x{fnv1a(data):016x}")
