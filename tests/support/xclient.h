// A test's own connection to the X server the applet runs on: finding the
// applet's windows, reading what they show, and real pointer input (XTest).
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <vector>

struct AppletWindows {
    Window main_window = 0;
    Window icon_window = 0;
};

// From now on an X error from a query on a window that has just vanished
// (a window manager makes and drops windows of its own) fails that query
// quietly instead of ending the test; other errors are printed. The helpers
// that walk windows of other clients turn this on themselves.
void tolerateVanishedWindows();

// Waits up to `seconds` for a top-level window whose WM_CLASS res_class is
// `res_class` (the applet sets argv[0]); returns it and its icon window from WM_HINTS.
AppletWindows waitForApplet(Display *display, const std::string &res_class, double seconds = 10);

// Pixels of a window as 0xRRGGBB, row by row (width * height entries).
std::vector<unsigned> windowPixels(Display *display, Window window, int width = 64, int height = 64);

// Lets this connection go on while another client grabs the server (Window
// Maker does while it moves a tile that was pressed), so that a test can
// still read pictures and release the button.
void ignoreServerGrabs(Display *display);

// Moves the pointer to (x, y) in the window's coordinates.
void movePointer(Display *display, Window window, int x, int y);
void pressButton(Display *display, unsigned button);
void releaseButton(Display *display, unsigned button);
void pressKey(Display *display, const char *keysym_name);
void releaseKey(Display *display, const char *keysym_name);

// Sleeps for this many milliseconds.
void sleepMs(int ms);

// Checks `done` every `poll_ms` milliseconds until it holds or `seconds`
// have passed, and once more at the end; whether it held.
bool waitFor(const std::function<bool()> &done, double seconds, int poll_ms = 20);
