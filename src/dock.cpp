#include "dock.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <X11/xpm.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

#include "artwork.h"
#include "clock.h"
#include "cmdline.h"
#include "maps.h"
#include "markers.h"
#include "myconvert.h"
#include "mycontext.h"
#include "raster.h"
#include "screens.h"
#include "state.h"
#include "view.h"

namespace {

const char *program_name = "orvane";
RContext *context;
bool pages_ready = true;

// What a held button does on every turn of the loop.
enum HoldMode { HOLD_NONE, HOLD_DRAG, HOLD_ZOOM };

// The pointer as of the most recent pointer event. Other events (Expose,
// ConfigureNotify...) share the buffer but carry no pointer position.
struct PointerState {
    int x = 32, y = 32;
    unsigned state = 0;
};

unsigned long allocateNamedColor(Colormap colormap, const char *name)
{
    XColor color;
    if (!XParseColor(app.display, colormap, name, &color)) {
        printf("orvane: can't parse %s\n", name);
        return 0;
    }
    if (!XAllocColor(app.display, colormap, &color)) {
        printf("orvane: can't allocate %s\n", name);
        return 0;
    }
    return color.pixel;
}

const unsigned char *borderMask()
{
    switch (app.border) {
    case 1:
        return disc_mask;
    case 2:
        return square_mask;
    default:
        return cushion_mask;
    }
}

void convertMarkers()
{
    for (int i = 0; i < app.marker_count; i++) {
        if (i == app.sun_marker || i == app.moon_marker)
            continue;
        app.markers[i].x = (app.markers[i].x * 3.141592653) / 180;
        app.markers[i].y = (app.markers[i].y * 3.141592653) / 180;
        markerToVector(i);
    }
}

void deriveSettings()
{
    double whole = floor(app.delay);
    app.delay_tv = {static_cast<int64_t>(whole), static_cast<int64_t>((app.delay - whole) * 1000000)};
    app.light_level = static_cast<int>(floor(app.light * 256));
}

// Renders and converts the first picture; returns the colormap for the window colours.
Colormap renderFirstPicture()
{
    app.globe_image = RCreateImage(GLOBE_SIZE, GLOBE_SIZE, 0);
    if (!app.globe_image) {
        fprintf(stderr, "%s: can't create the globe image: %s\n", program_name, RMessageForError(RErrorCode));
        quit(1);
    }
    updateZoomGeometry();
    dragView(32, 32, 0);
    refreshGlobe(0);
    app.redraw_needed = 0;

    XWindowAttributes attributes;
    XGetWindowAttributes(app.display, context->drawable, &attributes);
    if (!RConvertImage(context, app.globe_image, &app.converted_pixmap)) {
        printf("error small->&pix\n");
        printf("%s\n", RMessageForError(RErrorCode));
        quit(1);
    }
    app.icon_pixmap = app.converted_pixmap;
    return attributes.colormap;
}

void createWindows(int argc, char **argv, Colormap colormap)
{
    unsigned long white = allocateNamedColor(colormap, "white");
    unsigned long black = allocateNamedColor(colormap, "black");

    XSizeHints hints = {};
    hints.flags = USPosition | USSize;
    int gravity;
    XWMGeometry(app.display, context->screen_number, "", nullptr, 1, &hints, &hints.x, &hints.y,
                &hints.width, &hints.height, &gravity);
    hints.width = hints.height = GLOBE_SIZE;

    app.main_window = XCreateSimpleWindow(app.display, context->drawable, hints.x, hints.y, GLOBE_SIZE,
                                          GLOBE_SIZE, 1, black, white);
    app.icon_window = XCreateSimpleWindow(app.display, app.main_window, hints.x, hints.y, GLOBE_SIZE,
                                          GLOBE_SIZE, 1, black, white);

    XSetWMNormalHints(app.display, app.main_window, &hints);
    XClassHint class_hint;
    class_hint.res_name = argv[0];
    class_hint.res_class = argv[0];
    XSetClassHint(app.display, app.main_window, &class_hint);

    const long events = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | ExposureMask |
                        StructureNotifyMask;
    XSelectInput(app.display, app.main_window, events);
    XSelectInput(app.display, app.icon_window, events);

    XTextProperty name;
    if (!XStringListToTextProperty(&argv[0], 1, &name)) {
        printf("%s: can't allocate window name\n", argv[0]);
        quit(1);
    }
    XSetWMName(app.display, app.main_window, &name);
    XFree(name.value);

    XGCValues gcv;
    gcv.foreground = black;
    gcv.background = white;
    gcv.graphics_exposures = False;
    app.gc = XCreateGC(app.display, context->drawable, GCForeground | GCBackground | GCGraphicsExposures,
                       &gcv);

    if (app.shape) {
        app.shape_mask = XCreateBitmapFromData(app.display, app.main_window,
                                               reinterpret_cast<const char *>(borderMask()), GLOBE_SIZE,
                                               GLOBE_SIZE);
        XShapeCombineMask(app.display, app.main_window, ShapeBounding, 0, 0, app.shape_mask, ShapeSet);
        XShapeCombineMask(app.display, app.icon_window, ShapeBounding, 0, 0, app.shape_mask, ShapeSet);
    }

    XWMHints wm_hints = {};
    wm_hints.flags = StateHint | IconWindowHint | IconPositionHint | WindowGroupHint;
    wm_hints.initial_state = app.wm_state;
    wm_hints.icon_window = app.icon_window;
    wm_hints.icon_x = hints.x;
    wm_hints.icon_y = hints.y;
    wm_hints.window_group = app.main_window;
    XSetWMHints(app.display, app.main_window, &wm_hints);

    XSetCommand(app.display, app.main_window, argv, argc);
    XMapWindow(app.display, app.main_window);

    XCopyArea(app.display, app.icon_pixmap, app.main_window, app.gc, 0, 0, GLOBE_SIZE, GLOBE_SIZE, 0, 0);
    copyToWindows(0, 0, GLOBE_SIZE, GLOBE_SIZE);
}

// The DestroyNotify that follows a tile's destruction ends the program
// cleanly; every other error is reported and ends it as Xlib would.
int handleXError(Display *display, XErrorEvent *error)
{
    if (isTileGoneError(*error))
        return 0;
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    fprintf(stderr, "%s: X error: %s (request %d)\n", program_name, text, error->request_code);
    quit(1);
}

int clampToTile(int v)
{
    return v < 0 ? 0 : (v >= GLOBE_SIZE ? GLOBE_SIZE - 1 : v);
}

[[noreturn]] void mainLoop()
{
    HoldMode hold = HOLD_NONE;
    int drag_latitude = 0;
    PointerState pointer;

    for (;;) {
        int refresh_requested = 0;
        while (XPending(app.display)) {
            XNextEvent(app.display, &app.event);
            switch (app.event.type) {
            case ButtonPress:
                pointer = {app.event.xbutton.x, app.event.xbutton.y, app.event.xbutton.state};
                if (app.event.xbutton.button == Button1) {
                    hold = HOLD_DRAG;
                    drag_latitude = app.event.xbutton.state & ShiftMask ? 1 : 0;
                } else if (app.event.xbutton.button == Button2) {
                    hold = HOLD_ZOOM;
                } else if (app.event.xbutton.button == Button3) {
                    hold = HOLD_NONE;
                    // Without their images the pages cannot be drawn at all.
                    if (pages_ready) {
                        runScreens();
                        refresh_requested = 1;
                    }
                }
                break;
            case ButtonRelease:
                pointer = {app.event.xbutton.x, app.event.xbutton.y, app.event.xbutton.state};
                hold = HOLD_NONE;
                break;
            case MotionNotify:
                pointer = {app.event.xmotion.x, app.event.xmotion.y, app.event.xmotion.state};
                break;
            case Expose:
                copyToWindows(0, 0, GLOBE_SIZE, GLOBE_SIZE);
                break;
            case DestroyNotify:
                XCloseDisplay(app.display);
                quit(0);
            default:
                break;
            }
        }

        if (hold != HOLD_NONE) {
            usleep(1000);
            if (hold == HOLD_DRAG)
                dragView(clampToTile(pointer.x), clampToTile(pointer.y), drag_latitude);
            else
                zoomStep(pointer.state & ShiftMask ? 1 : 0);
            refresh_requested = 1;
        }

        if (refresh_requested || refreshDue(currentTime())) {
            refreshGlobe(hold == HOLD_DRAG ? 1 : 0);
            if (app.redraw_needed) {
                if (!myRConvertImage(context, app.globe_image, &app.converted_pixmap)) {
                    fputs("crash !?\n", stderr);
                    fputs(RMessageForError(RErrorCode), stderr);
                    quit(1);
                }
                app.icon_pixmap = app.converted_pixmap;
                copyToWindows(0, 0, GLOBE_SIZE, GLOBE_SIZE);
                app.redraw_needed = 0;
            }
        }
        // A held button steps once a turn, so its turns keep their fixed
        // pause; otherwise nothing happens before the next refresh or event.
        if (hold != HOLD_NONE || refresh_requested)
            usleep(TURN_PAUSE_US);
        else
            waitForEvent(refreshWait(currentTime()));
    }
}

} // namespace

bool isTileGoneError(const XErrorEvent &error)
{
    bool about_tile = error.resourceid != None
        && (error.resourceid == app.main_window || error.resourceid == app.icon_window);
    return about_tile && (error.error_code == BadWindow || error.error_code == BadDrawable);
}

void waitForEvent(int64_t microseconds)
{
    XFlush(app.display);
    if (XPending(app.display))
        return;
    // Whole milliseconds, rounded up: waking early would only wait again.
    int timeout = -1;
    if (microseconds >= 0)
        timeout = static_cast<int>(std::min<int64_t>((microseconds + 999) / 1000, INT_MAX));
    pollfd connection{ConnectionNumber(app.display), POLLIN, 0};
    // A signal or an error on the connection ends the wait as well; the next
    // XPending then reads the event or reports the broken connection.
    poll(&connection, 1, timeout);
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

int loadScreenPixmaps(Drawable drawable)
{
    struct Entry {
        const char **data;
        ScreenPixmap *target;
    };
    const Entry entries[] = {
        {latlong_screen_xpm, &app.latlong_screen}, {text_screen_xpm, &app.text_screen},
        {digit_strip_xpm, &app.digit_strip},       {font_strip_xpm, &app.font_strip},
        {screen_parts_xpm, &app.screen_parts},
    };
    int failure = XpmSuccess;
    for (const Entry &e : entries) {
        // Each colour exact where the colormap can give it, else the closest
        // colour it has, used without allocating it: on a full colormap
        // another client may hold every free cell read-write.
        e.target->attributes.valuemask = XpmCloseness | XpmAllocCloseColors;
        e.target->attributes.closeness = 65535;
        e.target->attributes.alloc_close_colors = False;
        int status = XpmCreatePixmapFromData(app.display, drawable, const_cast<char **>(e.data),
                                             &e.target->pixmap, &e.target->mask, &e.target->attributes);
        if (status < 0) {
            e.target->pixmap = None;
            if (failure == XpmSuccess)
                failure = status;
        }
    }
    return failure;
}

void runApplet(int argc, char **argv)
{
    // A session's log or a pipe gets every message as it is written, also
    // when the applet is later ended by a signal.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    program_name = argv[0];
    setlocale(LC_TIME, "");

    setDefaults();
    parseCommandLine(argc, argv);
    applySettings();

    app.display = XOpenDisplay(app.display_name);
    if (!app.display) {
        fprintf(stderr, "%s: can't open display \"%s\"\n", program_name, XDisplayName(app.display_name));
        quit(1);
    }

    XSetErrorHandler(handleXError);

    context = myRCreateContext(app.display, DefaultScreen(app.display));
    if (!context) {
        fprintf(stderr, "%s: can't draw on this display's default visual (%s)\n", program_name,
                RMessageForError(RErrorCode));
        quit(1);
    }
    loadMaps(context);
    if (int failure = loadScreenPixmaps(context->drawable)) {
        fprintf(stderr, "%s: can't make the images of the parameter pages (%s): the right button does nothing\n",
                program_name, XpmGetErrorString(failure));
        pages_ready = false;
    }

    Colormap colormap = renderFirstPicture();
    createWindows(argc, argv, colormap);
    mainLoop();
}

void applySettings()
{
    convertMarkers();
    if (app.view_mode == VIEW_RANDOM) {
        app.dlat = 0;
        app.dlong = 0;
    }
    resetConvertCache();
    deriveSettings();
}
