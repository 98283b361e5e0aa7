// The sub-solar point, by a low-precision model of epoch 1990.0.
#pragma once

#include <cstdint>

// Sub-solar latitude and longitude (radians, east positive) at Unix time t.
void sunPosition(int64_t t, double *latitude, double *longitude);

// Mean anomaly M in [0, 2 PI) and ecliptic longitude of the Sun for day count D.
void solarLongitude(double D, double *M, double *lambda);

// Greenwich sidereal time in hours, within [0, 24).
double siderealHours(int64_t t);

// Sub-point of a body at ecliptic longitude lambda and latitude beta (radians) at time t.
void eclipticToSubpoint(double lambda, double beta, int64_t t, double *latitude, double *longitude);

// x reduced into [-PI, PI] by whole turns.
double wrapAngle(double x);

// Days (fractional) from 1990 January 0.0 UT to Unix time t; negative before.
double daysSinceEpoch(int64_t t);

// Day number J of a UTC date (year since 1900, month 0 to 11, day of month);
// J + 1720994.5 is the Julian date of its 0h UT.
int64_t dayNumber(int year, int month, int day);
