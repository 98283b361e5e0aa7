// Converting an RImage into an existing pixmap with one X image kept for the run.
#pragma once

#include <wraster.h>

// Puts image into *pixmap; 1 on success, 0 on failure with RErrorCode set.
int myRConvertImage(RContext *context, RImage *image, Pixmap *pixmap);

// Forgets the cached X image (without destroying it).
void resetConvertCache();

// How the converter makes its X image: RCreateXImage, unless a test puts a
// counting or failing stand-in here.
extern RXImage *(*create_ximage_hook)(RContext *context, int depth, unsigned width, unsigned height);
