// The ray-traced globe: its disc, its scan windows, its cache, its layouts
// and the pictures it draws.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "globe_scene.h"
#include "raster.h"
#include "shading.h"
#include "state.h"
#include "view.h"

namespace {

const Rgb background = {0, 0, 0};

std::vector<unsigned char> pictureBytes()
{
    return std::vector<unsigned char>(app.globe_image->data, app.globe_image->data + 64 * 64 * 3);
}

uint64_t fnv1a(const std::vector<unsigned char> &bytes)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char b : bytes) {
        h ^= b;
        h *= 0x100000001b3ull;
    }
    return h;
}

// Where the ray through the centre of pixel (x, y) meets the globe, by plain
// geometry with the view's axes: east, north and towards the viewer.
bool geometricHit(int x, int y, double lat_deg, double lon_deg, double &lat, double &lon)
{
    double f = app.focal_length, d = app.camera_distance, r = app.sphere_radius;
    double dir[3] = {x - 31.5, 31.5 - y, -f};
    // |(0, 0, d) + t dir|^2 = r^2
    double a = dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2];
    double b = 2 * d * dir[2];
    double c = d * d - r * r;
    double disc = b * b - 4 * a * c;
    if (disc < 0)
        return false;
    double t = (-b - std::sqrt(disc)) / (2 * a);
    double p[3] = {t * dir[0], t * dir[1], d + t * dir[2]};
    double la = lat_deg * M_PI / 180, lo = lon_deg * M_PI / 180;
    double east[3] = {std::cos(lo), 0, -std::sin(lo)};
    double north[3] = {-std::sin(lo) * std::sin(la), std::cos(la), -std::cos(lo) * std::sin(la)};
    double view[3] = {std::sin(lo) * std::cos(la), std::sin(la), std::cos(lo) * std::cos(la)};
    double e[3];
    for (int i = 0; i < 3; i++)
        e[i] = p[0] * east[i] + p[1] * north[i] + p[2] * view[i];
    lon = std::atan2(e[0], e[2]);
    lat = std::asin(e[1] / std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]));
    return true;
}

TEST(Disc, AtZoomOneTouchesTheMiddleOfEachEdge)
{
    setUpScene({});
    renderGlobe();
    for (auto [x, y] : {std::pair{0, 31}, {0, 32}, {63, 31}, {63, 32}, {31, 0}, {32, 0}, {31, 63},
                        {32, 63}}) {
        EXPECT_EQ(app.on_globe[x][y], 1) << x << "," << y;
        EXPECT_NE(globePixel(x, y), background) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{0, 0}, {63, 0}, {0, 63}, {63, 63}, {0, 25}, {25, 0}}) {
        EXPECT_EQ(app.on_globe[x][y], 0) << x << "," << y;
        EXPECT_EQ(globePixel(x, y), background) << x << "," << y;
    }
}

TEST(Disc, FollowsTheRayTestAtEveryZoom)
{
    // On the globe exactly where the pixel centre lies within 32 x zoom of
    // the centre (a hair's breadth excepted), whatever the scan windows.
    for (double zoom : {0.08, 0.3, 0.5, 1.0, 1.3, 1.5, 3.7, 1000.0, 1448.125, 2048.0, 10000.0,
                        100000.0}) {
        Scene scene;
        scene.zoom = zoom;
        setUpScene(scene);
        renderGlobe();
        double limit = (32 * zoom) * (32 * zoom);
        int shown = 0;
        for (int x = 0; x < 64; x++)
            for (int y = 0; y < 64; y++) {
                double rr = (x - 31.5) * (x - 31.5) + (31.5 - y) * (31.5 - y);
                shown += app.on_globe[x][y];
                if (std::fabs(rr - limit) < 1e-6 * limit)
                    continue;
                EXPECT_EQ(app.on_globe[x][y], rr <= limit ? 1 : 0)
                    << "zoom " << zoom << " pixel " << x << "," << y;
            }
        if (zoom >= 1.5) { // from here on the disc covers the tile
            EXPECT_EQ(shown, 64 * 64) << zoom;
        }
    }
}

TEST(Disc, RadiusIsTheWholePixelsPlusOne)
{
    const std::pair<double, int> cases[] = {{0.08, 3}, {0.55, 18}, {1.3, 42}, {3.7, 119},
                                            {1448.1, 46340}, {99999.99, 3200000}};
    for (auto [zoom, radius] : cases) {
        Scene scene;
        scene.zoom = zoom;
        setUpScene(scene);
        renderGlobe();
        EXPECT_EQ(app.globe_radius_px, radius) << zoom;
    }
    // Where 32 x zoom is whole, either neighbour is right.
    for (double zoom : {1.0, 1448.125, 100000.0}) {
        Scene scene;
        scene.zoom = zoom;
        setUpScene(scene);
        renderGlobe();
        int r = static_cast<int>(32 * zoom);
        EXPECT_TRUE(app.globe_radius_px == r || app.globe_radius_px == r + 1) << zoom;
    }
}

TEST(Disc, HighZoomsFillTheTileWithTheGlobe)
{
    // From a disc radius of 46341 pixels the row width's product no longer
    // fits 32 bits; the whole tile must still be drawn.
    for (double zoom : {1000.0, 1448.125, 2048.0, 10000.0, 100000.0}) {
        Scene scene;
        scene.zoom = zoom;
        scene.day_map = makeFlatMap(360, 180, {90, 140, 200});
        setUpScene(scene);
        renderGlobe();
        int drawn = 0;
        for (int x = 0; x < 64; x++)
            for (int y = 0; y < 64; y++)
                drawn += globePixel(x, y) == Rgb{90, 140, 200};
        EXPECT_EQ(drawn, 64 * 64) << "zoom " << zoom;

        // With a valid cache the scan windows alone decide what is drawn.
        memset(app.globe_image->data, 0, 64 * 64 * 3);
        renderGlobe();
        drawn = 0;
        for (int x = 0; x < 64; x++)
            for (int y = 0; y < 64; y++)
                drawn += globePixel(x, y) == Rgb{90, 140, 200};
        EXPECT_EQ(drawn, 64 * 64) << "cached, zoom " << zoom;
    }
}

TEST(ScanWindow, TinyGlobeScansOnlyTheRowsAroundTheCentre)
{
    // Radius 2.56 pixels: 3 whole pixels plus one makes u = 26.
    Scene scene;
    scene.zoom = 0.08;
    setUpScene(scene);
    for (auto &column : app.on_globe)
        for (int &cell : column)
            cell = 1;
    renderGlobe();
    ASSERT_EQ(app.globe_radius_px, 3);
    for (int x = 0; x < 64; x++)
        for (int y = 0; y < 64; y++)
            if (y < 26 || y > 37) {
                EXPECT_EQ(app.on_globe[x][y], 0) << x << "," << y;
            }

    // Pretend every pixel is on the globe and see which ones a cached frame visits.
    for (int x = 0; x < 64; x++)
        for (int y = 0; y < 64; y++) {
            app.on_globe[x][y] = 1;
            app.sphere_points[x < 32 ? x : 63 - x][y][0] = 0;
            app.sphere_points[x < 32 ? x : 63 - x][y][1] = 0;
            app.sphere_points[x < 32 ? x : 63 - x][y][2] = 1000;
            setGlobePixel(x, y, {1, 2, 3});
        }
    renderGlobe();
    for (int y = 0; y < 64; y++) {
        int first = 64, last = -1;
        for (int x = 0; x < 64; x++)
            if (globePixel(x, y) != Rgb{1, 2, 3}) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        if (y < 26 || y > 37) {
            EXPECT_EQ(last, -1) << "row " << y;
        } else {
            EXPECT_EQ(first + last, 63) << "row " << y; // symmetric about the centre line
            EXPECT_LE(first, 26) << "row " << y;
        }
        // Row 32: w = trunc(sqrt(3 * 3)) = 3, so columns 23 to 40.
        if (y == 32) {
            EXPECT_EQ(first, 23);
            EXPECT_EQ(last, 40);
        }
    }
}

struct GeometryCase {
    const char *what;
    double lat, lon, zoom;
    int orientation, fun, dx, dy;
};

const GeometryCase geometry_cases[] = {
    {"equator at Greenwich", 0, 0, 1, 1, 0, 0, 0},
    {"mid north, west", 40, -100, 1, 1, 0, 0, 0},
    {"near the south pole", -75, 160, 1.2, 1, 0, 0, 0},
    {"south up", 40, -100, 1, -1, 0, 0, 0},
    {"close up across the date line", 10, 179, 6, 1, 0, 0, 0},
    {"small and offset", 30, 60, 0.6, 1, 1, 9, -6},
    {"offset ignores south up", 30, 60, 0.6, -1, 1, -12, 4},
};

TEST(Picture, EveryPixelSamplesThePlaceItsRayHits)
{
    // The map tells each pixel where it sampled: red is the column, green the row.
    for (const GeometryCase &c : geometry_cases) {
        Scene scene;
        scene.zoom = c.zoom;
        scene.orientation = c.orientation;
        scene.fun = c.fun;
        scene.fun_dx = c.dx;
        scene.fun_dy = c.dy;
        setUpScene(scene);
        renderAt(c.lat, c.lon);
        int checked = 0;
        for (int x = 0; x < 64; x++)
            for (int y = 0; y < 64; y++) {
                // The ray shown at this image pixel.
                int rx = x, ry = y;
                if (c.fun) {
                    rx = x - c.dx;
                    ry = y - c.dy;
                } else if (c.orientation == -1) {
                    rx = 63 - x;
                    ry = 63 - y;
                }
                double lat, lon;
                bool hit = geometricHit(rx, ry, c.lat, c.lon, lat, lon);
                ASSERT_EQ(app.on_globe[x][y], hit ? 1 : 0) << c.what << " " << x << "," << y;
                if (!hit) {
                    EXPECT_EQ(globePixel(x, y), background) << c.what;
                    continue;
                }
                double column = (lon + M_PI) / (2 * M_PI) * 256;
                double row = (M_PI / 2 - lat) / M_PI * 128;
                // The last column and row blend with the first: no code there.
                if (column < 1 || column > 254 || row > 126)
                    continue;
                Rgb got = globePixel(x, y);
                EXPECT_EQ(got[2], 77) << c.what;
                EXPECT_NEAR(got[0], column, 1.01) << c.what << " pixel " << x << "," << y;
                EXPECT_NEAR(got[1], row, 1.01) << c.what << " pixel " << x << "," << y;
                checked++;
            }
        EXPECT_GT(checked, 500) << c.what;
    }
}

struct ExactCase {
    const char *what;
    uint64_t hash;
};

// Hashes of whole pictures, from the independent evaluation of the same
// arithmetic in tools/globe_reference.py (same scenes, same maps).
TEST(Picture, MatchesTheReferenceToTheByte)
{
    RImage *day = makeNoiseMap(360, 180, 11);
    RImage *night = makeNoiseMap(360, 180, 12);
    auto copy = [](RImage *m) { return RCloneImage(m); };
    auto dusk = [&](int orientation) {
        Scene s;
        s.day_map = copy(day);
        s.night_map = copy(night);
        s.light_level = 64;
        s.sun_lat = 10;
        s.sun_lon = 80;
        s.orientation = orientation;
        setUpScene(s);
        renderAt(20, 30);
    };

    dusk(1);
    EXPECT_EQ(fnv1a(pictureBytes()), 0xc1956e96653cae16ull) << "dusk";
    dusk(-1);
    EXPECT_EQ(fnv1a(pictureBytes()), 0xeb21ca4a8f9029dcull) << "dusk south up";

    {
        Scene s;
        s.day_map = copy(day);
        s.light_level = 64;
        s.zoom = 2.5;
        s.sun_lat = -20;
        s.sun_lon = 170;
        setUpScene(s);
        addPlaceMarker(-55, -140);
        addPlaceMarker(-70, -160);
        app.sun_marker = app.marker_count++;
        app.markers[app.sun_marker] = {app.sun_vector[0], app.sun_vector[1], app.sun_vector[2]};
        renderAt(-60, -150);
        EXPECT_EQ(app.globe_radius_px, 80);
        EXPECT_EQ(fnv1a(pictureBytes()), 0x17330158d7e93a16ull) << "dimmed night zoomed";
    }
    {
        Scene s;
        s.day_map = copy(day);
        s.night_map = copy(night);
        s.zoom = 0.7;
        s.fun = 1;
        s.fun_dx = 7;
        s.fun_dy = -5;
        s.sun_lat = -23;
        s.sun_lon = 60;
        setUpScene(s);
        addPlaceMarker(40, 95);
        renderAt(45, 100);
        EXPECT_EQ(fnv1a(pictureBytes()), 0x790b6ee93ad15681ull) << "offset";
    }
    {
        // Within a pixel of the pole at the largest zoom: the pole guard
        // and mirror longitudes that leave the usual range.
        Scene s;
        s.day_map = copy(day);
        s.night_map = copy(night);
        s.zoom = 100000;
        s.sun_lat = 5;
        setUpScene(s);
        renderAt(89.99999, -164.5);
        EXPECT_EQ(fnv1a(pictureBytes()), 0xfe88f18f90cdcb25ull) << "pole close up";
    }
    RReleaseImage(day);
    RReleaseImage(night);
}

TEST(Picture, SouthUpIsNorthUpTurnedHalfARound)
{
    Scene scene;
    scene.day_map = makeNoiseMap(360, 180, 21);
    scene.night_map = makeNoiseMap(360, 180, 22);
    scene.sun_lat = 15;
    scene.sun_lon = 70;
    setUpScene(scene);
    addPlaceMarker(35, 20);
    app.sun_marker = app.marker_count++;
    app.markers[app.sun_marker] = {app.sun_vector[0], app.sun_vector[1], app.sun_vector[2]};
    for (double zoom : {0.4, 1.0, 2.2}) {
        app.zoom = zoom;
        updateZoomGeometry();
        app.orientation = 1;
        renderAt(25, 40);
        std::vector<unsigned char> north_up = pictureBytes();
        app.orientation = -1;
        renderGlobe();
        for (int x = 0; x < 64; x++)
            for (int y = 0; y < 64; y++)
                for (int ch = 0; ch < 3; ch++)
                    ASSERT_EQ(app.globe_image->data[3 * (x + 64 * y) + ch],
                              north_up[3 * ((63 - x) + 64 * (63 - y)) + ch])
                        << "zoom " << zoom << " pixel " << x << "," << y;
    }
}

struct OffsetCase {
    int dx, dy;
};

const OffsetCase offset_cases[] = {
    {20, -15}, {-40, 40}, {63, 63}, {-63, 0}, {100, 0},
    {0, 100},  {-100, -100}, {INT_MAX, INT_MIN}, {INT_MIN, INT_MAX}, {INT_MIN, INT_MIN},
};

TEST(Offset, ShiftsTheDiscAndWritesNothingOutsideTheTile)
{
    Scene centred;
    centred.day_map = makeNoiseMap(360, 180, 31);
    centred.sun_lat = 90;
    setUpScene(centred);
    renderAt(10, 20);
    std::vector<unsigned char> reference = pictureBytes();
    int reference_on[64][64];
    memcpy(reference_on, app.on_globe, sizeof reference_on);

    for (const OffsetCase &c : offset_cases) {
        Scene shifted = centred;
        shifted.day_map = makeNoiseMap(360, 180, 31);
        shifted.fun = 1;
        shifted.fun_dx = c.dx;
        shifted.fun_dy = c.dy;
        setUpScene(shifted);
        renderAt(10, 20);
        for (int x = 0; x < 64; x++)
            for (int y = 0; y < 64; y++) {
                int64_t sx = int64_t{x} - c.dx, sy = int64_t{y} - c.dy;
                bool inside = sx >= 0 && sx < 64 && sy >= 0 && sy < 64;
                int expected_on = inside ? reference_on[sx][sy] : 0;
                ASSERT_EQ(app.on_globe[x][y], expected_on)
                    << "offset " << c.dx << "," << c.dy << " pixel " << x << "," << y;
                Rgb got = globePixel(x, y);
                if (!expected_on) {
                    EXPECT_EQ(got, background);
                } else if (sx <= 31) {
                    // Traced directly in both layouts: the same colour.
                    const unsigned char *p = &reference[3 * (sx + 64 * sy)];
                    EXPECT_EQ(got, (Rgb{p[0], p[1], p[2]})) << x << "," << y;
                } else {
                    // Mirrored in the centred layout: within a rounding.
                    const unsigned char *p = &reference[3 * (sx + 64 * sy)];
                    for (int ch = 0; ch < 3; ch++)
                        EXPECT_NEAR(got[ch], p[ch], 2) << x << "," << y;
                }
            }
    }
}

struct CacheCase {
    const char *what;
    int orientation, fun, dx, dy;
};

TEST(Cache, ViewChangeRewritesOnlyTheGlobePixels)
{
    const CacheCase cases[] = {
        {"north up", 1, 0, 0, 0}, {"south up", -1, 0, 0, 0}, {"offset", 1, 1, 13, 21}};
    for (const CacheCase &c : cases) {
        Scene scene;
        scene.zoom = 0.8;
        scene.orientation = c.orientation;
        scene.fun = c.fun;
        scene.fun_dx = c.dx;
        scene.fun_dy = c.dy;
        setUpScene(scene);
        renderAt(0, 0);
        ASSERT_EQ(app.geometry_valid, 1);
        int on = 0;
        for (int x = 0; x < 64; x++)
            for (int y = 0; y < 64; y++) {
                on += app.on_globe[x][y];
                setGlobePixel(x, y, app.on_globe[x][y] ? Rgb{4, 5, 6} : Rgb{1, 2, 3});
            }
        ASSERT_GT(on, 1000) << c.what;
        renderAt(35, -120);
        for (int x = 0; x < 64; x++)
            for (int y = 0; y < 64; y++) {
                if (app.on_globe[x][y])
                    EXPECT_NE(globePixel(x, y), (Rgb{4, 5, 6})) << c.what << " " << x << "," << y;
                else
                    EXPECT_EQ(globePixel(x, y), (Rgb{1, 2, 3})) << c.what << " " << x << "," << y;
            }
    }
}

TEST(Cache, ZoomChangeClearsTheImageAndRebuilds)
{
    setUpScene({});
    renderGlobe();
    for (int x = 0; x < 64; x++)
        for (int y = 0; y < 64; y++)
            setGlobePixel(x, y, {1, 2, 3});
    zoomStep(1);
    renderGlobe();
    EXPECT_EQ(app.geometry_valid, 1);
    EXPECT_EQ(globePixel(0, 0), background);
    EXPECT_EQ(app.on_globe[0][31], 0); // the disc shrank away from the edge
    EXPECT_NE(globePixel(31, 31), (Rgb{1, 2, 3}));
}

TEST(PoleGuard, PointOnThePolarAxisIsShadedWithoutDividingByZero)
{
    // A cached point exactly at the north pole, seen from (0, 0): X = Z = 0.
    Scene scene;
    scene.day_map = makeNoiseMap(360, 180, 41);
    scene.sun_lat = 30;
    setUpScene(scene);
    renderAt(0, 0);
    app.on_globe[10][20] = app.on_globe[53][20] = 1;
    app.sphere_points[10][20][0] = 0;
    app.sphere_points[10][20][1] = 1000;
    app.sphere_points[10][20][2] = 0;
    renderGlobe();

    double psi = std::atan(-1000 / std::sqrt(0.001 * 0.001));
    double sun_y = app.sun_vector[1], sun_z = app.sun_vector[2];
    RColor traced = shadePixel(1.5707963265, psi, ((0 + 1000 * sun_y) + -0.001 * sun_z) / 1000);
    RColor mirrored = shadePixel(-1.5707963265, psi, (1000 * sun_y) / 1000);
    EXPECT_EQ(globePixel(10, 20), (Rgb{traced.red, traced.green, traced.blue}));
    EXPECT_EQ(globePixel(53, 20), (Rgb{mirrored.red, mirrored.green, mirrored.blue}));
}

} // namespace
