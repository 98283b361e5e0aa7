#include "shading.h"

#include <cmath>
#include <cstddef>

namespace {

constexpr double TWO_PI = 6.283185306;
constexpr double HALF_PI = 1.5707963265;

// Remainder that never goes negative: near a pole at very high zoom the
// mirrored longitude can fall a little outside one turn. Positions inside
// the map, nearly all of them, skip the division.
inline int wrapIndex(int value, int size)
{
    if (value >= 0 && value < size)
        return value;
    int r = value % size;
    return r < 0 ? r + size : r;
}

// The next column or row, the first one after the last.
inline int nextIndex(int index, int size)
{
    return index + 1 == size ? 0 : index + 1;
}

inline void readPixel(const RImage *map, int column, int row, SampleRGB &out)
{
    const unsigned char *p =
        map->data + 3 * (static_cast<size_t>(row) * static_cast<size_t>(map->width) + column);
    out.r = p[0];
    out.g = p[1];
    out.b = p[2];
}

inline int lerp256(int from, int to, int fraction)
{
    // The shift is arithmetic: a negative step rounds towards minus infinity.
    return from + (((to - from) * fraction) >> 8);
}

} // namespace

void sampleMap(RImage *map, int column, int row, SampleRGB *samples, int column_fraction,
               int row_fraction)
{
    int width = map->width;
    int height = map->height;
    int c0 = wrapIndex(column, width);
    int r0 = wrapIndex(row, height);
    // The right neighbour of the last column is column 0 and the lower
    // neighbour of the last row is the top row.
    int c1 = nextIndex(c0, width);
    int r1 = nextIndex(r0, height);
    readPixel(map, c0, r0, samples[0]);
    readPixel(map, c1, r0, samples[1]);
    readPixel(map, c0, r1, samples[2]);
    readPixel(map, c1, r1, samples[3]);

    SampleRGB &s0 = samples[0];
    SampleRGB &s1 = samples[1];
    SampleRGB &s2 = samples[2];
    SampleRGB &s3 = samples[3];
    s0.r = lerp256(s0.r, s1.r, column_fraction);
    s0.g = lerp256(s0.g, s1.g, column_fraction);
    s0.b = lerp256(s0.b, s1.b, column_fraction);
    s2.r = lerp256(s2.r, s3.r, column_fraction);
    s2.g = lerp256(s2.g, s3.g, column_fraction);
    s2.b = lerp256(s2.b, s3.b, column_fraction);
    s0.r = lerp256(s0.r, s2.r, row_fraction);
    s0.g = lerp256(s0.g, s2.g, row_fraction);
    s0.b = lerp256(s0.b, s2.b, row_fraction);
}

RColor shadePixel(double lambda, double psi, double s)
{
    // Longitude from the map's left edge (-180 degrees), angle from the north pole.
    double a = lambda < 0 ? lambda + TWO_PI : lambda;
    a = a + PI;
    if (a >= TWO_PI)
        a = a - TWO_PI;
    double b = psi + HALF_PI;

    // Day weight in 1/256: 256 under the Sun, a ramp towards the terminator
    // whose height there is set by the dawn factor, 0 or less at night.
    int d;
    if (s > 0)
        d = static_cast<int>(floor((1 - (1 - s) * app.dawn) * 256));
    else
        d = static_cast<int>(s * 256);

    int x = static_cast<int>(a * app.map_x_scale);
    int y = static_cast<int>(b * app.map_y_scale);
    int column = x >> 8, column_fraction = x & 255;
    int row = y >> 8, row_fraction = y & 255;

    int r, g, bl;
    bool night_map = app.use_night_map && app.night_map;
    if (night_map && d <= 0) {
        sampleMap(app.night_map, column, row, app.day_samples, column_fraction, row_fraction);
        const SampleRGB &n = app.day_samples[0];
        r = n.r;
        g = n.g;
        bl = n.b;
    } else {
        sampleMap(app.day_map, column, row, app.day_samples, column_fraction, row_fraction);
        const SampleRGB &c = app.day_samples[0];
        if (night_map) {
            sampleMap(app.night_map, column, row, app.night_samples, column_fraction,
                      row_fraction);
            const SampleRGB &n = app.night_samples[0];
            r = (n.r * (256 - d) + c.r * d) >> 8;
            g = (n.g * (256 - d) + c.g * d) >> 8;
            bl = (n.b * (256 - d) + c.b * d) >> 8;
        } else if (d <= 0) {
            int l = app.light_level;
            r = (l * c.r) >> 8;
            g = (l * c.g) >> 8;
            bl = (l * c.b) >> 8;
        } else {
            int l = app.light_level;
            r = (l * c.r + (256 - l) * (c.r * d / 256)) >> 8;
            g = (l * c.g + (256 - l) * (c.g * d / 256)) >> 8;
            bl = (l * c.b + (256 - l) * (c.b * d / 256)) >> 8;
        }
    }
    RColor color;
    color.red = static_cast<unsigned char>(r & 255);
    color.green = static_cast<unsigned char>(g & 255);
    color.blue = static_cast<unsigned char>(bl & 255);
    color.alpha = 255;
    return color;
}
