// The 64 x 64 globe picture put into a pixmap: the program's converter,
// which keeps one X image and draws into the pixmap it is given, against
// libwraster's RConvertImage, which makes an X image and a pixmap each call.
// Each runs on private Xvfb servers with 24-bit and 16-bit TrueColor and
// 8-bit PseudoColor default visuals. The argument is how many conversions
// go between two XSync calls: 1 puts a round trip to the server into every
// conversion; 32 measures the throughput of client and server together, as
// in the main loop, which never waits for the server after a conversion.
#include <benchmark/benchmark.h>

#include "mycontext.h"
#include "myconvert.h"
#include "xvfb.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Server {
    const char *name;
    const char *depth;
    const char *visual_class;
    XServer xvfb{};
    Display *display = nullptr;
    RContext *context = nullptr;
};

// Starts the server's Xvfb and opens it; false, with the reason printed, if either fails.
bool openServer(Server &server)
{
    server.xvfb = launchXvfb(std::string("-screen 0 320x240x") + server.depth + " -cc " + server.visual_class);
    if (server.xvfb.pid < 0) {
        fprintf(stderr, "no Xvfb for %s: %s\n", server.name, server.xvfb.error.c_str());
        return false;
    }
    server.display = XOpenDisplay(server.xvfb.name.c_str());
    if (!server.display)
        fprintf(stderr, "no display %s for %s\n", server.xvfb.name.c_str(), server.name);
    return server.display != nullptr;
}

void closeServer(Server &server)
{
    if (server.display)
        XCloseDisplay(server.display);
    server.display = nullptr;
    stopXvfb(server.xvfb);
}

RImage *globeLikeImage()
{
    RImage *image = RCreateImage(64, 64, False);
    unsigned seed = 42;
    for (int i = 0; i < 64 * 64 * 3; i++) {
        seed = seed * 1103515245u + 12345u;
        image->data[i] = static_cast<unsigned char>(seed >> 16);
    }
    return image;
}

// The converter's X image, kept here so that each run can free it: the
// runs switch between servers, and the converter keeps one for the process.
RXImage *kept_ximage = nullptr;

RXImage *keepXImage(RContext *context, int depth, unsigned width, unsigned height)
{
    return kept_ximage = RCreateXImage(context, depth, width, height);
}

void mine(benchmark::State &state, Server *server, RImage *image)
{
    Pixmap pixmap = 0;
    RConvertImage(server->context, image, &pixmap); // the start-up conversion makes the pixmap
    resetConvertCache();
    create_ximage_hook = keepXImage;
    myRConvertImage(server->context, image, &pixmap); // and the first call the X image
    const int64_t sync_every = state.range(0);
    int64_t done = 0;
    for (auto _ : state) {
        if (!myRConvertImage(server->context, image, &pixmap))
            state.SkipWithError("conversion failed");
        if (++done % sync_every == 0)
            XSync(server->display, False);
    }
    XSync(server->display, False);
    resetConvertCache();
    if (kept_ximage)
        RDestroyXImage(server->context, kept_ximage);
    kept_ximage = nullptr;
    XFreePixmap(server->display, pixmap);
}

void libwrasters(benchmark::State &state, Server *server, RImage *image)
{
    const int64_t sync_every = state.range(0);
    int64_t done = 0;
    for (auto _ : state) {
        Pixmap pixmap = 0;
        if (!RConvertImage(server->context, image, &pixmap))
            state.SkipWithError("conversion failed");
        XFreePixmap(server->display, pixmap);
        if (++done % sync_every == 0)
            XSync(server->display, False);
    }
    XSync(server->display, False);
}

// Prints the usual table, then libwraster's time over the program's per
// visual: from the medians when runs are repeated.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.error_occurred)
                continue;
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || (run.run_type == Run::RT_Iteration && !times.count(run.run_name.str())))
                times[run.run_name.str()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const auto &[name, own] : times) {
            if (name.rfind("myRConvertImage/", 0) != 0)
                continue;
            std::string tail = name.substr(name.find('/'));
            auto theirs = times.find("RConvertImage" + tail);
            if (theirs == times.end() || own.real <= 0 || own.cpu <= 0)
                continue;
            printf("%-16s RConvertImage / myRConvertImage: real time %.2f, CPU time %.2f\n", tail.c_str() + 1,
                   theirs->second.real / own.real, theirs->second.cpu / own.cpu);
        }
    }

  private:
    struct Times {
        double real, cpu;
    };
    std::map<std::string, Times> times;
};

} // namespace

// For instruction counts (tools/callgrind_convert.sh): converts the picture
// `count` times with each converter, syncing after every conversion.
void convertTimes(Server &server, RImage *image, int count)
{
    Pixmap pixmap = 0;
    RConvertImage(server.context, image, &pixmap);
    for (int i = 0; i < count; i++) {
        myRConvertImage(server.context, image, &pixmap);
        XSync(server.display, False);
    }
    for (int i = 0; i < count; i++) {
        Pixmap made = 0;
        RConvertImage(server.context, image, &made);
        XFreePixmap(server.display, made);
        XSync(server.display, False);
    }
}

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    std::vector<Server> servers = {{"TrueColor24", "24", "4"}, {"TrueColor16", "16", "4"}, {"PseudoColor8", "8", "3"}};
    // --conversions=N --visual=NAME: no benchmark, just N conversions each on that visual.
    int conversions = -1;
    std::string only;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg.rfind("--conversions=", 0) == 0)
            conversions = std::stoi(arg.substr(14));
        else if (arg.rfind("--visual=", 0) == 0)
            only = arg.substr(9);
    }
    if (!only.empty())
        std::erase_if(servers, [&](const Server &s) { return only != s.name; });
    RImage *image = globeLikeImage();
    for (Server &server : servers) {
        if (!openServer(server)) {
            for (Server &s : servers)
                closeServer(s);
            return 1;
        }
        server.context = myRCreateContext(server.display, DefaultScreen(server.display));
        if (!server.context) {
            fprintf(stderr, "no context on %s\n", server.name);
            return 1;
        }
    }
    if (conversions >= 0) {
        for (Server &server : servers)
            convertTimes(server, image, conversions);
        for (Server &server : servers)
            closeServer(server);
        return 0;
    }
    for (Server &server : servers) {
        benchmark::RegisterBenchmark((std::string("myRConvertImage/") + server.name).c_str(), mine, &server, image)
            ->Arg(1)
            ->Arg(32)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((std::string("RConvertImage/") + server.name).c_str(), libwrasters, &server,
                                     image)
            ->Arg(1)
            ->Arg(32)
            ->Unit(benchmark::kMicrosecond);
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (Server &server : servers)
        closeServer(server);
    RReleaseImage(image);
    return 0;
}
