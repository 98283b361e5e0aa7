// The program's own libwraster rendering context.
#pragma once

#include <wraster.h>

// Builds the one rendering context for `screen_number`; none on failure with
// RErrorCode set. Colour-mapped and GrayScale visuals of depth 1 or 2 are
// refused with RERR_BADVISUALID: they leave fewer than two levels a channel.
RContext *myRCreateContext(Display *display, int screen_number);

// The palette steps of the constructor, for the context's visual class and
// depth: the colour cube, or the grey levels. Each returns a new palette, or
// none with RErrorCode set.
XColor *allocatePseudoColor(RContext *context);
XColor *allocateGrayScale(RContext *context);
