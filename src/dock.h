// The dock tile: start-up, the two windows and the main event loop.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

// Runs the whole program: start-up, then the main loop. Never returns.
[[noreturn]] void runApplet(int argc, char **argv);

// The start-up steps between the command line and the display: place
// markers from degrees to earth-fixed unit vectors (Sun and Moon markers
// stay as they are), no drift in random mode, a fresh converter, and the
// delay and light in the forms the main loop and the shader use.
void applySettings();

// Copies a rectangle of the icon pixmap into the icon window, then into the
// main window, dropping the queued Expose events of each first.
void copyToWindows(int x, int y, int width, int height);

// Makes the pixmaps of the five built-in screen images, in the closest
// colours the colormap has when it cannot give the exact ones. Returns
// XpmSuccess, or the libXpm error of the first image that could not be made
// (its pixmap is then None).
int loadScreenPixmaps(Drawable drawable);

// Flushes the requests, then waits until an event is queued on the display
// connection or `microseconds` have passed (for ever when negative).
void waitForEvent(int64_t microseconds);

// Another client may destroy the tile while a copy into it (or a new shape)
// is already on its way; the request then fails with BadWindow or
// BadDrawable on one of the two windows before the DestroyNotify arrives.
// True for exactly those errors, which the program ignores.
bool isTileGoneError(const XErrorEvent &error);
