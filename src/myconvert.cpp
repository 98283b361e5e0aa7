// Puts an RGB image into an existing pixmap, reusing one X image for the
// whole run: after the first call a conversion allocates nothing and creates
// no X resource.

// A missing argument is a programming error in every build, release ones too.
#undef NDEBUG
#include "myconvert.h"

#include <X11/Xutil.h>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <utility>

RXImage *(*create_ximage_hook)(RContext *context, int depth, unsigned width, unsigned height) = RCreateXImage;

namespace {

// Room for a row of up to 71 pixels plus the one past its end.
constexpr int ROW_LENGTH = 72;

enum class Path { grey, cube, true_color };

RXImage *cached_ximage = nullptr;
// The grey path uses the red table alone.
uint16_t red_table[256], green_table[256], blue_table[256];
// Current red, green, blue, then next red, green, blue.
int16_t error_rows[6][ROW_LENGTH];
// One row's pixel values, worked out before they are put into the X image:
// the loops that work them out then make no call through Xlib.
unsigned long row_pixels[ROW_LENGTH];

// Each input level scaled to 0..mask, to the nearest whole value.
void fillTable(uint16_t *table, uint16_t mask)
{
    for (int i = 0; i < 256; i++)
        table[i] = static_cast<uint16_t>((i * mask + 127) / 255);
}

int clampLevel(int v)
{
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

int greyOf(const unsigned char *rgb)
{
    return (30 * rgb[0] + 59 * rgb[1] + 11 * rgb[2]) / 100;
}

// How red, green and blue levels (table values) make a pixel value.
struct PixelRule {
    bool true_color;
    int red_offset, green_offset, blue_offset;
    int cpc;
    const XColor *colors;
};

PixelRule pixelRule(const RContext *context, Path path)
{
    return {path == Path::true_color, context->red_offset, context->green_offset, context->blue_offset,
            context->attribs->colors_per_channel, context->colors};
}

inline unsigned long colourPixel(const PixelRule &rule, int r, int g, int b)
{
    if (rule.true_color)
        return (static_cast<unsigned long>(r) << rule.red_offset) |
               (static_cast<unsigned long>(g) << rule.green_offset) |
               (static_cast<unsigned long>(b) << rule.blue_offset);
    return rule.colors[r * rule.cpc * rule.cpc + g * rule.cpc + b].pixel;
}

void putRow(XImage *ximage, int y, int width)
{
    for (int x = 0; x < width; x++)
        XPutPixel(ximage, x, y, row_pixels[x]);
}

inline void add(int16_t &cell, int amount)
{
    cell = static_cast<int16_t>(cell + amount);
}

void bestMatchColour(const RContext *context, Path path, const RImage *image, XImage *ximage)
{
    const PixelRule rule = pixelRule(context, path);
    const unsigned char *p = image->data;
    for (int y = 0; y < image->height; y++) {
        for (int x = 0; x < image->width; x++, p += 3)
            row_pixels[x] = colourPixel(rule, red_table[p[0]], green_table[p[1]], blue_table[p[2]]);
        putRow(ximage, y, image->width);
    }
}

void bestMatchGrey(const RContext *context, const RImage *image, XImage *ximage)
{
    const XColor *colors = context->colors;
    const unsigned char *p = image->data;
    for (int y = 0; y < image->height; y++) {
        for (int x = 0; x < image->width; x++, p += 3)
            row_pixels[x] = colors[red_table[greyOf(p)]].pixel;
        putRow(ximage, y, image->width);
    }
}

// Clamps a level that spread errors pushed out of 0..255 and stores it back.
inline int takeLevel(int16_t *row, int x)
{
    int v = clampLevel(row[x]);
    row[x] = static_cast<int16_t>(v);
    return v;
}

// TrueColor and grey: 3/8 right, 3/8 down, the rest down-right.
inline void spreadThreeEighths(int16_t *cur, int16_t *next, int x, int e)
{
    int s = (3 * e) / 8;
    add(cur[x + 1], s);
    add(next[x], s);
    add(next[x + 1], e - 2 * s);
}

// The colour cube: Floyd-Steinberg, 7/16 right, 3/16, 5/16 and 1/16 below.
inline void spreadFloydSteinberg(int16_t *cur, int16_t *next, int x, int e)
{
    add(cur[x + 1], (7 * e) / 16);
    add(next[x], (5 * e) / 16);
    if (x > 0)
        add(next[x - 1], (3 * e) / 16);
    add(next[x + 1], e / 16);
}

// The image's row y, one channel (0 red, 1 green, 2 blue), into an error row;
// the slot past the end repeats the last pixel, or is 0 for the first row.
void loadRow(int16_t *row, const RImage *image, int y, int channel, bool repeat_last)
{
    const unsigned char *p = image->data + 3 * y * image->width + channel;
    for (int x = 0; x < image->width; x++)
        row[x] = p[3 * x];
    row[image->width] = repeat_last ? p[3 * (image->width - 1)] : 0;
}

// The colour paths diffuse red, green and blue each on its own.
void ditherColour(const RContext *context, Path path, const RImage *image, XImage *ximage, const int step[3])
{
    const PixelRule rule = pixelRule(context, path);
    const int step_r = step[0], step_g = step[1], step_b = step[2];
    const int width = image->width;
    int16_t *cur_r = error_rows[0], *cur_g = error_rows[1], *cur_b = error_rows[2];
    int16_t *next_r = error_rows[3], *next_g = error_rows[4], *next_b = error_rows[5];

    loadRow(cur_r, image, 0, 0, false);
    loadRow(cur_g, image, 0, 1, false);
    loadRow(cur_b, image, 0, 2, false);
    for (int y = 0; y < image->height; y++) {
        if (y + 1 < image->height) {
            loadRow(next_r, image, y + 1, 0, true);
            loadRow(next_g, image, y + 1, 1, true);
            loadRow(next_b, image, y + 1, 2, true);
        }
        for (int x = 0; x < width; x++) {
            int r = takeLevel(cur_r, x), g = takeLevel(cur_g, x), b = takeLevel(cur_b, x);
            int qr = red_table[r], qg = green_table[g], qb = blue_table[b];
            row_pixels[x] = colourPixel(rule, qr, qg, qb);
            int er = r - qr * step_r, eg = g - qg * step_g, eb = b - qb * step_b;
            if (rule.true_color) {
                spreadThreeEighths(cur_r, next_r, x, er);
                spreadThreeEighths(cur_g, next_g, x, eg);
                spreadThreeEighths(cur_b, next_b, x, eb);
            } else {
                spreadFloydSteinberg(cur_r, next_r, x, er);
                spreadFloydSteinberg(cur_g, next_g, x, eg);
                spreadFloydSteinberg(cur_b, next_b, x, eb);
            }
        }
        putRow(ximage, y, width);
        std::swap(cur_r, next_r);
        std::swap(cur_g, next_g);
        std::swap(cur_b, next_b);
    }
}

// The grey path diffuses the one grey value like the TrueColor path.
void ditherGrey(const RContext *context, const RImage *image, XImage *ximage, int step)
{
    const XColor *colors = context->colors;
    int16_t *cur = error_rows[0];
    int16_t *next = error_rows[3];
    const int width = image->width;
    const unsigned char *data = image->data;

    for (int x = 0; x < width; x++)
        cur[x] = static_cast<int16_t>(greyOf(data + 3 * x));
    cur[width] = 0;
    for (int y = 0; y < image->height; y++) {
        if (y + 1 < image->height) {
            const unsigned char *row = data + 3 * (y + 1) * width;
            for (int x = 0; x < width; x++)
                next[x] = static_cast<int16_t>(greyOf(row + 3 * x));
            next[width] = static_cast<int16_t>(greyOf(row + 3 * (width - 1)));
        }
        for (int x = 0; x < width; x++) {
            int v = takeLevel(cur, x);
            int q = red_table[v];
            row_pixels[x] = colors[q].pixel;
            spreadThreeEighths(cur, next, x, v - q * step);
        }
        putRow(ximage, y, width);
        std::swap(cur, next);
    }
}

} // namespace

int myRConvertImage(RContext *context, RImage *image, Pixmap *pixmap)
{
    assert(context != NULL);
    assert(image != NULL);
    assert(pixmap != NULL);

    Path path;
    const char *failure;
    switch (context->vclass) {
    case StaticGray:
    case GrayScale:
        path = Path::grey;
        failure = "error!";
        break;
    case StaticColor:
    case PseudoColor:
        path = Path::cube;
        failure = "err psc";
        break;
    case TrueColor:
        path = Path::true_color;
        failure = "err ";
        break;
    default:
        return 0;
    }

    if (!cached_ximage)
        cached_ximage = create_ximage_hook(context, context->depth, image->width, image->height);
    if (!cached_ximage) {
        puts(failure);
        return 0;
    }

    int step[3];
    if (path == Path::true_color) {
        const Visual *visual = context->visual;
        const auto red_mask = static_cast<uint16_t>(visual->red_mask >> context->red_offset);
        const auto green_mask = static_cast<uint16_t>(visual->green_mask >> context->green_offset);
        const auto blue_mask = static_cast<uint16_t>(visual->blue_mask >> context->blue_offset);
        fillTable(red_table, red_mask);
        fillTable(green_table, green_mask);
        fillTable(blue_table, blue_mask);
        step[0] = 255 / red_mask;
        step[1] = 255 / green_mask;
        step[2] = 255 / blue_mask;
    } else if (path == Path::cube) {
        const auto mask = static_cast<uint16_t>(context->attribs->colors_per_channel - 1);
        fillTable(red_table, mask);
        fillTable(green_table, mask);
        fillTable(blue_table, mask);
        step[0] = step[1] = step[2] = 255 / mask;
    } else {
        int cpc = context->attribs->colors_per_channel;
        const auto mask = static_cast<uint16_t>(context->vclass == StaticGray ? (1 << context->depth) - 1
                                                                             : cpc * cpc * cpc - 1);
        fillTable(red_table, mask);
        step[0] = 255 / mask;
    }

    XImage *ximage = cached_ximage->image;
    if (context->attribs->render_mode == RBestMatchRendering) {
        if (path == Path::grey)
            bestMatchGrey(context, image, ximage);
        else
            bestMatchColour(context, path, image, ximage);
    } else {
        if (path == Path::grey)
            ditherGrey(context, image, ximage, step[0]);
        else
            ditherColour(context, path, image, ximage, step);
    }

    RPutXImage(context, *pixmap, context->copy_gc, cached_ximage, 0, 0, 0, 0, image->width, image->height);
    return 1;
}

void resetConvertCache()
{
    cached_ximage = nullptr;
}
