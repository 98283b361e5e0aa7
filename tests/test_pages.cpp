// The value texts of the parameter pages and what one step of each field does.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "pages.h"
#include "process.h"
#include "state.h"

namespace {

// The texts that a run of steps shows, starting from `value`.
template <typename Step, typename Text>
std::vector<std::string> stepTexts(double value, int step_sign, int steps, Step step, Text text)
{
    std::vector<std::string> shown;
    for (int i = 0; i < steps; i++) {
        value = step(value, step_sign);
        shown.push_back(text(value));
    }
    return shown;
}

struct StepCase {
    double before;
    int step_sign;
    double after;
};

void expectSteps(double (*step)(double, int), const std::vector<StepCase> &cases)
{
    for (const auto &c : cases)
        EXPECT_DOUBLE_EQ(step(c.before, c.step_sign), c.after)
            << "from " << c.before << " with step sign " << c.step_sign;
}

class PageState : public ::testing::Test {
protected:
    void SetUp() override { setDefaults(); }
};

} // namespace

TEST(ValueTexts, DelayIsCutToEightCharactersWithoutTrailingZeros)
{
    struct Case {
        double delay;
        const char *text;
    };
    const Case cases[] = {
        {1, "1 s"},         {0.04, "0.04 s"},   {0, "0 s"},     {86400, "86400 s"},
        {12345.678, "12345.67 s"}, {0.5, "0.5 s"}, {10, "10 s"}, {100, "100 s"},
        {60, "60 s"},       {0.2, "0.2 s"},     {3960, "3960 s"}, {1.25, "1.25 s"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(delayText(c.delay), c.text) << c.delay;
}

TEST(ValueTexts, ZoomLightAndDawn)
{
    EXPECT_EQ(zoomText(1), "1.000");
    EXPECT_EQ(zoomText(0.08), "0.080");
    EXPECT_EQ(zoomText(100000), "100000.000");
    EXPECT_EQ(lightText(0.25), "0.25");
    EXPECT_EQ(lightText(1), "1.00");
    EXPECT_EQ(dawnText(0.9), "0.20"); // the stored default of the user's 0.2
    EXPECT_EQ(dawnText(0.5), "1.00");
    EXPECT_EQ(dawnText(1), "0.00");
}

TEST(ValueTexts, AccelHasOneDecimalOnlyBelowTwentyFour)
{
    EXPECT_EQ(accelText(1), "1.0");
    EXPECT_EQ(accelText(23.8), "23.8");
    EXPECT_EQ(accelText(23.96), "24.0");
    EXPECT_EQ(accelText(24), "24");
    EXPECT_EQ(accelText(60), "60");
    EXPECT_EQ(accelText(864000), "864000");
}

TEST(ValueTexts, DriftUsesTheOneByteDegreeSign)
{
    EXPECT_EQ(driftText(1.5), "1\xB0" "30'");
    EXPECT_EQ(driftText(-0.25), "-0\xB0" "15'");
    EXPECT_EQ(driftText(0), "0\xB0" "00'");
    EXPECT_EQ(driftText(0.25), "0\xB0" "15'");
    EXPECT_EQ(driftText(1800), "1800\xB0" "00'");
    EXPECT_EQ(driftText(-1800), "-1800\xB0" "00'");
    EXPECT_EQ(driftText(12.75), "12\xB0" "45'");
}

TEST(ValueTexts, ViewModeLinesAreTenCharacters)
{
    EXPECT_EQ(viewModeLine("%c  move  %c", 1), ">  move  <");
    EXPECT_EQ(viewModeLine("%c  sun   %c", 0), "   sun    ");
    EXPECT_EQ(viewModeLine("%c  moon  %c", 1).size(), 10u);
}

TEST(TimePage, ZoneIsThatOfTheNearestFifteenDegrees)
{
    struct Case {
        double longitude;
        int offset;
    };
    const Case cases[] = {
        {0, 0},          {7.5, 3600},     {7.49, 0},        {-7.5, 0},  {-7.51, -3600},
        {22.5, 7200},    {180, 43200},    {-180, -43200},   {-172.5, -39600},
    };
    for (const auto &c : cases)
        EXPECT_EQ(zoneOffset(c.longitude), c.offset) << c.longitude;
}

TEST(TimePage, DateAndTimeInTheDefaultLocaleAreCentredAtEight)
{
    setlocale(LC_TIME, "C");
    EXPECT_EQ(timeDateText(0, 0), "01/01/70");
    TextLine clock = timeClockLine(0, 0);
    EXPECT_EQ(clock.text, "00:00:00");
    EXPECT_EQ(clock.x, 8);
    EXPECT_EQ(timeClockLine(0, 7.5).text, "01:00:00");
    EXPECT_EQ(timeClockLine(0, -7.51).text, "23:00:00");
    EXPECT_EQ(timeDateText(0, -7.51), "12/31/69");
    // 2001-09-09 01:46:40 UTC
    EXPECT_EQ(timeDateText(1000000000, 0), "09/09/01");
    EXPECT_EQ(timeClockLine(1000000000, 0).text, "01:46:40");
}

TEST(TimePage, ALongTimeLosesItsSpacesAndStartsAtTheLeftEdge)
{
    // A locale whose time has an AM/PM suffix, compiled into a private folder.
    std::string dir = tempPath("locale");
    std::filesystem::create_directories(dir);
    RunResult made = runProgram({"localedef", "-i", "en_US", "-f", "UTF-8", dir + "/en_US.UTF-8"}, {}, 60);
    setenv("LOCPATH", dir.c_str(), 1);
    bool usable = setlocale(LC_TIME, "en_US.UTF-8") != nullptr;
    TextLine clock = timeClockLine(13 * 3600 + 5 * 60 + 9, 0);
    std::string date = timeDateText(0, 0);
    setlocale(LC_TIME, "C");
    unsetenv("LOCPATH");
    std::filesystem::remove_all(dir);
    if (!usable)
        GTEST_SKIP() << "localedef could not build en_US: " << made.out << made.err;
    EXPECT_EQ(clock.text, "01:05:09PM");
    EXPECT_EQ(clock.x, 2);
    EXPECT_EQ(date, "01/01/1970");
}

TEST(DelayStep, FromZeroUpThroughHundredthsThenTenths)
{
    EXPECT_EQ(stepTexts(0, 1, 9, nextDelay, delayText),
              (std::vector<std::string>{"0.04 s", "0.05 s", "0.06 s", "0.07 s", "0.08 s", "0.09 s",
                                        "0.1 s", "0.2 s", "0.3 s"}));
}

TEST(DelayStep, FromTwoTenthsDownThroughHundredthsToZero)
{
    EXPECT_EQ(stepTexts(0.2, -1, 9, nextDelay, delayText),
              (std::vector<std::string>{"0.1 s", "0.09 s", "0.08 s", "0.07 s", "0.06 s", "0.05 s",
                                        "0.04 s", "0 s", "0 s"}));
}

TEST(DelayStep, ALongRunDownFromTwoSecondsStillPassesEveryHundredth)
{
    // Ten steps of 0.1 must not leave the value a little above 0.1, which
    // would step straight to 0.
    auto shown = stepTexts(2, -1, 17, nextDelay, delayText);
    EXPECT_EQ(std::vector<std::string>(shown.begin() + 8, shown.end()),
              (std::vector<std::string>{"0.2 s", "0.1 s", "0.09 s", "0.08 s", "0.07 s", "0.06 s",
                                        "0.05 s", "0.04 s", "0 s"}));
}

TEST(DelayStep, BandEdges)
{
    expectSteps(nextDelay, {
                               {0.03, 1, 0.04},   {0.095, 1, 0.2},  {0.9, 1, 1},     {0.95, 1, 2},
                               {1, 1, 2},         {59, 1, 60},      {60, 1, 70},     {60, -1, 59},
                               {300, 1, 360},     {300, -1, 290},   {3600, 1, 3960}, {3600, -1, 3540},
                               {3601, -1, 3241},  {86000, 1, 86360}, {86100, 1, 86400},
                               {86400, 1, 86400}, {1e6, 1, 86400},   {1.5, -1, 0.5},  {1, -1, 0.9},
                               {0.05, -1, 0.04},  {0.04, -1, 0},    {0.045, -1, 0},  {0.03, -1, 0},
                               {0.123, 1, 0.223},
                           });
}

TEST_F(PageState, DelayStepKeepsTheTimevalInStep)
{
    app.delay = 1.5;
    applyDelayStep(1);
    EXPECT_EQ(app.delay, 2.5);
    EXPECT_EQ(app.delay_tv.sec, 2);
    EXPECT_EQ(app.delay_tv.usec, 500000);
    app.delay = 0;
    applyDelayStep(1);
    applyDelayStep(1);
    EXPECT_EQ(app.delay_tv.sec, 0);
    EXPECT_EQ(app.delay_tv.usec, 50000);
    app.delay = 0.04;
    applyDelayStep(-1);
    EXPECT_EQ(app.delay, 0);
    EXPECT_EQ(app.delay_tv.sec, 0);
    EXPECT_EQ(app.delay_tv.usec, 0);
}

TEST(ZoomStep, MultipliesBySixPercentWithinItsBounds)
{
    expectSteps(nextZoom, {
                              {1, 1, 1.06},      {1, -1, 1 / 1.06}, {1, 0, 1.06},
                              {0.08, -1, 0.08},  {0.084, -1, 0.08}, {99999, 1, 100000},
                              {100000, 1, 100000},
                          });
}

TEST(LightStep, StepsOfFiveHundredthsBetweenZeroAndOne)
{
    EXPECT_EQ(stepTexts(0.98, 1, 2, nextLight, lightText), (std::vector<std::string>{"1.00", "1.00"}));
    EXPECT_EQ(stepTexts(0.07, -1, 3, nextLight, lightText),
              (std::vector<std::string>{"0.02", "0.00", "0.00"}));
    expectSteps(nextLight, {{0.25, 1, 0.3}, {0.25, -1, 0.2}, {0.25, 0, 0.25}});
}

TEST_F(PageState, LightLevelFollowsTheLight)
{
    app.light = 0.98;
    applyLightStep(1);
    EXPECT_EQ(app.light, 1);
    EXPECT_EQ(app.light_level, 256);
    // Five steps up from the default must give the level of a typed 0.5.
    app.light = 0.25;
    for (int i = 0; i < 5; i++)
        applyLightStep(1);
    EXPECT_EQ(lightText(app.light), "0.50");
    EXPECT_EQ(app.light_level, 128);
}

TEST(DawnStep, StepsTheUserValueByFiveHundredthsBetweenZeroAndOne)
{
    EXPECT_EQ(stepTexts(0.9, 1, 2, nextDawn, dawnText), (std::vector<std::string>{"0.25", "0.30"}));
    EXPECT_EQ(stepTexts(0.9, -1, 5, nextDawn, dawnText),
              (std::vector<std::string>{"0.15", "0.10", "0.05", "0.00", "0.00"}));
    expectSteps(nextDawn, {{0.5, 1, 0.5}, {1, -1, 1}, {0.9, 1, 0.875}, {0.525, 1, 0.5}});
}

TEST(AccelStep, OneDecimalUpToTwentyFourThenWholeNumbers)
{
    auto shown = stepTexts(1, 1, 120, nextAccel, accelText);
    EXPECT_EQ(shown[0], "1.2");
    EXPECT_EQ(shown[1], "1.4");
    EXPECT_EQ(shown[112], "23.6");
    EXPECT_EQ(shown[113], "23.8");
    EXPECT_EQ(shown[114], "24");
    EXPECT_EQ(shown[115], "25");
    EXPECT_EQ(shown[119], "29");
}

TEST(AccelStep, DownFromThirtyByOnesThenTenthsAtTwentyFour)
{
    EXPECT_EQ(stepTexts(30, -1, 9, nextAccel, accelText),
              (std::vector<std::string>{"29", "28", "27", "26", "25", "24", "23.8", "23.6", "23.4"}));
    EXPECT_EQ(stepTexts(1.4, -1, 3, nextAccel, accelText),
              (std::vector<std::string>{"1.2", "1.0", "1.0"}));
}

TEST(AccelStep, BandEdges)
{
    expectSteps(nextAccel, {
                               {0.5, 1, 1.2},        {1, 1, 1.2},          {1.2, -1, 1},
                               {1, -1, 1},           {24, 1, 25},          {24.05, -1, 23.85},
                               {24.1, -1, 23},       {60, 1, 62},          {60, -1, 59},
                               {62, -1, 60},         {120, 1, 124},        {120, -1, 118},
                               {121, -1, 117},       {600, 1, 620},        {600, -1, 590},
                               {1000.5, 1, 1020},    {2400, 1, 2500},      {240000, 1, 248000},
                               {860000, 1, 864000},  {864000, 1, 864000},  {864000, -1, 856000},
                               {240001, -1, 232001}, {240000, -1, 236000}, {24001, -1, 23001},
                           });
}

TEST_F(PageState, AccelStepRebasesTheClockOnTheLastRefresh)
{
    app.accel = 10;
    app.last_refresh = {1000, 250000};
    app.virtual_now = {5000, 125000};
    app.real_start = {1, 1};
    app.virtual_start = {2, 2};
    applyAccelStep(1);
    EXPECT_DOUBLE_EQ(app.accel, 10.2);
    EXPECT_EQ(app.real_start.sec, 1000);
    EXPECT_EQ(app.real_start.usec, 250000);
    EXPECT_EQ(app.virtual_start.sec, 5000);
    EXPECT_EQ(app.virtual_start.usec, 125000);
}

TEST(DriftStep, QuarterDegreesWithAZeroBand)
{
    expectSteps(nextDrift, {
                               {0, 1, 0.25},      {0.25, -1, 0},       {0.1, -1, 0},
                               {-0.1, 1, 0},      {0.1, 1, 0.35},      {0.5, -1, 0.25},
                               {0, -1, -0.25},    {1800, 1, 1800},     {1799.9, 1, 1800},
                               {-1800, -1, -1800}, {0.1, 0, 0},        {3, 0, 3},
                           });
}

TEST_F(PageState, DriftStepSwitchesToMoveUnlessTheResultIsZero)
{
    app.view_mode = VIEW_SUN;
    EXPECT_TRUE(applyDriftStep(app.dlat, 1));
    EXPECT_EQ(app.dlat, 0.25);
    EXPECT_EQ(driftText(app.dlat), "0\xB0" "15'");
    EXPECT_EQ(app.view_mode, VIEW_MOVE);
    EXPECT_TRUE(applyDriftStep(app.dlat, -1));
    EXPECT_EQ(app.dlat, 0);
    EXPECT_EQ(app.view_mode, VIEW_MOVE);

    app.view_mode = VIEW_MOON;
    app.dlong = 0.1;
    EXPECT_TRUE(applyDriftStep(app.dlong, -1));
    EXPECT_EQ(app.dlong, 0);
    EXPECT_EQ(app.view_mode, VIEW_MOON);
}

TEST_F(PageState, DriftStepDoesNothingInRandomMode)
{
    app.view_mode = VIEW_RANDOM;
    app.dlat = 1;
    EXPECT_FALSE(applyDriftStep(app.dlat, 1));
    EXPECT_EQ(app.dlat, 1);
    EXPECT_EQ(app.view_mode, VIEW_RANDOM);
}

TEST_F(PageState, NightMapTogglesOnlyWhenOneIsLoaded)
{
    struct Case {
        int use, loaded;
        bool changed;
        int use_after;
    };
    const Case cases[] = {
        {1, 1, true, 0},
        {0, 1, true, 1},
        {1, 0, true, 0},
        {0, 0, false, 0},
    };
    for (const auto &c : cases) {
        app.use_night_map = c.use;
        app.night_map_loaded = c.loaded;
        EXPECT_EQ(applyNightMapToggle(), c.changed) << c.use << c.loaded;
        EXPECT_EQ(app.use_night_map, c.use_after) << c.use << c.loaded;
    }
}

TEST_F(PageState, ViewChoiceClearsTheDriftsOnlyForTheBodies)
{
    app.view_mode = VIEW_SUN;
    app.dlat = 1;
    app.dlong = 2;
    EXPECT_TRUE(applyViewChoice(1));
    EXPECT_EQ(app.view_mode, VIEW_MOVE);
    EXPECT_EQ(app.dlat, 1);
    EXPECT_EQ(app.dlong, 2);

    EXPECT_FALSE(applyViewChoice(1)); // already move

    EXPECT_TRUE(applyViewChoice(3));
    EXPECT_EQ(app.view_mode, VIEW_MOON);
    EXPECT_EQ(app.dlat, 0);
    EXPECT_EQ(app.dlong, 0);

    app.dlat = 5;
    EXPECT_TRUE(applyViewChoice(2));
    EXPECT_EQ(app.view_mode, VIEW_SUN);
    EXPECT_EQ(app.dlat, 0);

    app.dlat = 5;
    EXPECT_FALSE(applyViewChoice(2)); // choosing the mode already set does nothing
    EXPECT_EQ(app.dlat, 5);
    EXPECT_FALSE(applyViewChoice(0));
    EXPECT_FALSE(applyViewChoice(4));
    EXPECT_EQ(app.view_mode, VIEW_SUN);
}

TEST_F(PageState, ViewChoiceLeavesRandomModeForTheChosenOne)
{
    app.view_mode = VIEW_RANDOM;
    EXPECT_TRUE(applyViewChoice(1));
    EXPECT_EQ(app.view_mode, VIEW_MOVE);
}

TEST_F(PageState, ZoomStepInRandomModePinsTheViewToTheShownPosition)
{
    app.view_mode = VIEW_RANDOM;
    app.view_lat = 1;
    app.view_long = 2;
    app.shown_lat = 30;
    app.shown_long = -40;
    app.redraw_needed = 0;
    applyZoomStep(1);
    EXPECT_DOUBLE_EQ(app.zoom, 1.06);
    EXPECT_EQ(app.view_lat, 30);
    EXPECT_EQ(app.view_long, -40);
    EXPECT_EQ(app.redraw_needed, 1);

    app.view_mode = VIEW_MOVE;
    app.shown_lat = 10;
    applyZoomStep(-1);
    EXPECT_DOUBLE_EQ(app.zoom, 1);
    EXPECT_EQ(app.view_lat, 30);
}

TEST_F(PageState, MoveViewByReadsTheViewAsTheModeDoes)
{
    struct Case {
        int mode;
        double lat, lon; // expected shown position
    };
    // view (10, 20) moved by (1, 2); the Sun at (5, 30) degrees, the Moon at (-5, -30).
    const Case cases[] = {
        {VIEW_MOVE, 11, 22},
        {VIEW_RANDOM, 11, 22},
        {VIEW_SUN, 16, 52},
        {VIEW_MOON, 6, -8},
    };
    for (const auto &c : cases) {
        setDefaults();
        app.view_mode = c.mode;
        app.view_lat = 10;
        app.view_long = 20;
        app.sun_lat = 5 * PI / 180;
        app.sun_long = 30 * PI / 180;
        app.moon_lat = -5 * PI / 180;
        app.moon_long = -30 * PI / 180;
        moveViewBy(1, 2);
        EXPECT_DOUBLE_EQ(app.view_lat, 11) << c.mode;
        EXPECT_DOUBLE_EQ(app.view_long, 22) << c.mode;
        EXPECT_NEAR(app.shown_lat, c.lat, 1e-9) << c.mode;
        EXPECT_NEAR(app.shown_long, c.lon, 1e-9) << c.mode;
    }
}
