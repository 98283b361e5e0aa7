#include "xclient.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <time.h>
#include <unistd.h>

namespace {

// Windows come and go while a test walks the tree (a window manager makes
// and drops its own): a query on a window that just vanished is no failure.
int toleratingErrorHandler(Display *, XErrorEvent *error)
{
    if (error->error_code == BadWindow || error->error_code == BadDrawable || error->error_code == BadMatch)
        return 0;
    fprintf(stderr, "test client: X error %d (request %d)\n", error->error_code, error->request_code);
    return 0;
}

bool hasClass(Display *display, Window w, const std::string &res_class)
{
    XClassHint hint;
    if (!XGetClassHint(display, w, &hint))
        return false;
    bool match = hint.res_class && res_class == hint.res_class;
    XFree(hint.res_name);
    XFree(hint.res_class);
    return match;
}

Window findByClass(Display *display, Window root, const std::string &res_class, int depth)
{
    Window r, parent, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(display, root, &r, &parent, &children, &n))
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < n && !found; i++) {
        if (hasClass(display, children[i], res_class))
            found = children[i];
        else if (depth > 0)
            found = findByClass(display, children[i], res_class, depth - 1);
    }
    if (children)
        XFree(children);
    return found;
}

} // namespace

void tolerateVanishedWindows()
{
    XSetErrorHandler(toleratingErrorHandler);
}

void sleepMs(int ms)
{
    usleep(ms * 1000);
}

bool waitFor(const std::function<bool()> &done, double seconds, int poll_ms)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (done())
            return true;
        sleepMs(poll_ms);
    }
    return done();
}

AppletWindows waitForApplet(Display *display, const std::string &res_class, double seconds)
{
    AppletWindows w;
    tolerateVanishedWindows();
    for (int waited = 0; waited < seconds * 1000; waited += 20) {
        // Window managers reparent the top-level window: look a few levels down.
        w.main_window = findByClass(display, DefaultRootWindow(display), res_class, 3);
        if (w.main_window) {
            XWMHints *hints = XGetWMHints(display, w.main_window);
            if (hints) {
                if (hints->flags & IconWindowHint)
                    w.icon_window = hints->icon_window;
                XFree(hints);
            }
            if (w.icon_window)
                return w;
        }
        sleepMs(20);
    }
    return w;
}

std::vector<unsigned> windowPixels(Display *display, Window window, int width, int height)
{
    std::vector<unsigned> pixels;
    XSync(display, False);
    XImage *image = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);
    if (!image)
        return pixels;
    Visual *visual = DefaultVisual(display, DefaultScreen(display));
    Colormap cmap = DefaultColormap(display, DefaultScreen(display));
    bool true_color = visual->c_class == TrueColor;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            unsigned long p = XGetPixel(image, x, y);
            if (true_color && image->depth == 24) {
                pixels.push_back(static_cast<unsigned>(p & 0xFFFFFF));
            } else {
                XColor c;
                c.pixel = p;
                XQueryColor(display, cmap, &c);
                pixels.push_back(((c.red >> 8) << 16) | ((c.green >> 8) << 8) | (c.blue >> 8));
            }
        }
    XDestroyImage(image);
    return pixels;
}

void ignoreServerGrabs(Display *display)
{
    XTestGrabControl(display, True);
}

void movePointer(Display *display, Window window, int x, int y)
{
    int rx, ry;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rx, &ry, &child);
    XTestFakeMotionEvent(display, DefaultScreen(display), rx, ry, CurrentTime);
    XSync(display, False);
}

void pressButton(Display *display, unsigned button)
{
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XSync(display, False);
}

void releaseButton(Display *display, unsigned button)
{
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
}

void pressKey(Display *display, const char *keysym_name)
{
    KeyCode code = XKeysymToKeycode(display, XStringToKeysym(keysym_name));
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XSync(display, False);
}

void releaseKey(Display *display, const char *keysym_name)
{
    KeyCode code = XKeysymToKeycode(display, XStringToKeysym(keysym_name));
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XSync(display, False);
}
