// The applet docked by a real Window Maker: the window manager must take the
// icon window into its own 64 x 64 tile, and the tile must show the globe.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "process.h"
#include "xclient.h"
#include "xserver.h"

namespace {

bool windowManagerRunning(Display *d)
{
    Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char *data = nullptr;
    bool running = XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, XA_WINDOW, &type,
                                      &format, &n, &after, &data) == Success &&
                   n == 1;
    if (data)
        XFree(data);
    return running;
}

Window parentOf(Display *d, Window w)
{
    Window root, parent = 0, *children = nullptr;
    unsigned n;
    if (XQueryTree(d, w, &root, &parent, &children, &n) && children)
        XFree(children);
    return parent;
}

void writePpm(const std::string &path, const std::vector<unsigned> &pixels)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return;
    fprintf(f, "P6\n64 64\n255\n");
    for (unsigned p : pixels) {
        unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                static_cast<unsigned char>(p)};
        fwrite(rgb, 1, 3, f);
    }
    fclose(f);
}

} // namespace

TEST(WindowMaker, DocksTheIconWindowAndShowsTheGlobe)
{
    ScopedXvfb xvfb("-screen 0 640x480x24");
    Display *d = XOpenDisplay(xvfb.name());
    ASSERT_NE(d, nullptr);
    std::string home = tempPath("wmaker-home");
    ASSERT_EQ(system(("mkdir -p " + home).c_str()), 0);
    std::string display_env = std::string("DISPLAY=") + xvfb.name();

    int wm = spawnProgram({"wmaker", "--no-clip"}, {display_env, "HOME=" + home});
    for (int i = 0; i < 200 && !windowManagerRunning(d); i++)
        sleepMs(50);
    ASSERT_TRUE(windowManagerRunning(d)) << "Window Maker did not start";

    int applet = spawnProgram({ORVANE_BIN}, {display_env});
    AppletWindows w = waitForApplet(d, ORVANE_BIN);
    ASSERT_NE(w.icon_window, 0u);

    // Window Maker reparents the icon window into its tile and maps it.
    bool docked = false;
    XWindowAttributes attributes{};
    for (int i = 0; i < 200 && !docked; i++) {
        sleepMs(50);
        XGetWindowAttributes(d, w.icon_window, &attributes);
        docked = parentOf(d, w.icon_window) != w.main_window && attributes.map_state == IsViewable;
    }
    EXPECT_TRUE(docked) << "the icon window was not taken into a tile";
    EXPECT_EQ(attributes.width, 64);
    EXPECT_EQ(attributes.height, 64);

    std::vector<unsigned> pixels = windowPixels(d, w.icon_window);
    int globe = 0, ocean = 0;
    for (int y = 4; y < 60; y++)
        for (int x = 4; x < 60; x++) {
            unsigned p = pixels[y * 64 + x];
            globe += p != 0;
            // Ocean is the strongest blue of the day map, lit or dimmed.
            ocean += (p & 0xFF) > 2 * ((p >> 16) & 0xFF) && (p & 0xFF) > 40;
        }
    EXPECT_GT(globe, 1500) << "the tile does not show a globe";
    EXPECT_GT(ocean, 100) << "the tile shows no ocean";
    writePpm(std::string(ORVANE_BINARY_DIR) + "/docked-tile.ppm", pixels);

    killProgram(applet);
    killProgram(wm);
    XCloseDisplay(d);
    system(("rm -rf " + home).c_str());
}
