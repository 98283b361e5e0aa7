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

unsigned long colourPixel(const RContext *context, Path path, int r, int g, int b)
{
    if (path == Path::true_color)
        return (static_cast<unsigned long>(r) << context->red_offset) |
               (static_cast<unsigned long>(g) << context->green_offset) |
               (static_cast<unsigned long>(b) << context->blue_offset);
    int cpc = context->attribs->colors_per_channel;
    return context->colors[r * cpc * cpc + g * cpc + b].pixel;
}

void add(int16_t &cell, int amount)
{
    cell = static_cast<int16_t>(cell + amount);
}

void bestMatchColour(const RContext *context, Path path, const RImage *image, XImage *ximage)
{
    const unsigned char *p = image->data;
    for (int y = 0; y < image->height; y++)
        for (int x = 0; x < image->width; x++, p += 3)
            XPutPixel(ximage, x, y,
                      colourPixel(context, path, red_table[p[0]], green_table[p[1]], blue_table[p[2]]));
}

void bestMatchGrey(const RContext *context, const RImage *image, XImage *ximage)
{
    const unsigned char *p = image->data;
    for (int y = 0; y < image->height; y++)
        for (int x = 0; x < image->width; x++, p += 3)
            XPutPixel(ximage, x, y, context->colors[red_table[greyOf(p)]].pixel);
}

// The colour paths diffuse each channel on its own; the TrueColor path
// spreads 3/8 right, 3/8 down and the rest down-right, the cube path
// 7/16, 5/16, 3/16 and 1/16 (Floyd-Steinberg).
void ditherColour(const RContext *context, Path path, const RImage *image, XImage *ximage, const int step[3])
{
    const uint16_t *tables[3] = {red_table, green_table, blue_table};
    int16_t *cur[3] = {error_rows[0], error_rows[1], error_rows[2]};
    int16_t *next[3] = {error_rows[3], error_rows[4], error_rows[5]};
    const int width = image->width;
    const unsigned char *data = image->data;

    for (int c = 0; c < 3; c++) {
        for (int x = 0; x < width; x++)
            cur[c][x] = data[3 * x + c];
        cur[c][width] = 0;
    }
    for (int y = 0; y < image->height; y++) {
        if (y + 1 < image->height) {
            const unsigned char *row = data + 3 * (y + 1) * width;
            for (int c = 0; c < 3; c++) {
                for (int x = 0; x < width; x++)
                    next[c][x] = row[3 * x + c];
                next[c][width] = row[3 * (width - 1) + c];
            }
        }
        for (int x = 0; x < width; x++) {
            int v[3], q[3];
            for (int c = 0; c < 3; c++) {
                v[c] = clampLevel(cur[c][x]);
                cur[c][x] = static_cast<int16_t>(v[c]);
                q[c] = tables[c][v[c]];
            }
            XPutPixel(ximage, x, y, colourPixel(context, path, q[0], q[1], q[2]));
            for (int c = 0; c < 3; c++) {
                int e = v[c] - q[c] * step[c];
                if (path == Path::true_color) {
                    int s = (3 * e) / 8;
                    add(cur[c][x + 1], s);
                    add(next[c][x], s);
                    add(next[c][x + 1], e - 2 * s);
                } else {
                    add(cur[c][x + 1], (7 * e) / 16);
                    add(next[c][x], (5 * e) / 16);
                    if (x > 0)
                        add(next[c][x - 1], (3 * e) / 16);
                    add(next[c][x + 1], e / 16);
                }
            }
        }
        for (int c = 0; c < 3; c++) {
            int16_t *t = cur[c];
            cur[c] = next[c];
            next[c] = t;
        }
    }
}

// The grey path diffuses the one grey value like the TrueColor path.
void ditherGrey(const RContext *context, const RImage *image, XImage *ximage, int step)
{
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
            int v = clampLevel(cur[x]);
            cur[x] = static_cast<int16_t>(v);
            int q = red_table[v];
            XPutPixel(ximage, x, y, context->colors[q].pixel);
            int e = v - q * step;
            int s = (3 * e) / 8;
            add(cur[x + 1], s);
            add(next[x], s);
            add(next[x + 1], e - 2 * s);
        }
        int16_t *t = cur;
        cur = next;
        next = t;
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
