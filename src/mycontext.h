// The program's own libwraster rendering context.
#pragma once

#include <wraster.h>

// Builds the one rendering context for `screen_number`; none on failure with RErrorCode set.
RContext *myRCreateContext(Display *display, int screen_number);
