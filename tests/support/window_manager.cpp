#include "window_manager.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <chrono>

namespace {

Window windowProperty(Display *display, Window window, const char *name)
{
    Atom atom = XInternAtom(display, name, False);
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char *data = nullptr;
    Window value = 0;
    if (XGetWindowProperty(display, window, atom, 0, 1, False, XA_WINDOW, &type, &format, &n, &after, &data) ==
            Success &&
        data && n == 1 && format == 32)
        value = *reinterpret_cast<Window *>(data);
    if (data)
        XFree(data);
    return value;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

Window windowManagerCheck(Display *display)
{
    tolerateVanishedWindows();
    // The check window names itself only while the window manager that made
    // it is connected; the root's property may outlive it.
    Window check = windowProperty(display, DefaultRootWindow(display), "_NET_SUPPORTING_WM_CHECK");
    if (check && windowProperty(display, check, "_NET_SUPPORTING_WM_CHECK") == check)
        return check;
    return 0;
}

Window waitForWindowManager(Display *display, double seconds)
{
    Window check = 0;
    waitFor([&] { return (check = windowManagerCheck(display)) != 0; }, seconds);
    return check;
}

bool waitForNoWindowManager(Display *display, double seconds)
{
    return waitFor([&] { return windowManagerCheck(display) == 0; }, seconds);
}

std::string windowManagerName(Display *display, Window check)
{
    Atom name = XInternAtom(display, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char *data = nullptr;
    std::string value;
    if (XGetWindowProperty(display, check, name, 0, 256, False, utf8, &type, &format, &n, &after, &data) ==
            Success &&
        data)
        value.assign(reinterpret_cast<char *>(data), n);
    if (data)
        XFree(data);
    return value;
}

Window parentOf(Display *display, Window window)
{
    Window root, parent = 0, *children = nullptr;
    unsigned n;
    if (XQueryTree(display, window, &root, &parent, &children, &n) && children)
        XFree(children);
    return parent;
}

Placement placementOf(Display *display, Window window)
{
    Placement p;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return p;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &p.x, &p.y, &child);
    p.width = attributes.width;
    p.height = attributes.height;
    p.border = attributes.border_width;
    return p;
}

Placement waitUntilStill(Display *display, Window window, double still_seconds, double seconds)
{
    auto start = std::chrono::steady_clock::now();
    auto since = start;
    Placement last = placementOf(display, window);
    while (secondsSince(since) < still_seconds && secondsSince(start) < seconds) {
        sleepMs(20);
        Placement now = placementOf(display, window);
        if (now.x != last.x || now.y != last.y || now.width != last.width || now.height != last.height ||
            now.border != last.border) {
            last = now;
            since = std::chrono::steady_clock::now();
        }
    }
    return last;
}

bool waitForDocked(Display *display, const AppletWindows &windows, double seconds)
{
    tolerateVanishedWindows();
    return waitFor([&] {
        Window parent = parentOf(display, windows.icon_window);
        XWindowAttributes attributes;
        return parent && parent != windows.main_window && parent != DefaultRootWindow(display) &&
               XGetWindowAttributes(display, windows.icon_window, &attributes) && attributes.map_state == IsViewable;
    }, seconds);
}

bool showsOnScreen(Display *display, Window window)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    Placement p = placementOf(display, window);
    int width = DisplayWidth(display, DefaultScreen(display));
    int height = DisplayHeight(display, DefaultScreen(display));
    return p.x - p.border < width && p.y - p.border < height && p.outerRight() > 0 &&
           p.y + p.height + p.border > 0;
}
