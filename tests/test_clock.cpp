// The displayed clock and what each refresh does, driven by a clock the test
// sets instead of the real one, and rendered by the real globe renderer.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>

#include <wraster.h>

#include "clock.h"
#include "maps.h"
#include "moon.h"
#include "state.h"
#include "sun.h"
#include "view.h"

namespace {

constexpr double DEG = 180 / PI;
constexpr int64_t MARCH_2024 = 1710849600;  // 2024-03-19 12:00:00 UTC

Timeval fake_now;

Timeval fakeTime()
{
    return fake_now;
}

bool same(Timeval a, Timeval b)
{
    return a.sec == b.sec && a.usec == b.usec;
}

std::string show(Timeval t)
{
    return "(" + std::to_string(t.sec) + ", " + std::to_string(t.usec) + ")";
}

// The state as start-up leaves it, with a small grey day map and no display,
// the displayed clock based at `start` and the real clock in the test's hands.
class Clock : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_source = real_time_source;
        real_time_source = fakeTime;
        setDefaults();
        app.globe_image = RCreateImage(GLOBE_SIZE, GLOBE_SIZE, 0);
        app.day_map = RCreateImage(36, 18, 0);
        RColor grey = {128, 128, 128, 255};
        RClearImage(app.day_map, &grey);
        setMapScales();
        app.use_night_map = 0;
        app.light_level = 64;
        app.delay_tv = {1, 0};
        updateZoomGeometry();
        base({MARCH_2024, 0});
    }

    void TearDown() override
    {
        RReleaseImage(app.globe_image);
        RReleaseImage(app.day_map);
        app.globe_image = nullptr;
        app.day_map = nullptr;
        real_time_source = saved_source;
    }

    // A fresh start for the next case of a table.
    void restart()
    {
        TearDown();
        SetUp();
    }

    // Both clocks start at `start`, as with no -time.
    void base(Timeval start)
    {
        app.real_start = start;
        app.virtual_start = start;
        fake_now = start;
    }

    // One refresh at real time `now`, as the main loop does it: a picture is
    // shown (and redraw_needed cleared) whenever the refresh asks for one.
    bool refreshAt(Timeval now, int dragging = 0)
    {
        fake_now = now;
        refreshGlobe(dragging);
        bool drawn = app.redraw_needed;
        app.redraw_needed = 0;
        return drawn;
    }

    Timeval (*saved_source)() = nullptr;
};

} // namespace

TEST(Timeval, AddsAndSubtractsWithOneCarry)
{
    struct Case {
        Timeval a, b, sum, difference;
    };
    const Case cases[] = {
        {{5, 200000}, {3, 700000}, {8, 900000}, {1, 500000}},
        {{1, 600000}, {2, 500000}, {4, 100000}, {-1, 100000}},
        {{0, 999999}, {0, 1}, {1, 0}, {0, 999998}},
        {{1, 0}, {0, 1}, {1, 1}, {0, 999999}},
        {{-3, 250000}, {2, 750000}, {0, 0}, {-6, 500000}},
        // The seconds wrap around instead of overflowing.
        {{INT64_MAX, 500000}, {0, 600000}, {INT64_MIN, 100000}, {INT64_MAX - 1, 900000}},
        {{INT64_MIN, 0}, {0, 1}, {INT64_MIN, 1}, {INT64_MAX, 999999}},
    };
    for (const Case &c : cases) {
        EXPECT_TRUE(same(timevalAdd(c.a, c.b), c.sum)) << show(c.a) << " + " << show(c.b) << " = "
                                                       << show(timevalAdd(c.a, c.b));
        EXPECT_TRUE(same(timevalSub(c.a, c.b), c.difference))
            << show(c.a) << " - " << show(c.b) << " = " << show(timevalSub(c.a, c.b));
    }
}

TEST(RealTime, ComesFromTheSystemClockUnlessReplaced)
{
    Timeval now = currentTime();
    EXPECT_LE(std::llabs(now.sec - static_cast<int64_t>(time(nullptr))), 1);
    EXPECT_GE(now.usec, 0);
    EXPECT_LT(now.usec, 1000000);
}

TEST(RefreshDue, OnlyOnceNowIsPastTheNextRefresh)
{
    setDefaults();
    app.next_refresh = {100, 500000};
    struct Case {
        Timeval now;
        bool due;
    };
    for (Case c : {Case{{99, 999999}, false}, Case{{100, 499999}, false}, Case{{100, 500000}, false},
                   Case{{100, 500001}, true}, Case{{101, 0}, true}})
        EXPECT_EQ(refreshDue(c.now), c.due) << show(c.now);
}

TEST_F(Clock, TheLoopWaitsUntilTheRefreshIsDueButAtLeastATurn)
{
    struct Case {
        const char *what;
        Timeval delay;
        Timeval refreshed; // real time of the last refresh
        Timeval now;
        int64_t wait;      // microseconds
    };
    const int64_t T = MARCH_2024;
    const Case cases[] = {
        {"just refreshed", {1, 0}, {T, 0}, {T, 0}, 1000001},
        {"a quarter second on", {1, 0}, {T, 0}, {T, 250000}, 750001},
        {"at next_refresh itself, not yet due", {1, 0}, {T, 0}, {T + 1, 0}, 1},
        {"due", {1, 0}, {T, 0}, {T + 1, 1}, 0},
        {"long overdue", {1, 0}, {T, 0}, {T + 5, 0}, 0},
        {"half a second, with a carry", {0, 500000}, {T, 700000}, {T, 900000}, 300001},
        {"-delay 0: once a turn", {0, 0}, {T, 0}, {T, 0}, 40000},
        {"-delay 0, part of a turn on", {0, 0}, {T, 0}, {T, 39999}, 1},
        {"-delay 0, a turn on", {0, 0}, {T, 0}, {T, 40000}, 0},
        {"a delay shorter than a turn", {0, 20000}, {T, 0}, {T, 10000}, 30000},
        {"a delay of just over a turn", {0, 40001}, {T, 0}, {T, 0}, 40002},
        {"-delay 86400", {86400, 0}, {T, 0}, {T, 0}, 86400000001},
        {"the clock set back a microsecond", {1, 0}, {T, 0}, {T - 1, 999999}, 0},
        {"the clock set back an hour", {1, 0}, {T, 0}, {T - 3600, 0}, 0},
    };
    for (const Case &c : cases) {
        restart();
        app.delay_tv = c.delay;
        refreshAt(c.refreshed);
        int64_t wait = refreshWait(c.now);
        EXPECT_EQ(wait, c.wait) << c.what;
        EXPECT_EQ(refreshDue(c.now), c.wait == 0) << c.what;
        // Once the wait is over the refresh is due, and not a microsecond before.
        if (c.wait > 0) {
            Timeval after = timevalAdd(c.now, {wait / 1000000, wait % 1000000});
            Timeval just_before = timevalSub(after, {0, 1});
            EXPECT_TRUE(refreshDue(after)) << c.what;
            EXPECT_FALSE(refreshDue(just_before)) << c.what;
        }
    }
}

TEST_F(Clock, DisplayedTimeIsTheStartPlusAcceleratedElapsedTime)
{
    struct Case {
        Timeval real_start, virtual_start;
        double accel;
        Timeval elapsed, shown;
    };
    const Case cases[] = {
        // With accel 1 and no -time, the real time, microseconds included.
        {{1700000000, 250000}, {1700000000, 250000}, 1, {10, 900000}, {1700000011, 150000}},
        {{1700000000, 0}, {1700000000, 0}, 1, {0, 1}, {1700000000, 1}},
        // -time 0: the clock starts at 1970-01-01 and runs from there.
        {{1700000000, 0}, {0, 0}, 1, {5, 0}, {5, 0}},
        // Ten days per real second.
        {{MARCH_2024, 0}, {MARCH_2024, 0}, 864000, {1, 0}, {MARCH_2024 + 864000, 0}},
        // The microseconds' share of the seconds goes into the seconds.
        {{0, 0}, {0, 0}, 2, {0, 600000}, {1, 200000}},
        {{0, 0}, {1000, 900000}, 2, {0, 600000}, {1002, 100000}},
    };
    for (const Case &c : cases) {
        app.real_start = c.real_start;
        app.virtual_start = c.virtual_start;
        app.accel = c.accel;
        refreshAt(timevalAdd(c.real_start, c.elapsed));
        EXPECT_TRUE(same(app.virtual_now, c.shown)) << "accel " << c.accel << " elapsed " << show(c.elapsed)
                                                    << ": " << show(app.virtual_now);
    }
}

TEST_F(Clock, AnHourAtTheHighestAccelerationLands98YearsAheadOnTheRightDate)
{
    app.accel = 864000;
    refreshAt({MARCH_2024 + 3600, 0});

    int64_t shown = app.virtual_now.sec;
    EXPECT_EQ(shown, MARCH_2024 + int64_t{3600} * 864000);
    EXPECT_NEAR((shown - MARCH_2024) / (365.2425 * 86400), 98.6, 0.05);
    time_t s = static_cast<time_t>(shown);
    struct tm f;
    ASSERT_NE(gmtime_r(&s, &f), nullptr);
    EXPECT_EQ(f.tm_year + 1900, 2122);
    EXPECT_EQ(f.tm_mon + 1, 10);
    EXPECT_EQ(f.tm_mday, 12);
    EXPECT_EQ(f.tm_hour, 12);

    // The Sun and the Moon are those of the displayed time.
    double lat, lon;
    sunPosition(shown, &lat, &lon);
    EXPECT_EQ(app.sun_lat, lat);
    EXPECT_EQ(app.sun_long, lon);
    moonPosition(shown, &lat, &lon);
    EXPECT_EQ(app.moon_lat, lat);
    EXPECT_EQ(app.moon_long, lon);
}

TEST_F(Clock, FirstRefreshAppliesNoDriftAndLaterOnesDriftByTheRealTime)
{
    app.view_mode = VIEW_MOVE;
    app.dlat = 0.7;
    app.dlong = -1.3;
    // The time since last_refresh = (0, 0) would be the whole Unix time.
    EXPECT_TRUE(refreshAt({MARCH_2024 + 17, 250000}));
    EXPECT_EQ(app.view_lat, 0);
    EXPECT_EQ(app.view_long, 0);

    EXPECT_TRUE(refreshAt({MARCH_2024 + 19, 750000}));
    EXPECT_DOUBLE_EQ(app.view_lat, 1.75);
    EXPECT_DOUBLE_EQ(app.view_long, -3.25);
    EXPECT_DOUBLE_EQ(app.shown_lat, 1.75);
    EXPECT_DOUBLE_EQ(app.shown_long, -3.25);

    // No drift while the user drags.
    refreshAt({MARCH_2024 + 30, 0}, 1);
    EXPECT_DOUBLE_EQ(app.view_lat, 1.75);
    EXPECT_DOUBLE_EQ(app.view_long, -3.25);
}

TEST_F(Clock, OnlyAChangedViewIsRedrawnBetweenBodyUpdates)
{
    app.view_mode = VIEW_MOVE;
    refreshAt({MARCH_2024, 0});
    EXPECT_FALSE(refreshAt({MARCH_2024 + 1, 0}));
    app.view_long = 12;
    EXPECT_TRUE(refreshAt({MARCH_2024 + 2, 0}));
    EXPECT_EQ(app.shown_long, 12);
    EXPECT_FALSE(refreshAt({MARCH_2024 + 3, 0}));

    // A NaN never equals the last value, so it redraws at every refresh; an
    // unknown mode renders without placing the view.
    app.view_mode = 0;
    app.view_lat = NAN;
    EXPECT_TRUE(refreshAt({MARCH_2024 + 4, 0}));
    EXPECT_TRUE(refreshAt({MARCH_2024 + 5, 0}));
    EXPECT_EQ(app.shown_lat, 0);
    EXPECT_EQ(app.shown_long, 12);
}

TEST_F(Clock, SunModeRedrawsOncePerDisplayedMinuteWhileRefreshingEverySecond)
{
    ASSERT_TRUE(refreshAt({MARCH_2024, 0}));
    int drawn = 0;
    for (int second = 1; second <= 180; second++) {
        Timeval now = {MARCH_2024 + second, 0};
        bool redrawn = refreshAt(now);
        EXPECT_EQ(redrawn, second % 60 == 0) << "second " << second;
        drawn += redrawn;
        // Whether or not anything was drawn, the refresh is booked.
        EXPECT_TRUE(same(app.last_refresh, now));
        EXPECT_TRUE(same(app.next_refresh, {MARCH_2024 + second + 1, 0}));
        EXPECT_FALSE(refreshDue(now));
        EXPECT_TRUE(refreshDue({now.sec + 1, 1}));
    }
    EXPECT_EQ(drawn, 3);
    // The view faces the Sun of the last recomputation.
    EXPECT_EQ(app.bodies_time, MARCH_2024 + 180);
    EXPECT_NEAR(app.shown_lat, app.sun_lat * DEG, 1e-9);
    EXPECT_NEAR(app.shown_long, app.sun_long * DEG, 1e-9);
}

TEST_F(Clock, EachModePlacesTheViewOnWhatItFollows)
{
    struct Case {
        int mode;
        const double *body_lat, *body_long;  // radians; none in move mode
    };
    const Case cases[] = {
        {VIEW_MOVE, nullptr, nullptr},
        {VIEW_SUN, &app.sun_lat, &app.sun_long},
        {VIEW_MOON, &app.moon_lat, &app.moon_long},
    };
    for (const Case &c : cases) {
        restart();
        app.view_mode = c.mode;
        app.view_lat = 10;
        app.view_long = -20;
        refreshAt({MARCH_2024, 0});
        double lat = 10, lon = -20;
        if (c.body_lat) {
            lat += *c.body_lat * DEG;
            lon += *c.body_long * DEG;
        }
        EXPECT_NEAR(app.shown_lat, lat, 1e-9) << "mode " << c.mode;
        EXPECT_NEAR(app.shown_long, std::remainder(lon, 360.0), 1e-9) << "mode " << c.mode;
    }
}

TEST_F(Clock, DragInSunOrMoonModeKeepsTheDrawnPositionWhileTheBodyMoves)
{
    struct Case {
        int mode;
        const double *body_long;
    };
    for (Case c : {Case{VIEW_SUN, &app.sun_long}, Case{VIEW_MOON, &app.moon_long}}) {
        restart();
        app.view_mode = c.mode;
        app.accel = 3600;  // an hour a second: the body turns 15 degrees
        app.view_lat = 5;
        app.view_long = 7;
        refreshAt({MARCH_2024, 0});
        double held_lat = app.shown_lat, held_long = app.shown_long;
        for (int second = 1; second <= 5; second++) {
            double before = *c.body_long;
            EXPECT_TRUE(refreshAt({MARCH_2024 + second, 0}, 1));
            EXPECT_GT(std::fabs(std::remainder(*c.body_long - before, 2 * PI)), 10 / DEG) << "mode " << c.mode;
            EXPECT_NEAR(app.shown_lat, held_lat, 1e-9) << "mode " << c.mode << " second " << second;
            EXPECT_NEAR(app.shown_long, held_long, 1e-9) << "mode " << c.mode << " second " << second;
        }
        // Once the drag ends the view follows the body again, from the
        // offsets the drag left.
        refreshAt({MARCH_2024 + 6, 0});
        EXPECT_GT(std::fabs(std::remainder(app.shown_long - held_long, 360.0)), 10) << "mode " << c.mode;
    }
}

TEST_F(Clock, RandomModeDrawsANewPlaceEachRefreshButKeepsItAfterAZoomStep)
{
    app.view_mode = VIEW_RANDOM;
    srand(20240319);
    int draws[8];
    for (int &r : draws)
        r = rand();
    srand(20240319);

    auto expectDraw = [&](int i, int second) {
        EXPECT_TRUE(refreshAt({MARCH_2024 + second, 0})) << second;
        double lat = (draws[i] % 30001) / 30000.0 * 180 - 90;
        double lon = (draws[i + 1] % 30001) / 30000.0 * 360 - 180;
        EXPECT_EQ(app.view_lat, lat) << second;
        EXPECT_EQ(app.view_long, lon) << second;
        EXPECT_GE(app.view_lat, -90);
        EXPECT_LE(app.view_lat, 90);
        EXPECT_GE(app.view_long, -180);
        EXPECT_LE(app.view_long, 180);
        EXPECT_NEAR(app.shown_lat, lat, 1e-9) << second;
    };
    expectDraw(0, 0);
    expectDraw(2, 1);

    // A zoom step keeps the place for one refresh, which draws nothing new.
    zoomStep(0);
    EXPECT_EQ(app.random_hold, 1);
    double lat = app.view_lat, lon = app.view_long;
    EXPECT_TRUE(refreshAt({MARCH_2024 + 2, 0}));
    EXPECT_EQ(app.random_hold, 0);
    EXPECT_EQ(app.view_lat, lat);
    EXPECT_EQ(app.view_long, lon);

    expectDraw(4, 3);
    expectDraw(6, 4);
}

TEST_F(Clock, BodiesAreRecomputedOncePerDisplayedMinuteOrWhenForced)
{
    app.virtual_now = {MARCH_2024, 0};
    updateBodies(1);
    EXPECT_EQ(app.bodies_time, MARCH_2024);
    double lat, lon;
    sunPosition(MARCH_2024, &lat, &lon);
    EXPECT_EQ(app.sun_lat, lat);
    EXPECT_EQ(app.sun_long, lon);
    EXPECT_NEAR(app.sun_vector[0], std::sin(lon) * std::cos(lat), 1e-15);
    EXPECT_NEAR(app.sun_vector[1], std::sin(lat), 1e-15);
    EXPECT_NEAR(app.sun_vector[2], std::cos(lon) * std::cos(lat), 1e-15);

    struct Case {
        int64_t t;
        int force;
        bool recomputed;
    };
    const Case cases[] = {
        {MARCH_2024 + 59, 0, false},
        {MARCH_2024 + 60, 0, true},       // a displayed minute later
        {MARCH_2024 + 30, 0, false},      // moved backwards: kept until bodies_time + 60
        {MARCH_2024 + 30, 1, true},       // unless forced
        {MARCH_2024 + 89, 0, false},
        {MARCH_2024 + 90, 0, true},
        {INT64_MIN, 0, false},            // far apart: no overflow in the comparison
        {INT64_MAX, 0, true},
    };
    for (const Case &c : cases) {
        app.redraw_needed = 0;
        app.sun_lat = 99;
        app.virtual_now = {c.t, 0};
        updateBodies(c.force);
        EXPECT_EQ(app.sun_lat != 99, c.recomputed) << c.t << " force " << c.force;
        EXPECT_EQ(app.redraw_needed, c.recomputed ? 1 : 0) << c.t;
    }
}

TEST_F(Clock, TheMoonIsRecomputedOnlyWhenFollowedMarkedOrForced)
{
    struct Case {
        int view_mode, moon_marker, force;
        bool moon;
    };
    const Case cases[] = {
        {VIEW_SUN, -1, 1, false}, {VIEW_SUN, -1, 2, true}, {VIEW_MOON, -1, 1, true},
        {VIEW_MOVE, 2, 1, true},  {VIEW_RANDOM, -1, 0, false},
    };
    for (const Case &c : cases) {
        app.view_mode = c.view_mode;
        app.moon_marker = c.moon_marker;
        app.bodies_time = MARCH_2024 - 3600;
        app.virtual_now = {MARCH_2024, 0};
        app.moon_lat = 99;
        updateBodies(c.force);
        EXPECT_EQ(app.moon_lat != 99, c.moon) << "mode " << c.view_mode << " force " << c.force;
    }
}

TEST_F(Clock, BodyMarkersGetTheBodiesUnitVectors)
{
    app.sun_marker = 1;
    app.moon_marker = 3;
    app.markers[0] = {0.5, 0.5, 0.5};
    app.virtual_now = {MARCH_2024, 0};
    updateBodies(1);
    const MarkerPoint &sun = app.markers[1], &moon = app.markers[3];
    EXPECT_EQ(sun.x, app.sun_vector[0]);
    EXPECT_EQ(sun.y, app.sun_vector[1]);
    EXPECT_EQ(sun.z, app.sun_vector[2]);
    EXPECT_NEAR(moon.y, std::sin(app.moon_lat), 1e-15);
    EXPECT_NEAR(std::atan2(moon.x, moon.z), app.moon_long, 1e-12);
    EXPECT_NEAR(moon.x * moon.x + moon.y * moon.y + moon.z * moon.z, 1, 1e-12);
    EXPECT_EQ(app.markers[0].x, 0.5);  // a place marker is left alone
}
