// The applet in the slit of real window managers (Debian's fluxbox and
// blackbox): started after the window manager, as a start-up file starts it,
// it ends up with its icon window in the slit at the right edge of the screen,
// showing the globe, and its withdrawn main window shows nowhere.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "process.h"
#include "tile.h"
#include "window_manager.h"
#include "xclient.h"
#include "xserver.h"

namespace {

struct SlitHost {
    const char *program; // what the test starts, from PATH
    const char *name;    // what the window manager calls itself
};

void PrintTo(const SlitHost &host, std::ostream *out)
{
    *out << host.program;
}

class Slit : public ::testing::TestWithParam<SlitHost> {
protected:
    static constexpr int screen_width = 640;
    ScopedXvfb xvfb{"-screen 0 640x480x24"};
    Display *display = nullptr;
    std::string home = tempPath("slit-home");
    int window_manager = -1;
    int applet = -1;

    void TearDown() override
    {
        killProgram(applet);
        // Both window managers run as the process started; their helpers
        // (fluxbox sets the wallpaper through one) are in its group.
        killProgram(window_manager);
        if (display)
            XCloseDisplay(display);
        system(("rm -rf " + home).c_str());
    }
};

} // namespace

TEST_P(Slit, TakesTheAppletsIconWindowAtTheRightEdgeAndShowsTheGlobe)
{
    display = XOpenDisplay(xvfb.name());
    ASSERT_NE(display, nullptr);
    ASSERT_EQ(system(("mkdir -p " + home).c_str()), 0);
    std::string display_env = std::string("DISPLAY=") + xvfb.name();

    // The window manager with a fresh HOME: its own defaults, slit included.
    window_manager = spawnProgram({GetParam().program}, {display_env, "HOME=" + home});
    Window check = waitForWindowManager(display);
    ASSERT_NE(check, 0u) << GetParam().program << " did not start";
    EXPECT_EQ(windowManagerName(display, check), GetParam().name);

    applet = spawnProgram({ORVANE_BIN}, {display_env, "HOME=" + home});
    AppletWindows windows = waitForApplet(display, ORVANE_BIN);
    ASSERT_NE(windows.icon_window, 0u);
    ASSERT_TRUE(waitForDocked(display, windows)) << "the icon window was not reparented";

    // The slit is a window of the window manager's own, straight on the
    // root window, holding the 64 x 64 icon window and nothing of a frame.
    Window slit = parentOf(display, windows.icon_window);
    EXPECT_EQ(parentOf(display, slit), DefaultRootWindow(display));
    Placement tile = waitUntilStill(display, windows.icon_window);
    EXPECT_EQ(tile.width, 64);
    EXPECT_EQ(tile.height, 64);
    Placement around = placementOf(display, slit);
    EXPECT_EQ(around.outerRight(), screen_width) << "the slit is not at the right edge";
    EXPECT_LE(around.width, 64 + 16) << "the tile's parent is wider than a slit around one applet";
    EXPECT_GE(tile.x, around.x);
    EXPECT_LE(tile.x + tile.width, around.x + around.width);
    EXPECT_FALSE(showsOnScreen(display, windows.main_window)) << "the withdrawn main window shows";

    EXPECT_TRUE(waitFor([&] { return showsGlobe(windowPixels(display, windows.icon_window)); }, 5, 50))
        << "the slit's tile does not show a globe";
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, Slit,
                         ::testing::Values(SlitHost{"fluxbox", "Fluxbox"}, SlitHost{"blackbox", "Blackbox"}),
                         [](const ::testing::TestParamInfo<SlitHost> &info) { return std::string(info.param.name); });
