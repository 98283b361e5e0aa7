// The real applet in hostile and faulty surroundings: bad map files, option
// values at and past their bounds, garbage in the colour settings, a full
// colormap, a display that is missing or goes away. Each run must end in a
// drawn globe that still answers (it leaves with status 0 when its window is
// destroyed) or in the program's own message and status 1; never in a
// crash, a hang or an X error.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "process.h"
#include "xclient.h"
#include "xserver.h"
#include "xvisual.h"

namespace {

namespace fs = std::filesystem;

const std::string TRUE_COLOR = "-screen 0 320x240x24";
const std::string PSEUDO_COLOR = "-screen 0 320x240x8 -cc 3";

double nowSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

std::string fixture(const std::string &name)
{
    return std::string(ORVANE_SOURCE_DIR) + "/tests/data/hostile/" + name;
}

// A scratch folder for the files made by a test, removed afterwards.
struct Scratch {
    fs::path dir = tempPath("hostile");
    Scratch() { fs::create_directories(dir); }
    ~Scratch() { fs::remove_all(dir); }
    std::string write(const std::string &name, const std::string &bytes) const
    {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return (dir / name).string();
    }
};

std::string firstBytes(const std::string &path, size_t n)
{
    return readFile(path).substr(0, n);
}

// Reproducible noise.
std::string noise(size_t n)
{
    std::string bytes(n, '\0');
    unsigned seed = 12345;
    for (auto &b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<char>(seed >> 16);
    }
    return bytes;
}

std::vector<unsigned long> pixelValues(Display *display, Window window)
{
    std::vector<unsigned long> values;
    XImage *image = XGetImage(display, window, 0, 0, 64, 64, AllPlanes, ZPixmap);
    if (!image)
        return values;
    for (int y = 4; y < 60; y++)
        for (int x = 4; x < 60; x++)
            values.push_back(XGetPixel(image, x, y));
    XDestroyImage(image);
    return values;
}

// Pixels of the window, inside the border, whose colour is not black, once
// the applet has painted it: the window is cleared to its white background
// (which asks the applet for a repaint: it copies the whole tile) and read
// until it is no longer the bare background.
int litPixels(Display *display, Window window)
{
    XClearArea(display, window, 0, 0, 0, 0, True);
    XSync(display, False);
    const unsigned long white = WhitePixel(display, DefaultScreen(display));
    std::vector<unsigned long> now;
    // A picture may be all white too (every colour bent to white by gamma).
    for (double end = nowSeconds() + 3; nowSeconds() < end; sleepMs(20)) {
        now = pixelValues(display, window);
        if (!std::all_of(now.begin(), now.end(), [white](unsigned long p) { return p == white; }))
            break;
    }
    std::map<unsigned long, int> counts;
    for (unsigned long p : now)
        counts[p]++;
    std::vector<XColor> colors;
    for (const auto &entry : counts) {
        XColor c{};
        c.pixel = entry.first;
        colors.push_back(c);
    }
    XQueryColors(display, DefaultColormap(display, DefaultScreen(display)), colors.data(),
                 static_cast<int>(colors.size()));
    int n = 0;
    for (const XColor &c : colors)
        if (c.red || c.green || c.blue)
            n += counts[c.pixel];
    return n;
}

// What a run must end in.
enum class Outcome {
    GLOBE,   // a window with a drawn globe; destroying it ends the applet with status 0
    RUNS,    // a window (that may show nothing, the globe being off the tile); status 0 at the end
    MESSAGE, // no window: exactly `stdout_text` and `stderr_text`, then the status
};

struct Case {
    std::string name;
    std::vector<std::string> args;
    Outcome outcome = Outcome::GLOBE;
    std::string stdout_text;          // exact for every outcome (usually empty but for MESSAGE)
    std::string stderr_text = "\x01"; // MESSAGE: exact unless left at "\x01" (libraries may talk)
    int status = 1;                   // MESSAGE only
    std::vector<std::string> env;
    std::string server = TRUE_COLOR;
    std::string program; // argv[0]; default the applet as built
    // Xlib drops a WM_COMMAND of 64 kB or more, by which runs are told apart:
    // such a run gets its server to itself.
    bool alone = false;
    // libwraster leaks when libpng stops on a truncated file: the sanitized
    // run of such a case reads the suppressions that say so.
    bool damaged_png = false;

    Case(std::string n, std::vector<std::string> a, Outcome o = Outcome::GLOBE)
        : name(std::move(n)), args(std::move(a)), outcome(o)
    {
    }
};

// A run that must end before any window with these texts and status 1.
Case message(std::string name, std::vector<std::string> args, std::string out, std::string err = "\x01")
{
    Case c(std::move(name), std::move(args), Outcome::MESSAGE);
    c.stdout_text = std::move(out);
    c.stderr_text = std::move(err);
    return c;
}

// One case in flight. Its applet is told apart from the others on the same
// server by a stray word right after the program name, which the program
// ignores and the window's WM_COMMAND repeats.
struct Run {
    const Case *c = nullptr;
    std::string tag;
    int pid = -1;
    std::string out_file = tempPath("out");
    std::string err_file = tempPath("err");
};

// The top-level window whose WM_COMMAND has `tag` as its first argument.
Window findTagged(Display *display, const std::string &tag)
{
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &n))
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < n && !found; i++) {
        char **argv = nullptr;
        int argc = 0;
        if (XGetCommand(display, children[i], &argv, &argc)) {
            if (argc >= 2 && tag == argv[1])
                found = children[i];
            XFreeStringList(argv);
        }
    }
    if (children)
        XFree(children);
    return found;
}

void start(Run &run, const Case &c, const XServer &server, int index)
{
    run.c = &c;
    run.tag = "case-" + std::to_string(index);
    std::vector<std::string> argv{c.program.empty() ? std::string(ORVANE_BIN) : c.program, run.tag};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    std::vector<std::string> env = c.env;
    env.push_back("DISPLAY=" + server.name);
    if (c.damaged_png) {
        // The slow unwinder sees through libwraster, built without frame
        // pointers, up to RLoadImage.
        const char *asan = getenv("ASAN_OPTIONS");
        env.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":fast_unwind_on_malloc=0");
        env.push_back(std::string("LSAN_OPTIONS=suppressions=") + ORVANE_SOURCE_DIR +
                      "/tests/sanitizer/lsan-damaged-png.supp:print_suppressions=0");
    }
    run.pid = spawnProgram(argv, env, run.out_file, run.err_file);
}

// Waits for the applet's window, or for the applet to end first.
Window waitForWindowOrExit(Display *display, Run &run, double seconds, int *status)
{
    *status = -1;
    const std::string res_class = run.c->program.empty() ? std::string(ORVANE_BIN) : run.c->program;
    for (double end = nowSeconds() + seconds; nowSeconds() < end; sleepMs(20)) {
        Window w = run.c->alone ? waitForApplet(display, res_class, 0.02).main_window : findTagged(display, run.tag);
        if (w)
            return w;
        *status = waitProgram(run.pid, 0);
        if (*status >= 0)
            return 0;
    }
    return 0;
}

// Checks how the run ends; the window is first moved to a place of its own
// on the server, where no other applet covers it.
void finish(Display *display, Run &run, int slot)
{
    const Case &c = *run.c;
    SCOPED_TRACE(c.name);
    int status;
    Window w = waitForWindowOrExit(display, run, 30, &status);
    if (c.outcome == Outcome::MESSAGE) {
        EXPECT_EQ(w, 0u) << "a window appeared";
        if (status < 0)
            status = waitProgram(run.pid, 20);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(readFile(run.out_file), c.stdout_text);
        if (c.stderr_text != "\x01") {
            EXPECT_EQ(readFile(run.err_file), c.stderr_text);
        }
    } else if (!w) {
        ADD_FAILURE() << "no window; status " << status << ", stdout: " << readFile(run.out_file)
                      << ", stderr: " << readFile(run.err_file);
    } else {
        XMoveWindow(display, w, 80 + 80 * (slot % 12), 80 + 80 * (slot / 12));
        XSync(display, False);
        if (c.outcome == Outcome::GLOBE) {
            EXPECT_GE(litPixels(display, w), 20) << "no globe drawn";
        }
        XDestroyWindow(display, w);
        XSync(display, False);
        status = waitProgram(run.pid, 20);
        EXPECT_EQ(status, 0) << "after the window was destroyed; stderr: " << readFile(run.err_file);
        EXPECT_EQ(readFile(run.out_file), c.stdout_text);
        std::string err = readFile(run.err_file);
        EXPECT_EQ(err.find("X error"), std::string::npos) << err;
    }
    if (status < 0)
        killProgram(run.pid);
    unlink(run.out_file.c_str());
    unlink(run.err_file.c_str());
}

// Runs the cases eight at a time, all those of one kind of screen on one server.
void runCases(const std::vector<Case> &cases)
{
    std::vector<std::string> kinds;
    for (const Case &c : cases)
        if (std::find(kinds.begin(), kinds.end(), c.server) == kinds.end())
            kinds.push_back(c.server);
    for (const std::string &kind : kinds) {
        std::string big = kind;
        big.replace(big.find("320x240"), 7, "1280x1024");
        ScopedXvfb xvfb(big);
        Display *display = XOpenDisplay(xvfb.name());
        ASSERT_NE(display, nullptr);
        std::vector<const Case *> mine;
        for (const Case &c : cases)
            if (c.server == kind)
                mine.push_back(&c);
        for (size_t first = 0; first < mine.size();) {
            size_t batch = 1;
            while (!mine[first]->alone && batch < 8 && first + batch < mine.size() && !mine[first + batch]->alone)
                batch++;
            std::vector<Run> runs(batch);
            for (size_t k = 0; k < runs.size(); k++)
                start(runs[k], *mine[first + k], xvfb.server, static_cast<int>(first + k));
            for (size_t k = 0; k < runs.size(); k++)
                finish(display, runs[k], static_cast<int>(k));
            first += batch;
        }
        XCloseDisplay(display);
    }
}

const std::string DAY_FAILURE = "pb map ! file not found ?\n";
const std::string NIGHT_FAILURE = "pb map night! file not found ?\n";

} // namespace

TEST(HostileMaps, BadFilesEndInTheMapMessageOrAGlobe)
{
    Scratch scratch;
    const std::string png = fixture("map-64x32.png");
    const std::string jpeg = fixture("map-64x32.jpg");
    struct File {
        std::string name;
        std::string path;
        bool loads;
    };
    const std::vector<File> files = {
        {"missing", (scratch.dir / "no-such-folder" / "map.png").string(), false},
        {"empty", scratch.write("empty.png", ""), false},
        {"a directory", scratch.dir.string(), false},
        {"truncated PNG", scratch.write("truncated.png", firstBytes(png, readFile(png).size() / 2)), false},
        {"PNG cut inside its header", scratch.write("header.png", firstBytes(png, 20)), false},
        {"truncated JPEG", scratch.write("truncated.jpg", firstBytes(jpeg, 200)), false},
        {"random bytes named .png", scratch.write("noise.png", noise(4096)), false},
        {"random bytes named .jpg", scratch.write("noise.jpg", noise(4096)), false},
        {"random bytes named .xpm", scratch.write("noise.xpm", "/* XPM */\n" + noise(2000)), false},
        {"a PNG claiming 100000 x 100000", fixture("claims-100000x100000.png"), false},
        {"a JPEG claiming 60000 x 60000", fixture("claims-60000x60000.jpg"), false},
        {"a name of 4000 bytes", std::string(4000, 'm') + ".png", false},
        {"1 x 1", fixture("1x1.png"), true},
        {"3 x 1", fixture("3x1.png"), true},
        {"2 x 2 with alpha", fixture("2x2-alpha.png"), true},
        {"64 x 32 JPEG", jpeg, true},
    };
    std::vector<Case> cases;
    for (const File &f : files) {
        Case day("-map " + f.name, {"-map", f.path});
        Case day_night("-map " + f.name + " -defnimap", {"-map", f.path, "-defnimap"});
        Case night("-nimap " + f.name, {"-nimap", f.path});
        if (!f.loads) {
            for (Case *c : {&day, &day_night}) {
                c->outcome = Outcome::MESSAGE;
                c->stdout_text = DAY_FAILURE;
            }
            night.outcome = Outcome::MESSAGE;
            night.stdout_text = NIGHT_FAILURE;
        }
        for (Case *c : {&day, &day_night, &night})
            c->damaged_png = f.name == "truncated PNG";
        cases.insert(cases.end(), {day, day_night, night});
    }
    runCases(cases);
}

TEST(HostileOptions, ValuesAtAndPastEveryBoundDrawAGlobe)
{
    const std::string int_max = std::to_string(INT_MAX), int_min = std::to_string(INT_MIN);
    const std::vector<Case> cases = {
        {"lower bounds", {"-zoom", "0.08", "-accel", "1", "-dawn", "0", "-delay", "0", "-light", "0",
                          "-bord", "0", "-time", int_min}},
        {"upper bounds", {"-zoom", "100000", "-accel", "864000", "-dawn", "1", "-delay", "86400", "-light",
                          "1", "-bord", "2", "-time", int_max}},
        {"past the lower bounds", {"-zoom", "0.0799999", "-accel", "0.99", "-dawn", "-1e-9", "-delay", "-1",
                                   "-light", "-1e-9", "-bord", "-1", "-time", "-99999999999999999999"}},
        {"past the upper bounds", {"-zoom", "100000.1", "-accel", "864001", "-dawn", "1.000001", "-delay",
                                   "86401", "-light", "1.000001", "-bord", "3", "-time",
                                   "99999999999999999999"}},
        {"nan everywhere", {"-zoom", "nan", "-accel", "nan", "-dawn", "nan", "-delay", "nan", "-light", "nan",
                            "-bord", "nan", "-time", "nan", "-mk", "nan", "nan", "-dlat", "nan", "-dlong",
                            "nan", "-sun"}},
        {"inf everywhere", {"-zoom", "inf", "-accel", "inf", "-dawn", "inf", "-delay", "inf", "-light", "inf",
                            "-mk", "inf", "inf", "-dlat", "inf", "-dlong", "inf", "-sun"}},
        {"-inf everywhere", {"-zoom", "-inf", "-accel", "-inf", "-dawn", "-inf", "-delay", "-inf", "-light",
                             "-inf", "-mk", "-inf", "-inf", "-dlat", "-inf", "-dlong", "-inf", "-sun"}},
        {"-0 everywhere", {"-zoom", "-0", "-accel", "-0", "-dawn", "-0", "-delay", "-0", "-light", "-0",
                           "-bord", "-0", "-time", "-0", "-mk", "-0", "-0", "-pos", "-0", "-0"}},
        {"drift at the bounds", {"-dlat", "1800", "-dlong", "-1800", "-delay", "0", "-light", "1"}},
        {"drift past the bounds", {"-dlat", "-1e308", "-dlong", "1e308", "-delay", "0", "-light", "1"}},
        {"drift that never stops at a pole", {"-dlat", "1800", "-stable", "-delay", "0", "-light", "1"}},
        {"the poles exactly", {"-pos", "90", "180", "-mk", "-90", "-180", "-mk", "90", "180", "-light", "1"}},
        {"past the poles", {"-pos", "90.000001", "-180.000001", "-oz", "-light", "1"}},
        {"far-out positions and markers", {"-pos", "1e308", "-1e308", "-mk", "1e308", "-1e308", "-mk", "0",
                                           "1e308", "-light", "1"}},
        {"five markers", {"-mk", "sun", "-mk", "moon", "-mk", "sun", "-mk", "moon", "-mk", "10d30m", "-5:15"}},
        {"the largest zoom in moon mode", {"-zoom", "100000", "-moon", "-accel", "864000", "-delay", "0"},
         Outcome::RUNS},
        {"offsets of vision at the int bounds", {"-fun", int_max, int_min, "-mk", "0", "0", "-mk", "sun"},
         Outcome::RUNS},
        {"offsets of vision just off the tile", {"-fun", "-64", "64", "-stable", "-mk", "sun"}, Outcome::RUNS},
        {"random views at full speed", {"-rand", "-delay", "0", "-light", "1"}},
    };
    runCases(cases);
}

TEST(HostileOptions, VeryLongAndNonAsciiArgumentsDrawAGlobe)
{
    // Linux takes at most 131072 bytes per argument, the NUL included.
    const std::string longest(131071, '9');
    const std::string long_angle = "4" + std::string(65000, '0');
    std::string high_bytes;
    for (int c = 0x80; c <= 0xFF; c++)
        high_bytes += static_cast<char>(c);
    Scratch scratch;
    std::string odd_name = (scratch.dir / ("orvane-\xe9\xff\x80\xb0")).string();
    fs::create_symlink(ORVANE_BIN, odd_name);
    std::vector<std::string> many(20000, "x");
    many.insert(many.end(), {"-light", "1"});

    std::vector<Case> cases = {
        {"the longest numbers", {"-zoom", longest, "-pos", longest, longest, "-time", longest, "-accel", longest,
                                 "-light", "1"}, Outcome::RUNS},
        {"the longest angles", {"-pos", long_angle + "d", long_angle + ":" + long_angle, "-mk", long_angle,
                                long_angle, "-light", "1"}},
        {"the longest stray word", {longest, longest, "-light", "1"}},
        {"twenty thousand stray words", many},
        {"bytes 0x80 to 0xFF as values", {"-pos", high_bytes, high_bytes, "-zoom", high_bytes, "-mk",
                                          high_bytes, high_bytes, "-light", "1"}},
        {"Latin-1 degree signs", {"-pos", "45\xb0" "30", "-10\xb0" "5\xb0" "3", "-mk", "\xb0", "\xb0\xb0",
                                  "-light", "1"}},
        {"bytes 0x80 to 0xFF as a stray word", {high_bytes, "-light", "1"}},
        message("a display name of 100000 bytes", {"-d", std::string(100000, 'd')}, "",
                std::string(ORVANE_BIN) + ": can't open display \"" + std::string(100000, 'd') + "\"\n"),
    };
    for (Case &c : cases)
        c.alone = c.name.rfind("the longest", 0) == 0;
    Case odd_program("bytes 0x80 to 0xFF in the program name", {"-light", "1"});
    odd_program.program = odd_name;
    cases.push_back(odd_program);
    runCases(cases);
}

TEST(HostileEnvironment, ColourSettingGarbageIsReportedAndIgnored)
{
    const auto gamma_message = [](const std::string &v) {
        return "wrlib: invalid value(s) for gamma correction \"" + v + "\"\n";
    };
    const auto resolution_message = [](const std::string &v) {
        return "wrlib: invalid value for color resolution \"" + v + "\"\n";
    };
    const std::string long_value(100000, '7');
    std::string high_bytes;
    for (int c = 0x80; c <= 0xFF; c++)
        high_bytes += static_cast<char>(c);
    const struct {
        const char *variable;
        std::string value;
        bool accepted;
    } settings[] = {
        {"WRASTER_GAMMA", "abc", false},
        {"WRASTER_GAMMA", "1/2", false},
        {"WRASTER_GAMMA", "nan/nan/nan", false},
        {"WRASTER_GAMMA", "-inf/1/1", false},
        {"WRASTER_GAMMA", "-0/1/1", false},
        {"WRASTER_GAMMA", "inf/inf/inf", true},
        {"WRASTER_GAMMA", "1e39/1e-39/1e-45", true},
        {"WRASTER_GAMMA", "0.001/1000/2.2", true},
        {"WRASTER_GAMMA", long_value, false},
        {"WRASTER_GAMMA", high_bytes, false},
        {"WRASTER_GAMMA0", "%s%n%x", false},
        {"WRASTER_COLOR_RESOLUTION", "1", false},
        {"WRASTER_COLOR_RESOLUTION", "7", false},
        {"WRASTER_COLOR_RESOLUTION", "-2147483648", false},
        {"WRASTER_COLOR_RESOLUTION", "99999999999999999999", false},
        {"WRASTER_COLOR_RESOLUTION", "nan", false},
        {"WRASTER_COLOR_RESOLUTION", "6junk", true},
        {"WRASTER_COLOR_RESOLUTION", "2", true},
        {"WRASTER_COLOR_RESOLUTION", long_value, false},
        {"WRASTER_COLOR_RESOLUTION0", high_bytes, false},
    };
    std::vector<Case> cases;
    for (const auto &s : settings) {
        std::string name = std::string(s.variable) + "=" + s.value.substr(0, 20);
        std::string said;
        if (!s.accepted)
            said = std::string(s.variable).find("GAMMA") != std::string::npos ? gamma_message(s.value)
                                                                               : resolution_message(s.value);
        const std::string set = std::string(s.variable) + "=" + s.value;
        for (const std::string &server : {TRUE_COLOR, PSEUDO_COLOR}) {
            Case c(name + (server == TRUE_COLOR ? " on TrueColor" : " on PseudoColor"), {"-light", "1"});
            c.stdout_text = said;
            c.env = {set};
            c.server = server;
            cases.push_back(c);
        }
    }
    runCases(cases);
}

TEST(HostileEnvironment, AFullPseudoColorColormapStillGivesAPicture)
{
    for (bool shared : {false, true}) {
        SCOPED_TRACE(shared ? "every cell taken read-only" : "every cell taken read-write");
        ScopedXvfb xvfb(PSEUDO_COLOR);
        // Another client takes every free cell of the default colormap and
        // keeps them for as long as the applet runs.
        Display *hog = XOpenDisplay(xvfb.name());
        ASSERT_NE(hog, nullptr);
        Colormap cmap = DefaultColormap(hog, DefaultScreen(hog));
        int taken = takeEveryFreeCell(hog, shared);
        unsigned long pixel;
        EXPECT_FALSE(XAllocColorCells(hog, cmap, False, nullptr, 0, &pixel, 1)) << "the colormap is not full";
        EXPECT_GT(taken, 0);
        XSync(hog, False);

        std::string out = tempPath("out"), err = tempPath("err");
        int pid = spawnProgram({ORVANE_BIN, "-light", "1"}, {std::string("DISPLAY=") + xvfb.name()}, out, err);
        Display *display = XOpenDisplay(xvfb.name());
        AppletWindows w = waitForApplet(display, ORVANE_BIN, 30);
        ASSERT_NE(w.main_window, 0u) << readFile(out) << readFile(err);
        sleepMs(300);
        XDestroyWindow(display, w.main_window);
        XSync(display, False);
        EXPECT_EQ(waitProgram(pid, 20), 0) << readFile(err);
        EXPECT_EQ(readFile(err).find("X error"), std::string::npos) << readFile(err);
        XCloseDisplay(display);
        XCloseDisplay(hog);
        unlink(out.c_str());
        unlink(err.c_str());
    }
}

TEST(HostileEnvironment, AMissingDisplayIsNamedAndEndsWithStatusOne)
{
    // A socket in the place of a server that hangs up at once.
    std::string dead = tempPath("dead");
    int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", dead.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    std::thread hang_up([listener] {
        for (int k = 0; k < 2; k++) {
            int peer = accept(listener, nullptr, nullptr);
            if (peer >= 0)
                close(peer);
        }
    });

    const std::string program = ORVANE_BIN;
    const struct {
        std::string display; // "" unsets DISPLAY
        std::string shown;
    } cases[] = {
        {"", ""},
        {":9997", ":9997"},
        {"unix:9997", "unix:9997"},
        {"127.0.0.1:9997", "127.0.0.1:9997"},
        {"no colon", "no colon"},
        {"::::", "::::"},
        {":" + std::string(5000, '9'), ":" + std::string(5000, '9')},
        {dead + ":0", dead + ":0"},
    };
    for (const auto &c : cases) {
        RunResult r = runOrvane({}, {"DISPLAY=" + c.display}, 20);
        EXPECT_FALSE(r.timed_out) << c.display;
        EXPECT_EQ(r.status, 1) << c.display;
        EXPECT_EQ(r.err, program + ": can't open display \"" + c.shown + "\"\n") << c.display;
        EXPECT_EQ(r.out, "") << c.display;
    }
    shutdown(listener, SHUT_RDWR);
    close(listener);
    hang_up.join();
    unlink(dead.c_str());
}

TEST(HostileEnvironment, AServerThatGoesAwayEndsTheApplet)
{
    enum Doing { IDLE, DRAGGING, ON_A_PAGE, FAST_REFRESH };
    for (Doing doing : {IDLE, DRAGGING, ON_A_PAGE, FAST_REFRESH}) {
        SCOPED_TRACE(doing);
        XServer server = startXvfb(TRUE_COLOR);
        std::string err = tempPath("err");
        std::vector<std::string> argv{ORVANE_BIN, "-delay", doing == FAST_REFRESH ? "0" : "1"};
        int pid = spawnProgram(argv, {"DISPLAY=" + server.name}, "", err);
        Display *display = XOpenDisplay(server.name.c_str());
        ASSERT_NE(display, nullptr);
        AppletWindows w = waitForApplet(display, ORVANE_BIN, 30);
        ASSERT_NE(w.main_window, 0u);
        movePointer(display, w.main_window, 50, 40);
        if (doing == DRAGGING)
            pressButton(display, 1);
        if (doing == ON_A_PAGE) {
            pressButton(display, 3);
            releaseButton(display, 3);
        }
        sleepMs(300);
        XCloseDisplay(display);
        stopXvfb(server);
        int status = waitProgram(pid, 10);
        EXPECT_GE(status, 0) << "still running 10 s after its server went away";
        EXPECT_EQ(status, 1);
        EXPECT_NE(readFile(err).find("X connection to " + server.name + " broken"), std::string::npos)
            << readFile(err);
        if (status < 0)
            killProgram(pid);
        unlink(err.c_str());
    }
}
