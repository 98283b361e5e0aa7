// The sub-lunar point.
#pragma once

#include <cstdint>

// Sub-lunar latitude and longitude (radians, east positive) at Unix time t.
void moonPosition(int64_t t, double *latitude, double *longitude);

// Angle along the ecliptic from the ascending node for argument of latitude u
// (radians); a cosine of u below 1e-12 is taken as y * PI / 2 instead of atan2.
double moonNodeAngle(double u);

// The Moon's geocentric ecliptic longitude and latitude (radians) at Unix time t.
void moonEcliptic(int64_t t, double *lambda, double *beta);
