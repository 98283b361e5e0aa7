// The dock tile: start-up, the two windows and the main event loop.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

// Runs the whole program: start-up, then the main loop. Never returns.
[[noreturn]] void runApplet(int argc, char **argv);

// Copies a rectangle of the icon pixmap into the icon window, then into the
// main window, dropping the queued Expose events of each first.
void copyToWindows(int x, int y, int width, int height);

// Makes the pixmaps of the five built-in screen images.
void loadScreenPixmaps(Drawable drawable);

// Flushes the requests, then waits until an event is queued on the display
// connection or `microseconds` have passed (for ever when negative).
void waitForEvent(int64_t microseconds);
