#include "pages.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "dock.h"
#include "screens.h"
#include "state.h"
#include "text.h"
#include "view.h"

namespace {

constexpr double max_delay = 86400;
constexpr double min_delay = 0.04;
constexpr double min_zoom = 0.08;
constexpr double max_zoom = 100000;
constexpr double max_accel = 864000;
constexpr double max_drift = 1800;
constexpr double drift_step = 0.25;

// Pauses after a step, in microseconds.
constexpr int step_pause = 40000;
constexpr int delay_pause = 80000;
constexpr int no_step = -1;

// The y of the four lines of a text page.
constexpr int line_y[4] = {2, 14, 26, 38};

std::string formatted(const char *format, double value)
{
    char buffer[32];
    snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// Draws one line and shows it down to the bottom of the tile.
void showLine(const char *text, int x, int y)
{
    drawText(text, x, y);
    copyToWindows(2, y, 63, 63);
}

void showCentred(const std::string &text, int y)
{
    showLine(text.c_str(), centeredTextX(static_cast<int>(text.size())), y);
}

// The first band whose lower bound the value reaches, searching from the top.
struct AccelBand {
    double from;
    double step;
};

constexpr AccelBand accel_up[] = {
    {24, 1},        {60, 2},         {120, 4},        {240, 10},     {600, 20},
    {1200, 40},     {2400, 100},     {6000, 200},     {12000, 400},  {24000, 1000},
    {60000, 2000},  {120000, 4000},  {240000, 8000},
};

// The decrease bands start just above the increase bands, so that a step up
// from a band edge and a step back down land on neighbouring values.
constexpr AccelBand accel_down[] = {
    {24.1, 1},      {60.2, 2},       {121, 4},        {241, 10},     {601, 20},
    {1201, 40},     {2401, 100},     {6001, 200},     {12001, 400},  {24001, 1000},
    {60001, 2000},  {120001, 4000},  {240001, 8000},
};

// Steps of 0.01, 0.05, 0.1 and 0.2 are not exact in binary, and a long run of
// them drifts off the values shown: a delay shown as 0.1 that is really a
// little more would step down to 0 instead of 0.09, an accel of 23.99...
// would step to 24.2, a light of 0.49999... would give a light level of 127.
// A result within a hair of a multiple of 1/per_unit is made that multiple;
// any other value (one typed on the command line) is left as it is.
double withoutDrift(double value, double per_unit)
{
    double nearest = round(value * per_unit) / per_unit;
    return fabs(value - nearest) < 1e-9 ? nearest : value;
}

template <size_t N> double bandStep(const AccelBand (&bands)[N], double a)
{
    double step = 0;
    for (const auto &band : bands)
        if (a >= band.from)
            step = band.step;
    return step;
}

time_t zonedTime(long long seconds, double longitude)
{
    return static_cast<time_t>(seconds + zoneOffset(longitude));
}

std::string strftimeText(const char *format, long long seconds, double longitude)
{
    time_t t = zonedTime(seconds, longitude);
    struct tm fields;
    char buffer[30];
    if (!gmtime_r(&t, &fields) || strftime(buffer, sizeof buffer, format, &fields) == 0)
        return "";
    return buffer;
}

} // namespace

std::string delayText(double delay)
{
    char digits[32];
    snprintf(digits, sizeof digits, "%f", delay);
    // Eight characters at most, no trailing zeros (but never the first
    // character), no trailing point.
    digits[8] = '\0';
    size_t n = strlen(digits);
    while (n > 1 && digits[n - 1] == '0')
        digits[--n] = '\0';
    if (n > 0 && digits[n - 1] == '.')
        digits[--n] = '\0';
    return std::string(digits) + " s";
}

std::string zoomText(double zoom)
{
    return formatted("%.3f", zoom);
}

std::string lightText(double light)
{
    return formatted("%.2f", light);
}

std::string dawnText(double dawn)
{
    return formatted("%.2f", 2 * (1 - dawn));
}

std::string accelText(double accel)
{
    return formatted(accel < 24 ? "%.1f" : "%.0f", accel);
}

std::string driftText(double drift)
{
    double a = fabs(drift);
    int degrees = static_cast<int>(floor(a));
    int minutes = static_cast<int>(floor((a - floor(a)) * 60));
    char buffer[32];
    // \260 is the one byte that drawText shows as the degree ring.
    snprintf(buffer, sizeof buffer, drift < 0 ? "-%d\260%02d'" : "%d\260%02d'", degrees, minutes);
    return buffer;
}

std::string viewModeLine(const char *format, int marked)
{
    char buffer[32];
    snprintf(buffer, sizeof buffer, format, marked ? '>' : ' ', marked ? '<' : ' ');
    return buffer;
}

int zoneOffset(double longitude)
{
    return static_cast<int>(floor((longitude + 7.5) / 15) * 3600);
}

std::string timeDateText(long long seconds, double longitude)
{
    return strftimeText("%x", seconds, longitude);
}

TextLine timeClockLine(long long seconds, double longitude)
{
    std::string text = strftimeText("%X", seconds, longitude);
    if (text.size() <= 10)
        return {text, centeredTextX(static_cast<int>(text.size()))};
    // A longer time (one with an AM/PM suffix) is drawn from the left edge
    // without its spaces.
    std::string packed;
    for (char c : text)
        if (c != ' ')
            packed += c;
    return {packed, 2};
}

double nextDelay(double d, int step_sign)
{
    if (step_sign == 1) {
        if (d < min_delay)
            d = min_delay;
        else if (d < 0.1) {
            d += 0.01;
            if (d > 0.1)
                d = 0.2;
        } else if (d < 1) {
            d += 0.1;
            if (d > 1)
                d = 2;
        } else if (d < 60)
            d += 1;
        else if (d < 300)
            d += 10;
        else if (d < 3600)
            d += 60;
        else if (d < max_delay)
            d += 360;
        return d > max_delay ? max_delay : withoutDrift(d, 100);
    }
    if (d > 3600)
        d -= 360;
    else if (d > 300)
        d -= 60;
    else if (d > 60)
        d -= 10;
    else if (d > 1)
        d -= 1;
    else if (d > 0.1)
        d -= 0.1;
    else if (d > min_delay)
        d -= 0.01;
    else
        d = 0;
    d = withoutDrift(d, 100);
    return d < min_delay ? 0 : d;
}

double nextZoom(double zoom, int step_sign)
{
    zoom = step_sign == -1 ? zoom / 1.06 : zoom * 1.06;
    if (zoom < min_zoom)
        return min_zoom;
    if (zoom > max_zoom)
        return max_zoom;
    return zoom;
}

double nextLight(double light, int step_sign)
{
    return withoutDrift(fmin(1, fmax(0, light + step_sign / 20.0)), 100);
}

double nextDawn(double dawn, int step_sign)
{
    double v = 2 * (1 - dawn);
    v = withoutDrift(fmin(1, fmax(0, v + step_sign / 20.0)), 100);
    return v * -0.5 + 1;
}

double nextAccel(double a, int step_sign)
{
    if (step_sign == 1) {
        if (a < 1)
            a = 1.2;
        else if (a < 24)
            a = withoutDrift(a + 0.2, 10);
        else
            a = floor(a) + bandStep(accel_up, a);
        return a > max_accel ? max_accel : a;
    }
    if (a < 24.1)
        a = withoutDrift(a - 0.2, 10);
    else
        a = floor(a) - bandStep(accel_down, a);
    if (a > 24)
        a = floor(a);
    return a < 1 ? 1 : a;
}

double nextDrift(double drift, int step_sign)
{
    double x = drift + step_sign * drift_step;
    if (x > max_drift)
        return max_drift;
    if (x < -max_drift)
        return -max_drift;
    if (fabs(x) < drift_step)
        return 0;
    return x;
}

void moveViewBy(double d_lat, double d_long)
{
    app.view_lat += d_lat;
    app.view_long += d_long;
    switch (app.view_mode) {
    case VIEW_MOVE:
    case VIEW_RANDOM:
        setViewPosition(app.view_lat, app.view_long);
        break;
    case VIEW_SUN:
        setViewPosition(app.view_lat + app.sun_lat * 180 / PI, app.view_long + app.sun_long * 180 / PI);
        break;
    case VIEW_MOON:
        setViewPosition(app.view_lat + app.moon_lat * 180 / PI, app.view_long + app.moon_long * 180 / PI);
        break;
    default:
        break;
    }
}

void nudgeView(double d_lat, double d_long)
{
    moveViewBy(d_lat, d_long);
    drawPosition(app.shown_lat, app.shown_long);
}

void applyDelayStep(int step_sign)
{
    double d = nextDelay(app.delay, step_sign);
    app.delay = d;
    int whole = static_cast<int>(floor(d));
    app.delay_tv = {whole, static_cast<int>((d - whole) * 1000000)};
}

void applyZoomStep(int step_sign)
{
    app.zoom = nextZoom(app.zoom, step_sign);
    if (app.view_mode == VIEW_RANDOM) {
        app.view_lat = app.shown_lat;
        app.view_long = app.shown_long;
    }
    updateZoomGeometry();
    app.redraw_needed = 1;
}

void applyLightStep(int step_sign)
{
    app.light = nextLight(app.light, step_sign);
    app.light_level = static_cast<int>(floor(app.light * 256));
}

void applyDawnStep(int step_sign)
{
    app.dawn = nextDawn(app.dawn, step_sign);
}

void applyAccelStep(int step_sign)
{
    app.accel = nextAccel(app.accel, step_sign);
    // The displayed clock goes on from the last displayed time at the new rate.
    app.real_start = app.last_refresh;
    app.virtual_start = app.virtual_now;
}

bool applyNightMapToggle()
{
    if (app.use_night_map) {
        app.use_night_map = 0;
        return true;
    }
    if (app.night_map_loaded) {
        app.use_night_map = 1;
        return true;
    }
    return false;
}

bool applyDriftStep(double &drift, int step_sign)
{
    if (app.view_mode == VIEW_RANDOM)
        return false;
    drift = nextDrift(drift, step_sign);
    if (drift != 0)
        app.view_mode = VIEW_MOVE;
    return true;
}

bool applyViewChoice(int line)
{
    static constexpr int modes[] = {0, VIEW_MOVE, VIEW_SUN, VIEW_MOON};
    if (line < 1 || line > 3 || app.view_mode == modes[line])
        return false;
    app.view_mode = modes[line];
    if (line != 1) {
        app.dlat = 0;
        app.dlong = 0;
    }
    return true;
}

void drawTimePage()
{
    double lon = app.shown_long;
    showLine(" time :", 2, line_y[0]);
    showLine(" GMT+long.", 2, line_y[1]);
    long long seconds = app.virtual_now.sec;
    showCentred(timeDateText(seconds, lon), line_y[2]);
    TextLine clock = timeClockLine(seconds, lon);
    showLine(clock.text.c_str(), clock.x, line_y[3]);
}

void drawDelayZoomPage()
{
    showLine(" delay :", 2, line_y[0]);
    showCentred(delayText(app.delay), line_y[1]);
    showLine(" zoom :", 2, line_y[2]);
    showCentred(zoomText(app.zoom), line_y[3]);
}

void drawLightDawnPage()
{
    showLine(" light :", 2, line_y[0]);
    showCentred(lightText(app.light), line_y[1]);
    showLine(" dawn :", 2, line_y[2]);
    showCentred(dawnText(app.dawn), line_y[3]);
}

void drawAccelNightPage()
{
    showLine(" accel :", 2, line_y[0]);
    showCentred(accelText(app.accel), line_y[1]);
    showLine("night map:", 2, line_y[2]);
    showLine(app.use_night_map ? "    yes   " : "    no    ", 2, line_y[3]);
}

void drawDriftPage()
{
    showLine(" dlat :", 2, line_y[0]);
    showCentred(driftText(app.dlat), line_y[1]);
    showLine(" dlong :", 2, line_y[2]);
    showCentred(driftText(app.dlong), line_y[3]);
}

void drawViewModePage()
{
    showLine(" view :", 2, line_y[0]);
    showLine(viewModeLine("%c  move  %c", app.view_mode == VIEW_MOVE).c_str(), 2, line_y[1]);
    showLine(viewModeLine("%c  sun   %c", app.view_mode == VIEW_SUN).c_str(), 2, line_y[2]);
    showLine(viewModeLine("%c  moon  %c", app.view_mode == VIEW_MOON).c_str(), 2, line_y[3]);
}

void drawPage(int page)
{
    switch (page) {
    case page_position:
        drawPosition(app.shown_lat, app.shown_long);
        break;
    case page_time:
        drawTimePage();
        break;
    case page_delay_zoom:
        drawDelayZoomPage();
        break;
    case page_light_dawn:
        drawLightDawnPage();
        break;
    case page_accel_night:
        drawAccelNightPage();
        break;
    case page_drift:
        drawDriftPage();
        break;
    case page_view:
        drawViewModePage();
        break;
    default:
        break;
    }
}

void chooseViewMode(int line)
{
    if (applyViewChoice(line))
        drawViewModePage();
}

int stepPause(int page, int field)
{
    bool value_line = field == 1 || field == 2;
    switch (page) {
    case page_position:
        return field >= 1 && field <= 4 ? step_pause : no_step;
    case page_delay_zoom:
        return field == 1 ? delay_pause : field == 2 ? step_pause : no_step;
    case page_light_dawn:
    case page_accel_night:
        return value_line ? step_pause : no_step;
    case page_drift:
        // The drifts are off in random mode.
        return value_line && app.view_mode != VIEW_RANDOM ? step_pause : no_step;
    default:
        return no_step;
    }
}

int stepField(int page, int field, int step_sign)
{
    int pause = stepPause(page, field);
    if (pause == no_step)
        return no_step;
    // Which value line a field's step clears before the page is redrawn.
    int erase_y = field == 1 ? line_y[1] : line_y[3];
    switch (page) {
    case page_position: {
        // Degrees on fields 1 and 3, minutes on 2 and 4; south up turns
        // the direction round.
        double s = app.orientation * step_sign;
        double amount = field % 2 == 1 ? s : s / 60;
        if (field <= 2)
            nudgeView(amount, 0);
        else
            nudgeView(0, amount);
        break;
    }
    case page_delay_zoom:
        if (field == 1)
            applyDelayStep(step_sign);
        else
            applyZoomStep(step_sign);
        eraseValueLine(erase_y);
        drawDelayZoomPage();
        break;
    case page_light_dawn:
        if (field == 1)
            applyLightStep(step_sign);
        else
            applyDawnStep(step_sign);
        eraseValueLine(erase_y);
        drawLightDawnPage();
        break;
    case page_accel_night:
        if (field == 1) {
            applyAccelStep(step_sign);
            eraseValueLine(erase_y);
            drawAccelNightPage();
        } else if (applyNightMapToggle()) {
            drawAccelNightPage();
        }
        break;
    case page_drift:
        if (!applyDriftStep(field == 1 ? app.dlat : app.dlong, step_sign))
            return no_step;
        eraseValueLine(erase_y);
        drawDriftPage();
        break;
    }
    return pause;
}
