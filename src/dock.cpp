#include <X11/Xlib.h>

#include "dock.h"

#include <clocale>
#include <cmath>
#include <cstdio>

#include "cmdline.h"
#include "state.h"

namespace {
const char *program_name = "orvane";
}

void copyToWindows(int x, int y, int width, int height)
{
    XEvent dropped;
    while (XCheckTypedWindowEvent(app.display, app.icon_window, Expose, &dropped)) {
    }
    XCopyArea(app.display, app.icon_pixmap, app.icon_window, app.gc, x, y, width, height, x, y);
    while (XCheckTypedWindowEvent(app.display, app.main_window, Expose, &dropped)) {
    }
    XCopyArea(app.display, app.icon_pixmap, app.main_window, app.gc, x, y, width, height, x, y);
}

void runApplet(int argc, char **argv)
{
    program_name = argv[0];
    setlocale(LC_TIME, "");

    setDefaults();
    parseCommandLine(argc, argv);

    if (app.view_mode == VIEW_RANDOM) {
        app.dlat = 0;
        app.dlong = 0;
    }

    double whole = floor(app.delay);
    app.delay_tv = {static_cast<int64_t>(whole), static_cast<int64_t>((app.delay - whole) * 1000000)};
    app.light_level = static_cast<int>(floor(app.light * 256));

    app.display = XOpenDisplay(app.display_name);
    if (!app.display) {
        fprintf(stderr, "%s: can't open display \"%s\"\n", program_name, XDisplayName(app.display_name));
        quit(1);
    }

    // The rest of start-up and the loop join here.
    XCloseDisplay(app.display);
    quit(0);
}
