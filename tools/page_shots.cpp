// Takes pictures of the running applet's parameter pages: the globe, the seven
// pages in turn and the globe again after closing, each as a PPM enlarged
// four times, with the pixels outside the window's shape in grey.
//
//   page_shots OUTDIR        (on $DISPLAY, with the applet already running)
//
// The clicks are sent as synthetic events to the applet's window.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int scale = 4;
constexpr unsigned outside_colour = 0x8890A0;

Window findApplet(Display *display, Window parent, int depth)
{
    Window root, up, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; i++) {
        XClassHint hint;
        if (XGetClassHint(display, children[i], &hint)) {
            if (hint.res_class && strstr(hint.res_class, "orvane"))
                found = children[i];
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
        if (!found && depth > 0)
            found = findApplet(display, children[i], depth - 1);
    }
    if (children)
        XFree(children);
    return found;
}

void sendButton(Display *display, Window window, int type, unsigned button, int x, int y)
{
    XEvent event{};
    event.xbutton.type = type;
    event.xbutton.display = display;
    event.xbutton.window = window;
    event.xbutton.root = DefaultRootWindow(display);
    event.xbutton.x = x;
    event.xbutton.y = y;
    event.xbutton.button = button;
    event.xbutton.same_screen = True;
    XSendEvent(display, window, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
    XFlush(display);
}

void click(Display *display, Window window, unsigned button, int x, int y)
{
    sendButton(display, window, ButtonPress, button, x, y);
    usleep(30000);
    sendButton(display, window, ButtonRelease, button, x, y);
    usleep(300000);
}

bool shoot(Display *display, Window window, const std::string &path)
{
    XSync(display, False);
    XImage *image = XGetImage(display, window, 0, 0, 64, 64, AllPlanes, ZPixmap);
    if (!image)
        return false;
    std::vector<bool> inside(64 * 64, false);
    int count = 0, ordering = 0;
    XRectangle *rects = XShapeGetRectangles(display, window, ShapeBounding, &count, &ordering);
    for (int i = 0; i < count; i++)
        for (int y = rects[i].y; y < rects[i].y + rects[i].height && y < 64; y++)
            for (int x = rects[i].x; x < rects[i].x + rects[i].width && x < 64; x++)
                if (x >= 0 && y >= 0)
                    inside[y * 64 + x] = true;
    if (rects)
        XFree(rects);

    FILE *out = fopen(path.c_str(), "wb");
    if (!out) {
        XDestroyImage(image);
        return false;
    }
    fprintf(out, "P6\n%d %d\n255\n", 64 * scale, 64 * scale);
    Visual *visual = DefaultVisual(display, DefaultScreen(display));
    Colormap colormap = DefaultColormap(display, DefaultScreen(display));
    for (int y = 0; y < 64 * scale; y++)
        for (int x = 0; x < 64 * scale; x++) {
            int px = x / scale, py = y / scale;
            unsigned rgb = outside_colour;
            if (inside[py * 64 + px]) {
                unsigned long pixel = XGetPixel(image, px, py);
                if (visual->c_class == TrueColor && image->depth == 24) {
                    rgb = static_cast<unsigned>(pixel & 0xFFFFFF);
                } else {
                    XColor c;
                    c.pixel = pixel;
                    XQueryColor(display, colormap, &c);
                    rgb = ((c.red >> 8) << 16) | ((c.green >> 8) << 8) | (c.blue >> 8);
                }
            }
            fputc((rgb >> 16) & 255, out);
            fputc((rgb >> 8) & 255, out);
            fputc(rgb & 255, out);
        }
    fclose(out);
    XDestroyImage(image);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "%s: no display\n", argv[0]);
        return 1;
    }
    Window window = 0;
    for (int i = 0; i < 200 && !window; i++) {
        window = findApplet(display, DefaultRootWindow(display), 3);
        if (!window)
            usleep(50000);
    }
    if (!window) {
        fprintf(stderr, "%s: no applet window\n", argv[0]);
        return 1;
    }
    usleep(1000000);
    const char *names[] = {"", "page1-position", "page2-time", "page3-delay-zoom", "page4-light-dawn",
                           "page5-accel-night", "page6-drift", "page7-view"};
    bool ok = shoot(display, window, dir + "/globe.ppm");
    click(display, window, 3, 32, 32);
    for (int page = 1; page <= 7; page++) {
        ok = shoot(display, window, dir + "/" + names[page] + ".ppm") && ok;
        if (page < 7)
            click(display, window, 1, 30, 56);
    }
    // The next button held down, then the close button.
    sendButton(display, window, ButtonPress, 1, 30, 56);
    usleep(200000);
    ok = shoot(display, window, dir + "/page7-next-pressed.ppm") && ok;
    sendButton(display, window, ButtonRelease, 1, 150, 150);
    usleep(200000);
    click(display, window, 1, 50, 56);
    usleep(500000);
    ok = shoot(display, window, dir + "/globe-after.ppm") && ok;
    XCloseDisplay(display);
    return ok ? 0 : 1;
}
