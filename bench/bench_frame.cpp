// What one picture of the running applet costs, with the built-in maps
// loaded as start-up loads them, on a private 24-bit TrueColor Xvfb:
//
//   frame/render_cached        renderGlobe after a view change (cache valid)
//   frame/render_after_zoom    renderGlobe after a zoom change (cache rebuilt)
//   frame/convert              myRConvertImage of the rendered globe
//   frame/render_and_convert   the two together
//   frame/loop_turn            one turn of the main loop that draws: the clock
//                              40 ms on, refreshGlobe with -dlong 30 (a new
//                              picture), myRConvertImage, copyToWindows
//   zoom/cached/Z, zoom/rebuilt/Z  the first two at zoom 0.08, 0.5, 1, 2, 100
//
// The client flushes after every iteration, as the main loop's XPending
// does, and waits for the server every 32.
//
//   bench_frame [benchmark options]
//   bench_frame --frames=N --kind=cached|zoom|converted|loop [--zoom=Z] [--dlong=D]
//       N frames of one kind after the set-up and nothing else: a driver for
//       valgrind --tool=callgrind --toggle-collect='*oneFrame*' (see
//       tools/callgrind_frame.sh), and for CPU time per frame (it prints its
//       own CPU time and the X server's at the end); the loop turns move the
//       view by D degrees a second (default 30, a new picture every turn);
//       --pause=US sleeps that long after each frame, as the main loop does
//   bench_frame --idle=SECONDS --sleep=MICROSECONDS
//       a polling loop's idle turn alone for SECONDS: XPending, then usleep,
//       as the main loop (40 ms) and the pages (0.5 ms) once turned when idle;
//       prints the CPU time a turn costs (the wake-up is most of it)
//   bench_frame --load=FILE
//       loadMaps with -map FILE: its CPU and real time and the resident
//       memory it adds, then the CPU time of a cached frame on that map
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "clock.h"
#include "cmdline.h"
#include "dock.h"
#include "maps.h"
#include "mycontext.h"
#include "myconvert.h"
#include "raster.h"
#include "state.h"
#include "view.h"
#include "xvfb.h"

namespace {

XServer xvfb;
Display *display = nullptr;
RContext *context = nullptr;
Timeval bench_now;

Timeval benchClock()
{
    return bench_now;
}

double seconds(clockid_t clock)
{
    timespec t;
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Resident memory of this process in KB.
long residentKb()
{
    long pages_total = 0, pages_resident = 0;
    FILE *f = fopen("/proc/self/statm", "r");
    if (f) {
        if (fscanf(f, "%ld %ld", &pages_total, &pages_resident) != 2)
            pages_resident = 0;
        fclose(f);
    }
    return pages_resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// What the last loadMaps cost.
struct LoadCost {
    double cpu, wall;
    long added_kb;
} load_cost;

void closeServer()
{
    if (display)
        XCloseDisplay(display);
    display = nullptr;
    stopXvfb(xvfb);
}

// Start-up as the applet does it for `-time 1750507200 -zoom Z`, up to the
// first conversion, with the two windows made and mapped; the clock is the
// benchmark's own, standing at the start time.
void startUp(const char *zoom, const char *map = nullptr)
{
    setDefaults();
    const char *args[] = {"orvane", "-time", "1750507200", "-zoom", zoom, "-map", map};
    parseCommandLine(map ? 7 : 5, const_cast<char **>(args));
    app.display = display;
    bench_now = app.real_start;
    real_time_source = benchClock;
    applySettings();
    long kb = residentKb();
    double cpu = seconds(CLOCK_PROCESS_CPUTIME_ID), wall = seconds(CLOCK_MONOTONIC);
    loadMaps(context);
    load_cost = {seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu, seconds(CLOCK_MONOTONIC) - wall, residentKb() - kb};
    app.globe_image = RCreateImage(GLOBE_SIZE, GLOBE_SIZE, 0);
    updateZoomGeometry();
    dragView(32, 32, 0);
    refreshGlobe(0);
    app.redraw_needed = 0;
    RConvertImage(context, app.globe_image, &app.converted_pixmap);
    app.icon_pixmap = app.converted_pixmap;
    Window root = RootWindow(app.display, DefaultScreen(app.display));
    app.main_window = XCreateSimpleWindow(app.display, root, 0, 0, GLOBE_SIZE, GLOBE_SIZE, 1, 0, 0);
    app.icon_window = XCreateSimpleWindow(app.display, app.main_window, 0, 0, GLOBE_SIZE, GLOBE_SIZE, 1, 0, 0);
    XGCValues gcv;
    gcv.graphics_exposures = False; // as the applet's: no NoExpose event per copy
    app.gc = XCreateGC(app.display, context->drawable, GCGraphicsExposures, &gcv);
    XMapWindow(app.display, app.main_window);
    myRConvertImage(context, app.globe_image, &app.converted_pixmap);
    XSync(app.display, False);
}

void tearDown()
{
    XSync(app.display, False);
    XDestroyWindow(app.display, app.main_window);
    XFreeGC(app.display, app.gc);
    XFreePixmap(app.display, app.converted_pixmap);
    RReleaseImage(app.globe_image);
    RReleaseImage(app.day_map);
    if (app.night_map)
        RReleaseImage(app.night_map);
    XSync(app.display, False);
}

double view_long = 0;
int zoom_flip = 0;
double loop_dlong = 30; // degrees a second of the loop-turn frames
int frame_pause_us = 0; // sleep after each frame of --frames

void convertPicture()
{
    if (!myRConvertImage(context, app.globe_image, &app.converted_pixmap))
        fputs("conversion failed\n", stderr);
}

// The frames themselves, kept out of line so that callgrind can count them.
__attribute__((noinline)) void oneFrameCached()
{
    view_long += 0.25;
    setViewPosition(app.shown_lat, view_long);
    renderGlobe();
}

__attribute__((noinline)) void oneFrameAfterZoom(double zoom)
{
    app.zoom = (zoom_flip++ & 1) ? zoom : zoom * 1.06;
    updateZoomGeometry();
    renderGlobe();
}

__attribute__((noinline)) void oneFrameConverted()
{
    oneFrameCached();
    convertPicture();
}

__attribute__((noinline)) void oneFrameLoopTurn()
{
    bench_now = timevalAdd(bench_now, {0, 40000});
    refreshGlobe(0);
    if (app.redraw_needed) {
        convertPicture();
        app.icon_pixmap = app.converted_pixmap;
        copyToWindows(0, 0, GLOBE_SIZE, GLOBE_SIZE);
        app.redraw_needed = 0;
    }
}

// Flush after every frame, wait for the server after every 32.
void pace(int64_t &done)
{
    if (++done % 32 == 0)
        XSync(app.display, False);
    else
        XFlush(app.display);
}

void renderCached(benchmark::State &state, const char *zoom)
{
    startUp(zoom);
    view_long = app.shown_long;
    for (auto _ : state) {
        oneFrameCached();
        benchmark::DoNotOptimize(app.globe_image->data[3 * (32 + 64 * 32)]);
    }
    tearDown();
}

void renderAfterZoom(benchmark::State &state, const char *zoom)
{
    startUp(zoom);
    double z = app.zoom;
    for (auto _ : state) {
        oneFrameAfterZoom(z);
        benchmark::DoNotOptimize(app.globe_image->data[3 * (32 + 64 * 32)]);
    }
    tearDown();
}

void convertOnly(benchmark::State &state)
{
    startUp("1");
    int64_t done = 0;
    for (auto _ : state) {
        convertPicture();
        pace(done);
    }
    tearDown();
}

void renderAndConvert(benchmark::State &state)
{
    startUp("1");
    view_long = app.shown_long;
    int64_t done = 0;
    for (auto _ : state) {
        oneFrameConverted();
        pace(done);
    }
    tearDown();
}

void loopTurn(benchmark::State &state)
{
    startUp("1");
    app.dlong = 30;
    int64_t done = 0;
    for (auto _ : state) {
        oneFrameLoopTurn();
        pace(done);
    }
    tearDown();
}

const char *zooms[] = {"0.08", "0.5", "1", "2", "100"};

void registerAll()
{
    auto us = benchmark::kMicrosecond;
    benchmark::RegisterBenchmark("frame/render_cached", renderCached, "1")->Unit(us);
    benchmark::RegisterBenchmark("frame/render_after_zoom", renderAfterZoom, "1")->Unit(us);
    benchmark::RegisterBenchmark("frame/convert", convertOnly)->Unit(us);
    benchmark::RegisterBenchmark("frame/render_and_convert", renderAndConvert)->Unit(us);
    benchmark::RegisterBenchmark("frame/loop_turn", loopTurn)->Unit(us);
    for (const char *z : zooms) {
        benchmark::RegisterBenchmark((std::string("zoom/cached/") + z).c_str(), renderCached, z)->Unit(us);
        benchmark::RegisterBenchmark((std::string("zoom/rebuilt/") + z).c_str(), renderAfterZoom, z)->Unit(us);
    }
}

// --frames=N --kind=K [--zoom=Z]: N frames of one kind, for callgrind.
int runFrames(int frames, const std::string &kind, const char *zoom)
{
    startUp(zoom);
    view_long = app.shown_long;
    double z = app.zoom;
    if (kind == "loop")
        app.dlong = loop_dlong;
    for (int i = 0; i < frames; i++) {
        if (kind == "cached")
            oneFrameCached();
        else if (kind == "zoom")
            oneFrameAfterZoom(z);
        else if (kind == "converted")
            oneFrameConverted();
        else if (kind == "loop")
            oneFrameLoopTurn();
        else
            return 2;
        XFlush(app.display);
        if (frame_pause_us > 0)
            usleep(frame_pause_us);
    }
    tearDown();
    return 0;
}

// --load=FILE: the cost of loading FILE as the day map, and of a frame on it.
int runLoad(const char *file)
{
    startUp("1", file);
    printf("load %s (%d x %d): cpu %.1f ms, real %.1f ms, resident +%ld KB\n", file, app.day_map->width,
           app.day_map->height, 1000 * load_cost.cpu, 1000 * load_cost.wall, load_cost.added_kb);
    view_long = app.shown_long;
    constexpr int frames = 400;
    double cpu = seconds(CLOCK_PROCESS_CPUTIME_ID);
    for (int i = 0; i < frames; i++)
        oneFrameCached();
    printf("cached frame on it: cpu %.1f us\n", 1e6 * (seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu) / frames);
    tearDown();
    return 0;
}

// CPU time of this process in nanoseconds, as the scheduler counts it.
double scheduledNs()
{
    double ns = 0;
    FILE *f = fopen("/proc/self/schedstat", "r");
    if (f) {
        if (fscanf(f, "%lf", &ns) != 1)
            ns = 0;
        fclose(f);
    }
    return ns;
}

// --idle=SECONDS --sleep=US: turns of XPending and usleep, nothing drawn.
int runIdle(double duration, int sleep_us)
{
    long turns = 0;
    double start = seconds(CLOCK_MONOTONIC), cpu = scheduledNs();
    while (seconds(CLOCK_MONOTONIC) - start < duration) {
        while (XPending(app.display)) {
            XEvent event;
            XNextEvent(app.display, &event);
        }
        usleep(sleep_us);
        turns++;
    }
    double wall = seconds(CLOCK_MONOTONIC) - start;
    cpu = (scheduledNs() - cpu) / 1e9;
    printf("idle turns with usleep(%d): %.1f a second, %.1f us of CPU each, %.3f %% of a core\n", sleep_us,
           turns / wall, 1e6 * cpu / turns, 100 * cpu / wall);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    int frames = -1;
    std::string kind = "cached";
    std::string zoom = "1";
    const char *load = nullptr;
    double idle = 0;
    int sleep_us = 40000;
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--frames=", 9) == 0)
            frames = atoi(argv[i] + 9);
        else if (strncmp(argv[i], "--kind=", 7) == 0)
            kind = argv[i] + 7;
        else if (strncmp(argv[i], "--zoom=", 7) == 0)
            zoom = argv[i] + 7;
        else if (strncmp(argv[i], "--load=", 7) == 0)
            load = argv[i] + 7;
        else if (strncmp(argv[i], "--idle=", 7) == 0)
            idle = atof(argv[i] + 7);
        else if (strncmp(argv[i], "--sleep=", 8) == 0)
            sleep_us = atoi(argv[i] + 8);
        else if (strncmp(argv[i], "--pause=", 8) == 0)
            frame_pause_us = atoi(argv[i] + 8);
        else if (strncmp(argv[i], "--dlong=", 8) == 0)
            loop_dlong = atof(argv[i] + 8);
    }
    xvfb = launchXvfb("-screen 0 320x240x24");
    display = xvfb.pid < 0 ? nullptr : XOpenDisplay(xvfb.name.c_str());
    if (!display) {
        fprintf(stderr, "bench_frame: no Xvfb: %s\n",
                xvfb.pid < 0 ? xvfb.error.c_str() : "its display does not open");
        closeServer();
        return 1;
    }
    app.display = display;
    context = myRCreateContext(display, DefaultScreen(display));
    if (!context) {
        fputs("bench_frame: no rendering context\n", stderr);
        closeServer();
        return 1;
    }
    int status = 0;
    if (idle > 0) {
        status = runIdle(idle, sleep_us);
    } else if (load) {
        status = runLoad(load);
    } else if (frames >= 0) {
        status = runFrames(frames, kind, zoom.c_str());
    } else {
        registerAll();
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    closeServer();
    if (frames >= 0) {
        rusage self, server;
        getrusage(RUSAGE_SELF, &self);
        getrusage(RUSAGE_CHILDREN, &server);
        auto cpu = [](const rusage &u) {
            return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
        };
        fprintf(stderr, "frames %d: client cpu %.4f s, X server cpu %.4f s, client peak resident %ld KB\n", frames,
                cpu(self), cpu(server), self.ru_maxrss);
    }
    return status;
}
