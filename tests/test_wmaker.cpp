// The applet in a real Window Maker (Debian's wmaker): started by hand, the
// window manager takes its icon window into a 64 x 64 tile; kept in the Dock
// as a user keeps it, Window Maker starts it at login, passes the pointer
// through the tile, and docks the same applet again after a restart.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "artwork.h"
#include "process.h"
#include "tile.h"
#include "window_manager.h"
#include "xclient.h"
#include "xserver.h"

namespace {

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

std::string realPath(const std::string &path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? resolved : path;
}

std::string folderOf(const std::string &path)
{
    return path.substr(0, path.rfind('/'));
}

// Debian's /usr/bin/wmaker is a script that execs Window Maker, and Window
// Maker runs itself once more as its own child with --for-real: that child
// manages the screen and starts the Dock's applications. Waits for it among
// the children of the process a test started; -1 if it does not come.
int windowMakerProcess(int started, double seconds = 10)
{
    for (int waited = 0; waited < seconds * 1000; waited += 20) {
        for (int child : childProcesses(started)) {
            std::vector<std::string> args = processArguments(child);
            if (!args.empty() && args.back() == "--for-real")
                return child;
        }
        sleepMs(20);
    }
    return -1;
}

// The children of `parent` that run the applet as built.
std::vector<int> appletsStartedBy(int parent)
{
    static const std::string applet = realPath(ORVANE_BIN);
    std::vector<int> applets;
    for (int child : childProcesses(parent))
        if (processExecutable(child) == applet)
            applets.push_back(child);
    return applets;
}

// The share of the pixels inside an XPM image's shape that show its colour.
double shareLike(const std::vector<unsigned> &pixels, const XpmPicture &picture)
{
    int inside = 0, same = 0;
    for (int i = 0; i < 64 * 64 && i < static_cast<int>(pixels.size()); i++)
        if (picture.opaque[i]) {
            inside++;
            same += pixels[i] == picture.rgb[i];
        }
    return inside ? static_cast<double>(same) / inside : 0;
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
    ASSERT_NE(waitForWindowManager(d), 0u) << "Window Maker did not start";

    int applet = spawnProgram({ORVANE_BIN}, {display_env});
    AppletWindows w = waitForApplet(d, ORVANE_BIN);
    ASSERT_NE(w.icon_window, 0u);

    // Window Maker reparents the icon window into its tile and maps it.
    EXPECT_TRUE(waitForDocked(d, w)) << "the icon window was not taken into a tile";
    Placement tile = placementOf(d, w.icon_window);
    EXPECT_EQ(tile.width, 64);
    EXPECT_EQ(tile.height, 64);

    // The applet repaints the tile on the Expose that follows the reparenting.
    std::vector<unsigned> pixels;
    EXPECT_TRUE(waitFor([&] { return showsGlobe(pixels = windowPixels(d, w.icon_window)); }, 5, 50))
        << "the tile does not show a globe";
    writePpm(std::string(ORVANE_BINARY_DIR) + "/docked-tile.ppm", pixels);

    killProgram(applet);
    killProgram(wm);
    XCloseDisplay(d);
    system(("rm -rf " + home).c_str());
}

namespace {

// A user's login into Window Maker on a private Xvfb, with a private HOME
// whose Dock keeps the applet in its second tile, started by Window Maker
// itself (AutoLaunch). The Dock's entry is matched by the tile's WM_CLASS,
// which the applet sets to the name it was started by: Window Maker starts
// plain "orvane" from a PATH that holds the build folder.
class WindowMakerLogin : public ::testing::Test {
protected:
    static constexpr int screen_width = 640;
    ScopedXvfb xvfb{"-screen 0 640x480x24"};
    Display *display = nullptr;
    std::string home = tempPath("wmaker-login");
    int started = -1;        // the wmaker this test started
    int window_manager = -1; // the process that runs Window Maker
    int applet = -1;
    AppletWindows windows;
    Placement docked;        // the icon window's place, once Window Maker has settled it

    void SetUp() override
    {
        display = XOpenDisplay(xvfb.name());
        ASSERT_NE(display, nullptr);
        ignoreServerGrabs(display);
        ASSERT_EQ(system(("mkdir -p " + home + "/GNUstep/Defaults").c_str()), 0);
        // The user's defaults: the Dock's own tile, then the applet. The
        // long delay keeps the globe still unless the pointer moves it.
        std::string state = readFile(std::string(ORVANE_SOURCE_DIR) + "/tools/WMState.in");
        size_t command = state.find("@COMMAND@");
        ASSERT_NE(command, std::string::npos);
        state.replace(command, 9, "orvane -delay 1000");
        std::ofstream(home + "/GNUstep/Defaults/WMState") << state;
        ASSERT_NO_FATAL_FAILURE(startWindowMaker());

        // Window Maker starts the applet itself: it is Window Maker's child.
        std::vector<int> applets;
        waitFor([&] { return !(applets = appletsStartedBy(window_manager)).empty(); }, 10);
        ASSERT_EQ(applets.size(), 1u) << "Window Maker did not start the applet once";
        applet = applets[0];
        windows = waitForApplet(display, "orvane");
        ASSERT_NE(windows.icon_window, 0u);
        ASSERT_TRUE(waitForDocked(display, windows)) << "the icon window was not taken into a tile";
        // Window Maker bounces the tile of an application it has just
        // started; a press during the bounce may land on the tile itself.
        docked = waitUntilStill(display, windows.icon_window);
    }

    void TearDown() override
    {
        // The applets first, while Window Maker is there to reap them: the
        // one it started at login, and any it started after that. Window
        // Maker puts them in sessions of their own, out of its group.
        if (applet > 0)
            stopProcess(applet, SIGTERM);
        if (window_manager > 0)
            for (int other : appletsStartedBy(window_manager))
                stopProcess(other, SIGTERM);
        if (started > 0)
            killProgram(started);
        if (display)
            XCloseDisplay(display);
        system(("rm -rf " + home).c_str());
    }

    void startWindowMaker()
    {
        std::string path = folderOf(ORVANE_BIN) + ":" + (getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin");
        started = spawnProgram({"wmaker"}, {std::string("DISPLAY=") + xvfb.name(), "HOME=" + home, "PATH=" + path});
        window_manager = windowMakerProcess(started);
        ASSERT_GT(window_manager, 0) << "no Window Maker process under the wmaker started";
        ASSERT_NE(waitForWindowManager(display), 0u) << "Window Maker did not start";
    }

    // Stops the running Window Maker with this signal, sent to the process
    // that runs it; wmaker's outer process then ends too.
    void stopWindowMaker(int signal)
    {
        kill(window_manager, signal);
        int status = waitProgram(started, 10);
        ASSERT_NE(status, -1) << "wmaker did not end after its window manager got signal " << signal;
        started = -1;
        window_manager = -1;
        ASSERT_TRUE(waitForNoWindowManager(display));
    }

    void click(unsigned button, int x, int y)
    {
        movePointer(display, windows.icon_window, x, y);
        pressButton(display, button);
        sleepMs(20);
        releaseButton(display, button);
    }

    bool waitFor(const std::function<bool()> &done, double seconds = 5) { return ::waitFor(done, seconds); }

    std::vector<unsigned> tile() { return windowPixels(display, windows.icon_window); }

    // The position page: its own shape, and inside it mostly its background.
    bool showsPositionPage()
    {
        static const XpmPicture page = decodeXpm(latlong_screen_xpm);
        return windowShape(display, windows.icon_window) == page.opaque && shareLike(tile(), page) > 0.6;
    }
};

} // namespace

TEST_F(WindowMakerLogin, StartsTheAppletInTheDocksSecondTileAtTheRightEdge)
{
    EXPECT_EQ(parentProcess(applet), window_manager);
    EXPECT_EQ(processArguments(applet), (std::vector<std::string>{"orvane", "-delay", "1000"}));

    // The Dock runs down from the top-right corner: its own tile, then the applet's.
    EXPECT_EQ(docked.x, screen_width - 64);
    EXPECT_EQ(docked.y, 64);
    EXPECT_EQ(docked.width, 64);
    EXPECT_EQ(docked.height, 64);
    Placement tile_window = placementOf(display, parentOf(display, windows.icon_window));
    EXPECT_EQ(tile_window.x, screen_width - 64);
    EXPECT_EQ(tile_window.y, 64);
    EXPECT_FALSE(showsOnScreen(display, windows.main_window)) << "the withdrawn main window shows";

    EXPECT_TRUE(waitFor([&] { return showsGlobe(tile()); })) << "the tile does not show a globe";
}

TEST_F(WindowMakerLogin, ARightClickOnTheTileOpensThePagesAndAnotherClosesThem)
{
    ASSERT_TRUE(waitFor([&] { return showsGlobe(tile()); }));
    EXPECT_FALSE(showsPositionPage());
    click(3, 32, 32);
    ASSERT_TRUE(waitFor([&] { return showsPositionPage(); })) << "no position page after a right click";
    // Inside the page's shape, on no field: a right press there closes the pages.
    click(3, 38, 18);
    EXPECT_TRUE(waitFor([&] { return windowShape(display, windows.icon_window) == squareShape(); }))
        << "the tile kept the page's shape";
    EXPECT_TRUE(waitFor([&] { return showsGlobe(tile()); })) << "the globe did not come back";
}

TEST_F(WindowMakerLogin, AHeldLeftButtonOnTheTileTurnsTheGlobe)
{
    ASSERT_TRUE(waitFor([&] { return showsGlobe(tile()); }));
    movePointer(display, windows.icon_window, 56, 32);
    std::vector<unsigned> still = tile();
    sleepMs(300);
    ASSERT_EQ(tile(), still) << "the globe moves on its own; a turn could not be told apart";
    pressButton(display, 1);
    sleepMs(300);
    std::vector<unsigned> a = tile();
    sleepMs(300);
    std::vector<unsigned> b = tile();
    releaseButton(display, 1);
    EXPECT_NE(a, still) << "the globe did not turn while the button was held";
    EXPECT_NE(b, a) << "the globe stopped turning while the button was held";
}

TEST_F(WindowMakerLogin, TheSameAppletIsDockedAgainWhenWindowMakerIsStartedAgain)
{
    const struct {
        const char *how;
        int signal;
    } stops[] = {
        {"stopped", SIGTERM},
        {"killed", SIGKILL},
    };
    for (const auto &stop : stops) {
        SCOPED_TRACE(std::string("Window Maker ") + stop.how);
        ASSERT_NO_FATAL_FAILURE(stopWindowMaker(stop.signal));
        // The icon window goes back to the root window, not down with the
        // tile, so the applet gets no DestroyNotify and keeps running.
        EXPECT_TRUE(waitFor([&] { return parentOf(display, windows.icon_window) == DefaultRootWindow(display); }))
            << "the icon window was not given back to the root window";
        sleepMs(300);
        ASSERT_TRUE(processRunning(applet)) << "the applet ended with Window Maker";

        ASSERT_NO_FATAL_FAILURE(startWindowMaker());
        ASSERT_TRUE(waitForDocked(display, windows)) << "the applet was not docked again";
        Placement again = waitUntilStill(display, windows.icon_window);
        EXPECT_EQ(again.x, docked.x);
        EXPECT_EQ(again.y, docked.y);
        EXPECT_TRUE(waitFor([&] { return showsGlobe(tile()); })) << "the tile does not show a globe";
        EXPECT_TRUE(processRunning(applet));
        // The Dock finds its applet running and does not start a second one.
        EXPECT_FALSE(waitFor([&] { return !appletsStartedBy(window_manager).empty(); }, 2))
            << "Window Maker started a second applet";
    }
}

