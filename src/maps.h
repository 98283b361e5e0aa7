// Loading the day and night maps.
#pragma once

#include <wraster.h>

// Loads the maps named by the options (or the built-in ones); ends the process on failure.
void loadMaps(RContext *context);

// Sets the sampler's pixels per radian of the day map, across and down, in 256ths.
void setMapScales();

// Drops the alpha channel of image in place: 1 when it is (now) RGB, 0 otherwise.
int ripalpha(RImage *image);
