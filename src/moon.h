// The sub-lunar point.
#pragma once

#include <cstdint>

// Sub-lunar latitude and longitude (radians, east positive) at Unix time t.
void moonPosition(int64_t t, double *latitude, double *longitude);
