// The program's own libwraster rendering context: the default visual of the
// screen, a copy GC, and on colour-mapped and grey visuals the palette that
// every conversion indexes.
#include "mycontext.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// The screen's default visual, a 27-colour cube, dithering, no gamma, no
// shared memory. Standard colormaps are ignored: the palette built here is
// the only one, and libwraster's own converter, which does the first
// conversion with this context, must not go looking for another.
constexpr RContextAttributes default_attributes = {
    RC_DefaultVisual, RDitheredRendering, 3, 0.0f, 0.0f, 0.0f, 0, 0, RBoxFilter, RIgnoreStdColormap};

constexpr unsigned short ALL_CHANNELS = DoRed | DoGreen | DoBlue;

// The per-screen variable ("WRASTER_GAMMA0") wins over the plain one.
const char *lookUpSetting(const char *name, int screen_number)
{
    char per_screen[64];
    snprintf(per_screen, sizeof per_screen, "%s%d", name, screen_number);
    const char *value = getenv(per_screen);
    return value ? value : getenv(name);
}

void readEnvironment(RContext *context)
{
    RContextAttributes *attribs = context->attribs;
    if (const char *value = lookUpSetting("WRASTER_GAMMA", context->screen_number)) {
        float r, g, b;
        // Written so that a NaN ("nan/nan/nan" reads as three numbers) is refused.
        if (sscanf(value, "%f/%f/%f", &r, &g, &b) != 3 || !(r > 0) || !(g > 0) || !(b > 0)) {
            printf("wrlib: invalid value(s) for gamma correction \"%s\"\n", value);
        } else {
            attribs->flags |= RC_GammaCorrection;
            attribs->rgamma = r;
            attribs->ggamma = g;
            attribs->bgamma = b;
        }
    }
    if (const char *value = lookUpSetting("WRASTER_COLOR_RESOLUTION", context->screen_number)) {
        int cpc;
        if (sscanf(value, "%d", &cpc) != 1 || cpc < 2 || cpc > 6) {
            printf("wrlib: invalid value for color resolution \"%s\"\n", value);
        } else {
            attribs->flags |= RC_ColorsPerChannel;
            attribs->colors_per_channel = cpc;
        }
    }
}

int trailingZeros(unsigned long mask)
{
    int n = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        n++;
    }
    return n;
}

// Colours per channel of a cube (or grey levels of GrayScale) that fits the
// visual: a cube with more entries than the visual has pixel values shrinks
// to 2^(depth/3) per channel. Depths 1 and 2 leave fewer than two levels per
// channel, which no palette here can work with; such a visual is refused.
int fitColorsPerChannel(RContext *context)
{
    int cpc = context->attribs->colors_per_channel;
    long cells = 1L << context->depth;
    if (long(cpc) * cpc * cpc > cells) {
        cpc = 1 << (context->depth / 3);
        context->attribs->colors_per_channel = cpc;
    }
    if (cpc < 2 || long(cpc) * cpc * cpc > cells) {
        RErrorCode = RERR_BADVISUALID;
        return 0;
    }
    return cpc;
}

unsigned long colourDistance(const XColor &wanted, const XColor &cell)
{
    // Differences in whole 8-bit steps; the shift is arithmetic, so -1..-255 give -1.
    int r = (int(wanted.red) - int(cell.red)) >> 8;
    int g = (int(wanted.green) - int(cell.green)) >> 8;
    int b = (int(wanted.blue) - int(cell.blue)) >> 8;
    return static_cast<unsigned long>(r * r + g * g + b * b);
}

// Entries that could not be allocated take the nearest colour the colormap
// already holds: two tries, the second starting from the first one's best.
void useClosestColours(RContext *context, XColor *colors, int count)
{
    int cells = context->depth >= 8 ? 256 : 1 << context->depth;
    std::array<XColor, 256> colormap{};
    for (int j = 0; j < cells; j++)
        colormap[j].pixel = static_cast<unsigned long>(j);
    XQueryColors(context->dpy, context->cmap, colormap.data(), cells);

    for (int k = 0; k < count; k++) {
        XColor &entry = colors[k];
        if (entry.flags != 0)
            continue;
        unsigned long best_distance = 4294967295UL;
        int best = 0;
        for (int attempt = 0; attempt < 2; attempt++) {
            for (int j = 0; j < cells; j++) {
                unsigned long distance = colourDistance(entry, colormap[j]);
                if (distance < best_distance) {
                    best = j;
                    best_distance = distance;
                }
            }
            entry.red = colormap[best].red;
            entry.green = colormap[best].green;
            entry.blue = colormap[best].blue;
            if (XAllocColor(context->dpy, context->cmap, &entry)) {
                entry.flags = ALL_CHANNELS;
                break;
            }
        }
    }
}

void allocateEntries(RContext *context, XColor *colors, int count)
{
    for (int k = 0; k < count; k++)
        colors[k].flags = XAllocColor(context->dpy, context->cmap, &colors[k]) ? ALL_CHANNELS : 0;
    useClosestColours(context, colors, count);
}

// An infinite gamma (WRASTER_GAMMA=inf/inf/inf is three numbers above 0)
// makes every power 1, which would be 65536: held at the top level.
unsigned short gammaLevel(unsigned short level, float gamma)
{
    double v = 65536.0 * pow(level / 65536.0, 1.0 / gamma);
    return static_cast<unsigned short>(v < 65535.0 ? v : 65535.0);
}

// libwraster's own converter reads the cube's pixels from `pixels` and its
// size from `ncolors`; both mirror the palette.
bool mirrorPixels(RContext *context, int count)
{
    auto *pixels = static_cast<unsigned long *>(malloc(sizeof(unsigned long) * count));
    if (!pixels) {
        RErrorCode = RERR_NOMEMORY;
        return false;
    }
    for (int k = 0; k < count; k++)
        pixels[k] = context->colors[k].pixel;
    context->pixels = pixels;
    context->ncolors = count;
    return true;
}

void releaseContext(RContext *context)
{
    if (context->copy_gc)
        XFreeGC(context->dpy, context->copy_gc);
    free(context->pixels);
    free(context->colors);
    free(context->attribs);
    free(context);
}

} // namespace

XColor *allocatePseudoColor(RContext *context)
{
    int cpc = fitColorsPerChannel(context);
    if (!cpc)
        return nullptr;
    int count = cpc * cpc * cpc;
    auto *colors = static_cast<XColor *>(calloc(count, sizeof(XColor)));
    if (!colors) {
        RErrorCode = RERR_NOMEMORY;
        return nullptr;
    }
    const RContextAttributes *attribs = context->attribs;
    bool gamma = (attribs->flags & RC_GammaCorrection) && attribs->rgamma > 0 && attribs->ggamma > 0 &&
                 attribs->bgamma > 0;
    for (int r = 0; r < cpc; r++)
        for (int g = 0; g < cpc; g++)
            for (int b = 0; b < cpc; b++) {
                XColor &entry = colors[(r * cpc + g) * cpc + b];
                entry.red = static_cast<unsigned short>((r * 65535) / (cpc - 1));
                entry.green = static_cast<unsigned short>((g * 65535) / (cpc - 1));
                entry.blue = static_cast<unsigned short>((b * 65535) / (cpc - 1));
                entry.flags = ALL_CHANNELS;
                if (gamma) {
                    entry.red = gammaLevel(entry.red, attribs->rgamma);
                    entry.green = gammaLevel(entry.green, attribs->ggamma);
                    entry.blue = gammaLevel(entry.blue, attribs->bgamma);
                }
            }
    allocateEntries(context, colors, count);
    return colors;
}

XColor *allocateGrayScale(RContext *context)
{
    int count;
    if (context->vclass == StaticGray) {
        count = 1 << context->depth;
    } else {
        int cpc = fitColorsPerChannel(context);
        if (!cpc)
            return nullptr;
        count = cpc * cpc * cpc;
    }
    if (count >= 256 && context->vclass == StaticGray)
        context->attribs->render_mode = RBestMatchRendering;
    auto *colors = static_cast<XColor *>(calloc(count, sizeof(XColor)));
    if (!colors) {
        RErrorCode = RERR_NOMEMORY;
        return nullptr;
    }
    for (int k = 0; k < count; k++) {
        auto level = static_cast<unsigned short>((long(k) * 65535) / (count - 1));
        colors[k].red = colors[k].green = colors[k].blue = level;
        colors[k].flags = ALL_CHANNELS;
    }
    allocateEntries(context, colors, count);
    return colors;
}

RContext *myRCreateContext(Display *display, int screen_number)
{
    auto *context = static_cast<RContext *>(calloc(1, sizeof(RContext)));
    if (!context) {
        RErrorCode = RERR_NOMEMORY;
        return nullptr;
    }
    context->dpy = display;
    context->screen_number = screen_number;
    context->attribs = static_cast<RContextAttributes *>(malloc(sizeof(RContextAttributes)));
    if (!context->attribs) {
        free(context);
        RErrorCode = RERR_NOMEMORY;
        return nullptr;
    }
    *context->attribs = default_attributes;

    readEnvironment(context);

    context->visual = DefaultVisual(display, screen_number);
    context->depth = DefaultDepth(display, screen_number);
    context->cmap = DefaultColormap(display, screen_number);
    context->drawable = RootWindow(display, screen_number);
    context->black = BlackPixel(display, screen_number);
    context->white = WhitePixel(display, screen_number);
    context->vclass = context->visual->c_class;

    XGCValues values;
    values.function = GXcopy;
    values.graphics_exposures = False;
    context->copy_gc = XCreateGC(display, context->drawable, GCFunction | GCGraphicsExposures, &values);

    switch (context->vclass) {
    case StaticColor:
    case PseudoColor: {
        context->colors = allocatePseudoColor(context);
        int cpc = context->attribs->colors_per_channel;
        if (!context->colors || !mirrorPixels(context, cpc * cpc * cpc)) {
            releaseContext(context);
            return nullptr;
        }
        break;
    }
    case StaticGray:
    case GrayScale:
        context->colors = allocateGrayScale(context);
        if (!context->colors) {
            releaseContext(context);
            return nullptr;
        }
        break;
    case TrueColor:
        context->red_offset = trailingZeros(context->visual->red_mask);
        context->green_offset = trailingZeros(context->visual->green_mask);
        context->blue_offset = trailingZeros(context->visual->blue_mask);
        if (context->depth >= 24)
            context->attribs->render_mode = RBestMatchRendering;
        break;
    default:
        break;
    }
    return context;
}
