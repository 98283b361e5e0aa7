// Options into the state, as a user types them, and the process-level texts.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "cmdline.h"
#include "process.h"
#include "state.h"

namespace {

// The arguments stay alive until the next parse, as a process's argv does:
// some fields (the display name) point into them.
std::vector<std::string> kept_args;

void parse(std::vector<std::string> given)
{
    setDefaults();
    kept_args = std::move(given);
    kept_args.insert(kept_args.begin(), "orvane");
    std::vector<char *> argv;
    for (auto &a : kept_args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    parseCommandLine(static_cast<int>(kept_args.size()), argv.data());
}

const std::string help_expected =
    "Orvane v.1.0 10 dec 2026 <orvane-dev@users.sourceforge.net>\n"
    "\n"
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

} // namespace

TEST(Defaults, DescribeTheSunViewWithBuiltInMaps)
{
    setDefaults();
    EXPECT_EQ(app.view_mode, VIEW_SUN);
    EXPECT_EQ(app.delay, 1.0);
    EXPECT_EQ(app.zoom, 1.0);
    EXPECT_EQ(app.light, 0.25);
    EXPECT_EQ(app.dawn, 0.9);
    EXPECT_EQ(app.border, 2);
    EXPECT_EQ(app.shape, 1);
    EXPECT_EQ(app.wm_state, 0);
    EXPECT_EQ(app.orientation, 1);
    EXPECT_EQ(app.use_night_map, 1);
    EXPECT_EQ(app.night_map_allowed, 1);
    EXPECT_EQ(app.default_night_map, 0);
    EXPECT_EQ(app.map_file, nullptr);
    EXPECT_EQ(app.marker_count, 0);
    EXPECT_EQ(app.sun_marker, -1);
    EXPECT_EQ(app.moon_marker, -1);
    EXPECT_EQ(app.redraw_needed, 1);
    EXPECT_EQ(app.first_refresh, 1);
    EXPECT_EQ(app.virtual_start.sec, app.real_start.sec);
    EXPECT_EQ(app.virtual_start.usec, app.real_start.usec);
    EXPECT_EQ(app.last_refresh.sec, 0);
    EXPECT_EQ(app.next_refresh.sec, 0);
    EXPECT_EQ(app.sphere_radius, 1000.0);
    EXPECT_NEAR(app.focal_length, 7333.6736096526865, 1e-9);
    EXPECT_EQ(app.moon_marker_color.green, 200);
    EXPECT_EQ(app.sun_marker_color.blue, 127);
    ASSERT_NE(app.day_samples, nullptr);
    ASSERT_NE(app.night_samples, nullptr);
}

TEST(Options, NamesMatchInAnyLetterCase)
{
    for (const char *name : {"-zoom", "-ZOOM", "-Zoom", "-zOoM"}) {
        parse({name, "2"});
        EXPECT_EQ(app.zoom, 2.0) << name;
    }
}

struct ClampCase {
    std::vector<std::string> args;
    double AppState::*field;
    double expected;
};

TEST(Options, NumericValuesAreClampedNeverRejected)
{
    const ClampCase cases[] = {
        {{"-accel", "30.7"}, &AppState::accel, 30},
        {{"-accel", "24"}, &AppState::accel, 24},
        {{"-accel", "2.55"}, &AppState::accel, 2.5},
        {{"-accel", "0"}, &AppState::accel, 1},
        {{"-accel", "1e9"}, &AppState::accel, 864000},
        {{"-accel", "abc"}, &AppState::accel, 1},
        {{"-accel", "nan"}, &AppState::accel, 1},
        {{"-dawn", "0.2"}, &AppState::dawn, 0.9},
        {{"-dawn", "5"}, &AppState::dawn, 0.5},
        {{"-dawn", "-1"}, &AppState::dawn, 1},
        {{"-zoom", "abc"}, &AppState::zoom, 0.08},
        {{"-zoom", "0.01"}, &AppState::zoom, 0.08},
        {{"-zoom", "1e6"}, &AppState::zoom, 100000},
        {{"-zoom", "nan"}, &AppState::zoom, 0.08},
        {{"-zoom", "inf"}, &AppState::zoom, 100000},
        {{"-delay", "abc"}, &AppState::delay, 0},
        {{"-delay", "100000"}, &AppState::delay, 86400},
        {{"-delay", "0.25"}, &AppState::delay, 0.25},
        {{"-light", "2"}, &AppState::light, 1},
        {{"-light", "-0.5"}, &AppState::light, 0},
        {{"-light", "nan"}, &AppState::light, 0},
        {{"-dlat", "5000"}, &AppState::dlat, 1800},
        {{"-dlong", "-5000"}, &AppState::dlong, -1800},
        {{"-dlong", "1:30"}, &AppState::dlong, 1.5},
        {{"-dlat", "nan"}, &AppState::dlat, 0},
    };
    for (const auto &c : cases) {
        parse(c.args);
        EXPECT_DOUBLE_EQ(app.*c.field, c.expected) << c.args[0] << " " << c.args[1];
    }
}

TEST(Options, IntegerOptionsClampAndSaturateOutsideTheIntRange)
{
    parse({"-bord", "7"});
    EXPECT_EQ(app.border, 2);
    parse({"-bord", "-1"});
    EXPECT_EQ(app.border, 0);
    parse({"-bord", "99999999999999999999"});
    EXPECT_EQ(app.border, 2);
    parse({"-time", "-86400"});
    EXPECT_EQ(app.virtual_start.sec, -86400);
    EXPECT_EQ(app.virtual_start.usec, 0);
    parse({"-time", "0"});
    EXPECT_EQ(app.virtual_start.sec, 0);
    EXPECT_NE(app.real_start.sec, 0);
    parse({"-time", "99999999999999999999"});
    EXPECT_EQ(app.virtual_start.sec, INT_MAX);
    parse({"-time", "-99999999999999999999"});
    EXPECT_EQ(app.virtual_start.sec, INT_MIN);
    parse({"-fun", "3", "-4"});
    EXPECT_EQ(app.fun, 1);
    EXPECT_EQ(app.fun_dx, 3);
    EXPECT_EQ(app.fun_dy, -4);
}

TEST(Options, FlagsAndModes)
{
    parse({"-i"});
    EXPECT_EQ(app.wm_state, 3);
    parse({"-i", "-w"});
    EXPECT_EQ(app.wm_state, 0);
    parse({"-oz", "-stable", "-d", ":7"});
    EXPECT_EQ(app.orientation, -1);
    EXPECT_EQ(app.stable, 1);
    EXPECT_STREQ(app.display_name, ":7");
    parse({"-moon"});
    EXPECT_EQ(app.view_mode, VIEW_MOON);
    parse({"-random"});
    EXPECT_EQ(app.view_mode, VIEW_RANDOM);
    parse({"-dlat", "5"});
    EXPECT_EQ(app.dlat, 5);
    EXPECT_EQ(app.view_mode, VIEW_MOVE);
    parse({"-dlat", "5", "-sun"});
    EXPECT_EQ(app.view_mode, VIEW_SUN);
    EXPECT_EQ(app.dlat, 5);
    parse({"-pos", "10", "20", "-sun"});
    EXPECT_EQ(app.view_mode, VIEW_SUN);
    EXPECT_EQ(app.view_lat, 10);
    EXPECT_EQ(app.view_long, 20);
    // An option argument that begins with "-" is an argument, not an option.
    parse({"-pos", "10", "-20"});
    EXPECT_EQ(app.view_mode, VIEW_MOVE);
    EXPECT_EQ(app.view_long, -20);
    parse({"stray", "-zoom", "3", "words"});
    EXPECT_EQ(app.zoom, 3);
}

TEST(Options, MapFilesAreOwnedCopiesAndTheLastWins)
{
    parse({"-map", "a.png", "-map", "b.png", "-nonimap", "-nightmap", "n.png"});
    EXPECT_STREQ(app.map_file, "b.png");
    EXPECT_STREQ(app.night_map_file, "n.png");
    EXPECT_EQ(app.use_night_map, 1);
    EXPECT_EQ(app.night_map_allowed, 0);
    parse({"-defnight"});
    EXPECT_EQ(app.default_night_map, 1);
    parse({"-nomap"});
    EXPECT_EQ(app.use_night_map, 0);
}

TEST(Options, MarkersTakeSunMoonOrAPlace)
{
    parse({"-mk", "sun", "-marker", "MOON", "-mk", "48.85", "2.35"});
    EXPECT_EQ(app.sun_marker, 0);
    EXPECT_EQ(app.moon_marker, 1);
    EXPECT_EQ(app.marker_count, 3);
    EXPECT_DOUBLE_EQ(app.markers[2].y, 48.85);
    EXPECT_DOUBLE_EQ(app.markers[2].x, 2.35);

    parse({"-mk", "sun", "-mk", "Sun"});
    EXPECT_EQ(app.sun_marker, 1);
    EXPECT_EQ(app.marker_count, 2);
    EXPECT_EQ(app.markers[0].x, 0);
    EXPECT_EQ(app.markers[0].y, 0);
}

TEST(ParseAngle, ReadsDecimalAndSexagesimalForms)
{
    const struct {
        const char *text;
        double degrees;
    } cases[] = {
        {"12.5", 12.5},
        {"-12:30", -12.5},
        {"10d30m36", 10.51},
        {"10D30", 10.5},
        {"45\xB0" "30", 45.5},
        {"-0:30", 0.5},          // the degrees are a negative zero
        {"45\xC2\xB0" "30", 45}, // a two-byte degree sign leaves the minutes unread
        {"abc", 0},
        {"", 0},
        {"d", 0},
        {"nan", 0},
        {"inf", 0},
        {"1e400:0", 0},
    };
    for (const auto &c : cases)
        EXPECT_NEAR(parseAngle(c.text), c.degrees, 1e-12) << c.text;
}

TEST(CommandLineProcess, HelpTextIsPrintedByteForByte)
{
    for (const char *arg : {"-h", "-help", "--help", "-nonsense", "-"}) {
        RunResult r = runOrvane({arg});
        EXPECT_EQ(r.status, 0) << arg;
        EXPECT_EQ(r.out, help_expected) << arg;
        EXPECT_EQ(r.err, "") << arg;
    }
}

TEST(CommandLineProcess, HelpLinesHaveTheColonInColumn21)
{
    size_t start = help_expected.find("\n\n") + 2;
    int lines = 0;
    for (size_t p = start; p < help_expected.size();) {
        size_t nl = help_expected.find('\n', p);
        std::string line = help_expected.substr(p, nl - p);
        EXPECT_EQ(line.at(20), ':') << line;
        lines++;
        p = nl + 1;
    }
    EXPECT_EQ(lines, 27);
}

TEST(CommandLineProcess, VersionLine)
{
    for (const char *arg : {"-v", "-VERSION"}) {
        RunResult r = runOrvane({arg});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "Orvane v.1.0 10 dec 2026 <orvane-dev@users.sourceforge.net>\n");
        EXPECT_EQ(r.err, "");
    }
}

TEST(CommandLineProcess, MissingArgumentsFailWithStatusOne)
{
    const std::vector<std::vector<std::string>> cases = {
        {"-zoom"}, {"-map"}, {"-nimap"}, {"-d"}, {"-pos", "10"}, {"-fun", "1"},
        {"-mk"}, {"-mk", "48.85"}, {"-time"}, {"-bord"}, {"-accel"}, {"-light"},
    };
    for (const auto &args : cases) {
        RunResult r = runOrvane(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err, "error in parameters\n") << args[0];
        EXPECT_EQ(r.out, "") << args[0];
    }
}

TEST(CommandLineProcess, ASixthMarkerIsRefused)
{
    RunResult r = runOrvane({"-mk", "sun", "-mk", "moon", "-mk", "1", "2", "-mk", "3", "4", "-mk", "5",
                             "6", "-mk", "sun"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Too many markers, max=5\nerror in parameters\n");
}

TEST(CommandLineProcess, AnUnreachableDisplayNamesProgramAndDisplay)
{
    RunResult r = runOrvane({"ignored-word", "-d", ":9999"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, std::string(ORVANE_BIN) + ": can't open display \":9999\"\n");
}

TEST(CommandLineProcess, HostileArgumentsNeverCrash)
{
    std::string long_arg(100000, '9');
    std::string high_bytes;
    for (int c = 0x80; c <= 0xFF; c++)
        high_bytes += static_cast<char>(c);
    const std::vector<std::vector<std::string>> cases = {
        {"-zoom", long_arg},   {"-pos", long_arg, long_arg}, {"-mk", high_bytes, high_bytes},
        {"-map", long_arg},    {"-time", "-0"},              {"-dlat", "\xB0\xB0\xB0"},
        {"-accel", "-inf"},    {"-dawn", "nan"},             {high_bytes},
    };
    for (const auto &args : cases) {
        RunResult r = runOrvane(args, {"DISPLAY=:9999"});
        EXPECT_LT(r.status, 128) << args[0];
        EXPECT_FALSE(r.timed_out);
    }
}
