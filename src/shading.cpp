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

inline int lerp256(int from, int to, int fraction)
{
    // The shift is arithmetic: a negative step rounds towards minus infinity.
    return from + (((to - from) * fraction) >> 8);
}

// Where the four neighbours of a map position lie in the map's bytes. The
// night map has the day map's size, so one place serves both samples.
struct SamplePlace {
    size_t p00, p10, p01, p11; // (c0, r0), (c1, r0), (c0, r1), (c1, r1)
};

inline SamplePlace samplePlace(int width, int height, int column, int row)
{
    int c0 = wrapIndex(column, width);
    int r0 = wrapIndex(row, height);
    // The right neighbour of the last column is column 0 and the lower
    // neighbour of the last row is the top row.
    int c1 = nextIndex(c0, width);
    int r1 = nextIndex(r0, height);
    size_t w = static_cast<size_t>(width);
    size_t row0 = static_cast<size_t>(r0) * w, row1 = static_cast<size_t>(r1) * w;
    return {3 * (row0 + c0), 3 * (row0 + c1), 3 * (row1 + c0), 3 * (row1 + c1)};
}

// The bilinear blend at `at`: the two rows across first, then down. The
// scratch ends as it always has: the result in samples[0], the upper-right
// and lower-right neighbours in [1] and [3], the lower row's blend in [2].
inline SampleRGB blend(const unsigned char *data, const SamplePlace &at, SampleRGB *samples,
                       int column_fraction, int row_fraction)
{
    const unsigned char *q0 = data + at.p00, *q1 = data + at.p10;
    const unsigned char *q2 = data + at.p01, *q3 = data + at.p11;
    SampleRGB s1 = {q1[0], q1[1], q1[2]};
    SampleRGB s3 = {q3[0], q3[1], q3[2]};
    SampleRGB top = {lerp256(q0[0], s1.r, column_fraction), lerp256(q0[1], s1.g, column_fraction),
                     lerp256(q0[2], s1.b, column_fraction)};
    SampleRGB bottom = {lerp256(q2[0], s3.r, column_fraction), lerp256(q2[1], s3.g, column_fraction),
                        lerp256(q2[2], s3.b, column_fraction)};
    SampleRGB result = {lerp256(top.r, bottom.r, row_fraction), lerp256(top.g, bottom.g, row_fraction),
                        lerp256(top.b, bottom.b, row_fraction)};
    samples[0] = result;
    samples[1] = s1;
    samples[2] = bottom;
    samples[3] = s3;
    return result;
}

} // namespace

void sampleMap(RImage *map, int column, int row, SampleRGB *samples, int column_fraction,
               int row_fraction)
{
    blend(map->data, samplePlace(map->width, map->height, column, row), samples, column_fraction,
          row_fraction);
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
    const RImage *day = app.day_map;
    const RImage *night = app.use_night_map ? app.night_map : nullptr;
    if (night && d <= 0) {
        SamplePlace at = samplePlace(night->width, night->height, column, row);
        SampleRGB n = blend(night->data, at, app.day_samples, column_fraction, row_fraction);
        r = n.r;
        g = n.g;
        bl = n.b;
    } else {
        SamplePlace at = samplePlace(day->width, day->height, column, row);
        SampleRGB c = blend(day->data, at, app.day_samples, column_fraction, row_fraction);
        if (night) {
            if (night->width != day->width || night->height != day->height)
                at = samplePlace(night->width, night->height, column, row);
            SampleRGB n = blend(night->data, at, app.night_samples, column_fraction, row_fraction);
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
