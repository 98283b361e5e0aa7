// The images, shape masks and tables built into the program.
#pragma once

// XPM 3 data, one character per pixel.
extern const char *day_map_xpm[];
extern const char *night_map_xpm[];
extern const char *latlong_screen_xpm[];
extern const char *text_screen_xpm[];
extern const char *digit_strip_xpm[];
extern const char *font_strip_xpm[];
extern const char *screen_parts_xpm[];

// 64 x 64 shape masks in XBM layout (8 bytes a row, least significant bit leftmost).
extern const unsigned char disc_mask[512];
extern const unsigned char cushion_mask[512];
extern const unsigned char square_mask[512];

// Rectangles (x, y, width, height) of the large digits in digit_strip.
extern const int digit_rects[14][4];
// Destination corners (x, y) of the large digits in the icon pixmap.
extern const int digit_positions[12][2];
