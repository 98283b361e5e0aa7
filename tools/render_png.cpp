// Renders one globe frame into a PNG (or PPM) file without an X server.
//
//   render_png -o FILE [-scale N] [--] [applet options]
//
// The applet options are those of the program itself (-zoom, -pos, -oz, -mk,
// -fun, -light, -dawn, -time, -map, -nimap, -nonimap, ...). The frame is the
// one start-up draws first: the same maps, the same clock (the real time, or
// -time, frozen at the moment the tool starts), the Sun and the Moon from the
// program's own models, the same render. The built-in maps are decoded from
// their XPM data here, since libwraster's XPM reader needs a display; map
// files are read through ImageMagick's convert, since libwraster's loaders
// need a rendering context for some formats (PNG). FILE ending in .ppm is
// written as binary PPM; anything else goes through convert (so .png gives
// a PNG).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <X11/xpm.h>

#include "artwork.h"
#include "clock.h"
#include "cmdline.h"
#include "dock.h"
#include "maps.h"
#include "state.h"
#include "view.h"

namespace {

void usage()
{
    fputs("usage: render_png -o FILE [-scale N] [--] [applet options]\n", stderr);
    exit(2);
}

// Reads a binary PPM (P6, maxval 255) from f into a new RGB image.
RImage *readPpm(FILE *f)
{
    char magic[3] = {};
    int width = 0, height = 0, maxval = 0;
    if (fscanf(f, "%2s %d %d %d", magic, &width, &height, &maxval) != 4 ||
        strcmp(magic, "P6") != 0 || maxval != 255 || width <= 0 || height <= 0)
        return nullptr;
    fgetc(f);
    RImage *image = RCreateImage(width, height, 0);
    if (!image)
        return nullptr;
    size_t bytes = static_cast<size_t>(width) * height * 3;
    if (fread(image->data, 1, bytes, f) != bytes) {
        RReleaseImage(image);
        return nullptr;
    }
    return image;
}

// Any image file ImageMagick reads, as an RGB image.
RImage *loadFile(const char *name)
{
    std::string command = "convert '" + std::string(name) + "' -alpha off -depth 8 ppm:-";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return nullptr;
    RImage *image = readPpm(pipe);
    pclose(pipe);
    return image;
}

// One hexadecimal digit's value, or -1.
int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A colour of the form #RRGGBB; None (which no map pixel uses) is black.
bool parseColor(const char *text, unsigned char *rgb)
{
    if (strcmp(text, "None") == 0) {
        rgb[0] = rgb[1] = rgb[2] = 0;
        return true;
    }
    if (text[0] != '#' || strlen(text) != 7)
        return false;
    for (int i = 0; i < 3; i++) {
        int high = hexDigit(text[1 + 2 * i]), low = hexDigit(text[2 + 2 * i]);
        if (high < 0 || low < 0)
            return false;
        rgb[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return true;
}

// A built-in map as an RGB image: what RGetImageFromXPMData followed by
// ripalpha gives, without a display. libXpm parses the data; the colour
// table holds only #RRGGBB values.
RImage *decodeBuiltInMap(const char **xpm)
{
    XpmImage parsed;
    if (XpmCreateXpmImageFromData(const_cast<char **>(xpm), &parsed, nullptr) != XpmSuccess)
        return nullptr;
    std::vector<unsigned char> table(3 * parsed.ncolors);
    for (unsigned i = 0; i < parsed.ncolors; i++) {
        const char *color = parsed.colorTable[i].c_color;
        if (!color || !parseColor(color, &table[3 * i])) {
            XpmFreeXpmImage(&parsed);
            return nullptr;
        }
    }
    RImage *image = RCreateImage(static_cast<int>(parsed.width), static_cast<int>(parsed.height), 0);
    size_t pixels = static_cast<size_t>(parsed.width) * parsed.height;
    for (size_t i = 0; image && i < pixels; i++)
        memcpy(image->data + 3 * i, &table[3 * parsed.data[i]], 3);
    XpmFreeXpmImage(&parsed);
    return image;
}

// The maps as the loader chooses them.
void loadMapsForTool()
{
    if (app.map_file) {
        app.day_map = loadFile(app.map_file);
        if (!app.default_night_map)
            app.use_night_map = 0;
    } else {
        app.day_map = decodeBuiltInMap(day_map_xpm);
        app.default_night_map = 1;
    }
    if (!app.day_map) {
        fprintf(stderr, "render_png: cannot read %s\n", app.map_file ? app.map_file : "the built-in day map");
        exit(1);
    }
    if (!app.night_map_allowed) {
        app.use_night_map = 0;
    } else if (app.use_night_map) {
        app.night_map = app.night_map_file ? loadFile(app.night_map_file) : decodeBuiltInMap(night_map_xpm);
        if (!app.night_map) {
            fprintf(stderr, "render_png: cannot read %s\n",
                    app.night_map_file ? app.night_map_file : "the built-in night map");
            exit(1);
        }
        if (app.night_map->width != app.day_map->width || app.night_map->height != app.day_map->height) {
            RImage *scaled = RScaleImage(app.night_map, app.day_map->width, app.day_map->height);
            RReleaseImage(app.night_map);
            app.night_map = scaled;
        }
    }
    app.night_map_loaded = app.night_map != nullptr;
    setMapScales();
}

// The clock stands still at the tool's start, so that the displayed time is
// exactly the start time (-time, or now) however long the maps take.
Timeval frozenTime()
{
    return app.real_start;
}

void writeImage(const char *name, int scale)
{
    int size = GLOBE_SIZE * scale;
    std::string path = name;
    bool ppm = path.size() > 4 && path.compare(path.size() - 4, 4, ".ppm") == 0;
    FILE *out = ppm ? fopen(name, "wb")
                    : popen(("convert ppm:- '" + path + "'").c_str(), "w");
    if (!out) {
        perror(name);
        exit(1);
    }
    fprintf(out, "P6\n%d %d\n255\n", size, size);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++)
            fwrite(app.globe_image->data + 3 * ((x / scale) + GLOBE_SIZE * (y / scale)), 1, 3,
                   out);
    int failed = ppm ? fclose(out) : pclose(out);
    if (failed) {
        fprintf(stderr, "render_png: writing %s failed\n", name);
        exit(1);
    }
}

} // namespace

int main(int argc, char **argv)
{
    const char *output = nullptr;
    int scale = 1;

    int i = 1;
    for (; i < argc; i++) {
        const char *a = argv[i];
        if (strcmp(a, "--") == 0) {
            i++;
            break;
        } else if (strcmp(a, "-o") == 0 && i + 1 < argc) {
            output = argv[++i];
        } else if (strcmp(a, "-scale") == 0 && i + 1 < argc) {
            scale = std::max(1, atoi(argv[++i]));
        } else {
            break;
        }
    }
    if (!output)
        usage();

    // The applet's own options, as its command line reads them.
    std::vector<char *> applet_argv;
    applet_argv.push_back(argv[0]);
    for (; i < argc; i++)
        applet_argv.push_back(argv[i]);
    setDefaults();
    parseCommandLine(static_cast<int>(applet_argv.size()), applet_argv.data());
    real_time_source = frozenTime;

    applySettings();
    loadMapsForTool();

    // The first picture, as start-up draws it: the bodies at the displayed
    // time and the view placed by the first refresh.
    app.globe_image = RCreateImage(GLOBE_SIZE, GLOBE_SIZE, 0);
    updateZoomGeometry();
    dragView(32, 32, 0);
    refreshGlobe(0);

    writeImage(output, scale);
    printf("%s: time %lld, view %.4f %.4f, sun %.4f %.4f, moon %.4f %.4f, zoom %g, disc radius %d\n", output,
           static_cast<long long>(app.virtual_now.sec), app.shown_lat, app.shown_long, app.sun_lat * 180 / PI,
           app.sun_long * 180 / PI, app.moon_lat * 180 / PI, app.moon_long * 180 / PI, app.zoom,
           app.globe_radius_px);
    return 0;
}
