#include "moon.h"

#include <cmath>

#include "sun.h"

namespace {

constexpr double TWO_PI = 6.283185306;
constexpr double RADIANS_PER_DEGREE = 0.017453292516666667;

constexpr double SIDEREAL_MONTH = 27.3217;                       // days per turn of mean longitude
constexpr double MEAN_LONGITUDE_AT_EPOCH = 5.556284435706901;
constexpr double ANOMALY_MOTION = 0.1114041;                     // degrees per day
constexpr double PERIGEE_AT_EPOCH = 0.6342598059055985;
constexpr double NODE_MOTION = 0.0529539;                        // degrees per day, regressing
constexpr double NODE_AT_EPOCH = 5.559050066985799;
constexpr double EVECTION = 0.022233749336981665;
constexpr double ANNUAL_EQUATION = 0.0032428217495966663;
constexpr double THIRD_CORRECTION = 0.006457718231166667;
constexpr double EQUATION_OF_CENTRE = 0.10975677532030999;
constexpr double FOURTH_CORRECTION = 0.0037350045985666664;
constexpr double VARIATION = 0.011489502463721666;
constexpr double NODE_CORRECTION = 0.0027925268026666667;
constexpr double COS_INCLINATION = 0.9959703209742129;
constexpr double SIN_INCLINATION = 0.0896834418302696;
constexpr double ATAN2_GUARD = 1e-12;

} // namespace

double moonNodeAngle(double u)
{
    double x = std::cos(u);
    double y = std::sin(u) * COS_INCLINATION;
    if (std::fabs(x) < ATAN2_GUARD)
        return y * 3.141592653 * 0.5;
    return std::atan2(y, x);
}

void moonEcliptic(int64_t t, double *lambda, double *beta)
{
    double D = daysSinceEpoch(t);
    double Ms, lambda_s;
    solarLongitude(D, &Ms, &lambda_s);
    double s = std::sin(Ms);

    // Mean longitude, anomaly and node; fmod keeps the sign of D.
    double l = wrapAngle(std::fmod(D / SIDEREAL_MONTH, 1.0) * TWO_PI + MEAN_LONGITUDE_AT_EPOCH);
    double Mm = wrapAngle(((-ANOMALY_MOTION * D) * RADIANS_PER_DEGREE + l) - PERIGEE_AT_EPOCH);
    double N = wrapAngle((D * -NODE_MOTION) * RADIANS_PER_DEGREE + NODE_AT_EPOCH);

    double ev = std::sin(2 * (l - lambda_s) - Mm) * EVECTION;
    double ae = ANNUAL_EQUATION * s;
    double m1 = (s * -THIRD_CORRECTION + (ev - ae)) + Mm;
    double ec = std::sin(m1) * EQUATION_OF_CENTRE;
    double a4 = std::sin(2 * m1) * FOURTH_CORRECTION;
    double l1 = (a4 + ((ec + ev) - ae)) + l;
    double l2 = std::sin(2 * (l1 - lambda_s)) * VARIATION + l1;
    double n1 = s * -NODE_CORRECTION + N;

    double u = l2 - n1;  // argument of latitude
    *lambda = wrapAngle(moonNodeAngle(u) + n1);
    *beta = std::asin(std::sin(u) * SIN_INCLINATION);
}

void moonPosition(int64_t t, double *latitude, double *longitude)
{
    double lambda, beta;
    moonEcliptic(t, &lambda, &beta);
    eclipticToSubpoint(lambda, beta, t, latitude, longitude);
}
