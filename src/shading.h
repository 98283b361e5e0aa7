// Map sampling and day/night shading.
#pragma once

#include <wraster.h>

#include "state.h"

// Colour of the point at longitude lambda and reversed latitude psi (radians,
// positive south) whose Sun cosine is s.
RColor shadePixel(double lambda, double psi, double s);

// Bilinear sample of `map` at (column + column_fraction/256, row + row_fraction/256),
// left in samples[0]; samples must hold four triples.
void sampleMap(RImage *map, int column, int row, SampleRGB *samples, int column_fraction,
               int row_fraction);
