// Text layout of the 6 x 10 font and the cells of the large position digits.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "text.h"

namespace {

constexpr int B = 10;  // blank digit cell
constexpr int M = 11;  // minus
constexpr int NB = 12; // narrow blank
constexpr int NM = 13; // narrow minus

std::vector<int> rectsAt(double lat, double lon, int first, int last)
{
    std::vector<int> rects;
    for (const auto &cell : positionCells(lat, lon))
        if (cell.position >= first && cell.position <= last)
            rects.push_back(cell.rect);
    return rects;
}

std::vector<int> latitudeCells(double lat)
{
    return rectsAt(lat, 50, 1, 5);
}

std::vector<int> longitudeCells(double lon)
{
    return rectsAt(10, lon, 6, 11);
}

} // namespace

TEST(GlyphOffset, MapsEachCharacterToItsFontCell)
{
    struct Case {
        unsigned char c;
        int offset;
    };
    const Case cases[] = {
        {'0', 0},    {'7', 42},   {'9', 54},   {'+', 60},   {'A', 66},   {'M', 138},  {'Z', 216},
        {'a', 66},   {'z', 216},  {' ', 222},  {';', 222},  {'$', 222},  {'^', 222},  {'_', 222},
        {'`', 222},  {'\t', 222}, {0x7F, 222}, {':', 228},  {'/', 234},  {'!', 240},  {'*', 246},
        {'-', 252},  {'.', 258},  {'=', 264},  {'#', 270},  {'<', 276},  {'>', 282},  {'"', 294},
        {'\'', 300}, {',', 306},  {'@', 312},  {'(', 318},  {')', 324},  {'&', 330},  {'~', 336},
        {'{', 354},  {'}', 360},  {'[', 366},  {']', 372},  {'\\', 378}, {'|', 384},  {'?', 390},
        {'%', 396},  {0xB0, 288}, {0xA3, 342}, {0xB5, 348}, {0xE9, 222}, {0xE0, 222}, {0xC9, 222},
        {0x80, 222}, {0xFF, 222},
    };
    for (const auto &c : cases)
        EXPECT_EQ(glyphOffset(c.c), c.offset) << "byte " << int(c.c);
}

TEST(GlyphOffset, EveryByteNamesAWholeCellBeforeTheUnusedTail)
{
    for (int c = 0; c < 256; c++) {
        int offset = glyphOffset(static_cast<unsigned char>(c));
        EXPECT_EQ(offset % 6, 0) << c;
        EXPECT_GE(offset, 0) << c;
        EXPECT_LT(offset, 402) << c;
    }
}

TEST(LayoutText, PlacesGlyphsSixPixelsApartFromX)
{
    auto glyphs = layoutText("abc", 2);
    ASSERT_EQ(glyphs.size(), 3u);
    EXPECT_EQ(glyphs[0].x, 2);
    EXPECT_EQ(glyphs[1].x, 8);
    EXPECT_EQ(glyphs[2].x, 14);
    EXPECT_EQ(glyphs[0].source_x, 66);
    EXPECT_EQ(glyphs[1].source_x, 72);
    EXPECT_EQ(glyphs[2].source_x, 78);
}

TEST(LayoutText, StopsBeforeAGlyphWouldStartAtSixty)
{
    struct Case {
        const char *text;
        int x;
        size_t glyphs;
    };
    const Case cases[] = {
        {"abcdefghijkl", 2, 10}, // the 11th would start at 62
        {"abcdefghijkl", 0, 10}, // the 11th would start at 60
        {"abcdefghijkl", 1, 10},
        {"abcdefghijkl", 3, 10},
        {"abcdefghijkl", 5, 10},
        {"abcdefghijkl", 6, 9},
        {"xy", 59, 1},
        {"xy", 53, 2},
        {"xy", 54, 1},
        {"xy", 60, 0},
        {"xy", 1000, 0},
        {"", 2, 0},
        {"abcdefghijkl", -4, 11}, // glyphs left of the tile are clipped, not skipped
    };
    for (const auto &c : cases) {
        auto glyphs = layoutText(c.text, c.x);
        EXPECT_EQ(glyphs.size(), c.glyphs) << '"' << c.text << "\" at " << c.x;
        for (const auto &g : glyphs)
            EXPECT_LT(g.x, 60);
    }
}

TEST(LayoutText, DegreeSignAndLatinBytesKeepTheirCells)
{
    auto glyphs = layoutText("1\xB0" "30'\xE9\xA3\xB5", 2);
    std::vector<int> offsets;
    for (const auto &g : glyphs)
        offsets.push_back(g.source_x);
    EXPECT_EQ(offsets, (std::vector<int>{6, 288, 18, 0, 300, 222, 342, 348}));
}

TEST(CenteredTextX, CentresOnTheTenGlyphLine)
{
    const int expected[] = {32, 26, 26, 20, 20, 14, 14, 8, 8, 2, 2, 2, 2};
    for (int n = 0; n <= 12; n++)
        EXPECT_EQ(centeredTextX(n), expected[n]) << n;
}

TEST(PositionCells, DrawsElevenCellsInOrder)
{
    auto cells = positionCells(48.5, 123.5);
    for (int i = 0; i < 11; i++)
        EXPECT_EQ(cells[i].position, i + 1);
}

TEST(PositionCells, LatitudeReadOuts)
{
    struct Case {
        double lat;
        std::vector<int> cells; // positions 1 to 5
    };
    const Case cases[] = {
        {48.5, {B, 4, 8, 3, 0}},
        {-5.25, {B, M, 5, 1, 5}},
        {-45.25, {M, 4, 5, 1, 5}},
        {0, {B, M, 0, 0, 0}},    // zero is not positive
        {89.999, {B, 8, 9, 5, 9}}, // 59.94 minutes are truncated
        {90, {B, 9, 0, 0, 0}},
        {-90, {M, 9, 0, 0, 0}},
        {9.999, {B, B, 9, 5, 9}},
        {10, {B, 1, 0, 0, 0}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(latitudeCells(c.lat), c.cells) << c.lat;
}

TEST(PositionCells, LongitudeReadOuts)
{
    struct Case {
        double lon;
        std::vector<int> cells; // positions 6 to 11
    };
    const Case cases[] = {
        {123.5, {NB, 1, 2, 3, 3, 0}},
        {-123.5, {NM, 1, 2, 3, 3, 0}},
        {-45.25, {NB, M, 4, 5, 1, 5}},
        {45.25, {NB, B, 4, 5, 1, 5}},
        {7.0, {NB, B, B, 7, 0, 0}},
        {0, {NB, B, M, 0, 0, 0}},
        {-100, {NM, 1, 0, 0, 0, 0}},
        {100, {NB, 1, 0, 0, 0, 0}},
        {-9.99, {NB, B, M, 9, 5, 9}},
        {180, {NB, 1, 8, 0, 0, 0}},
        {-179.99, {NM, 1, 7, 9, 5, 9}},
        {105.5, {NB, 1, 0, 5, 3, 0}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(longitudeCells(c.lon), c.cells) << c.lon;
}

TEST(PositionCells, ValuesOutOfRangeShowTheNearestLimitAndStayInTheTable)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(latitudeCells(140), (std::vector<int>{B, 9, 0, 0, 0}));
    EXPECT_EQ(latitudeCells(-1e300), (std::vector<int>{M, 9, 0, 0, 0}));
    EXPECT_EQ(longitudeCells(1400), (std::vector<int>{NB, 1, 8, 0, 0, 0}));
    EXPECT_EQ(longitudeCells(-5000), (std::vector<int>{NM, 1, 8, 0, 0, 0}));
    EXPECT_EQ(latitudeCells(nan), (std::vector<int>{B, M, 0, 0, 0}));
    EXPECT_EQ(longitudeCells(nan), (std::vector<int>{NB, B, M, 0, 0, 0}));
    for (double v : {inf, -inf, nan, 1e18, -1e18, 99.99999999, 999.9999999})
        for (const auto &cell : positionCells(v, v)) {
            EXPECT_GE(cell.rect, 0) << v;
            EXPECT_LT(cell.rect, 14) << v;
        }
}
