// The viewpoint: folding over the poles, the longitude window, drag and zoom steps.
#include <gtest/gtest.h>

#include <cmath>

#include "state.h"
#include "view.h"

namespace {

struct FoldCase {
    const char *name;
    double lat, lon;
    int stable, fun;
    double shown_lat, shown_long;
    double view_lat_change, view_long_change;
    bool dlat_negated, orientation_flipped;
};

// Each request starts from view_lat/view_long equal to the request, as in move mode.
const FoldCase fold_cases[] = {
    {"over the north pole", 95, 10, 0, 0, 85, -170, -10, 180 - 360, true, true},
    {"stable bounces", 95, 10, 1, 0, 85, 10, -10, 0, true, false},
    {"stable wins over fun", 95, 10, 1, 1, 85, 10, -10, 0, true, false},
    {"fun bounces but turns", 95, 10, 0, 1, 85, 10, -10, 0, true, true},
    {"two folds cancel", 359, 0, 0, 0, -1, 0, -360, 0, false, false},
    {"exactly the north pole", 90, 20, 0, 0, 90, 20, 0, 0, false, false},
    {"exactly the south pole", -90, 20, 0, 0, -90, 20, 0, 0, false, false},
    {"three folds", 270, 0, 0, 0, -90, 180, -360, 180, true, true},
    {"whole turns of latitude", 725, 30, 0, 0, 5, 30, -720, 0, false, false},
    {"-180 shows as 180", 0, -180, 0, 0, 0, 180, 0, 360, false, false},
    {"540 shows as 180", 0, 540, 0, 0, 0, 180, 0, -360, false, false},
    {"south pole crossing", -100, -170, 0, 0, -80, 10, 20, 180, true, true},
};

class Fold : public testing::TestWithParam<FoldCase> {};

TEST_P(Fold, ShowsTheFoldedPositionAndCarriesItsEffects)
{
    const FoldCase &c = GetParam();
    setDefaults();
    app.stable = c.stable;
    app.fun = c.fun;
    app.view_lat = c.lat;
    app.view_long = c.lon;
    app.dlat = 1.5;
    setViewPosition(c.lat, c.lon);

    EXPECT_EQ(app.shown_lat, c.shown_lat);
    EXPECT_EQ(app.shown_long, c.shown_long);
    EXPECT_EQ(app.shown_lat_rad, c.shown_lat * 3.141592653 / 180);
    EXPECT_EQ(app.shown_long_rad, 3.141592653 * c.shown_long / 180);
    EXPECT_EQ(app.view_lat - c.lat, c.view_lat_change);
    EXPECT_EQ(app.view_long - c.lon, c.view_long_change);
    EXPECT_EQ(app.dlat, c.dlat_negated ? -1.5 : 1.5);
    EXPECT_EQ(app.orientation, c.orientation_flipped ? -1 : 1);
}

INSTANTIATE_TEST_SUITE_P(Requests, Fold, testing::ValuesIn(fold_cases),
                         [](const testing::TestParamInfo<FoldCase> &info) {
                             std::string n = info.param.name;
                             for (char &ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

TEST(Fold, SecondRequestWithTheAdjustedOffsetsShowsTheSamePlace)
{
    // Sun mode: the request is the body's position plus the offsets.
    setDefaults();
    app.view_lat = 30;
    app.view_long = 170;
    const double body_lat = 70, body_long = 20;
    setViewPosition(body_lat + app.view_lat, body_long + app.view_long);
    double lat = app.shown_lat, lon = app.shown_long;
    int orientation = app.orientation;
    setViewPosition(body_lat + app.view_lat, body_long + app.view_long);
    EXPECT_DOUBLE_EQ(app.shown_lat, lat);
    EXPECT_DOUBLE_EQ(app.shown_long, lon);
    EXPECT_EQ(app.orientation, orientation);
    EXPECT_EQ(lat, 80);
}

TEST(Zoom, StepsByTheFactorAndStopsAtTheBounds)
{
    setDefaults();
    zoomStep(0);
    EXPECT_DOUBLE_EQ(app.zoom, 1.06);
    zoomStep(1);
    EXPECT_DOUBLE_EQ(app.zoom, 1.0);

    for (int i = 0; i < 400; i++)
        zoomStep(0);
    EXPECT_EQ(app.zoom, 100000);
    zoomStep(0);
    EXPECT_EQ(app.zoom, 100000);

    for (int i = 0; i < 400; i++)
        zoomStep(1);
    EXPECT_EQ(app.zoom, 0.08);
    zoomStep(1);
    EXPECT_EQ(app.zoom, 0.08);
}

TEST(Zoom, InvalidatesTheRasterCacheAndAsksForAPicture)
{
    setDefaults();
    app.geometry_valid = 1;
    app.redraw_needed = 0;
    zoomStep(0);
    EXPECT_EQ(app.geometry_valid, 0);
    EXPECT_EQ(app.redraw_needed, 1);
    EXPECT_EQ(app.random_hold, 0); // only random mode holds the view
}

TEST(Zoom, InRandomModeKeepsTheShownView)
{
    setDefaults();
    app.view_mode = VIEW_RANDOM;
    app.view_lat = 12;
    app.view_long = 34;
    setViewPosition(-20, 100);
    zoomStep(1);
    EXPECT_EQ(app.view_lat, -20);
    EXPECT_EQ(app.view_long, 100);
    EXPECT_EQ(app.random_hold, 1);
}

TEST(Zoom, CameraSeesTheGlobeUnderTheZoomedAngle)
{
    // The tangent from the camera to the sphere makes the angle whose
    // tangent is 32 * zoom pixels over the focal length.
    setDefaults();
    for (double zoom : {0.08, 1.0, 3.7, 1448.125, 100000.0}) {
        app.zoom = zoom;
        updateZoomGeometry();
        double tangent = app.sphere_radius / std::sqrt(app.camera_tangent_sq);
        EXPECT_NEAR(tangent / (32 * zoom / app.focal_length), 1, 1e-9) << zoom;
    }
}

struct DragCase {
    const char *what;
    int x, y, with_latitude, orientation;
    double shown_lat;
    double lat_change, long_change;
};

const DragCase drag_cases[] = {
    {"centre pixel nudges east", 32, 32, 0, 1, 0, 0, 0.25},
    {"centre pixel south up nudges west", 32, 32, 0, -1, 0, 0, -0.25},
    {"latitude ignored without shift", 32, 10, 0, 1, 0, 0, 0.25},
    {"pointer above raises latitude", 32, 10, 1, 1, 0, 10.75, 0.25},
    {"pointer above south up lowers it", 32, 10, 1, -1, 0, -10.75, -0.25},
    {"left at latitude 60", 0, 32, 0, 1, 60, 0, -31.5 * std::cos(60 * 3.141592653 / 180) * 0.5},
    // dy = 0.5 moves south; |sin 60 * 10.5| adds to that step.
    {"sideways near a pole", 42, 32, 1, 1, 60, (-0.5 - std::sin(60 * 3.141592653 / 180) * 10.5) * 0.5,
     10.5 * std::cos(60 * 3.141592653 / 180) * 0.5},
};

TEST(Drag, MovesTheViewTowardsThePointer)
{
    for (const DragCase &c : drag_cases) {
        setDefaults();
        app.orientation = c.orientation;
        app.view_mode = VIEW_MOVE;
        app.view_lat = 5;
        app.view_long = 7;
        app.shown_lat = c.shown_lat;
        app.shown_lat_rad = c.shown_lat * PI / 180;
        app.redraw_needed = 0;
        dragView(c.x, c.y, c.with_latitude);
        EXPECT_NEAR(app.view_lat - 5, c.lat_change, 1e-12) << c.what;
        EXPECT_NEAR(app.view_long - 7, c.long_change, 1e-12) << c.what;
        EXPECT_EQ(app.redraw_needed, 1) << c.what;
        EXPECT_EQ(app.random_hold, 0) << c.what;
    }
}

TEST(Drag, ScalesWithTheZoom)
{
    setDefaults();
    app.zoom = 4;
    dragView(40, 32, 0);
    EXPECT_DOUBLE_EQ(app.view_long, 8.5 / 4 * 0.5);
}

TEST(Drag, InRandomModeStartsFromTheShownView)
{
    setDefaults();
    app.view_mode = VIEW_RANDOM;
    app.view_lat = 50;
    app.view_long = 60;
    setViewPosition(10, -20);
    dragView(32, 32, 1);
    // dy = 0.5: a step south, widened by |sin 10 * 0.5|.
    double sin10 = std::sin(10 * PI / 180), cos10 = std::cos(10 * PI / 180);
    EXPECT_DOUBLE_EQ(app.view_lat, 10 + (-0.5 - sin10 * 0.5) * 0.5);
    EXPECT_DOUBLE_EQ(app.view_long, -20 + cos10 * 0.5 * 0.5);
    EXPECT_EQ(app.random_hold, 1);
}

} // namespace

namespace {

TEST(Fold, FarOutRequestsEndInRange)
{
    // Turn-by-turn reduction would never end for these.
    const std::pair<double, double> requests[] = {
        {1e20, 0}, {-1e20, 0}, {0, 1e20}, {0, -1e300}, {1e300, 1e300}, {-3.6e10 - 5, 3.6e12 + 10}};
    for (auto [lat, lon] : requests) {
        setDefaults();
        app.view_lat = lat;
        app.view_long = lon;
        setViewPosition(lat, lon);
        EXPECT_GE(app.shown_lat, -90) << lat << "," << lon;
        EXPECT_LE(app.shown_lat, 90) << lat << "," << lon;
        EXPECT_GT(app.shown_long, -180) << lat << "," << lon;
        EXPECT_LE(app.shown_long, 180) << lat << "," << lon;
        EXPECT_LT(std::fabs(app.view_lat), 720);
        EXPECT_LT(std::fabs(app.view_long), 720);
    }
    // Whole turns go exactly.
    setDefaults();
    setViewPosition(-3.6e10 - 5, 3.6e12 + 10);
    EXPECT_EQ(app.shown_lat, -5);
    EXPECT_EQ(app.shown_long, 10);
}

} // namespace
