// Map sampling in 1/256 pixel and the day/night mix.
#include <gtest/gtest.h>

#include <cmath>

#include "globe_scene.h"
#include "shading.h"
#include "state.h"

namespace {

constexpr double HALF_PI = 1.5707963265;

Rgb rgb(RColor c)
{
    EXPECT_EQ(c.alpha, 255);
    return {c.red, c.green, c.blue};
}

Rgb sample(RImage *map, int column, int row, int fx, int fy)
{
    SampleRGB s[4];
    sampleMap(map, column, row, s, fx, fy);
    return {s[0].r, s[0].g, s[0].b};
}

// Day map only, 360 x 180 like the built-in maps.
void useMaps(RImage *day, RImage *night = nullptr)
{
    Scene scene;
    scene.day_map = day;
    scene.night_map = night;
    setUpScene(scene);
}

TEST(Sampler, RoundsEachStepTowardsMinusInfinity)
{
    RImage *down = makeFlatMap(2, 1, {10, 10, 10});
    down->data[3] = 9;
    RImage *up = makeFlatMap(2, 1, {9, 9, 9});
    up->data[3] = 10;
    EXPECT_EQ(sample(down, 0, 0, 128, 0)[0], 9); // -128 >> 8 is -1
    EXPECT_EQ(sample(up, 0, 0, 128, 0)[0], 9);   // 128 >> 8 is 0
    RReleaseImage(down);
    RReleaseImage(up);
}

TEST(Sampler, BlendsHorizontallyFirstThenVertically)
{
    // Corners 0, 100 (top) and 50, 250 (bottom): top 75, bottom 200, then 75 + 125 * 3/4.
    RImage *map = makeFlatMap(2, 2, {0, 0, 0});
    map->data[3] = 100;
    map->data[6] = 50;
    map->data[9] = 250;
    EXPECT_EQ(sample(map, 0, 0, 192, 192)[0], 75 + (125 * 192 >> 8));
    RReleaseImage(map);
}

TEST(Sampler, LastColumnAndRowWrapToTheFirst)
{
    RImage *map = makeNoiseMap(5, 4, 3);
    for (int channel = 0; channel < 3; channel++) {
        int s0 = mapPixel(map, 4, 3)[channel], s1 = mapPixel(map, 0, 3)[channel];
        int s2 = mapPixel(map, 4, 0)[channel], s3 = mapPixel(map, 0, 0)[channel];
        int top = s0 + (((s1 - s0) * 100) >> 8);
        int bottom = s2 + (((s3 - s2) * 100) >> 8);
        EXPECT_EQ(sample(map, 4, 3, 100, 200)[channel], top + (((bottom - top) * 200) >> 8));
    }
    // Positions past the edge wrap whole turns; so do ones before it.
    EXPECT_EQ(sample(map, 5 + 2, 4 * 3 + 1, 0, 0), mapPixel(map, 2, 1));
    EXPECT_EQ(sample(map, -1, -4, 0, 0), mapPixel(map, 4, 0));
    RReleaseImage(map);
}

TEST(MapPosition, GreenwichOnTheEquatorFallsInsideColumn179Row89)
{
    // X = 46077 and Y = 23038 in 1/256 pixel.
    useMaps(makeNoiseMap(360, 180, 1));
    EXPECT_EQ(app.map_x_scale, 14667);
    EXPECT_EQ(app.map_y_scale, 14667);
    EXPECT_EQ(rgb(shadePixel(0, 0, 1)), sample(app.day_map, 179, 89, 253, 254));
}

TEST(MapPosition, DateLineIsTheLeftEdgeAndTheNorthPoleTheTopRow)
{
    useMaps(makeNoiseMap(360, 180, 2));
    EXPECT_EQ(rgb(shadePixel(-3.141592653, -HALF_PI, 1)), mapPixel(app.day_map, 0, 0));
    EXPECT_EQ(rgb(shadePixel(3.141592653, -HALF_PI, 1)), mapPixel(app.day_map, 0, 0));
}

TEST(MapPosition, MirroredLongitudesOfEveryRangeLandOnTheSameMeridian)
{
    // The mirror pixels pass longitudes down to -3 PI and up to 2 PI; a
    // longitude off by whole turns samples the same place.
    useMaps(makeNoiseMap(360, 180, 4));
    for (double lambda : {-2.5, -1.0, 0.3, 1.2, 3.0, 4.5}) {
        RColor base = shadePixel(lambda, 0.2, 1);
        for (double turns : {-2.0, -1.0, 1.0})
            if (lambda + turns * 6.283185306 > -3 * PI && lambda + turns * 6.283185306 <= 2 * PI) {
                RColor other = shadePixel(lambda + turns * 6.283185306, 0.2, 1);
                // The 1/256 fraction may round differently after the turn.
                for (int ch = 0; ch < 3; ch++)
                    EXPECT_NEAR(rgb(other)[ch], rgb(base)[ch], 8) << lambda << " " << turns;
            }
    }
}

TEST(MapPosition, LongitudeJustBelowMinusThreePiWrapsIntoTheMap)
{
    // Near a pole at very high zoom the mirror longitude can fall below the
    // range: -3.5 PI is 90 degrees east, column 270 of 360 (X = -23039).
    useMaps(makeCodedMap(360, 180));
    EXPECT_EQ(rgb(shadePixel(-3.5 * 3.141592653, 0, 1)), sample(app.day_map, 270, 89, 1, 254));
}

struct MixCase {
    const char *what;
    double dawn;
    double s;
    int light_level;
    bool night_map;
    Rgb day, night, expected;
};

const MixCase mix_cases[] = {
    {"full sun shows the day map", 0.9, 1, 64, true, {200, 100, 3}, {10, 20, 30}, {200, 100, 3}},
    {"full sun without night map", 0.9, 1, 64, false, {200, 100, 3}, {}, {200, 100, 3}},
    {"night shows the night map", 0.9, -0.5, 64, true, {200, 100, 3}, {10, 20, 30}, {10, 20, 30}},
    {"terminator is night", 0.9, 0, 64, true, {0, 0, 0}, {100, 100, 100}, {100, 100, 100}},
    // d = 25 just on the day side: 100 * 231 >> 8.
    {"dawn 0.9 starts at 25", 0.9, 1e-9, 64, true, {0, 0, 0}, {100, 100, 100}, {90, 90, 90}},
    // d = floor(256 s): below 1/256 it is still night.
    {"dawn 1 below a 256th is night", 1, 1.0 / 512, 64, true, {0, 0, 0}, {100, 100, 100},
     {100, 100, 100}},
    {"dawn 1 halfway", 1, 0.5, 64, true, {0, 0, 0}, {100, 100, 100}, {50, 50, 50}},
    {"dimmed night", 0.9, -0.2, 64, false, {200, 100, 3}, {}, {50, 25, 0}},
    // (64 * 200 + 192 * (200 * 128 / 256)) >> 8 = 125; blue (192 + 192 * 1) >> 8 = 1.
    {"dimmed dawn", 1, 0.5, 64, false, {200, 100, 3}, {}, {125, 62, 1}},
    {"full light hides the night", 0.9, -1, 256, false, {200, 100, 3}, {}, {200, 100, 3}},
    {"full light at dawn", 0.9, 0.01, 256, false, {200, 100, 3}, {}, {200, 100, 3}},
    {"no light", 0.9, -1, 0, false, {200, 100, 3}, {}, {0, 0, 0}},
};

TEST(Mix, WeighsDayAndNightByTheSunHeight)
{
    for (const MixCase &c : mix_cases) {
        useMaps(makeFlatMap(360, 180, c.day),
                c.night_map ? makeFlatMap(360, 180, c.night) : nullptr);
        app.dawn = c.dawn;
        app.light_level = c.light_level;
        EXPECT_EQ(rgb(shadePixel(0.7, -0.3, c.s)), c.expected) << c.what;
    }
}

TEST(Mix, NightMapSwitchedOffFallsBackToTheDimmedDayMap)
{
    useMaps(makeFlatMap(360, 180, {200, 100, 3}), makeFlatMap(360, 180, {9, 9, 9}));
    app.light_level = 64;
    app.use_night_map = 0;
    EXPECT_EQ(rgb(shadePixel(0.7, -0.3, -0.5)), (Rgb{50, 25, 0}));
}

TEST(Mix, MissingNightImageIsNeverRead)
{
    // A failed rescale can leave the night map gone while the flag is set.
    useMaps(makeFlatMap(360, 180, {200, 100, 3}));
    app.use_night_map = 1;
    app.light_level = 64;
    EXPECT_EQ(rgb(shadePixel(0.7, -0.3, -0.5)), (Rgb{50, 25, 0}));
}

TEST(Mix, NightSamplesTheSamePositionAsDay)
{
    RImage *day = makeNoiseMap(360, 180, 5);
    RImage *night = makeNoiseMap(360, 180, 6);
    useMaps(day, night);
    app.dawn = 1;
    Rgb day_sample = rgb(shadePixel(1.0, 0.4, 1));
    Rgb night_sample = rgb(shadePixel(1.0, 0.4, -0.5));
    // d = 128 at dawn 1 and s = 0.5: an even mix of the two samples.
    Rgb mixed = rgb(shadePixel(1.0, 0.4, 0.5));
    for (int ch = 0; ch < 3; ch++)
        EXPECT_EQ(mixed[ch], (night_sample[ch] * 128 + day_sample[ch] * 128) >> 8);
}

} // namespace
