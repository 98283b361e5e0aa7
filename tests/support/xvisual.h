// Helpers for tests that draw on a private Xvfb with a chosen default visual.
#pragma once

// GoogleTest before Xlib, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdlib>
#include <functional>
#include <vector>
#include <wraster.h>

#include "xserver.h"

// The Xvfb arguments that give a screen of this default visual class and depth.
struct VisualServer {
    const char *name;
    const char *args;
    int vclass;
    int depth;
};

inline constexpr VisualServer STATIC_GRAY_8{"StaticGray8", "-screen 0 320x240x8 -cc 0", StaticGray, 8};
inline constexpr VisualServer GRAY_SCALE_8{"GrayScale8", "-screen 0 320x240x8 -cc 1", GrayScale, 8};
inline constexpr VisualServer STATIC_COLOR_8{"StaticColor8", "-screen 0 320x240x8 -cc 2", StaticColor, 8};
inline constexpr VisualServer PSEUDO_COLOR_8{"PseudoColor8", "-screen 0 320x240x8 -cc 3", PseudoColor, 8};
inline constexpr VisualServer TRUE_COLOR_16{"TrueColor16", "-screen 0 320x240x16 -cc 4", TrueColor, 16};
inline constexpr VisualServer TRUE_COLOR_24{"TrueColor24", "-screen 0 320x240x24 -cc 4", TrueColor, 24};
inline constexpr VisualServer DIRECT_COLOR_24{"DirectColor24", "-screen 0 320x240x24 -cc 5", DirectColor, 24};

// Opens the server's display and checks that the default visual is the one
// asked for; null, with a test failure, otherwise.
inline Display *openVisual(const ScopedXvfb &server, const VisualServer &visual)
{
    Display *display = XOpenDisplay(server.name());
    if (!display) {
        ADD_FAILURE() << "cannot open " << server.name();
        return nullptr;
    }
    int screen = DefaultScreen(display);
    if (DefaultVisual(display, screen)->c_class != visual.vclass || DefaultDepth(display, screen) != visual.depth) {
        ADD_FAILURE() << visual.name << ": the server's default visual has class "
                      << DefaultVisual(display, screen)->c_class << " and depth " << DefaultDepth(display, screen);
        XCloseDisplay(display);
        return nullptr;
    }
    return display;
}

// An RGB image whose pixels `paint` fills.
inline RImage *makeImage(int width, int height, const std::function<void(int x, int y, unsigned char *rgb)> &paint)
{
    RImage *image = RCreateImage(width, height, False);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            paint(x, y, image->data + 3 * (y * width + x));
    return image;
}

inline RImage *solidImage(int width, int height, unsigned char r, unsigned char g, unsigned char b)
{
    return makeImage(width, height, [=](int, int, unsigned char *p) {
        p[0] = r;
        p[1] = g;
        p[2] = b;
    });
}

// Reproducible noise, the same on every run.
inline RImage *noiseImage(int width, int height, unsigned seed)
{
    return makeImage(width, height, [&seed](int, int, unsigned char *p) {
        for (int c = 0; c < 3; c++) {
            seed = seed * 1103515245u + 12345u;
            p[c] = static_cast<unsigned char>(seed >> 16);
        }
    });
}

// Red across, green down, blue along the diagonal.
inline RImage *gradientImage(int width, int height)
{
    return makeImage(width, height, [=](int x, int y, unsigned char *p) {
        p[0] = static_cast<unsigned char>(x * 255 / (width - 1));
        p[1] = static_cast<unsigned char>(y * 255 / (height > 1 ? height - 1 : 1));
        p[2] = static_cast<unsigned char>((x + y) * 255 / (width + height - 2));
    });
}

// The pixel values of a drawable's top-left width x height rectangle, row by row.
inline std::vector<unsigned long> readPixels(Display *display, Drawable drawable, int width, int height)
{
    std::vector<unsigned long> pixels;
    XImage *image = XGetImage(display, drawable, 0, 0, width, height, AllPlanes, ZPixmap);
    if (!image) {
        ADD_FAILURE() << "XGetImage failed";
        return pixels;
    }
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            pixels.push_back(XGetPixel(image, x, y));
    XDestroyImage(image);
    return pixels;
}

// Takes every free cell of the default colormap for the client `hog`, as
// another program on the desktop may: read-only cells of assorted colours,
// or read-write cells that hold a grey ramp (pixel p is grey p). Returns the
// number of cells taken; the colormap is full afterwards.
inline int takeEveryFreeCell(Display *hog, bool read_only)
{
    Colormap cmap = DefaultColormap(hog, DefaultScreen(hog));
    int taken = 0;
    if (read_only) {
        for (int k = 0; k < 256; k++) {
            XColor c{};
            c.red = static_cast<unsigned short>(k * 257);
            c.green = static_cast<unsigned short>((255 - k) * 257);
            c.blue = static_cast<unsigned short>((k * 97 % 256) * 257);
            taken += XAllocColor(hog, cmap, &c) ? 1 : 0;
        }
    } else {
        unsigned long pixel;
        while (XAllocColorCells(hog, cmap, False, nullptr, 0, &pixel, 1)) {
            XColor c{};
            c.pixel = pixel;
            c.red = c.green = c.blue = static_cast<unsigned short>(pixel * 257);
            c.flags = DoRed | DoGreen | DoBlue;
            XStoreColor(hog, cmap, &c);
            taken++;
        }
    }
    XSync(hog, False);
    return taken;
}

// Frees what the program's context constructor allocated; the program
// itself keeps its context for the whole run.
inline void releaseContext(RContext *context)
{
    if (!context)
        return;
    XFreeGC(context->dpy, context->copy_gc);
    free(context->pixels);
    free(context->colors);
    free(context->attribs);
    free(context);
}
