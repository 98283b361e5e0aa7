// What the applet's 64 x 64 tile shows: its bounding shape, the built-in XPM
// artwork it is drawn from, and whether a picture of it is a globe.
#pragma once

#include <X11/Xlib.h>

#include <vector>

// A built-in XPM image decoded into 0xRRGGBB pixels; `opaque` is false where
// the image is None.
struct XpmPicture {
    int width = 0, height = 0;
    std::vector<unsigned> rgb;
    std::vector<bool> opaque;
    unsigned at(int x, int y) const { return rgb[y * width + x]; }
};

XpmPicture decodeXpm(const char *const *data);

// The bounding shape of a window as 64 x 64 flags.
std::vector<bool> windowShape(Display *display, Window window);

// Where an XPM image is not None, as 64 x 64 flags.
std::vector<bool> opaqueOf(const char *const *xpm);

// The globe's shape with the default square border (-bord 2).
std::vector<bool> squareShape();

// Whether a 64 x 64 picture (0xRRGGBB, row by row) shows the globe: most of
// the inner square is drawn, and part of it is ocean.
bool showsGlobe(const std::vector<unsigned> &pixels);
