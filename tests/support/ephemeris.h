// The reference sub-solar and sub-lunar points (tests/data/ephemeris_reference.csv,
// written by tools/ephemeris_reference.py from PyEphem) and the model's
// distance from them. Header-only, so that tools/ can use it too.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "moon.h"
#include "sun.h"

struct EphemerisRow {
    int64_t t;
    double sun_lat, sun_long;    // degrees, east positive
    double moon_lat, moon_long;
};

// How far the model's sub-point lies from the reference one.
struct SubpointError {
    double lat;         // model minus reference, degrees
    double lon;         // model minus reference, wrapped into [-180, 180], degrees
    double distance;    // great-circle distance, degrees
};

inline std::vector<EphemerisRow> loadEphemerisReference(const std::string &path)
{
    std::vector<EphemerisRow> rows;
    FILE *f = fopen(path.c_str(), "r");
    if (!f)
        return rows;
    char line[256];
    while (fgets(line, sizeof line, f)) {
        if (line[0] == '#')
            continue;
        EphemerisRow r;
        long long t;
        if (sscanf(line, "%lld,%lf,%lf,%lf,%lf", &t, &r.sun_lat, &r.sun_long, &r.moon_lat,
                   &r.moon_long) == 5) {
            r.t = t;
            rows.push_back(r);
        }
    }
    fclose(f);
    return rows;
}

// Model (radians) against reference (degrees); the distances use true pi so
// that the comparison itself adds nothing.
inline SubpointError subpointError(double lat_rad, double long_rad, double ref_lat, double ref_long)
{
    const double deg = 180.0 / 3.141592653;     // the model's own conversion
    const double to_rad = 3.14159265358979323846 / 180.0;
    SubpointError e;
    double lat = lat_rad * deg, lon = long_rad * deg;
    e.lat = lat - ref_lat;
    e.lon = std::remainder(lon - ref_long, 360.0);
    double c = std::sin(lat * to_rad) * std::sin(ref_lat * to_rad)
        + std::cos(lat * to_rad) * std::cos(ref_lat * to_rad) * std::cos(e.lon * to_rad);
    e.distance = std::acos(std::fmin(1.0, std::fmax(-1.0, c))) / to_rad;
    return e;
}

inline SubpointError sunError(const EphemerisRow &r)
{
    double lat, lon;
    sunPosition(r.t, &lat, &lon);
    return subpointError(lat, lon, r.sun_lat, r.sun_long);
}

inline SubpointError moonError(const EphemerisRow &r)
{
    double lat, lon;
    moonPosition(r.t, &lat, &lon);
    return subpointError(lat, lon, r.moon_lat, r.moon_long);
}

// The UTC year of Unix time t.
inline int utcYear(int64_t t)
{
    time_t s = static_cast<time_t>(t);
    struct tm f;
    gmtime_r(&s, &f);
    return f.tm_year + 1900;
}
