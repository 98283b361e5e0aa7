#include "targets.h"

#include <X11/Xlib.h>
#include <dlfcn.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clock.h"
#include "cmdline.h"
#include "dock.h"
#include "maps.h"
#include "mycontext.h"
#include "state.h"
#include "text.h"
#include "view.h"
#include "xvfb.h"

#if defined(__SANITIZE_ADDRESS__)
#define ORVANE_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANE_LSAN 1
#endif
#endif
#ifdef ORVANE_LSAN
#include <sanitizer/lsan_interface.h>
#endif

// The image libraries leak a little on some files: libwraster's PNG reader
// drops the image it was filling and its row pointers when libpng gives up
// half way (the error jump skips the clean-up), and libXpm drops a colour
// name when a colour line gives the same key twice. The applet reads its
// maps once, so it costs nothing there, but here it would hide every leak of
// the program's own behind the libraries'. And as libwraster has no frame
// pointers, the stack of such a leak looks just like that of an image the
// program loses, so no suppression can tell them apart.
//
// So a file is read with leak tracking off, and the images are counted
// instead: every image libwraster makes goes through RCreateImage and every
// one it frees through RReleaseImage (it calls both through its own symbol
// table, so these stand-ins see its inner calls too), and a load counts as
// the one image it returns. The map target checks that the count is back
// where it was after each input.
long live_images = 0;

// libwraster's own function behind the stand-in `name`, of the stand-in's type.
template <typename Function> Function *libraryFunction(const char *name, Function *)
{
    void *found = dlsym(RTLD_NEXT, name);
    if (!found) {
        fprintf(stderr, "fuzz: broken promise: libwraster's %s is found\n", name);
        abort();
    }
    return reinterpret_cast<Function *>(found);
}

extern "C" RImage *RCreateImage(unsigned width, unsigned height, int alpha)
{
    static const auto library_create = libraryFunction("RCreateImage", RCreateImage);
    RImage *image = library_create(width, height, alpha);
    if (image)
        live_images++;
    return image;
}

extern "C" void RReleaseImage(RImage *image)
{
    static const auto library_release = libraryFunction("RReleaseImage", RReleaseImage);
    if (image && image->refCount <= 1)
        live_images--;
    library_release(image);
}

extern "C" RImage *RLoadImage(RContext *context, const char *file, int index)
{
    static const auto library_load = libraryFunction("RLoadImage", RLoadImage);
    const long images_before = live_images;
#ifdef ORVANE_LSAN
    __lsan_disable();
#endif
    RImage *image = library_load(context, file, index);
#ifdef ORVANE_LSAN
    __lsan_enable();
#endif
    // What the reader made and lost on the way is the library's; the image
    // it hands over is the program's to release.
    live_images = images_before + (image ? 1 : 0);
    return image;
}

namespace {

// What quit() throws instead of ending the process.
struct Quit {
    int status;
};

[[noreturn]] void throwQuit(int status)
{
    throw Quit{status};
}

[[noreturn]] void broken(const char *what)
{
    fprintf(stderr, "fuzz: broken promise: %s\n", what);
    fflush(stderr);
    abort();
}

void expect(bool held, const char *what)
{
    if (!held)
        broken(what);
}

// A fixed real time, so that every run of an input draws the same frame.
Timeval fixed_now = {1710849600, 250000};
Timeval fixedTime()
{
    return fixed_now;
}

// ---- A private X server for the targets that draw ------------------------

XServer xvfb;
Display *display = nullptr;
RContext *context = nullptr;

void stopServer()
{
    if (display)
        XCloseDisplay(display);
    display = nullptr;
    stopXvfb(xvfb);
}

int abortOnXError(Display *d, XErrorEvent *error)
{
    char text[256];
    XGetErrorText(d, error->error_code, text, sizeof text);
    fprintf(stderr, "fuzz: X error %s (request %d)\n", text, error->request_code);
    broken("no X error");
}

// Starts Xvfb on a free display, opens it and builds the program's
// context; once per process.
void ensureServer()
{
    if (display)
        return;
    xvfb = launchXvfb("-screen 0 320x240x24");
    if (xvfb.pid < 0) {
        fprintf(stderr, "fuzz: %s\n", xvfb.error.c_str());
        broken("Xvfb starts");
    }
    atexit(stopServer);
    display = XOpenDisplay(xvfb.name.c_str());
    if (!display)
        broken("the private display opens");
    XSetErrorHandler(abortOnXError);
    context = myRCreateContext(display, DefaultScreen(display));
    if (!context)
        broken("the context is made");
}

// The drawing resources of the dock tile, made once: the icon pixmap, two
// unmapped windows, the GC and the built-in screen pixmaps. setDefaults
// clears the record, so they are put back on every call.
void useTile()
{
    struct Tile {
        Pixmap icon_pixmap;
        Window main_window, icon_window;
        GC gc;
        ScreenPixmap font_strip, digit_strip;
    };
    static Tile tile;
    static bool made = false;
    ensureServer();
    app.display = display;
    if (!made) {
        Window root = RootWindow(display, DefaultScreen(display));
        tile.icon_pixmap = XCreatePixmap(display, root, 64, 64, DefaultDepth(display, DefaultScreen(display)));
        tile.main_window = XCreateSimpleWindow(display, root, 0, 0, 64, 64, 1, 0, 0);
        tile.icon_window = XCreateSimpleWindow(display, tile.main_window, 0, 0, 64, 64, 1, 0, 0);
        tile.gc = XCreateGC(display, root, 0, nullptr);
        loadScreenPixmaps(root);
        tile.font_strip = app.font_strip;
        tile.digit_strip = app.digit_strip;
        made = true;
    }
    app.icon_pixmap = tile.icon_pixmap;
    app.main_window = tile.main_window;
    app.icon_window = tile.icon_window;
    app.gc = tile.gc;
    app.font_strip = tile.font_strip;
    app.digit_strip = tile.digit_strip;
}

// ---- Shared checks --------------------------------------------------------

void expectSettingsInRange()
{
    expect(app.view_mode >= 1 && app.view_mode <= 4, "view_mode in 1..4");
    expect(app.zoom >= 0.08 && app.zoom <= 100000, "zoom in [0.08, 100000]");
    expect(app.accel >= 1 && app.accel <= 864000, "accel in [1, 864000]");
    expect(app.dawn >= 0.5 && app.dawn <= 1, "dawn in [0.5, 1]");
    expect(app.delay >= 0 && app.delay <= 86400, "delay in [0, 86400]");
    expect(app.light >= 0 && app.light <= 1, "light in [0, 1]");
    expect(app.dlat >= -1800 && app.dlat <= 1800, "dlat in [-1800, 1800]");
    expect(app.dlong >= -1800 && app.dlong <= 1800, "dlong in [-1800, 1800]");
    expect(app.border >= 0 && app.border <= 2, "border in 0..2");
    expect(std::isfinite(app.view_lat) && std::isfinite(app.view_long), "a finite view position");
    expect(app.marker_count >= 0 && app.marker_count <= MAX_MARKERS, "at most five markers");
    expect(app.sun_marker < app.marker_count && app.moon_marker < app.marker_count, "body markers exist");
}

void expectShownPositionInRange()
{
    expect(app.shown_lat >= -90 && app.shown_lat <= 90, "shown latitude in [-90, 90]");
    expect(app.shown_long > -180 && app.shown_long <= 180, "shown longitude in (-180, 180]");
}

// A small map made in memory, so that the command-line target renders
// without a display.
RImage *stripeMap(int width, int height, int seed)
{
    RImage *image = RCreateImage(width, height, 0);
    for (int i = 0; i < width * height * 3; i++)
        image->data[i] = static_cast<unsigned char>(i * 37 + seed);
    return image;
}

// The first frame and the refreshes that follow a real second and a real
// hour later; a drag step in between.
void renderFrames()
{
    real_time_source = fixedTime;
    fixed_now = {1710849600, 250000};
    app.real_start = fixed_now;
    updateZoomGeometry();
    dragView(32, 32, 0);
    refreshGlobe(0);
    expectShownPositionInRange();
    fixed_now.sec += 1;
    refreshGlobe(0);
    expectShownPositionInRange();
    dragView(60, 5, 1);
    refreshGlobe(1);
    fixed_now.sec += 3600;
    refreshGlobe(0);
    expectShownPositionInRange();
}

} // namespace

void fuzzCommandLine(const uint8_t *data, size_t size)
{
    // The arguments: the input split at NUL bytes, at most 40 of them.
    std::vector<std::string> args{"orvane"};
    std::string current;
    for (size_t i = 0; i < size && args.size() < 41; i++) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (args.size() < 41 && !current.empty())
        args.push_back(current);
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    quit_hook = throwQuit;
    setDefaults();
    try {
        parseCommandLine(static_cast<int>(args.size()), argv.data());
    } catch (const Quit &q) {
        expect(q.status == 0 || q.status == 1, "the command line ends with status 0 or 1");
        app.display_name = nullptr; // it points into args
        return;
    }
    expectSettingsInRange();
    applySettings();
    expect(app.light_level >= 0 && app.light_level <= 256, "light_level in 0..256");

    static RImage *day = stripeMap(8, 4, 1);
    static RImage *night = stripeMap(8, 4, 2);
    static RImage *globe = RCreateImage(64, 64, 0);
    app.day_map = day;
    app.night_map = app.use_night_map ? night : nullptr;
    app.night_map_loaded = app.use_night_map;
    app.globe_image = globe;
    setMapScales();
    renderFrames();
    app.display_name = nullptr; // it points into args
}

void fuzzParseAngle(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    double v = parseAngle(text.c_str());
    expect(std::isfinite(v), "a finite angle");
}

void fuzzMapPipeline(const uint8_t *data, size_t size)
{
    ensureServer();
    if (size < 1)
        return;
    static RImage *globe = RCreateImage(64, 64, 0);
    const long images_before = live_images;
    // Every input is written to the same file, often within the same second:
    // libwraster's image cache, which goes by name and modification second,
    // would hand back the previous input's picture.
    setenv("RIMAGE_CACHE", "0", 1);
    const uint8_t how = data[0];
    static std::string path;
    if (path.empty()) {
        char dir[] = "/tmp/orvane-fuzz-map.XXXXXX";
        if (!mkdtemp(dir))
            broken("a temporary folder");
        path = std::string(dir) + "/map";
    }
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        broken("the map file can be written");
    fwrite(data + 1, 1, size - 1, f);
    fclose(f);

    // Bits 0-1: the file as -map with the built-in night map scaled to it,
    // as -map alone, as -nimap (scaled to the built-in day map), or as both.
    std::vector<std::string> args{"orvane"};
    switch (how & 3) {
    case 0:
        args.insert(args.end(), {"-map", path, "-defnimap"});
        break;
    case 1:
        args.insert(args.end(), {"-map", path});
        break;
    case 2:
        args.insert(args.end(), {"-nimap", path});
        break;
    case 3:
        args.insert(args.end(), {"-map", path, "-nimap", path, "-defnimap"});
        break;
    }
    // Bits 2-3: which part of the map faces the viewer: the middle, the
    // date line (both edges), the north pole, the south pole.
    static const char *views[4][2] = {{"0", "0"}, {"0", "180"}, {"90", "0"}, {"-90", "0"}};
    args.insert(args.end(), {"-pos", views[how >> 2 & 3][0], views[how >> 2 & 3][1]});
    if (how & 16)
        args.insert(args.end(), {"-zoom", "0.3"});
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    quit_hook = throwQuit;
    setDefaults();
    app.display = display;
    parseCommandLine(static_cast<int>(args.size()), argv.data());
    applySettings();
    try {
        loadMaps(context);
    } catch (const Quit &q) {
        expect(q.status == 1, "a map failure ends with status 1");
        if (app.day_map)
            RReleaseImage(app.day_map);
        app.day_map = nullptr;
        expect(live_images == images_before, "every image made by a failed load is released");
        return;
    }
    expect(app.day_map && app.day_map->format == RRGBFormat, "an RGB day map");
    expect(app.day_map->width >= 1 && app.day_map->height >= 1, "a day map with pixels");
    if (app.night_map) {
        expect(app.night_map->format == RRGBFormat, "an RGB night map");
        expect(app.night_map->width == app.day_map->width && app.night_map->height == app.day_map->height,
               "a night map of the day map's size");
        expect(app.night_map_loaded == 1, "night_map_loaded with a night map");
    } else {
        expect(app.use_night_map == 0, "no night map in use without one");
    }

    app.globe_image = globe;
    renderFrames();

    RReleaseImage(app.day_map);
    if (app.night_map)
        RReleaseImage(app.night_map);
    app.day_map = app.night_map = nullptr;
    expect(live_images == images_before, "every image made by the map steps is released");
}

void fuzzText(const uint8_t *data, size_t size)
{
    double lat = 0, lon = 0;
    int32_t x = 0, y = 0, n = 0;
    size_t at = 0;
    auto take = [&](void *field, size_t bytes) {
        size_t k = size - at < bytes ? size - at : bytes;
        memcpy(field, data + at, k);
        at += k;
    };
    take(&lat, sizeof lat);
    take(&lon, sizeof lon);
    take(&x, sizeof x);
    take(&y, sizeof y);
    take(&n, sizeof n);
    std::string text(reinterpret_cast<const char *>(data + at), size - at);

    // Layout: glyph cells inside the strip, one every 6 pixels, none from x = 60.
    std::vector<GlyphPlacement> glyphs = layoutText(text.c_str(), x);
    size_t length = strlen(text.c_str());
    expect(glyphs.size() <= length, "no more glyphs than bytes");
    for (size_t i = 0; i < glyphs.size(); i++) {
        expect(glyphs[i].x == x + 6 * static_cast<int>(i), "glyphs 6 pixels apart");
        expect(glyphs[i].x < 60, "no glyph from x = 60");
        expect(glyphs[i].source_x >= 0 && glyphs[i].source_x + 6 <= 434 && glyphs[i].source_x % 6 == 0,
               "a glyph cell inside the font strip");
    }
    if (x < 60 && length > 0)
        expect(!glyphs.empty(), "a line left of x = 60 shows its first glyph");

    int cx = centeredTextX(n);
    expect(cx >= 2 && cx <= 32 && (cx - 2) % 6 == 0, "a centred x on the value line");

    std::array<DigitCell, 11> cells = positionCells(lat, lon);
    for (size_t i = 0; i < cells.size(); i++) {
        expect(cells[i].position == static_cast<int>(i) + 1, "cells in position order");
        expect(cells[i].rect >= 0 && cells[i].rect < 14, "a digit rectangle of the table");
    }

    // The same on the X server: the copies the program sends must be valid.
    useTile();
    drawText(text.c_str(), x, y);
    drawPosition(lat, lon);
    XSync(display, False);
}

const FuzzTarget fuzz_targets[4] = {
    {"cmdline", fuzzCommandLine},
    {"angle", fuzzParseAngle},
    {"map", fuzzMapPipeline},
    {"text", fuzzText},
};
