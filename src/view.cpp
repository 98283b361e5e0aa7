#include "view.h"

#include <cmath>

#include "state.h"

namespace {

// One fold of the latitude back from a pole: lat becomes new_lat.
void foldOverPole(double &lat, double new_lat, double &longitude)
{
    app.view_lat = (new_lat - lat) + app.view_lat;
    lat = new_lat;
    app.dlat = -app.dlat;
    if (app.stable)
        return;
    if (!app.fun) {
        longitude = longitude + 180;
        app.view_long = 180 + app.view_long;
    }
    app.orientation = -app.orientation;
}

// Whole turns taken off a value so far out that turn-by-turn loops would
// not end (from about 2^56 a subtraction of 360 changes nothing, and long
// before that the loops take ages). Nearer values are left to the loops, so
// that their results stay exactly theirs. fmod is exact, so only whole
// turns go.
void reduceFarTurns(double &value)
{
    constexpr double far = 1e9;
    if (std::fabs(value) >= far)
        value = std::fmod(value, 360.0);
}

} // namespace

void setViewPosition(double latitude, double longitude)
{
    double lat = latitude;
    double lon = longitude;
    reduceFarTurns(lat);
    reduceFarTurns(app.view_lat);
    reduceFarTurns(lon);
    reduceFarTurns(app.view_long);
    while (lat >= 360)
        lat = lat - 360;
    while (lat <= -360)
        lat = lat + 360;
    while (app.view_lat >= 360)
        app.view_lat = app.view_lat - 360;
    while (app.view_lat <= -360)
        app.view_lat = app.view_lat + 360;

    // The checks are inclusive and run twice each way, so a latitude of
    // exactly +-90 folds twice and every effect cancels.
    if (lat >= 90)
        foldOverPole(lat, 180 - lat, lon);
    if (lat <= -90)
        foldOverPole(lat, -180 - lat, lon);
    if (lat >= 90)
        foldOverPole(lat, 180 - lat, lon);
    if (lat <= -90)
        foldOverPole(lat, -180 - lat, lon);

    while (lon >= 180) {
        lon = lon - 360;
        app.view_long = app.view_long - 360;
    }
    while (lon <= -180) {
        lon = lon + 360;
        app.view_long = app.view_long + 360;
    }

    app.shown_lat = lat;
    app.shown_long = lon;
    app.shown_lat_rad = lat * PI / 180;
    app.shown_long_rad = PI * lon / 180;
}

void updateZoomGeometry()
{
    // Tangent of the angle under which the globe's radius is seen.
    double x = ((app.zoom * 64) * 0.5) / app.focal_length;
    app.camera_distance = app.sphere_radius / sin(atan(x));
    app.camera_tangent_sq =
        app.camera_distance * app.camera_distance - app.sphere_radius * app.sphere_radius;
    app.geometry_valid = 0;
}

void dragView(int x, int y, int with_latitude)
{
    // Offset of the pixel centre from the tile centre, right and down positive.
    double dx = (x - 32) + 0.5;
    double dy = (y - 32) + 0.5;

    double f = 0;
    if (with_latitude) {
        f = -dy * app.orientation / app.zoom;
        // Near a pole the sideways offset also moves the latitude, in the
        // direction the vertical offset already moves it.
        double g = fabs(sin(app.shown_lat_rad) * dx / app.zoom);
        if (f > 0)
            f = f + g;
        else
            f = f - g;
    }

    double base_lat = app.view_lat;
    double base_long = app.view_long;
    if (app.view_mode == VIEW_RANDOM) {
        base_lat = app.shown_lat;
        base_long = app.shown_long;
        app.random_hold = 1;
    }
    app.view_long = cos(app.shown_lat_rad) * (dx / app.zoom) * app.orientation * 0.5 + base_long;
    app.view_lat = f * 0.5 + base_lat;
    app.redraw_needed = 1;
}

void zoomStep(int zoom_out)
{
    if (zoom_out)
        app.zoom = app.zoom / 1.06;
    else
        app.zoom = app.zoom * 1.06;
    app.zoom = std::fmin(100000.0, std::fmax(0.08, app.zoom));
    if (app.view_mode == VIEW_RANDOM) {
        app.view_long = app.shown_long;
        app.view_lat = app.shown_lat;
        app.random_hold = 1;
    }
    updateZoomGeometry();
    app.redraw_needed = 1;
}
