// Renders one globe frame into a PNG (or PPM) file without an X server.
//
//   render_png -o FILE [-scale N] [-sunpos LAT LONG] [-moonpos LAT LONG] [--] [applet options]
//
// The applet options are those of the program itself (-zoom, -pos, -oz, -mk,
// -fun, -light, -dawn, -time, -map, -nimap, -nonimap, ...). The frame is the
// one start-up would draw first. Map files are read through ImageMagick's
// convert; without -map the frame uses a drawn stand-in map with a graticule.
// The sub-solar point comes from -sunpos (degrees) or from the displayed time
// by a short almanac formula; the sub-lunar point from -moonpos (default 0 0).
// FILE ending in .ppm is written as binary PPM; anything else goes through
// convert (so .png gives a PNG).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cmdline.h"
#include "markers.h"
#include "raster.h"
#include "state.h"
#include "view.h"

namespace {

void usage()
{
    fputs("usage: render_png -o FILE [-scale N] [-sunpos LAT LONG] [-moonpos LAT LONG] [--] "
          "[applet options]\n",
          stderr);
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

void setPixel(RImage *image, int x, int y, int r, int g, int b)
{
    unsigned char *p = image->data + 3 * (static_cast<size_t>(y) * image->width + x);
    p[0] = static_cast<unsigned char>(r);
    p[1] = static_cast<unsigned char>(g);
    p[2] = static_cast<unsigned char>(b);
}

// A 360 x 180 stand-in map: the northern hemisphere green, the southern
// ochre, a graticule every 30 degrees, Greenwich red, 90 degrees east
// magenta, the equator yellow, and a black 6-degree block at (45 N, 0).
// The night version is dark blue with dim orange lines.
RImage *standInMap(bool night)
{
    RImage *image = RCreateImage(360, 180, 0);
    for (int row = 0; row < 180; row++) {
        double lat = 89.5 - row;
        for (int col = 0; col < 360; col++) {
            double lon = col - 179.5;
            int r, g, b;
            if (night) {
                r = 5, g = 8, b = 40;
            } else if (lat > 0) {
                r = 40 + row / 3, g = 140, b = 70;
            } else {
                r = 190, g = 150 - (row - 90) / 2, b = 60;
            }
            bool line = std::fmod(std::fabs(lon) + 0.5, 30.0) < 1 ||
                        std::fmod(std::fabs(lat) + 0.5, 30.0) < 1;
            if (line)
                night ? (r = 150, g = 100, b = 20) : (r = 235, g = 235, b = 235);
            if (!night && (col == 179 || col == 180))
                r = 230, g = 20, b = 20;
            if (!night && (col == 269 || col == 270))
                r = 220, g = 40, b = 220;
            if (!night && (row == 89 || row == 90))
                r = 240, g = 220, b = 20;
            if (!night && lat > 42 && lat < 48 && lon > -3 && lon < 3)
                r = 0, g = 0, b = 0;
            setPixel(image, col, row, r, g, b);
        }
    }
    return image;
}

// Sub-solar point (radians) at Unix time t by the low-precision almanac
// formula, good to a few hundredths of a degree: a stand-in for the
// program's own sun model in this tool.
void almanacSun(int64_t t, double *latitude, double *longitude)
{
    const double rad = M_PI / 180;
    double n = static_cast<double>(t) / 86400.0 - 10957.5;
    double L = std::fmod(280.460 + 0.9856474 * n, 360.0);
    double g = std::fmod(357.528 + 0.9856003 * n, 360.0) * rad;
    double lambda = (L + 1.915 * std::sin(g) + 0.020 * std::sin(2 * g)) * rad;
    double epsilon = (23.439 - 0.0000004 * n) * rad;
    double ra = std::atan2(std::cos(epsilon) * std::sin(lambda), std::cos(lambda));
    double gmst = std::fmod(18.697374558 + 24.06570982441908 * n, 24.0) * 15 * rad;
    *latitude = std::asin(std::sin(epsilon) * std::sin(lambda));
    *longitude = std::remainder(ra - gmst, 2 * M_PI);
}

void unitVector(double latitude, double longitude, double *v)
{
    v[0] = std::sin(longitude) * std::cos(latitude);
    v[1] = std::sin(latitude);
    v[2] = std::cos(longitude) * std::cos(latitude);
}

void setMapScales()
{
    app.map_x_scale = static_cast<int>(std::floor(app.day_map->width / 6.283185306 * 256));
    app.map_y_scale = static_cast<int>(std::floor(app.day_map->height / 3.141592653 * 256));
}

// The maps as the loader would choose them, with the stand-in map for the
// built-in one.
void loadMapsForTool()
{
    if (app.map_file) {
        app.day_map = loadFile(app.map_file);
        if (!app.default_night_map)
            app.use_night_map = 0;
    } else {
        app.day_map = standInMap(false);
        app.default_night_map = 1;
    }
    if (!app.day_map) {
        fprintf(stderr, "render_png: cannot read %s\n", app.map_file);
        exit(1);
    }
    if (!app.night_map_allowed) {
        app.use_night_map = 0;
    } else if (app.use_night_map) {
        app.night_map = app.night_map_file ? loadFile(app.night_map_file) : standInMap(true);
        if (!app.night_map) {
            fprintf(stderr, "render_png: cannot read %s\n", app.night_map_file);
            exit(1);
        }
        if (app.night_map->width != app.day_map->width ||
            app.night_map->height != app.day_map->height) {
            RImage *scaled = RScaleImage(app.night_map, app.day_map->width, app.day_map->height);
            RReleaseImage(app.night_map);
            app.night_map = scaled;
        }
    }
    app.night_map_loaded = app.night_map != nullptr;
    setMapScales();
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
    bool have_sun = false;
    double sun_lat = 0, sun_long = 0, moon_lat = 0, moon_long = 0;

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
        } else if (strcmp(a, "-sunpos") == 0 && i + 2 < argc) {
            have_sun = true;
            sun_lat = parseAngle(argv[++i]) * PI / 180;
            sun_long = parseAngle(argv[++i]) * PI / 180;
        } else if (strcmp(a, "-moonpos") == 0 && i + 2 < argc) {
            moon_lat = parseAngle(argv[++i]) * PI / 180;
            moon_long = parseAngle(argv[++i]) * PI / 180;
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

    // Start-up: place markers become unit vectors; derived settings.
    for (int m = 0; m < app.marker_count; m++) {
        if (m == app.sun_marker || m == app.moon_marker)
            continue;
        app.markers[m].x = app.markers[m].x * PI / 180;
        app.markers[m].y = app.markers[m].y * PI / 180;
        markerToVector(m);
    }
    app.light_level = static_cast<int>(std::floor(app.light * 256));
    loadMapsForTool();
    app.globe_image = RCreateImage(GLOBE_SIZE, GLOBE_SIZE, 0);
    updateZoomGeometry();
    dragView(32, 32, 0); // start-up's nudge: a quarter degree east at zoom 1

    // The bodies at the displayed time.
    if (!have_sun)
        almanacSun(app.virtual_start.sec, &sun_lat, &sun_long);
    app.sun_lat = sun_lat;
    app.sun_long = sun_long;
    app.moon_lat = moon_lat;
    app.moon_long = moon_long;
    unitVector(sun_lat, sun_long, app.sun_vector);
    if (app.sun_marker >= 0) {
        MarkerPoint &m = app.markers[app.sun_marker];
        m = {app.sun_vector[0], app.sun_vector[1], app.sun_vector[2]};
    }
    if (app.moon_marker >= 0) {
        double v[3];
        unitVector(moon_lat, moon_long, v);
        app.markers[app.moon_marker] = {v[0], v[1], v[2]};
    }

    // The view as the first refresh places it.
    switch (app.view_mode) {
    case VIEW_SUN:
        setViewPosition(app.sun_lat * 180 / PI + app.view_lat,
                        app.sun_long * 180 / PI + app.view_long);
        break;
    case VIEW_MOON:
        setViewPosition(app.moon_lat * 180 / PI + app.view_lat,
                        app.moon_long * 180 / PI + app.view_long);
        break;
    default:
        setViewPosition(app.view_lat, app.view_long);
        break;
    }
    renderGlobe();
    writeImage(output, scale);
    printf("%s: view %.4f %.4f, sun %.4f %.4f, zoom %g, disc radius %d\n", output, app.shown_lat,
           app.shown_long, sun_lat * 180 / PI, sun_long * 180 / PI, app.zoom,
           app.globe_radius_px);
    return 0;
}
