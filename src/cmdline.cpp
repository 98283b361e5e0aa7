#include "cmdline.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <strings.h>
#include <unistd.h>

#include "state.h"

const char version_line[] = "Orvane v.1.0 10 dec 2026 <orvane-dev@users.sourceforge.net>";

const char help_text[] =
    "-v                  : version         -h : this help message !\n"
    "-zoom   zoom_value  : changing apparent size in icon\n"
    "-pos latitude long. : fixed initial position (default=follow sun)\n"
    "-sun                : follow the sun (default)\n"
    "-moon               : follow the moon\n"
    "-rand               : random position at every refresh\n"
    "-map    map_file    : use this map for rendering\n"
    "-nimap  night_file  : and this one for the dark side of earth\n"
    "-defnimap           : use the default night map (with a custom map)\n"
    "-nonimap            : don't use the default night map\n"
    "-delay  seconds     : time between refresh of image\n"
    "-dlat   delta_lat   : latitude speed of point of view (default=follow sun)\n"
    "-dlong  delta_long  : the same for longitude\n"
    "-light  light_value : level of light for dark side of earth, [0..1]\n"
    "-dawn   dawn_value  : level of continuity for dawn limit\n"
    "-bord   border_num  : 0 1 or 2 , type of icon border.\n"
    "-accel  time_multi  : time accelerator\n"
    "-time   seconds     : time to display in seconds since 01-01-1970\n"
    "-oz                 : start in \"austral\" mode (for \"down under\" people)\n"
    "-stable             : keep the globe from going over the poles\n"
    "-mk  latitude long. : position of a marker (or \"sun\", \"moon\")\n"
    "-fun    dx  dy      : offset of vision... almost useless\n"
    "-w  -shape          : set by default (WMaker dockable application)\n"
    "-d      display     : display (WindowMaker not needed on the server side)\n"
    "left button         : change longitude, with shift key, change latitude too\n"
    "middle button       : zoom in, shift + middle button : zoom out\n"
    "right button        : access to a few screens of parameters\n";

namespace {

[[noreturn]] void badParameters()
{
    fputs("error in parameters\n", stderr);
    quit(1);
}

// A NaN (from the text "nan") lands on the low bound, like a value below it.
double clampDouble(double v, double lo, double hi)
{
    if (std::isnan(v) || v < lo)
        return lo;
    if (v > hi)
        return hi;
    return v;
}

int clampInt(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

bool is(const char *arg, const char *a, const char *b = nullptr, const char *c = nullptr,
        const char *d = nullptr)
{
    for (const char *name : {a, b, c, d})
        if (name && strcasecmp(arg, name) == 0)
            return true;
    return false;
}

// Replaces an owned file name by a copy of `text`.
void setOwnedString(char **field, const char *text, const char *failure)
{
    char *copy = strdup(text);
    if (!copy) {
        fputs(failure, stderr);
        quit(1);
    }
    free(*field);
    *field = copy;
}

} // namespace

int readInt(const char *text)
{
    errno = 0;
    long v = strtol(text, nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

double parseAngle(const char *text)
{
    if (!strpbrk(text, "\xB0" "dD:")) {
        // "nan" and "inf" are no angle: they read as 0 like any other non-number.
        double v = atof(text);
        return std::isfinite(v) ? v : 0;
    }
    double deg = 0, min = 0, sec = 0;
    sscanf(text, "%lf%*c%lf%*c%lf", &deg, &min, &sec);
    // A negative zero counts as positive: -0:30 is half a degree north.
    double v = deg >= 0 ? deg + min / 60 + sec / 3600 : deg - min / 60 - sec / 3600;
    return std::isfinite(v) ? v : 0;
}

void parseCommandLine(int argc, char **argv)
{
    int i = 1;
    // True when the option at i has at least n arguments after it.
    auto need = [&](int n) {
        if (i + n >= argc)
            badParameters();
    };

    for (; i < argc; i++) {
        const char *arg = argv[i];
        if (is(arg, "-v", "-version")) {
            printf("%s\n", version_line);
            quit(0);
        } else if (is(arg, "-w", "-wmaker")) {
            app.wm_state = 0;
        } else if (is(arg, "-i", "-iconic")) {
            app.wm_state = 3;
        } else if (is(arg, "-s", "-shape")) {
            app.shape = 1;
        } else if (is(arg, "-d", "-display")) {
            need(1);
            app.display_name = argv[++i];
        } else if (is(arg, "-stable", "-stab")) {
            app.stable = 1;
        } else if (is(arg, "-rand", "-random")) {
            app.view_mode = VIEW_RANDOM;
            srandom(static_cast<unsigned>(time(nullptr)) + static_cast<unsigned>(getpid()));
        } else if (is(arg, "-sun", "-soleil")) {
            app.view_mode = VIEW_SUN;
        } else if (is(arg, "-moon", "-lune")) {
            app.view_mode = VIEW_MOON;
        } else if (is(arg, "-oz", "-austral")) {
            app.orientation = -1;
        } else if (is(arg, "-map")) {
            need(1);
            setOwnedString(&app.map_file, argv[++i], "erreur memoire options map\n");
        } else if (is(arg, "-nimap", "-nightmap", "-night")) {
            need(1);
            setOwnedString(&app.night_map_file, argv[++i], "erreur memoire options nimap\n");
            app.use_night_map = 1;
        } else if (is(arg, "-accel", "-accell", "-acc", "-multi")) {
            need(1);
            double v = clampDouble(atof(argv[++i]), 1, 864000);
            app.accel = v > 24 ? floor(v) : floor(v * 10) / 10;
        } else if (is(arg, "-nonimap", "-nonightmap", "-nonight", "-nomap")) {
            app.use_night_map = 0;
            app.night_map_allowed = 0;
        } else if (is(arg, "-defnimap", "-defnightmap", "-defnight")) {
            app.default_night_map = 1;
        } else if (is(arg, "-zoom")) {
            need(1);
            double v = atof(argv[++i]);
            // Written so that a NaN lands on the smallest zoom.
            app.zoom = (v >= 0.08 && v <= 100000) ? v : (v > 100000 ? 100000 : 0.08);
        } else if (is(arg, "-dawn")) {
            need(1);
            double v = clampDouble(atof(argv[++i]), 0, 1);
            app.dawn = v * -0.5 + 1;
        } else if (is(arg, "-delay")) {
            need(1);
            app.delay = clampDouble(atof(argv[++i]), 0, 86400);
        } else if (is(arg, "-dlat", "-lat", "-dlatitude")) {
            need(1);
            app.dlat = clampDouble(parseAngle(argv[++i]), -1800, 1800);
            app.view_mode = VIEW_MOVE;
        } else if (is(arg, "-dlong", "-long", "-dlongitude")) {
            need(1);
            app.dlong = clampDouble(parseAngle(argv[++i]), -1800, 1800);
            app.view_mode = VIEW_MOVE;
        } else if (is(arg, "-light")) {
            need(1);
            app.light = clampDouble(atof(argv[++i]), 0, 1);
        } else if (is(arg, "-time")) {
            need(1);
            app.virtual_start = {static_cast<int64_t>(readInt(argv[++i])), 0};
        } else if (is(arg, "-bord", "-border")) {
            need(1);
            app.border = clampInt(readInt(argv[++i]), 0, 2);
        } else if (is(arg, "-fun")) {
            need(2);
            app.fun = 1;
            app.fun_dx = readInt(argv[++i]);
            app.fun_dy = readInt(argv[++i]);
        } else if (is(arg, "-pos", "-position", "-fixed")) {
            need(2);
            app.view_mode = VIEW_MOVE;
            app.view_lat = parseAngle(argv[++i]);
            app.view_long = parseAngle(argv[++i]);
        } else if (is(arg, "-mk", "-marker")) {
            if (app.marker_count == MAX_MARKERS) {
                fprintf(stderr, "Too many markers, max=%d\n", MAX_MARKERS);
                badParameters();
            }
            need(1);
            const char *what = argv[++i];
            if (strcasecmp(what, "sun") == 0) {
                app.sun_marker = app.marker_count++;
            } else if (strcasecmp(what, "moon") == 0) {
                app.moon_marker = app.marker_count++;
            } else {
                need(1);
                MarkerPoint &m = app.markers[app.marker_count];
                m.y = parseAngle(what);
                m.x = parseAngle(argv[++i]);
                app.marker_count++;
            }
        } else if (arg[0] == '-') {
            printf("%s\n\n%s", version_line, help_text);
            quit(0);
        }
        // Anything else is ignored.
    }
}
