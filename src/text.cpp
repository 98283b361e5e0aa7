#include "text.h"

#include <cctype>
#include <cmath>
#include <cstring>

#include "artwork.h"
#include "dock.h"
#include "state.h"

namespace {

constexpr int glyph_width = 6;
constexpr int glyph_height = 10;
constexpr int blank_cell = 222;
// A glyph starting at or right of this x is not drawn.
constexpr int line_end_x = 60;

struct Punctuation {
    unsigned char c;
    short offset;
};

constexpr Punctuation punctuation[] = {
    {':', 228},  {'/', 234},  {'!', 240}, {'*', 246},  {'-', 252}, {'.', 258}, {'=', 264},
    {'#', 270},  {'<', 276},  {'>', 282}, {'"', 294},  {'\'', 300}, {',', 306}, {'@', 312},
    {'(', 318},  {')', 324},  {'&', 330}, {'~', 336},  {'{', 354}, {'}', 360}, {'[', 366},
    {']', 372},  {'\\', 378}, {'|', 384}, {'?', 390},  {'%', 396}, {'+', 60},
    {0xB0, 288}, {0xA3, 342}, {0xB5, 348},
};

constexpr std::array<short, 256> makeGlyphTable()
{
    std::array<short, 256> table{};
    for (auto &cell : table)
        cell = blank_cell;
    for (int d = 0; d < 10; d++)
        table['0' + d] = static_cast<short>(glyph_width * d);
    for (int l = 0; l < 26; l++)
        table['A' + l] = static_cast<short>(66 + glyph_width * l);
    for (const auto &p : punctuation)
        table[p.c] = p.offset;
    return table;
}

constexpr std::array<short, 256> glyph_table = makeGlyphTable();

// Only ASCII is upper-cased, as toupper does in the C locale; the Latin-1
// bytes keep their own cells.
unsigned char upperCased(unsigned char c)
{
    if (static_cast<signed char>(c) >= 0)
        return static_cast<unsigned char>(toupper(c));
    return c;
}

// A digit read-out index, floored and kept to 0..9 so that no table entry
// past the digits is ever taken for one.
int digitIndex(double value)
{
    double d = floor(value);
    if (!(d >= 0))
        return 0;
    if (d > 9)
        return 9;
    return static_cast<int>(d);
}

// The magnitude of an angle kept within what the read-out can show.
double shownMagnitude(double value, double limit)
{
    double a = fabs(value);
    if (std::isnan(a))
        return 0;
    return a > limit ? limit : a;
}

constexpr int rect_blank = 10;
constexpr int rect_minus = 11;
constexpr int rect_narrow_blank = 12;
constexpr int rect_narrow_minus = 13;

int signRect(double value)
{
    return value > 0 ? rect_blank : rect_minus;
}

} // namespace

int glyphOffset(unsigned char c)
{
    if (c == 0xB0)
        return 288;
    return glyph_table[upperCased(c)];
}

std::vector<GlyphPlacement> layoutText(const char *text, int x)
{
    std::vector<GlyphPlacement> glyphs;
    if (x >= line_end_x || !text)
        return glyphs;
    for (size_t i = 0; text[i] != '\0'; i++) {
        int gx = x + glyph_width * static_cast<int>(i);
        if (gx >= line_end_x)
            break;
        glyphs.push_back({gx, glyphOffset(static_cast<unsigned char>(text[i]))});
    }
    return glyphs;
}

void drawText(const char *text, int x, int y)
{
    for (const auto &g : layoutText(text, x))
        XCopyArea(app.display, app.font_strip.pixmap, app.icon_pixmap, app.gc, g.source_x, 0,
                  glyph_width, glyph_height, g.x, y);
}

int centeredTextX(int n)
{
    if (n > 10)
        return 2;
    if (n < 0)
        n = 0;
    return 2 + glyph_width * ((10 - n) / 2);
}

std::array<DigitCell, 11> positionCells(double lat, double lon)
{
    // Latitude: tens, units and truncated minutes of |lat|.
    double a = shownMagnitude(lat, 90);
    int lat_tens = digitIndex(a / 10);
    int lat_units = digitIndex(a - 10 * lat_tens);
    double lat_minutes = (a - 10 * lat_tens - lat_units) * 60;
    int lat_min_tens = digitIndex(lat_minutes / 10);
    int lat_min_units = digitIndex(lat_minutes - 10 * lat_min_tens);

    // Longitude: hundreds, tens, units and truncated minutes of |long|.
    double b = shownMagnitude(lon, 180);
    int hundreds = digitIndex(b / 100);
    double rest = b - 100 * hundreds;
    int lon_tens = digitIndex(rest / 10);
    int lon_units = digitIndex(rest - 10 * lon_tens);
    double lon_minutes = (rest - 10 * lon_tens - lon_units) * 60;
    int lon_min_tens = digitIndex(lon_minutes / 10);
    int lon_min_units = digitIndex(lon_minutes - 10 * lon_min_tens);

    int lat_sign = signRect(lat);
    int lon_sign = signRect(lon);

    return {{
        {1, lat_tens != 0 ? lat_sign : rect_blank},
        {2, lat_tens != 0 ? lat_tens : lat_sign},
        {3, lat_units},
        {4, lat_min_tens},
        {5, lat_min_units},
        {6, !(lon > 0) && hundreds > 0 ? rect_narrow_minus : rect_narrow_blank},
        {7, hundreds == 0 && lon_tens == 0 ? rect_blank : hundreds > 0 ? hundreds : lon_sign},
        {8, hundreds == 0 && lon_tens == 0 ? lon_sign : lon_tens},
        {9, lon_units},
        {10, lon_min_tens},
        {11, lon_min_units},
    }};
}

void drawPosition(double lat, double lon)
{
    // The narrow sign cell and the hundreds cell share column 6; the later
    // copy wins.
    for (const auto &cell : positionCells(lat, lon)) {
        const int *r = digit_rects[cell.rect];
        const int *p = digit_positions[cell.position];
        XCopyArea(app.display, app.digit_strip.pixmap, app.icon_pixmap, app.gc, r[0], r[1], r[2], r[3],
                  p[0], p[1]);
    }
    copyToWindows(0, 0, 64, 64);
}
