// The one record of settings and shared runtime state, and its defaults.
#pragma once

#include <cstdint>

#include <X11/Xlib.h>
#include <X11/xpm.h>
#include <wraster.h>

// The program's value of pi; every degree/radian conversion uses it.
constexpr double PI = 3.141592653;

// What the view follows.
constexpr int VIEW_MOVE = 1;
constexpr int VIEW_SUN = 2;
constexpr int VIEW_RANDOM = 3;
constexpr int VIEW_MOON = 4;

constexpr int MAX_MARKERS = 5;

// Seconds and microseconds, both signed 64-bit.
struct Timeval {
    int64_t sec;
    int64_t usec;
};

// Longitude in x and latitude in y (degrees) until start-up turns a place
// marker into an earth-fixed unit vector.
struct MarkerPoint {
    double x, y, z;
};

// An RGB triple of ints, the sampler's scratch.
struct SampleRGB {
    int r, g, b;
};

// A built-in image made into a pixmap with XpmCreatePixmapFromData.
struct ScreenPixmap {
    Pixmap pixmap;
    Pixmap mask;
    XpmAttributes attributes;
};

// One clickable field of a parameter page; bounds inclusive.
struct ScreenButton {
    int active;
    int top, bottom;
    int left, right;
};

constexpr int GLOBE_SIZE = 64;
constexpr int MAX_SCREEN_BUTTONS = 8;

struct AppState {
    // Settings.
    int view_mode;
    double view_lat;
    double view_long;
    double dlat;
    double dlong;
    int stable;
    int orientation;
    double zoom;
    double light;
    double dawn;
    double delay;
    double accel;
    int border;
    int shape;
    int wm_state;
    int fun;
    int fun_dx, fun_dy;
    const char *display_name;
    char *map_file;
    char *night_map_file;
    int use_night_map;
    int default_night_map;
    int night_map_allowed;
    MarkerPoint markers[MAX_MARKERS];
    int marker_count;
    int sun_marker;
    int moon_marker;

    // Derived settings.
    int light_level;
    Timeval delay_tv;
    int map_x_scale, map_y_scale;
    int night_map_loaded;

    // Viewpoint and bodies.
    double shown_lat, shown_long;
    double shown_lat_rad, shown_long_rad;
    double sun_lat, sun_long;
    double moon_lat, moon_long;
    double sun_vector[3];
    int redraw_needed;
    int random_hold;
    int first_refresh;
    double last_view_lat, last_view_long;

    // Displayed clock.
    Timeval real_start;
    Timeval virtual_start;
    Timeval virtual_now;
    Timeval last_refresh;
    Timeval next_refresh;
    int64_t bodies_time;

    // Renderer constants.
    double sphere_radius;
    double focal_length;
    RColor background_color;
    RColor sun_marker_color;
    RColor moon_marker_color;

    // X and image resources.
    Display *display;
    RImage *day_map;
    RImage *night_map;
    RImage *globe_image;
    Pixmap converted_pixmap;
    Pixmap icon_pixmap;
    Window main_window, icon_window;
    GC gc;
    Pixmap shape_mask;
    XEvent event;
    ScreenPixmap latlong_screen;
    ScreenPixmap text_screen;
    ScreenPixmap digit_strip;
    ScreenPixmap font_strip;
    ScreenPixmap screen_parts;

    // View geometry derived from the zoom.
    double camera_distance;
    double camera_tangent_sq;
    double ray_linear_coef;

    // Globe raster cache, indexed [column][row].
    int globe_radius_px;
    int on_globe[GLOBE_SIZE][GLOBE_SIZE];
    double sphere_points[GLOBE_SIZE][GLOBE_SIZE][3];
    int geometry_valid;

    // Sampler scratch: four neighbours of a map position.
    SampleRGB *day_samples;
    SampleRGB *night_samples;

    // Parameter pages.
    ScreenButton screen_buttons[MAX_SCREEN_BUTTONS]; // 1-4 the page's fields, 5-7 the bottom buttons
    int current_page;                                // 1 to 7, or 0 to close
};

// The one instance, alive for the whole process.
extern AppState app;

// Fills every field of `app` with its default; reads the real time once.
void setDefaults();

// Ends the process with `status`. Tests and fuzzers may install a hook that
// unwinds instead (it must not return); the hook is called before exit().
[[noreturn]] void quit(int status);
extern void (*quit_hook)(int status);
