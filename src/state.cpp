#include "state.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sys/time.h>

AppState app;
void (*quit_hook)(int status) = nullptr;

namespace {
SampleRGB day_sample_store[4];
SampleRGB night_sample_store[4];
}

void quit(int status)
{
    if (quit_hook)
        quit_hook(status);
    exit(status);
}

void setDefaults()
{
    // Free the owned strings of an earlier run (tests call this repeatedly).
    free(app.map_file);
    free(app.night_map_file);
    memset(static_cast<void *>(&app), 0, sizeof app);

    app.view_mode = VIEW_SUN;
    app.orientation = 1;
    app.zoom = 1.0;
    app.light = 0.25;
    app.dawn = 0.9;
    app.delay = 1.0;
    app.accel = 1.0;
    app.border = 2;
    app.shape = 1;
    app.wm_state = 0;
    app.use_night_map = 1;
    app.night_map_allowed = 1;
    app.sun_marker = -1;
    app.moon_marker = -1;

    app.redraw_needed = 1;
    app.first_refresh = 1;

    struct timeval now;
    gettimeofday(&now, nullptr);
    app.real_start = {static_cast<int64_t>(now.tv_sec), static_cast<int64_t>(now.tv_usec)};
    app.virtual_start = app.real_start;

    app.sphere_radius = 1000.0;
    app.focal_length = 64 / tan(0.008726646258333333);
    app.background_color = {0, 0, 0, 255};
    app.sun_marker_color = {255, 255, 127, 255};
    app.moon_marker_color = {0, 200, 255, 255};

    memset(day_sample_store, 0, sizeof day_sample_store);
    memset(night_sample_store, 0, sizeof night_sample_store);
    app.day_samples = day_sample_store;
    app.night_samples = night_sample_store;
}
