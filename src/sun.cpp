#include "sun.h"

#include <cmath>
#include <ctime>

namespace {

constexpr int64_t EPOCH_1990 = 631065600;           // 1990 January 0.0 UT
constexpr double DAYS_PER_SECOND = 1.1574074074074073e-05;
constexpr double TWO_PI = 6.283185306;
constexpr double HALF_TURN = 3.141592653;

constexpr double SUN_MEAN_MOTION = 0.017202791629294546;  // rad/day, one tropical year per turn
constexpr double SUN_LONGITUDE_AT_EPOCH = 4.876507577381849;
constexpr double SUN_PERIGEE_LONGITUDE = 4.935239983642242;
constexpr double ECCENTRICITY = 0.016713;
constexpr double ANOMALY_RATIO = 1.016855026112798;  // sqrt((1 + e) / (1 - e))
constexpr double KEPLER_TOLERANCE = 1e-10;
constexpr double COS_OBLIQUITY = 0.9174730304147433;
constexpr double SIN_OBLIQUITY = 0.39779798700042157;
constexpr double RADIANS_PER_HOUR = 0.26179938775;

// Beyond this many radians the turn-by-turn reduction would take too long
// (or, far out, stop making progress at all), so whole turns go first.
constexpr double LONG_REDUCTION = 1e5 * TWO_PI;

} // namespace

double daysSinceEpoch(int64_t t)
{
    int64_t seconds;
    if (__builtin_sub_overflow(t, EPOCH_1990, &seconds))
        return (static_cast<double>(t) - static_cast<double>(EPOCH_1990)) * DAYS_PER_SECOND;
    return static_cast<double>(seconds) * DAYS_PER_SECOND;
}

double wrapAngle(double x)
{
    if (std::fabs(x) > LONG_REDUCTION)
        x = std::fmod(x, TWO_PI);
    if (x < -HALF_TURN) {
        while (x < -HALF_TURN)
            x += TWO_PI;
    } else if (x > HALF_TURN) {
        while (x > HALF_TURN)
            x -= TWO_PI;
    }
    return x;
}

void solarLongitude(double D, double *M, double *lambda)
{
    double n = std::fmod(D * SUN_MEAN_MOTION, TWO_PI);
    if (n < 0)
        n += TWO_PI;
    double m = (n + SUN_LONGITUDE_AT_EPOCH) - SUN_PERIGEE_LONGITUDE;
    if (m < 0)
        m += TWO_PI;

    // Kepler's equation E - e sin E = M by Newton's method.
    double e = m;
    double r = e - ECCENTRICITY * std::sin(e) - m;
    while (std::fabs(r) > KEPLER_TOLERANCE) {
        e = e - r / (1 - ECCENTRICITY * std::cos(e));
        r = e - ECCENTRICITY * std::sin(e) - m;
    }

    double nu = 2 * std::atan(ANOMALY_RATIO * std::tan(e / 2));
    *M = m;
    *lambda = nu + SUN_PERIGEE_LONGITUDE;
}

int64_t dayNumber(int year, int month, int day)
{
    // January and February count as months 13 and 14 of the year before.
    int64_t y = static_cast<int64_t>(year) + 1900;
    int64_t m = month + 1;
    if (month == 0 || month == 1) {
        y = static_cast<int64_t>(year) + 1900 - 1;
        m = month + 13;
    }
    // 64-bit so that years far beyond a few million do not overflow.
    return 2 - y / 100 + y / 400 + static_cast<int64_t>(std::trunc(365.25 * static_cast<double>(y)))
        + static_cast<int64_t>(std::trunc(30.6001 * static_cast<double>(m + 1))) + day;
}

double siderealHours(int64_t t)
{
    time_t seconds = static_cast<time_t>(t);
    struct tm fields;
    // A time whose year does not fit the C library's calendar has no date to
    // count from; the sidereal time is then taken as 0 hours.
    if (!gmtime_r(&seconds, &fields))
        return 0.0;

    double jd0 = static_cast<double>(dayNumber(fields.tm_year, fields.tm_mon, fields.tm_mday)) + 1720994.5;
    double T = (jd0 - 2451545.0) / 36525.0;
    double t0 = 6.697374558 + 2400.051336 * T + 0.000025862 * (T * T);
    t0 = std::fmod(t0, 24);
    if (t0 < 0)
        t0 += 24;

    double ut = (fields.tm_sec / 60.0 + fields.tm_min) / 60.0 + fields.tm_hour;
    double g = std::fmod(ut * 1.002737909 + t0, 24);
    if (g < 0)
        g += 24;
    return g;
}

void eclipticToSubpoint(double lambda, double beta, int64_t t, double *latitude, double *longitude)
{
    double sin_lambda = std::sin(lambda);
    double alpha = std::atan2(COS_OBLIQUITY * sin_lambda - SIN_OBLIQUITY * std::tan(beta), std::cos(lambda));
    *longitude = wrapAngle(alpha - siderealHours(t) * RADIANS_PER_HOUR);
    *latitude = std::asin(SIN_OBLIQUITY * std::cos(beta) * sin_lambda + COS_OBLIQUITY * std::sin(beta));
}

void sunPosition(int64_t t, double *latitude, double *longitude)
{
    double M, lambda;
    solarLongitude(daysSinceEpoch(t), &M, &lambda);
    eclipticToSubpoint(lambda, 0, t, latitude, longitude);
}
