// The globe renderer's per-frame cost.
//
//   bench_render                       Google Benchmark run
//   bench_render --frames=N [--zoom|--offset]
//                                      one set-up frame and N more, nothing else: a
//                                      driver for valgrind --tool=callgrind
//                                      --toggle-collect='renderGlobe()' (see
//                                      tools/callgrind_render.sh)
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "maps.h"
#include "raster.h"
#include "shading.h"
#include "state.h"
#include "view.h"

namespace {

RImage *noiseMap(int width, int height, uint32_t seed)
{
    RImage *map = RCreateImage(width, height, 0);
    uint32_t x = seed * 2654435761u + 1;
    for (int i = 0; i < width * height * 3; i++) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        map->data[i] = static_cast<unsigned char>(x >> 24);
    }
    return map;
}

// The default picture: 360 x 180 day and night maps, zoom 1, centred,
// north up, the terminator across the disc.
void setUpDefaultScene()
{
    static RImage *day = noiseMap(360, 180, 1);
    static RImage *night = noiseMap(360, 180, 2);
    static RImage *globe = RCreateImage(64, 64, 0);
    setDefaults();
    app.day_map = day;
    app.night_map = night;
    app.use_night_map = 1;
    app.night_map_loaded = 1;
    setMapScales();
    app.light_level = 64;
    app.globe_image = globe;
    double sun_lat = 0.3, sun_long = 1.0;
    app.sun_vector[0] = std::sin(sun_long) * std::cos(sun_lat);
    app.sun_vector[1] = std::sin(sun_lat);
    app.sun_vector[2] = std::cos(sun_long) * std::cos(sun_lat);
    updateZoomGeometry();
    setViewPosition(20, 30);
    renderGlobe();
}

// A frame with a valid cache after a view change: what every refresh and
// every drag step costs.
void cachedFrame(benchmark::State &state)
{
    setUpDefaultScene();
    double lon = 30;
    for (auto _ : state) {
        lon += 0.25;
        setViewPosition(20, lon);
        renderGlobe();
        benchmark::DoNotOptimize(app.globe_image->data[3 * (32 + 64 * 32)]);
    }
}
BENCHMARK(cachedFrame)->Name("frame/cached_view_change");

// The same in the offset layout, which traces no mirror pixels.
void cachedOffsetFrame(benchmark::State &state)
{
    setUpDefaultScene();
    app.fun = 1;
    app.geometry_valid = 0;
    renderGlobe();
    double lon = 30;
    for (auto _ : state) {
        lon += 0.25;
        setViewPosition(20, lon);
        renderGlobe();
        benchmark::DoNotOptimize(app.globe_image->data[3 * (32 + 64 * 32)]);
    }
}
BENCHMARK(cachedOffsetFrame)->Name("frame/cached_view_change_offset");

// A frame after a zoom step: the image is cleared and every ray traced again.
void zoomFrame(benchmark::State &state)
{
    setUpDefaultScene();
    int step = 0;
    for (auto _ : state) {
        app.zoom = (step++ & 1) ? 1.0 : 1.06;
        updateZoomGeometry();
        renderGlobe();
        benchmark::DoNotOptimize(app.globe_image->data[3 * (32 + 64 * 32)]);
    }
}
BENCHMARK(zoomFrame)->Name("frame/after_zoom_change");

// One pixel's map sampling and mix, over a spread of inputs on both sides
// of the terminator.
void shadeOnePixel(benchmark::State &state)
{
    setUpDefaultScene();
    constexpr int n = 1024;
    std::vector<double> lambda(n), psi(n), s(n);
    for (int i = 0; i < n; i++) {
        lambda[i] = -1.5 + 4.6 * i / n;
        psi[i] = -1.5 + 3.0 * ((i * 37) % n) / n;
        s[i] = -1 + 2.0 * ((i * 101) % n) / n;
    }
    int i = 0;
    for (auto _ : state) {
        RColor c = shadePixel(lambda[i], psi[i], s[i]);
        benchmark::DoNotOptimize(c);
        i = (i + 1) & (n - 1);
    }
}
BENCHMARK(shadeOnePixel)->Name("shadePixel");

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; i++) {
        if (strncmp(argv[i], "--frames=", 9) == 0) {
            int frames = atoi(argv[i] + 9);
            const char *mode = i + 1 < argc ? argv[i + 1] : "";
            bool zoom = strcmp(mode, "--zoom") == 0;
            setUpDefaultScene();
            if (strcmp(mode, "--offset") == 0) {
                app.fun = 1;
                app.geometry_valid = 0;
                setViewPosition(20, 30);
                renderGlobe();
            }
            for (int f = 0; f < frames; f++) {
                if (zoom) {
                    app.zoom = (f & 1) ? 1.0 : 1.06;
                    updateZoomGeometry();
                } else {
                    setViewPosition(20, 30 + 0.25 * (f + 1));
                }
                renderGlobe();
            }
            return 0;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
