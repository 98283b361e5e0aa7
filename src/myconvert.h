// Converting an RImage into an existing pixmap with one X image kept for the run.
#pragma once

#include <wraster.h>

// Puts image into *pixmap; 1 on success, 0 on failure with RErrorCode set.
int myRConvertImage(RContext *context, RImage *image, Pixmap *pixmap);

// Forgets the cached X image (without destroying it).
void resetConvertCache();
