// Real window managers on a test's private Xvfb: whether one is running,
// and where it has put the applet's icon window.
#pragma once

#include <X11/Xlib.h>

#include <string>

#include "xclient.h"

// The window a running window manager names on the root window
// (_NET_SUPPORTING_WM_CHECK), provided it still exists and names itself;
// 0 if there is none.
Window windowManagerCheck(Display *display);

// Waits up to `seconds` for a window manager to run; returns its check
// window, or 0.
Window waitForWindowManager(Display *display, double seconds = 10);

// Waits up to `seconds` until no window manager runs (its check window is
// gone with its connection).
bool waitForNoWindowManager(Display *display, double seconds = 10);

// The name the window manager gives itself (_NET_WM_NAME of its check window).
std::string windowManagerName(Display *display, Window check);

Window parentOf(Display *display, Window window);

// A window's place on the screen: the top-left corner of its inside in root
// coordinates, its inside size and its border width.
struct Placement {
    int x = 0, y = 0, width = 0, height = 0, border = 0;
    int outerRight() const { return x + width + border; }
};
Placement placementOf(Display *display, Window window);

// Waits up to `seconds` for a window to stop moving: until its place has
// stayed the same for `still_seconds` (Window Maker bounces the icon of an
// application it has just started for about a second). Returns the place.
Placement waitUntilStill(Display *display, Window window, double still_seconds = 0.5, double seconds = 10);

// Waits up to `seconds` until a window manager has taken the icon window out
// of the applet's main window into a window of its own (neither the main
// window nor the root) and it is viewable.
bool waitForDocked(Display *display, const AppletWindows &windows, double seconds = 10);

// Whether any part of a window that is viewable lies on the screen.
bool showsOnScreen(Display *display, Window window);
