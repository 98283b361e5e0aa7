// Place, Sun and Moon markers over the globe.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "globe_scene.h"
#include "markers.h"
#include "raster.h"
#include "state.h"
#include "view.h"

namespace {

using Pixel = std::pair<int, int>;
const Rgb black = {0, 0, 0}, white = {255, 255, 255};
const Rgb sun_yellow = {255, 255, 127}, moon_blue = {0, 200, 255};

// A scene of one flat colour, seen from (0, 0), with no marker yet.
void flatGlobe(Rgb color, double zoom = 1, int orientation = 1, int fun = 0, int dx = 0,
               int dy = 0)
{
    Scene scene;
    scene.day_map = makeFlatMap(360, 180, color);
    scene.zoom = zoom;
    scene.orientation = orientation;
    scene.fun = fun;
    scene.fun_dx = dx;
    scene.fun_dy = dy;
    setUpScene(scene);
    renderGlobe(); // builds the cache, so that markers can be aimed at pixels
}

// A unit vector that the view (0, 0) projects onto pixel (x, y).
MarkerPoint aimAt(int x, int y)
{
    double r = app.globe_radius_px;
    double cx = (x + 0.5 - 32) / r, cy = (32 - (y + 0.5)) / r;
    return {cx, cy, std::sqrt(1 - cx * cx - cy * cy)};
}

int addMarker(MarkerPoint m)
{
    app.markers[app.marker_count] = m;
    return app.marker_count++;
}

// The pixels that differ from `before`.
std::set<Pixel> changedPixels(const std::vector<Rgb> &before)
{
    std::set<Pixel> changed;
    for (int x = 0; x < 64; x++)
        for (int y = 0; y < 64; y++)
            if (globePixel(x, y) != before[x + 64 * y])
                changed.insert({x, y});
    return changed;
}

std::vector<Rgb> snapshot()
{
    std::vector<Rgb> v(64 * 64);
    for (int x = 0; x < 64; x++)
        for (int y = 0; y < 64; y++)
            v[x + 64 * y] = globePixel(x, y);
    return v;
}

// The arm pixels at distances from..to around (x, y).
std::set<Pixel> arms(int x, int y, int from, int to)
{
    std::set<Pixel> s;
    for (int d = from; d <= to; d++)
        s.insert({{x + d, y}, {x - d, y}, {x, y - d}, {x, y + d}});
    return s;
}

std::set<Pixel> onGlobeInTile(const std::set<Pixel> &pixels)
{
    std::set<Pixel> s;
    for (auto [x, y] : pixels)
        if (x >= 0 && x < 64 && y >= 0 && y < 64 && app.on_globe[x][y])
            s.insert({x, y});
    return s;
}

TEST(MarkerVector, IsTheEarthFixedUnitVector)
{
    setDefaults();
    const double deg = 3.141592653 / 180;
    struct {
        double lat, lon, x, y, z;
    } cases[] = {{0, 0, 0, 0, 1}, {0, 90, 1, 0, 0}, {90, 0, 0, 1, 0}, {0, -90, -1, 0, 0},
                 {-30, 180, 0, -0.5, -std::sqrt(0.75)}};
    for (auto c : cases) {
        app.markers[0] = {c.lon * deg, c.lat * deg, 123};
        markerToVector(0);
        EXPECT_NEAR(app.markers[0].x, c.x, 1e-9) << c.lat << "," << c.lon;
        EXPECT_NEAR(app.markers[0].y, c.y, 1e-9) << c.lat << "," << c.lon;
        EXPECT_NEAR(app.markers[0].z, c.z, 1e-9) << c.lat << "," << c.lon;
    }
}

TEST(PlaceMarker, AtTheViewCentreIsACrossAroundPixel32)
{
    flatGlobe({20, 60, 140});
    addPlaceMarker(0, 0);
    std::vector<Rgb> before = snapshot();
    renderGlobe();
    // Arms from 2 to 8 pixels; the centre and its eight neighbours stay.
    EXPECT_EQ(changedPixels(before), arms(32, 32, 2, 8));
    EXPECT_EQ(globePixel(34, 32), black); // bright ocean gets black
}

TEST(PlaceMarker, ContrastIsDecidedPixelByPixel)
{
    struct {
        Rgb under, expected;
    } cases[] = {{{20, 60, 140}, black}, {{127, 127, 127}, white}, {{0, 0, 128}, black},
                 {{128, 0, 0}, black},   {{100, 100, 100}, white}, {{0, 0, 0}, white}};
    for (auto c : cases) {
        flatGlobe(c.under);
        addPlaceMarker(0, 0);
        renderGlobe();
        for (auto [x, y] : arms(32, 32, 2, 8))
            EXPECT_EQ(globePixel(x, y), c.expected) << c.under[0] << "," << c.under[2];
    }
}

TEST(PlaceMarker, HiddenOnTheFarSide)
{
    flatGlobe({20, 60, 140});
    addMarker({0, 0, -1}); // projects onto the centre, but behind the globe
    addMarker({0, 0.3, -std::sqrt(1 - 0.09)});
    std::vector<Rgb> before = snapshot();
    renderGlobe();
    EXPECT_TRUE(changedPixels(before).empty());
}

TEST(PlaceMarker, OffTheDiscDrawsNothingEvenWhenArmsWouldReachIt)
{
    // Zoom 0.55: the disc has radius 17.6 about 31.5; the projection uses 18.
    flatGlobe({20, 60, 140}, 0.55);
    ASSERT_EQ(app.globe_radius_px, 18);
    MarkerPoint m = aimAt(50, 32);
    ASSERT_EQ(app.on_globe[50][32], 0);
    ASSERT_EQ(app.on_globe[48][32], 1);
    addMarker(m);
    std::vector<Rgb> before = snapshot();
    renderGlobe();
    EXPECT_TRUE(changedPixels(before).empty());
}

TEST(PlaceMarker, ArmsLoseExactlyThePixelsOffTheGlobeOrOffTheTile)
{
    struct {
        const char *what;
        double zoom;
        int fun, dx, dy;
        int x, y;
    } cases[] = {
        {"near the rim", 0.5, 0, 0, 0, 46, 30},
        {"near the tile's right edge", 1, 1, 30, 0, 61, 33},
        {"near the tile's top left corner", 1.5, 0, 0, 0, 3, 2},
    };
    for (auto c : cases) {
        flatGlobe({200, 200, 200}, c.zoom, 1, c.fun, c.dx, c.dy);
        MarkerPoint m = aimAt(c.x - c.dx, c.y - c.dy);
        ASSERT_EQ(app.on_globe[c.x][c.y], 1) << c.what;
        addMarker(m);
        std::vector<Rgb> before = snapshot();
        renderGlobe();
        std::set<Pixel> expected = onGlobeInTile(arms(c.x, c.y, 2, 8));
        EXPECT_LT(expected.size(), 28u) << c.what;
        EXPECT_EQ(changedPixels(before), expected) << c.what;
    }
}

TEST(PlaceMarker, LaterMarkerReadsWhatTheEarlierPainted)
{
    // On a dark globe the first cross is white; where the second crosses
    // it, the white pixel turns black.
    flatGlobe({10, 10, 10});
    addMarker(aimAt(32, 32));
    addMarker(aimAt(36, 36));
    renderGlobe();
    EXPECT_EQ(globePixel(36, 32), black); // first's right arm, second's upper arm
    EXPECT_EQ(globePixel(32, 36), black); // first's lower arm, second's left arm
    EXPECT_EQ(globePixel(37, 32), white);
    EXPECT_EQ(globePixel(36, 38), white);
}

TEST(PlaceMarker, SouthUpTurnsTheMarkerWithThePictureUnlessOffset)
{
    flatGlobe({200, 200, 200}, 1, -1);
    addMarker(aimAt(10, 20));
    std::vector<Rgb> before = snapshot();
    renderGlobe();
    EXPECT_EQ(changedPixels(before), arms(53, 43, 2, 8));

    flatGlobe({200, 200, 200}, 1, -1, 1, 0, 0);
    addMarker(aimAt(10, 20));
    before = snapshot();
    renderGlobe();
    EXPECT_EQ(changedPixels(before), arms(10, 20, 2, 8));
}

TEST(PlaceMarker, FarOffsetsNeitherDrawNorMisbehave)
{
    for (auto [dx, dy] : {std::pair{INT_MAX, 0}, {INT_MIN, INT_MIN}, {0, INT_MAX}, {-70, 5}}) {
        flatGlobe({200, 200, 200}, 1, 1, 1, dx, dy);
        addPlaceMarker(0, 0);
        app.sun_marker = addMarker({0, 0, 1});
        std::vector<Rgb> before = snapshot();
        renderGlobe();
        EXPECT_TRUE(changedPixels(before).empty()) << dx << "," << dy;
    }
}

TEST(BodyMarker, AlternatesContrastAndTheBodyColour)
{
    for (bool sun : {true, false}) {
        flatGlobe({200, 200, 200});
        int i = addMarker(aimAt(30, 33));
        (sun ? app.sun_marker : app.moon_marker) = i;
        std::vector<Rgb> before = snapshot();
        renderGlobe();
        EXPECT_EQ(changedPixels(before), arms(30, 33, 2, 9));
        for (int d = 2; d <= 9; d++) {
            Rgb expected = d % 2 ? (sun ? sun_yellow : moon_blue) : black;
            for (auto [x, y] : arms(30, 33, d, d))
                EXPECT_EQ(globePixel(x, y), expected) << "distance " << d;
        }
    }
}

TEST(BodyMarker, SunWinsWhenBothShareAnEntry)
{
    flatGlobe({10, 10, 10});
    int i = addMarker(aimAt(32, 32));
    app.sun_marker = app.moon_marker = i;
    renderGlobe();
    EXPECT_EQ(globePixel(35, 32), sun_yellow);
    EXPECT_EQ(globePixel(34, 32), white);
}

TEST(BodyMarker, OffTheGlobeDrawsNothing)
{
    flatGlobe({200, 200, 200}, 0.5);
    std::vector<Rgb> before = snapshot();
    drawBodyMarker(48, 32, app.sun_marker_color);
    drawBodyMarker(-1, 32, app.sun_marker_color);
    drawBodyMarker(32, 64, app.sun_marker_color);
    EXPECT_TRUE(changedPixels(before).empty());
}

TEST(Markers, AreRepaintedByTheNextFrameNotPiledUp)
{
    flatGlobe({200, 200, 200});
    addPlaceMarker(0, 0);
    renderAt(0, 0);
    std::vector<Rgb> first = snapshot();
    renderAt(0, 30); // the marker moves west by 30 degrees
    renderAt(0, 0);
    EXPECT_TRUE(changedPixels(first).empty());
}

} // namespace
