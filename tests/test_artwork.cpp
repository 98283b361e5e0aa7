// The built-in images, shapes and digit tables, read back pixel by pixel:
// the sizes and colour tables, and every region that drawing code copies
// by coordinate.
#include <gtest/gtest.h>

#include <X11/xpm.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "artwork.h"

namespace {

// An XPM image with its pixels as colour values ("None" or "#RRGGBB").
struct Image {
    int width = 0, height = 0;
    std::vector<std::string> colours; // the table in order
    std::vector<std::string> rows;    // one character per pixel
    std::map<char, std::string> colour_of;

    const std::string &at(int x, int y) const { return colour_of.at(rows.at(y).at(x)); }
};

// Reads the header, the colour table and the rows, failing the test on any
// deviation from one-character-per-pixel XPM 3 data.
Image parse(const char *const *data)
{
    Image img;
    std::istringstream header(data[0]);
    int ncolours = 0, cpp = 0;
    header >> img.width >> img.height >> ncolours >> cpp;
    EXPECT_EQ(cpp, 1);
    for (int i = 0; i < ncolours; i++) {
        std::string line = data[1 + i];
        std::istringstream rest(line.substr(1));
        std::string key, value;
        rest >> key >> value;
        EXPECT_EQ(key, "c") << line;
        EXPECT_EQ(img.colour_of.count(line[0]), 0u) << "character used twice: " << line;
        img.colours.push_back(value);
        img.colour_of[line[0]] = value;
    }
    for (int y = 0; y < img.height; y++) {
        std::string row = data[1 + ncolours + y];
        EXPECT_EQ(static_cast<int>(row.size()), img.width) << "row " << y;
        for (char ch : row)
            EXPECT_EQ(img.colour_of.count(ch), 1u) << "row " << y << " uses '" << ch << "'";
        img.rows.push_back(row);
    }
    return img;
}

const std::string NONE = "None", BLACK = "#000000", OLIVE = "#CCCC6E", WHITE = "#FFFFFF",
                  GREY = "#CCCCCC", PALE = "#F7F3FF";

struct Rect {
    int x, y, w, h;
};

// How many pixels of the rectangle have the colour.
int count(const Image &img, Rect r, const std::string &colour)
{
    int n = 0;
    for (int y = r.y; y < r.y + r.h; y++)
        for (int x = r.x; x < r.x + r.w; x++)
            n += img.at(x, y) == colour;
    return n;
}

// The smallest rectangle holding every pixel of the colour inside r
// ({0, 0, 0, 0} when there is none).
Rect bounds(const Image &img, Rect r, const std::string &colour)
{
    int x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1;
    for (int y = r.y; y < r.y + r.h; y++)
        for (int x = r.x; x < r.x + r.w; x++)
            if (img.at(x, y) == colour) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    if (x1 < 0)
        return {0, 0, 0, 0};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

void expectRect(Rect got, Rect want, const std::string &what)
{
    EXPECT_EQ(got.x, want.x) << what;
    EXPECT_EQ(got.y, want.y) << what;
    EXPECT_EQ(got.w, want.w) << what;
    EXPECT_EQ(got.h, want.h) << what;
}

// Pixel-for-pixel equality of a piece of one image and a piece of another.
bool samePixels(const Image &a, int ax, int ay, const Image &b, int bx, int by, int w, int h)
{
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            if (a.at(ax + x, ay + y) != b.at(bx + x, by + y))
                return false;
    return true;
}

struct Named {
    const char *name;
    const char *const *data;
};

const Named all_images[] = {
    {"day_map", day_map_xpm},           {"night_map", night_map_xpm},
    {"latlong_screen", latlong_screen_xpm}, {"text_screen", text_screen_xpm},
    {"digit_strip", digit_strip_xpm},   {"font_strip", font_strip_xpm},
    {"screen_parts", screen_parts_xpm},
};

// --- sizes and colour tables -----------------------------------------------

TEST(ArtworkImages, HaveTheirSizesAndColourCounts)
{
    struct Case {
        const char *const *data;
        int width, height, colours;
    };
    const Case cases[] = {
        {day_map_xpm, 360, 180, 64},        {night_map_xpm, 360, 180, 32},
        {latlong_screen_xpm, 64, 64, 6},    {text_screen_xpm, 64, 64, 5},
        {digit_strip_xpm, 120, 13, 3},      {font_strip_xpm, 434, 10, 3},
        {screen_parts_xpm, 64, 64, 6},
    };
    for (const auto &c : cases) {
        Image img = parse(c.data);
        EXPECT_EQ(img.width, c.width);
        EXPECT_EQ(img.height, c.height);
        EXPECT_EQ(static_cast<int>(img.colours.size()), c.colours);
        EXPECT_EQ(img.colours.at(0), NONE) << "the first entry is None";
    }
}

TEST(ArtworkImages, ScreenAndFontColourTablesAreInOrder)
{
    const std::vector<std::string> screen = {NONE, BLACK, OLIVE, WHITE, GREY, PALE};
    const std::vector<std::string> text = {NONE, BLACK, WHITE, GREY, PALE};
    const std::vector<std::string> glyphs = {NONE, BLACK, OLIVE};
    EXPECT_EQ(parse(latlong_screen_xpm).colours, screen);
    EXPECT_EQ(parse(text_screen_xpm).colours, text);
    EXPECT_EQ(parse(screen_parts_xpm).colours, screen);
    EXPECT_EQ(parse(digit_strip_xpm).colours, glyphs);
    EXPECT_EQ(parse(font_strip_xpm).colours, glyphs);
}

TEST(ArtworkImages, MapTablesHoldDistinctRgbColoursAfterNone)
{
    for (const auto *data : {day_map_xpm, night_map_xpm}) {
        Image img = parse(data);
        std::set<std::string> seen;
        for (size_t i = 1; i < img.colours.size(); i++) {
            const std::string &c = img.colours[i];
            EXPECT_EQ(c.size(), 7u) << c;
            EXPECT_EQ(c[0], '#') << c;
            EXPECT_EQ(c.find_first_not_of("0123456789ABCDEF", 1), std::string::npos) << c;
            EXPECT_TRUE(seen.insert(c).second) << c << " twice";
        }
    }
}

TEST(ArtworkImages, OpaqueImagesUseNoNonePixel)
{
    for (const auto *data : {day_map_xpm, night_map_xpm, digit_strip_xpm, font_strip_xpm}) {
        Image img = parse(data);
        EXPECT_EQ(count(img, {0, 0, img.width, img.height}, NONE), 0);
    }
}

TEST(ArtworkImages, LibXpmReadsEveryImage)
{
    for (const auto &n : all_images) {
        XpmImage xpm;
        int status = XpmCreateXpmImageFromData(const_cast<char **>(n.data), &xpm, nullptr);
        ASSERT_EQ(status, XpmSuccess) << n.name;
        Image img = parse(n.data);
        EXPECT_EQ(static_cast<int>(xpm.width), img.width) << n.name;
        EXPECT_EQ(static_cast<int>(xpm.height), img.height) << n.name;
        EXPECT_EQ(static_cast<int>(xpm.ncolors), static_cast<int>(img.colours.size())) << n.name;
        EXPECT_STREQ(xpm.colorTable[0].c_color, "None") << n.name;
        XpmFreeXpmImage(&xpm);
    }
}

// --- the maps --------------------------------------------------------------

struct Rgb {
    int r, g, b;
};

Rgb rgb(const std::string &c)
{
    return {std::stoi(c.substr(1, 2), nullptr, 16), std::stoi(c.substr(3, 2), nullptr, 16),
            std::stoi(c.substr(5, 2), nullptr, 16)};
}

double share(const Image &img, const std::string &colour)
{
    return static_cast<double>(count(img, {0, 0, img.width, img.height}, colour)) /
           (img.width * img.height);
}

TEST(ArtworkMaps, DayMapHasItsColoursInEarthlyProportions)
{
    Image day = parse(day_map_xpm);
    EXPECT_NEAR(share(day, "#3A3AFF"), 0.565, 0.04) << "ocean";
    EXPECT_NEAR(share(day, "#F5FDF8"), 0.138, 0.03) << "ice";
    for (const char *c : {"#B5FCF9", "#FAF755", "#F0DD45", "#81BF40", "#69A742", "#B9C155",
                          "#DFC33E"})
        EXPECT_GT(share(day, c), 0.0) << c;
    // The pale cyan lies mostly north of 60 degrees (rows 0 to 29).
    int north = count(day, {0, 0, 360, 30}, "#B5FCF9");
    EXPECT_GT(north, count(day, {0, 0, 360, 180}, "#B5FCF9") / 2);
}

TEST(ArtworkMaps, NightMapIsDarkWithItsOceanAndIce)
{
    Image night = parse(night_map_xpm);
    EXPECT_NEAR(share(night, "#020204"), 0.577, 0.05) << "ocean";
    EXPECT_GT(share(night, "#464543"), 0.05) << "ice";
    for (const char *c : {"#161D14", "#291C17", "#0C0E14", "#1A353C"})
        EXPECT_GT(share(night, c), 0.0) << c;
    for (size_t i = 1; i < night.colours.size(); i++) {
        Rgb c = rgb(night.colours[i]);
        EXPECT_LE(std::max({c.r, c.g, c.b}), 0x50) << night.colours[i] << " is not dark";
    }
}

enum Kind { Ocean, Land, Green, Desert, Ice };


// Column x covers longitudes x - 180 to x - 179, row y latitudes 90 - y to
// 89 - y; the night map has the same ocean and ice cells as the day map.
TEST(ArtworkMaps, PlacesLieWhereTheyBelong)
{
    struct Place {
        const char *name;
        double lat, lon;
        Kind kind;
    };
    const Place places[] = {
        {"Pacific", 0.5, -150.5, Ocean},       {"Atlantic", 30.5, -40.5, Ocean},
        {"Indian Ocean", -20.5, 80.5, Ocean},  {"Sahara", 23.5, 12.5, Desert},
        {"Arabia", 20.5, 48.5, Desert},        {"Amazonia", -5.5, -60.5, Green},
        {"Congo", 0.5, 22.5, Green},           {"Siberia", 62.5, 100.5, Green},
        {"Australia", -25.5, 134.5, Land},     {"Antarctica", -80.5, 0.5, Ice},
        {"Greenland", 72.5, -40.5, Ice},       {"Irish Sea", 52.5, -4.5, Ocean},
        {"Wales", 52.5, -3.5, Land},           {"East Anglia", 52.5, 1.5, Land},
        {"North Sea", 52.5, 2.5, Ocean},       {"Netherlands", 52.5, 5.5, Land},
    };
    Image day = parse(day_map_xpm), night = parse(night_map_xpm);
    for (const auto &p : places) {
        int x = static_cast<int>(p.lon + 180), y = static_cast<int>(90 - p.lat);
        const std::string &d = day.at(x, y), &n = night.at(x, y);
        switch (p.kind) {
        case Ocean:
            EXPECT_EQ(d, "#3A3AFF") << p.name;
            EXPECT_EQ(n, "#020204") << p.name;
            break;
        case Ice:
            EXPECT_EQ(d, "#F5FDF8") << p.name;
            EXPECT_EQ(n, "#464543") << p.name;
            break;
        case Land:
        case Green:
        case Desert:
            for (const char *c : {"#3A3AFF", "#F5FDF8", "#B5FCF9"})
                EXPECT_NE(d, c) << p.name;
            for (const char *c : {"#020204", "#464543", "#1A353C"})
                EXPECT_NE(n, c) << p.name;
            break;
        }
        Rgb c = rgb(d);
        if (p.kind == Green) {
            EXPECT_TRUE(c.g > c.r && c.g > c.b) << p.name << " is green, not " << d;
        }
        if (p.kind == Desert) {
            EXPECT_TRUE(c.r >= 0xC0 && c.g >= 0xB0 && c.b <= 0x60) << p.name << " is yellow, not " << d;
        }
    }
}

// --- the screens -----------------------------------------------------------

constexpr int BUTTON_W = 20, BUTTON_H = 9;

// The three buttons from column x at row y, drawn raised or pressed.
void expectButtonRow(const Image &img, int x0, int y0, bool pressed, const std::string &where)
{
    const std::string &top = pressed ? BLACK : WHITE, &bottom = pressed ? WHITE : BLACK;
    for (int k = 0; k < 3; k++) {
        int x = x0 + BUTTON_W * k;
        std::string what = where + " button " + std::to_string(k);
        EXPECT_EQ(count(img, {x, y0, BUTTON_W, BUTTON_H}, NONE), 0) << what;
        // Edges: all but the corners are the edge colour.
        EXPECT_EQ(count(img, {x + 1, y0, BUTTON_W - 2, 1}, top), BUTTON_W - 2) << what;
        EXPECT_EQ(count(img, {x, y0 + 1, 1, BUTTON_H - 2}, top), BUTTON_H - 2) << what;
        EXPECT_EQ(count(img, {x + 1, y0 + BUTTON_H - 1, BUTTON_W - 2, 1}, bottom), BUTTON_W - 2)
            << what;
        EXPECT_EQ(count(img, {x + BUTTON_W - 1, y0 + 1, 1, BUTTON_H - 2}, bottom), BUTTON_H - 2)
            << what;
        // The face is grey around a black symbol.
        Rect face = {x + 1, y0 + 1, BUTTON_W - 2, BUTTON_H - 2};
        EXPECT_EQ(count(img, face, GREY) + count(img, face, BLACK), face.w * face.h) << what;
        EXPECT_GT(count(img, face, GREY), count(img, face, BLACK)) << what;
    }
    // The right button's symbol is a 7 x 3 bar, 6 columns and 3 rows in.
    expectRect(bounds(img, {x0 + 41, y0 + 1, 18, 7}, BLACK), {x0 + 46, y0 + 3, 7, 3},
               where + " bar");
    EXPECT_EQ(count(img, {x0 + 46, y0 + 3, 7, 3}, BLACK), 21) << where << " bar";
    // Double arrows: the tip column holds one pixel, the far side a full
    // stroke; the left button's tip is on its left.
    for (int k = 0; k < 2; k++) {
        Rect box = bounds(img, {x0 + BUTTON_W * k + 1, y0 + 1, 18, 7}, BLACK);
        int tip = k == 0 ? box.x : box.x + box.w - 1;
        int back = k == 0 ? box.x + box.w - 1 : box.x;
        EXPECT_EQ(count(img, {tip, box.y, 1, box.h}, BLACK), 1) << where << " arrow " << k;
        EXPECT_EQ(count(img, {back, box.y, 1, box.h}, BLACK), box.h) << where << " arrow " << k;
    }
}

// Every pixel outside the listed rectangles is None, every pixel inside is
// not.
void expectOnlyRegions(const Image &img, const std::vector<Rect> &regions, const std::string &what)
{
    for (int y = 0; y < img.height; y++)
        for (int x = 0; x < img.width; x++) {
            bool inside = std::any_of(regions.begin(), regions.end(), [&](Rect r) {
                return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
            });
            if (!inside) {
                EXPECT_EQ(img.at(x, y), NONE) << what << " at " << x << "," << y;
            }
        }
}

constexpr Rect RING = {0, 0, 4, 4}; // size of a degree ring

// A black field with the degree ring at (rx, ry), the ring olive and
// nothing else in the field.
void expectField(const Image &img, Rect field, int rx, int ry, const std::string &what)
{
    EXPECT_EQ(count(img, field, BLACK) + count(img, field, OLIVE), field.w * field.h) << what;
    expectRect(bounds(img, field, OLIVE), {rx, ry, RING.w, RING.h}, what + " degree ring");
    // A ring: hollow in the middle.
    EXPECT_EQ(count(img, {rx + 1, ry + 1, 2, 2}, BLACK), 4) << what;
}

TEST(ArtworkScreens, LatlongScreenHasItsLabelsFieldsAndButtons)
{
    Image img = parse(latlong_screen_xpm);
    expectRect(bounds(img, {0, 0, 64, 12}, BLACK), {4, 3, 20, 8}, "LAT");
    expectRect(bounds(img, {0, 25, 64, 11}, BLACK), {4, 27, 29, 8}, "LONG");
    expectField(img, {2, 12, 60, 13}, 37, 13, "latitude field");
    expectField(img, {2, 36, 60, 13}, 37, 37, "longitude field");
    expectButtonRow(img, 2, 52, false, "latlong_screen");
    expectOnlyRegions(img, {{4, 3, 20, 8}, {4, 27, 29, 8}, {2, 12, 60, 13}, {2, 36, 60, 13},
                            {2, 52, 60, 9}},
                      "latlong_screen");
    // The labels are letters, not blocks.
    EXPECT_LT(count(img, {4, 3, 20, 8}, BLACK), 20 * 8 * 3 / 4);
}

TEST(ArtworkScreens, TextScreenHasFourBarsAndTheSameButtonBar)
{
    Image img = parse(text_screen_xpm), latlong = parse(latlong_screen_xpm);
    std::vector<Rect> regions;
    for (int y : {2, 14, 26, 38}) {
        Rect bar = {2, y, 60, 10};
        EXPECT_EQ(count(img, bar, BLACK), 600) << "bar at row " << y;
        regions.push_back(bar);
    }
    regions.push_back({2, 52, 60, 9});
    expectOnlyRegions(img, regions, "text_screen");
    EXPECT_TRUE(samePixels(img, 2, 52, latlong, 2, 52, 60, 9));
}

TEST(ArtworkScreens, ScreenPartsHoldFieldButtonsAndFramedBar)
{
    Image img = parse(screen_parts_xpm), latlong = parse(latlong_screen_xpm);
    // The field, with its ring where the latitude field has it.
    expectField(img, {0, 1, 60, 26}, 35, 2, "screen_parts field");
    EXPECT_TRUE(samePixels(img, 0, 1, latlong, 2, 12, 60, 13));
    expectButtonRow(img, 0, 28, false, "raised");
    expectButtonRow(img, 0, 38, true, "pressed");
    // Pressing changes the edges only.
    for (int k = 0; k < 3; k++)
        EXPECT_TRUE(samePixels(img, 20 * k + 1, 29, img, 20 * k + 1, 39, 18, 7)) << k;
    // The framed bar: dark frame above and left, light below and right.
    EXPECT_EQ(count(img, {0, 48, 62, 1}, BLACK), 62);
    EXPECT_EQ(count(img, {0, 48, 1, 11}, BLACK), 11);
    EXPECT_EQ(count(img, {1, 58, 61, 1}, GREY), 61);
    EXPECT_EQ(count(img, {61, 49, 1, 10}, GREY), 10);
    EXPECT_TRUE(samePixels(img, 1, 49, latlong, 2, 52, 60, 9));
    expectOnlyRegions(img, {{0, 1, 60, 26}, {0, 28, 60, 9}, {0, 38, 60, 9}, {0, 48, 62, 11}},
                      "screen_parts");
}

TEST(ArtworkScreens, EraserIsASixtyByTenBlackPiece)
{
    Image img = parse(screen_parts_xpm);
    EXPECT_EQ(count(img, {0, 15, 60, 10}, BLACK), 600);
}

// A button copied from row 28 (raised) or 38 (pressed) at column 20k goes to
// (2 + 20k, 52) and must cover the background's button exactly; the raised
// one must look the same as the background's.
TEST(ArtworkScreens, ButtonPiecesFitTheBarsOfBothScreens)
{
    Image parts = parse(screen_parts_xpm);
    for (const auto *data : {text_screen_xpm, latlong_screen_xpm}) {
        Image screen = parse(data);
        for (int k = 0; k < 3; k++) {
            int sx = 20 * k, dx = 2 + 20 * k;
            EXPECT_TRUE(samePixels(parts, sx, 28, screen, dx, 52, BUTTON_W, BUTTON_H)) << k;
            EXPECT_EQ(count(parts, {sx, 38, BUTTON_W, BUTTON_H}, NONE), 0) << k;
            EXPECT_EQ(count(screen, {dx, 52, BUTTON_W, BUTTON_H}, NONE), 0) << k;
        }
    }
}

// --- the font --------------------------------------------------------------

struct Cell {
    std::vector<std::string> rows; // '#' for olive, '.' for black
    int lit() const
    {
        int n = 0;
        for (const auto &r : rows)
            n += static_cast<int>(std::count(r.begin(), r.end(), '#'));
        return n;
    }
    int litRows() const
    {
        return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const std::string &r) {
            return r.find('#') != std::string::npos;
        }));
    }
    int litCols() const
    {
        int n = 0;
        for (size_t x = 0; x < rows[0].size(); x++)
            n += std::any_of(rows.begin(), rows.end(), [&](const std::string &r) { return r[x] == '#'; });
        return n;
    }
    int topRow() const
    {
        for (size_t y = 0; y < rows.size(); y++)
            if (rows[y].find('#') != std::string::npos)
                return static_cast<int>(y);
        return -1;
    }
    int bottomRow() const
    {
        for (int y = static_cast<int>(rows.size()) - 1; y >= 0; y--)
            if (rows[y].find('#') != std::string::npos)
                return y;
        return -1;
    }
    // A dark pixel with lit pixels on all four sides: the hole of a ring.
    bool hasRing() const
    {
        for (size_t y = 1; y + 1 < rows.size(); y++)
            for (size_t x = 1; x + 1 < rows[y].size(); x++)
                if (rows[y][x] == '.' && rows[y - 1][x] == '#' && rows[y + 1][x] == '#' &&
                    rows[y][x - 1] == '#' && rows[y][x + 1] == '#')
                    return true;
        return false;
    }
};

Cell cellAt(const Image &img, int x0, int w)
{
    Cell c;
    for (int y = 0; y < img.height; y++) {
        std::string row;
        for (int x = x0; x < x0 + w; x++) {
            EXPECT_TRUE(img.at(x, y) == BLACK || img.at(x, y) == OLIVE) << x << "," << y;
            row += img.at(x, y) == OLIVE ? '#' : '.';
        }
        c.rows.push_back(row);
    }
    return c;
}

// The characters of the font with the x offsets the text code copies them
// from.
std::vector<std::pair<char, int>> fontOffsets()
{
    std::vector<std::pair<char, int>> out;
    for (int d = 0; d < 10; d++)
        out.push_back({static_cast<char>('0' + d), 6 * d});
    out.push_back({'+', 60});
    for (int i = 0; i < 26; i++)
        out.push_back({static_cast<char>('A' + i), 66 + 6 * i});
    const std::pair<char, int> punctuation[] = {
        {':', 228}, {'/', 234}, {'!', 240}, {'*', 246}, {'-', 252},  {'.', 258}, {'=', 264},
        {'#', 270}, {'<', 276}, {'>', 282}, {'"', 294}, {'\'', 300}, {',', 306}, {'@', 312},
        {'(', 318}, {')', 324}, {'&', 330}, {'~', 336}, {'{', 354},  {'}', 360}, {'[', 366},
        {']', 372}, {'\\', 378}, {'|', 384}, {'?', 390}, {'%', 396},
    };
    out.insert(out.end(), std::begin(punctuation), std::end(punctuation));
    return out;
}

TEST(ArtworkFont, EveryCharacterCellHoldsAGlyphWithinTheCell)
{
    Image img = parse(font_strip_xpm);
    std::map<std::vector<std::string>, char> seen;
    for (auto [ch, x] : fontOffsets()) {
        Cell c = cellAt(img, x, 6);
        EXPECT_GT(c.lit(), 0) << "'" << ch << "' at " << x;
        EXPECT_LE(c.litCols(), 5) << "'" << ch << "'";
        EXPECT_LE(c.litRows(), 8) << "'" << ch << "'";
        // The right-hand column and the top and bottom rows stay dark, so
        // that glyphs set side by side and line under line do not touch.
        for (const auto &r : c.rows)
            EXPECT_EQ(r[5], '.') << "'" << ch << "'";
        EXPECT_EQ(c.rows[0], "......") << "'" << ch << "'";
        EXPECT_EQ(c.rows[9], "......") << "'" << ch << "'";
        auto [it, fresh] = seen.emplace(c.rows, ch);
        EXPECT_TRUE(fresh) << "'" << ch << "' looks like '" << it->second << "'";
    }
}

TEST(ArtworkFont, GlyphsSitAtTheirCharactersOffsets)
{
    // Shapes that tell each of these glyphs from its neighbours in the strip.
    struct Case {
        char ch;
        int x;
        int lit_rows, lit_cols; // 0: not checked
        int top_min, bottom_max;
    };
    const Case cases[] = {
        {'-', 252, 1, 0, 0, 9},  {'=', 264, 2, 0, 0, 9}, {'|', 384, 0, 1, 0, 9},
        {'!', 240, 0, 1, 0, 9},  {'.', 258, 0, 0, 5, 9}, {',', 306, 0, 0, 5, 9},
        {'"', 294, 0, 2, 0, 4},  {'\'', 300, 0, 1, 0, 4}, {'~', 336, 0, 0, 0, 4},
        {'I', 114, 0, 3, 0, 9},
    };
    Image img = parse(font_strip_xpm);
    for (const auto &c : cases) {
        Cell cell = cellAt(img, c.x, 6);
        if (c.lit_rows) {
            EXPECT_EQ(cell.litRows(), c.lit_rows) << "'" << c.ch << "'";
        }
        if (c.lit_cols) {
            EXPECT_EQ(cell.litCols(), c.lit_cols) << "'" << c.ch << "'";
        }
        EXPECT_GE(cell.topRow(), c.top_min) << "'" << c.ch << "'";
        EXPECT_LE(cell.bottomRow(), c.bottom_max) << "'" << c.ch << "'";
    }
    // Letters: L has a full left stroke and a full foot; T a full top bar.
    Cell l = cellAt(img, 66 + 6 * ('L' - 'A'), 6), t = cellAt(img, 66 + 6 * ('T' - 'A'), 6);
    EXPECT_EQ(l.rows[l.bottomRow()].substr(0, 5), "#####");
    EXPECT_EQ(t.rows[t.topRow()].substr(0, 5), "#####");
    EXPECT_EQ(l.rows[t.topRow()][4], '.');
}

TEST(ArtworkFont, SpecialCellsAndBlanks)
{
    Image img = parse(font_strip_xpm);
    Cell degree = cellAt(img, 288, 6), block = cellAt(img, 342, 6), checker = cellAt(img, 348, 6),
         low_ring = cellAt(img, 402, 6);
    EXPECT_TRUE(degree.hasRing());
    EXPECT_LE(degree.bottomRow(), 4) << "the degree sign sits high";
    EXPECT_EQ(block.lit(), 60) << "the block fills the cell";
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 6; x++) {
            if (x > 0) {
                EXPECT_NE(checker.rows[y][x], checker.rows[y][x - 1]) << x << "," << y;
            }
            if (y > 0) {
                EXPECT_NE(checker.rows[y][x], checker.rows[y - 1][x]) << x << "," << y;
            }
        }
    EXPECT_TRUE(low_ring.hasRing());
    EXPECT_GE(low_ring.topRow(), 5) << "the small ring lies in the lower half";
    for (int cell : {37, 68, 69, 70, 71})
        EXPECT_EQ(cellAt(img, 6 * cell, 6).lit(), 0) << "cell " << cell << " is blank";
    EXPECT_EQ(cellAt(img, 432, 2).lit(), 0) << "the two columns after the cells";
}

// --- the large digits ------------------------------------------------------

TEST(ArtworkDigits, CellsHoldDigitsBlankAndMinus)
{
    Image img = parse(digit_strip_xpm);
    std::set<std::vector<std::string>> seen;
    for (int k = 0; k < 10; k++) {
        Cell c = cellAt(img, 10 * k, 10);
        EXPECT_EQ(c.topRow(), 1) << "cell " << k << ": row 0 is dark, the digit starts at 1";
        EXPECT_EQ(c.bottomRow(), k == 8 ? 12 : 11) << "cell " << k << ": only the 9 reaches row 12";
        EXPECT_GE(c.litCols(), 5) << "cell " << k;
        EXPECT_LE(c.litCols(), 7) << "cell " << k;
        EXPECT_TRUE(seen.insert(c.rows).second) << "cell " << k << " repeats another";
    }
    EXPECT_EQ(cellAt(img, 100, 10).lit(), 0) << "the blank cell";
    expectRect(bounds(img, {110, 0, 10, 13}, OLIVE), {114, 5, 5, 2}, "minus bar");
    EXPECT_EQ(count(img, {114, 5, 5, 2}, OLIVE), 10);
}

TEST(ArtworkDigits, RectanglesPickDigitsBlankAndMinus)
{
    const int rects[14][4] = {
        {90, 0, 10, 13}, {0, 0, 10, 13},  {10, 0, 10, 13},  {20, 0, 10, 13},  {30, 0, 10, 13},
        {40, 0, 10, 13}, {50, 0, 10, 13}, {60, 0, 10, 13},  {70, 0, 10, 13},  {80, 0, 10, 13},
        {100, 0, 10, 13}, {110, 0, 10, 13}, {100, 0, 5, 13}, {114, 0, 5, 13},
    };
    for (int i = 0; i < 14; i++)
        for (int j = 0; j < 4; j++)
            EXPECT_EQ(digit_rects[i][j], rects[i][j]) << i << "," << j;
    Image img = parse(digit_strip_xpm);
    // The narrow blank is dark, the narrow minus holds the whole bar.
    EXPECT_EQ(count(img, {100, 0, 5, 13}, OLIVE), 0);
    EXPECT_EQ(count(img, {114, 0, 5, 13}, OLIVE), count(img, {110, 0, 10, 13}, OLIVE));
    // The 9 is the one digit with a pixel in row 12, so entry 9 is the 9.
    EXPECT_GT(count(img, {digit_rects[9][0], 12, 10, 1}, OLIVE), 0);
}

TEST(ArtworkDigits, PositionsLieOnTheFieldsAroundTheDegreeRing)
{
    const int positions[12][2] = {
        {2, 12}, {6, 12}, {16, 12}, {26, 12}, {42, 12}, {52, 12},
        {2, 36}, {6, 36}, {16, 36}, {26, 36}, {42, 36}, {52, 36},
    };
    for (int i = 0; i < 12; i++) {
        EXPECT_EQ(digit_positions[i][0], positions[i][0]) << i;
        EXPECT_EQ(digit_positions[i][1], positions[i][1]) << i;
    }
    // A full cell at each position (after the narrow one) stays on its
    // black field and off the degree ring.
    Image screen = parse(latlong_screen_xpm);
    for (int i : {1, 2, 3, 4, 5, 7, 8, 9, 10, 11}) {
        Rect cell = {digit_positions[i][0], digit_positions[i][1], 10, 13};
        EXPECT_EQ(count(screen, cell, BLACK), 130) << "position " << i;
    }
}

// --- the window shapes -----------------------------------------------------

struct Run {
    int first_row, last_row, first_col, last_col;
};

void expectMask(const unsigned char *bits, const std::vector<Run> &runs, const char *name)
{
    for (int y = 0; y < 64; y++) {
        int first = -1, last = -2;
        for (const auto &r : runs)
            if (y >= r.first_row && y <= r.last_row)
                first = r.first_col, last = r.last_col;
        for (int x = 0; x < 64; x++) {
            bool set = bits[y * 8 + x / 8] & (1 << (x % 8));
            EXPECT_EQ(set, x >= first && x <= last) << name << " row " << y << " column " << x;
        }
    }
}

TEST(ArtworkMasks, EveryRowIsItsRun)
{
    expectMask(disc_mask,
               {{0, 0, 22, 41},   {1, 1, 19, 44},   {2, 2, 17, 46},   {3, 3, 15, 48},
                {4, 4, 14, 49},   {5, 5, 12, 51},   {6, 6, 11, 52},   {7, 7, 10, 53},
                {8, 8, 9, 54},    {9, 9, 8, 55},    {10, 10, 7, 56},  {11, 11, 6, 57},
                {12, 13, 5, 58},  {14, 14, 4, 59},  {15, 16, 3, 60},  {17, 18, 2, 61},
                {19, 19, 2, 62},  {20, 21, 1, 62},  {22, 41, 0, 63},  {42, 43, 1, 62},
                {44, 44, 2, 62},  {45, 46, 2, 61},  {47, 48, 3, 60},  {49, 49, 4, 59},
                {50, 51, 5, 58},  {52, 52, 6, 57},  {53, 53, 7, 56},  {54, 54, 8, 55},
                {55, 55, 9, 54},  {56, 56, 10, 53}, {57, 57, 11, 52}, {58, 58, 12, 51},
                {59, 59, 14, 49}, {60, 60, 15, 48}, {61, 61, 17, 46}, {62, 62, 19, 43},
                {63, 63, 22, 41}},
               "disc_mask");
    expectMask(cushion_mask,
               {{0, 0, 13, 50},  {1, 1, 12, 51},   {2, 2, 11, 52},   {3, 3, 10, 53},
                {4, 9, 4, 59},   {10, 10, 3, 60},  {11, 11, 2, 61},  {12, 12, 1, 62},
                {13, 50, 0, 63}, {51, 51, 1, 62},  {52, 52, 2, 61},  {53, 53, 3, 60},
                {54, 59, 4, 59}, {60, 60, 11, 53}, {61, 61, 12, 52}, {62, 62, 13, 51},
                {63, 63, 14, 50}},
               "cushion_mask");
    expectMask(square_mask, {{4, 59, 4, 59}}, "square_mask");
}

} // namespace
