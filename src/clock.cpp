#include "clock.h"

#include <cmath>
#include <cstdlib>
#include <sys/time.h>

#include "moon.h"
#include "raster.h"
#include "sun.h"
#include "view.h"

namespace {

constexpr int64_t MICROS = 1000000;
constexpr double TWO_POW_63 = 9.223372036854776e18;
constexpr double TWO_POW_64 = 1.8446744073709552e19;

Timeval systemTime()
{
    struct timeval now;
    gettimeofday(&now, nullptr);
    return {static_cast<int64_t>(now.tv_sec), static_cast<int64_t>(now.tv_usec)};
}

// 64-bit sums that wrap around instead of overflowing, as the displayed
// seconds themselves do.
int64_t wrappingAdd(int64_t a, int64_t b)
{
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

int64_t wrappingSub(int64_t a, int64_t b)
{
    return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

// The displayed time for the real time `now`: virtual_start plus the elapsed
// real time times accel, the seconds kept in signed 64 bits.
Timeval displayedTime(Timeval now)
{
    Timeval elapsed = timevalSub(now, app.real_start);
    double s = std::floor(static_cast<double>(elapsed.sec) * app.accel
                          + (static_cast<double>(elapsed.usec) * app.accel) / 1000000);
    // Into [-2^63, 2^63), so that the conversion below is defined.
    while (s >= TWO_POW_63)
        s -= TWO_POW_64;
    while (s < -TWO_POW_63)
        s += TWO_POW_64;
    int64_t u = static_cast<int64_t>(static_cast<double>(elapsed.usec) * app.accel) % MICROS;
    return timevalAdd({static_cast<int64_t>(s), u}, app.virtual_start);
}

void writeMarker(int index, double lat, double lon)
{
    app.markers[index] = {std::sin(lon) * std::cos(lat), std::sin(lat), std::cos(lon) * std::cos(lat)};
}

double degrees(double radians)
{
    return radians * 180 / PI;
}

// During a drag the followed body's motion goes into the offsets, so that
// the drawn position moves only by the drag steps.
void followBodyDuringDrag(const double *body_lat, const double *body_long)
{
    double old_lat = *body_lat, old_long = *body_long;
    updateBodies(1);
    app.view_lat -= degrees(*body_lat) - degrees(old_lat);
    app.view_long -= degrees(*body_long) - degrees(old_long);
}

void placeRandomView()
{
    if (app.random_hold > 0) {
        app.random_hold--;
    } else {
        int r1 = rand();
        int r2 = rand();
        app.view_lat = (r1 % 30001) / 30000.0 * 180 - 90;
        app.view_long = (r2 % 30001) / 30000.0 * 360 - 180;
    }
    setViewPosition(app.view_lat, app.view_long);
}

void placeView()
{
    switch (app.view_mode) {
    case VIEW_MOVE:
        setViewPosition(app.view_lat, app.view_long);
        break;
    case VIEW_SUN:
        setViewPosition(degrees(app.sun_lat) + app.view_lat, degrees(app.sun_long) + app.view_long);
        break;
    case VIEW_RANDOM:
        placeRandomView();
        break;
    case VIEW_MOON:
        setViewPosition(degrees(app.moon_lat) + app.view_lat, degrees(app.moon_long) + app.view_long);
        break;
    default:
        break;
    }
    renderGlobe();
}

} // namespace

Timeval (*real_time_source)() = systemTime;

Timeval currentTime()
{
    return real_time_source();
}

Timeval timevalAdd(Timeval a, Timeval b)
{
    int64_t usec = a.usec + b.usec;
    if (usec >= MICROS)
        return {wrappingAdd(wrappingAdd(a.sec, b.sec), 1), usec - MICROS};
    return {wrappingAdd(a.sec, b.sec), usec};
}

Timeval timevalSub(Timeval a, Timeval b)
{
    int64_t usec = a.usec - b.usec;
    if (usec < 0)
        return {wrappingSub(wrappingSub(a.sec, b.sec), 1), usec + MICROS};
    return {wrappingSub(a.sec, b.sec), usec};
}

int64_t refreshWait(Timeval now)
{
    if (timevalSub(now, app.last_refresh).sec < 0)
        return 0;
    // The first microsecond at which now is later than next_refresh.
    Timeval due = timevalAdd(app.next_refresh, {0, 1});
    Timeval paced = timevalAdd(app.last_refresh, {0, TURN_PAUSE_US});
    if (timevalSub(due, paced).sec < 0)
        due = paced;
    Timeval left = timevalSub(due, now);
    if (left.sec < 0)
        return 0;
    return left.sec * MICROS + left.usec;
}

bool refreshDue(Timeval now)
{
    return refreshWait(now) == 0;
}

void refreshGlobe(int dragging)
{
    Timeval now = currentTime();
    app.virtual_now = displayedTime(now);
    Timeval since = timevalSub(now, app.last_refresh);

    if (app.first_refresh) {
        // The time since last_refresh = (0, 0) is the whole Unix time: no drift.
        app.first_refresh = 0;
        updateBodies(2);
    } else if (!dragging) {
        double dt = static_cast<double>(since.sec) + static_cast<double>(since.usec) / 1000000;
        app.view_lat += app.dlat * dt;
        app.view_long += app.dlong * dt;
    }

    // A NaN never equals itself, so it counts as a change.
    if (app.view_long != app.last_view_long || app.view_lat != app.last_view_lat
        || app.view_mode == VIEW_RANDOM) {
        app.last_view_long = app.view_long;
        app.last_view_lat = app.view_lat;
        app.redraw_needed = 1;
    }

    if (!dragging)
        updateBodies(0);
    else if (app.view_mode == VIEW_SUN)
        followBodyDuringDrag(&app.sun_lat, &app.sun_long);
    else if (app.view_mode == VIEW_MOON)
        followBodyDuringDrag(&app.moon_lat, &app.moon_long);

    if (app.redraw_needed)
        placeView();

    app.last_refresh = now;
    app.next_refresh = timevalAdd(now, app.delay_tv);
}

void updateBodies(int force)
{
    int64_t t = app.virtual_now.sec;
    // t - bodies_time < 60, without overflowing for far-apart times.
    bool within_minute = t < app.bodies_time
        || static_cast<uint64_t>(t) - static_cast<uint64_t>(app.bodies_time) < 60;
    if (force == 0 && within_minute)
        return;
    app.bodies_time = t;

    sunPosition(t, &app.sun_lat, &app.sun_long);
    app.sun_vector[0] = std::sin(app.sun_long) * std::cos(app.sun_lat);
    app.sun_vector[1] = std::sin(app.sun_lat);
    app.sun_vector[2] = std::cos(app.sun_long) * std::cos(app.sun_lat);
    app.redraw_needed = 1;
    if (app.sun_marker >= 0)
        app.markers[app.sun_marker] = {app.sun_vector[0], app.sun_vector[1], app.sun_vector[2]};

    if (force == 2 || app.moon_marker >= 0 || app.view_mode == VIEW_MOON) {
        moonPosition(t, &app.moon_lat, &app.moon_long);
        if (app.moon_marker >= 0)
            writeMarker(app.moon_marker, app.moon_lat, app.moon_long);
    }
}
