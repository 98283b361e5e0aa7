// The applet as a whole on a real X server: windows, hints, shapes, the first
// picture, and the main loop driven by real pointer events; and the start-up
// steps between the command line and the display.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>
#include <unistd.h>
#include <vector>

#include "artwork.h"
#include "clock.h"
#include "cmdline.h"
#include "dock.h"
#include "maps.h"
#include "mycontext.h"
#include "process.h"
#include "raster.h"
#include "state.h"
#include "tile.h"
#include "view.h"
#include "xclient.h"
#include "xserver.h"
#include "xvisual.h"

namespace {

// A running applet on its own Xvfb, with the test's own connection.
struct RunningApplet {
    ScopedXvfb xvfb;
    Display *display = nullptr;
    int pid = -1;
    AppletWindows windows;
    std::string err_file = tempPath("stderr");

    explicit RunningApplet(const std::vector<std::string> &args,
                           const std::string &server = "-screen 0 320x240x24")
        : xvfb(server)
    {
        display = XOpenDisplay(xvfb.name());
        std::vector<std::string> argv{ORVANE_BIN};
        argv.insert(argv.end(), args.begin(), args.end());
        pid = spawnProgram(argv, {std::string("DISPLAY=") + xvfb.name()}, "", err_file);
        windows = waitForApplet(display, ORVANE_BIN);
    }
    ~RunningApplet()
    {
        killProgram(pid);
        if (display)
            XCloseDisplay(display);
        unlink(err_file.c_str());
    }
    std::vector<unsigned> picture() { return windowPixels(display, windows.main_window); }
};

bool maskBit(const unsigned char *mask, int x, int y)
{
    return mask[y * 8 + x / 8] >> (x % 8) & 1;
}

int litPixels(const std::vector<unsigned> &pixels)
{
    int n = 0;
    for (int y = 4; y < 60; y++)
        for (int x = 4; x < 60; x++)
            n += pixels[y * 64 + x] != 0;
    return n;
}

// The arguments stay alive until the next start-up, as a process's argv
// does: the display name points into them.
std::vector<std::string> kept_args;

// Start-up in this process as far as the display: the options, then the
// steps that follow them.
void startUpWith(const std::vector<std::string> &args)
{
    setDefaults();
    kept_args = {"orvane"};
    kept_args.insert(kept_args.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &a : kept_args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    parseCommandLine(static_cast<int>(kept_args.size()), argv.data());
    applySettings();
}

} // namespace

// A body marker's entry holds no place: turned into a vector it would say
// (0, 0, 1) and be drawn at latitude 0, longitude 0.
TEST(StartUp, TurnsPlaceMarkersIntoUnitVectorsAndLeavesBodyMarkers)
{
    startUpWith({"-mk", "sun", "-mk", "90", "0", "-mk", "moon", "-mk", "0", "90", "-mk", "-30", "180"});
    ASSERT_EQ(app.marker_count, 5);
    const struct {
        double x, y, z;
    } expected[] = {
        {0, 0, 0},                // the Sun
        {0, 1, 0},                // the north pole
        {0, 0, 0},                // the Moon
        {1, 0, 0},                // 90 degrees east on the equator
        {0, -0.5, -0.8660254038}, // 30 degrees south on the date line
    };
    for (int i = 0; i < 5; i++) {
        EXPECT_NEAR(app.markers[i].x, expected[i].x, 1e-8) << "marker " << i;
        EXPECT_NEAR(app.markers[i].y, expected[i].y, 1e-8) << "marker " << i;
        EXPECT_NEAR(app.markers[i].z, expected[i].z, 1e-8) << "marker " << i;
    }
}

TEST(StartUp, StopsTheDriftOnlyInRandomMode)
{
    const struct {
        std::vector<std::string> args;
        double dlat, dlong;
    } cases[] = {
        {{"-dlat", "5", "-dlong", "-7"}, 5, -7},
        {{"-dlat", "5", "-dlong", "-7", "-sun"}, 5, -7},
        {{"-dlat", "5", "-dlong", "-7", "-moon"}, 5, -7},
        {{"-dlat", "5", "-dlong", "-7", "-random"}, 0, 0},
    };
    for (const auto &c : cases) {
        startUpWith(c.args);
        EXPECT_EQ(app.dlat, c.dlat) << c.args.back();
        EXPECT_EQ(app.dlong, c.dlong) << c.args.back();
    }
}

TEST(StartUp, SplitsTheDelayAndScalesTheLight)
{
    const struct {
        const char *delay;
        int64_t sec, usec;
        const char *light;
        int light_level;
    } cases[] = {
        {"0", 0, 0, "0", 0},
        {"0.000001", 0, 1, "0.25", 64},
        {"0.5", 0, 500000, "0.5", 128},
        {"2.9999999", 2, 999999, "0.999", 255},
        {"86400", 86400, 0, "1", 256},
    };
    for (const auto &c : cases) {
        startUpWith({"-delay", c.delay, "-light", c.light});
        EXPECT_EQ(app.delay_tv.sec, c.sec) << "-delay " << c.delay;
        EXPECT_EQ(app.delay_tv.usec, c.usec) << "-delay " << c.delay;
        EXPECT_EQ(app.light_level, c.light_level) << "-light " << c.light;
    }
}

TEST(DockWindows, HintsAreWhatADockReads)
{
    RunningApplet applet({});
    Display *d = applet.display;
    ASSERT_NE(applet.windows.main_window, 0u);
    Window main_window = applet.windows.main_window;

    char *name = nullptr;
    ASSERT_TRUE(XFetchName(d, main_window, &name));
    EXPECT_STREQ(name, ORVANE_BIN);
    XFree(name);

    XClassHint class_hint;
    ASSERT_TRUE(XGetClassHint(d, main_window, &class_hint));
    EXPECT_STREQ(class_hint.res_name, ORVANE_BIN);
    EXPECT_STREQ(class_hint.res_class, ORVANE_BIN);
    XFree(class_hint.res_name);
    XFree(class_hint.res_class);

    XSizeHints size;
    long supplied;
    ASSERT_TRUE(XGetWMNormalHints(d, main_window, &size, &supplied));
    EXPECT_EQ(size.flags & (USPosition | USSize), USPosition | USSize);
    EXPECT_EQ(size.width, 64);
    EXPECT_EQ(size.height, 64);

    XWMHints *hints = XGetWMHints(d, main_window);
    ASSERT_NE(hints, nullptr);
    EXPECT_EQ(hints->flags, StateHint | IconWindowHint | IconPositionHint | WindowGroupHint);
    EXPECT_EQ(hints->initial_state, WithdrawnState);
    EXPECT_EQ(hints->window_group, main_window);
    EXPECT_EQ(hints->icon_x, size.x);
    EXPECT_EQ(hints->icon_y, size.y);
    Window icon = hints->icon_window;
    XFree(hints);

    Window root, parent, *children;
    unsigned n;
    ASSERT_TRUE(XQueryTree(d, icon, &root, &parent, &children, &n));
    if (children)
        XFree(children);
    EXPECT_EQ(parent, main_window);
    XWindowAttributes attributes;
    XGetWindowAttributes(d, icon, &attributes);
    EXPECT_EQ(attributes.map_state, IsUnmapped);
    EXPECT_EQ(attributes.width, 64);
    XGetWindowAttributes(d, main_window, &attributes);
    EXPECT_EQ(attributes.map_state, IsViewable);
    EXPECT_EQ(attributes.all_event_masks & 163916, 163916);

    char **argv;
    int argc;
    ASSERT_TRUE(XGetCommand(d, main_window, &argv, &argc));
    EXPECT_EQ(argc, 1);
    EXPECT_STREQ(argv[0], ORVANE_BIN);
    XFreeStringList(argv);
}

TEST(DockWindows, IconicOptionSetsTheInitialState)
{
    RunningApplet applet({"-i"});
    XWMHints *hints = XGetWMHints(applet.display, applet.windows.main_window);
    ASSERT_NE(hints, nullptr);
    EXPECT_EQ(hints->initial_state, IconicState);
    XFree(hints);
}

TEST(DockWindows, BordersShapeBothWindows)
{
    const struct {
        std::vector<std::string> args;
        const unsigned char *mask;
    } cases[] = {
        {{}, square_mask},
        {{"-s"}, square_mask},
        {{"-bord", "2"}, square_mask},
        {{"-bord", "1"}, disc_mask},
        {{"-bord", "0"}, cushion_mask},
        {{"-bord", "9"}, square_mask},
    };
    for (const auto &c : cases) {
        RunningApplet applet(c.args);
        ASSERT_NE(applet.windows.main_window, 0u);
        for (Window w : {applet.windows.main_window, applet.windows.icon_window}) {
            std::vector<bool> inside = windowShape(applet.display, w);
            int wrong = 0;
            for (int y = 0; y < 64; y++)
                for (int x = 0; x < 64; x++)
                    wrong += inside[y * 64 + x] != maskBit(c.mask, x, y);
            EXPECT_EQ(wrong, 0) << (c.args.empty() ? "defaults" : c.args.back());
        }
    }
}

TEST(DockPicture, FirstPictureIsTheRenderedGlobeByteForByte)
{
    const std::vector<std::string> args = {"-pos", "20", "-30", "-time", "1710849600", "-mk", "48.85", "2.35"};
    RunningApplet applet(args);
    ASSERT_NE(applet.windows.main_window, 0u);
    std::vector<unsigned> shown = applet.picture();

    // Render the same settings in this process.
    startUpWith(args);
    app.display = applet.display;
    RContext *context = myRCreateContext(applet.display, DefaultScreen(applet.display));
    ASSERT_NE(context, nullptr);
    loadMaps(context);
    app.globe_image = RCreateImage(64, 64, 0);
    updateZoomGeometry();
    dragView(32, 32, 0);
    refreshGlobe(0);

    int differing = 0;
    for (int y = 4; y < 60; y++)
        for (int x = 4; x < 60; x++) {
            const unsigned char *p = app.globe_image->data + (y * 64 + x) * 3;
            unsigned expected = (p[0] << 16) | (p[1] << 8) | p[2];
            differing += shown[y * 64 + x] != expected;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(litPixels(shown), 1000);
    releaseContext(context);
}

TEST(DockLoop, ExposeRepaintsTheWindow)
{
    // No refresh for 1000 seconds: only the Expose itself can wake the loop.
    RunningApplet applet({"-pos", "0", "0", "-delay", "1000"});
    Display *d = applet.display;
    std::vector<unsigned> before = applet.picture();
    // Paint over the window from this client, then expose it.
    GC gc = XCreateGC(d, applet.windows.main_window, 0, nullptr);
    XSetForeground(d, gc, WhitePixel(d, DefaultScreen(d)));
    XFillRectangle(d, applet.windows.main_window, gc, 0, 0, 64, 64);
    XClearArea(d, applet.windows.main_window, 10, 10, 5, 5, True);
    XFreeGC(d, gc);
    XSync(d, False);
    std::vector<unsigned> after;
    for (int i = 0; i < 50; i++) {
        sleepMs(20);
        after = applet.picture();
        if (after == before)
            break;
    }
    EXPECT_EQ(after, before);
}

TEST(DockLoop, HeldLeftButtonKeepsTurningUntilReleased)
{
    RunningApplet applet({"-pos", "0", "0", "-delay", "1000"});
    Display *d = applet.display;
    Window w = applet.windows.main_window;
    movePointer(d, w, 56, 32);
    std::vector<unsigned> start = applet.picture();
    long long written = processCounter(applet.pid, "io", "wchar");
    pressButton(d, 1);
    sleepMs(300);
    std::vector<unsigned> a = applet.picture();
    sleepMs(300);
    std::vector<unsigned> b = applet.picture();
    // Each new picture is one 64 x 64 image sent to the server. With the
    // pointer still and no timed refresh, only the turns of the held button
    // draw: about 24 a second.
    long long pictures = (processCounter(applet.pid, "io", "wchar") - written) / (64 * 64 * 4);
    releaseButton(d, 1);
    sleepMs(200);
    std::vector<unsigned> c = applet.picture();
    sleepMs(300);
    std::vector<unsigned> e = applet.picture();
    EXPECT_NE(start, a);
    EXPECT_NE(a, b) << "the globe stopped turning while the button was held";
    EXPECT_GE(pictures, 4) << "the held button did not step every turn";
    EXPECT_EQ(c, e) << "the globe kept turning after the release";
}

TEST(DockLoop, MiddleButtonZoomsInAndShiftZoomsOut)
{
    RunningApplet applet({"-pos", "0", "0", "-zoom", "0.5", "-delay", "1000"});
    Display *d = applet.display;
    Window w = applet.windows.main_window;
    movePointer(d, w, 32, 32);
    int small = litPixels(applet.picture());
    pressButton(d, 2);
    sleepMs(400);
    releaseButton(d, 2);
    sleepMs(100);
    int bigger = litPixels(applet.picture());
    EXPECT_GT(bigger, small);

    pressKey(d, "Shift_L");
    pressButton(d, 2);
    sleepMs(400);
    releaseButton(d, 2);
    releaseKey(d, "Shift_L");
    sleepMs(100);
    EXPECT_LT(litPixels(applet.picture()), bigger);
}

TEST(DockLoop, AnIdleGlobeWakesOnlyForItsRefreshes)
{
    // The defaults refresh once a second and draw a new picture once a
    // displayed minute; nothing else needs the applet in between.
    RunningApplet applet({});
    ASSERT_NE(applet.windows.main_window, 0u);
    sleepMs(500);
    long long before = processCounter(applet.pid, "status", "voluntary_ctxt_switches");
    sleepMs(3000);
    long long wakes = processCounter(applet.pid, "status", "voluntary_ctxt_switches") - before;
    ASSERT_GE(before, 0);
    // About 3; a loop that polled every 40 ms would wake 75 times.
    EXPECT_LE(wakes, 12);
}

TEST(DockLoop, DestroyedWindowEndsTheAppletWithStatusZero)
{
    // No refresh for 1000 seconds: only the DestroyNotify can wake the loop.
    RunningApplet applet({"-delay", "1000"});
    ASSERT_NE(applet.windows.main_window, 0u);
    XDestroyWindow(applet.display, applet.windows.main_window);
    XSync(applet.display, False);
    EXPECT_EQ(waitProgram(applet.pid, 10), 0);
    applet.pid = -1;
}

TEST(DockStartUp, MessagesReachAFileAsTheyAreWritten)
{
    // A session starts the applet with its output going to a log and ends it
    // with a signal: a warning that does not end the program must be in the
    // log by then, not in a buffer that dies with the process.
    struct Case {
        std::string setting;
        std::string message;
    };
    const Case cases[] = {
        {"WRASTER_GAMMA=1.0/2.0", "wrlib: invalid value(s) for gamma correction \"1.0/2.0\"\n"},
        {"WRASTER_COLOR_RESOLUTION=9", "wrlib: invalid value for color resolution \"9\"\n"},
    };
    for (const Case &c : cases) {
        ScopedXvfb xvfb;
        std::string out = tempPath("out");
        int pid = spawnProgram({ORVANE_BIN}, {std::string("DISPLAY=") + xvfb.name(), c.setting}, out);
        Display *display = XOpenDisplay(xvfb.name());
        ASSERT_NE(waitForApplet(display, ORVANE_BIN).main_window, 0u) << c.setting;
        killProgram(pid);
        EXPECT_EQ(readFile(out), c.message) << c.setting;
        XCloseDisplay(display);
        unlink(out.c_str());
    }
}

TEST(DockStartUp, WithoutPageImagesTheGlobeRunsAndARightClickDoesNothing)
{
    ScopedXvfb xvfb;
    std::string err = tempPath("err");
    // A sanitized applet checks that its runtime is loaded first; the
    // stand-in comes before it here.
    const char *asan = getenv("ASAN_OPTIONS");
    std::string asan_options = std::string(asan ? asan : "") + ":verify_asan_link_order=0";
    int pid = spawnProgram({ORVANE_BIN, "-pos", "0", "0", "-delay", "1000"},
                           {std::string("DISPLAY=") + xvfb.name(), std::string("LD_PRELOAD=") + ORVANE_XPM_NO_MEMORY,
                            "ASAN_OPTIONS=" + asan_options},
                           "", err);
    Display *d = XOpenDisplay(xvfb.name());
    AppletWindows windows = waitForApplet(d, ORVANE_BIN);
    ASSERT_NE(windows.main_window, 0u) << readFile(err);
    sleepMs(200);
    std::vector<unsigned> globe = windowPixels(d, windows.main_window);
    EXPECT_GT(litPixels(globe), 1000);
    EXPECT_EQ(readFile(err), std::string(ORVANE_BIN) +
                                 ": can't make the images of the parameter pages (XpmNoMemory): the right "
                                 "button does nothing\n");

    movePointer(d, windows.main_window, 32, 32);
    pressButton(d, 3);
    releaseButton(d, 3);
    sleepMs(300);
    EXPECT_EQ(windowPixels(d, windows.main_window), globe);
    EXPECT_EQ(windowShape(d, windows.main_window), squareShape()) << "the window took a page's shape";
    // Still running, and still answering: a left button turns the globe.
    EXPECT_EQ(waitProgram(pid, 0), -1) << readFile(err);
    movePointer(d, windows.main_window, 56, 32);
    pressButton(d, 1);
    sleepMs(200);
    releaseButton(d, 1);
    EXPECT_NE(windowPixels(d, windows.main_window), globe);
    killProgram(pid);
    XCloseDisplay(d);
    unlink(err.c_str());
}

TEST(DockErrors, OnlyRequestsOnTheDestroyedTileAreIgnored)
{
    setDefaults();
    app.main_window = 0x400001;
    app.icon_window = 0x400002;
    struct Case {
        XID resource;
        unsigned char code;
        bool ignored;
    };
    const Case cases[] = {
        {0x400001, BadWindow, true},   {0x400002, BadWindow, true},  {0x400001, BadDrawable, true},
        {0x400002, BadDrawable, true}, {0x400001, BadMatch, false},  {0x400003, BadDrawable, false},
        {None, BadDrawable, false},    {0x400005, BadPixmap, false},
    };
    for (const Case &c : cases) {
        XErrorEvent error{};
        error.resourceid = c.resource;
        error.error_code = c.code;
        EXPECT_EQ(isTileGoneError(error), c.ignored) << std::hex << c.resource << " code " << std::dec << int(c.code);
    }
}
