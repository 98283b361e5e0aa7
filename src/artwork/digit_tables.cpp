// Where the large digits lie in digit_strip and where they go on the
// position screen.
#include "artwork.h"

// The strip holds 1 to 9, then 0, a blank and a minus sign, 10 pixels
// apart; entry d is the digit d, 10 the blank, 11 the minus, 12 the left
// half of the blank and 13 the bar of the minus.
const int digit_rects[14][4] = {
    {90, 0, 10, 13},
    {0, 0, 10, 13},
    {10, 0, 10, 13},
    {20, 0, 10, 13},
    {30, 0, 10, 13},
    {40, 0, 10, 13},
    {50, 0, 10, 13},
    {60, 0, 10, 13},
    {70, 0, 10, 13},
    {80, 0, 10, 13},
    {100, 0, 10, 13},
    {110, 0, 10, 13},
    {100, 0, 5, 13},
    {114, 0, 5, 13},
};

// Top-left corners of the digit cells on the latitude field (0 to 5) and
// the longitude field (6 to 11).
const int digit_positions[12][2] = {
    {2, 12}, {6, 12}, {16, 12}, {26, 12}, {42, 12}, {52, 12},
    {2, 36}, {6, 36}, {16, 36}, {26, 36}, {42, 36}, {52, 36},
};
