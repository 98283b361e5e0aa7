// The 6 x 10 bitmap font and the large latitude/longitude digits.
#pragma once

#include <array>
#include <vector>

// The x of the first glyph cell in font_strip that shows byte `c` after
// upper-casing.
int glyphOffset(unsigned char c);

// One glyph of a text line: where it goes and which font cell it is.
struct GlyphPlacement {
    int x;        // destination x in the icon pixmap
    int source_x; // x of the 6 x 10 cell in font_strip
};

// The glyphs that drawText puts down for `text` starting at x: at most those
// that start left of x = 60.
std::vector<GlyphPlacement> layoutText(const char *text, int x);

// Draws a line of text into the icon pixmap with its first glyph's corner at
// (x, y); the caller shows it.
void drawText(const char *text, int x, int y);

// The x that centres a value of n characters on a 10-glyph value line.
int centeredTextX(int n);

// One digit cell of the position read-out: the digit_rects entry copied to
// the digit_positions corner.
struct DigitCell {
    int position;
    int rect;
};

// The 11 cells that show (lat, long) in degrees, in drawing order.
std::array<DigitCell, 11> positionCells(double lat, double lon);

// Draws the latitude and longitude digits and shows the whole tile.
void drawPosition(double lat, double lon);
