// The dock tile: start-up, the two windows and the main event loop.
#pragma once

#include <X11/Xlib.h>

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

// Makes the pixmaps of the five built-in screen images.
void loadScreenPixmaps(Drawable drawable);
