#include "raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "markers.h"
#include "shading.h"
#include "state.h"

namespace {

constexpr double HALF_PI = 1.5707963265;

// The view's rotation, from camera axes into earth-fixed axes, and the Sun.
// The products of two view terms are formed once per frame; each is the
// same product the per-pixel expression would form first.
struct ViewTerms {
    double sL, cL, sB, cB;
    double sL_sB, sL_cB, cL_sB, cL_cB;
    double sun_x, sun_y, sun_z;
};

ViewTerms viewTerms(double sL, double cL, double sB, double cB)
{
    return {sL, cL, sB, cB, sL * sB, sL * cB, cL * sB, cL * cB,
            app.sun_vector[0], app.sun_vector[1], app.sun_vector[2]};
}

// Half-width of the disc in row y, measured from column 32. The product is
// formed in 64 bits: from a disc radius of 46341 pixels it no longer fits 32.
int64_t rowHalfWidth(int64_t y)
{
    int64_t r = app.globe_radius_px;
    int64_t m = (r - (y - 32)) * (r + (y - 32));
    if (m < 0)
        m = 0;
    return static_cast<int64_t>(std::sqrt(static_cast<double>(m)));
}

// Intersects the ray through the centre of pixel (x, y) with the sphere;
// on a hit stores the nearer point in p.
bool rayHitsGlobe(int64_t x, int64_t y, double *p)
{
    double f = app.focal_length;
    double b = app.ray_linear_coef;
    double rx = static_cast<double>(x) - 31.5;
    double ry = 31.5 - static_cast<double>(y);
    double q = rx * rx + ry * ry + f * f;
    double delta = b * b + (q * -4) * app.camera_tangent_sq;
    if (!(delta >= 0))
        return false;
    double root = std::sqrt(delta);
    double t = std::min((root - b) / (2 * q), (-b - root) / (2 * q));
    p[0] = t * rx;
    p[1] = t * ry;
    p[2] = t * (-f) + app.camera_distance;
    return true;
}

// Longitude and reversed latitude of the earth-fixed point (X, Y, Z). Zs is
// Z kept away from 0, so that the poles cost no division by zero.
inline void geographic(double X, double Y, double Z, double &lambda, double &psi, double &Zs)
{
    double a;
    if (std::fabs(Z) < 0.001) {
        a = X * Z > 0 ? HALF_PI : -HALF_PI;
        Zs = Z > 0 ? 0.001 : -0.001;
    } else {
        a = std::atan(X / Z);
        Zs = Z;
    }
    lambda = Zs < 0 ? a + PI : a;
    psi = std::atan(-Y / std::sqrt(X * X + Zs * Zs));
}

inline double sunCosine(const ViewTerms &v, double X, double Y, double Z)
{
    return ((X * v.sun_x + Y * v.sun_y) + Z * v.sun_z) / app.sphere_radius;
}

// Colour of a traced point alone (the offset layout).
RColor shadePoint(const ViewTerms &v, const double *p)
{
    double X = v.cL * p[0] - v.sL_sB * p[1] + v.sL_cB * p[2];
    double Y = v.cB * p[1] + v.sB * p[2];
    double Z = -v.sL * p[0] - v.cL_sB * p[1] + v.cL_cB * p[2];
    double lambda, psi, Zs;
    geographic(X, Y, Z, lambda, psi, Zs);
    return shadePixel(lambda, psi, sunCosine(v, X, Y, Zs));
}

inline void writeColor(unsigned char *data, int x, int y, RColor c)
{
    unsigned char *p = data + 3 * (x + GLOBE_SIZE * y);
    p[0] = c.red;
    p[1] = c.green;
    p[2] = c.blue;
}

// The globe centred in the tile: each ray serves the pixel and its mirror
// across the centre line, whose longitude follows by reflection.
void renderCentred(const ViewTerms &v)
{
    int radius = app.globe_radius_px;
    bool rebuild = !app.geometry_valid;
    int u = std::max(0, 29 - radius);
    if (rebuild && 29 - radius > 0) {
        for (int x = 0; x < GLOBE_SIZE; x++)
            for (int y = 0; y < u; y++) {
                app.on_globe[x][y] = 0;
                app.on_globe[x][63 - y] = 0;
            }
    }
    unsigned char *data = app.globe_image->data;
    double mirror_long = 2 * app.shown_long_rad;
    bool upright = app.orientation == 1;

    for (int y = u; y <= 63 - u; y++) {
        int w = static_cast<int>(std::min<int64_t>(rowHalfWidth(y), 64));
        int first = std::max(0, 26 - w);
        if (rebuild && w <= 25) {
            for (int x = 0; x <= 25 - w; x++)
                app.on_globe[x][y] = 0;
            for (int x = 38 + w; x < GLOBE_SIZE; x++)
                app.on_globe[x][y] = 0;
        }
        for (int x = first; x <= 31; x++) {
            if (rebuild) {
                int hit = rayHitsGlobe(x, y, app.sphere_points[x][y]) ? 1 : 0;
                app.on_globe[x][y] = hit;
                app.on_globe[63 - x][y] = hit;
            }
            if (!app.on_globe[x][y])
                continue;

            const double *p = app.sphere_points[x][y];
            double cL_px = v.cL * p[0];
            double sL_px = v.sL * p[0];
            double sLsB_py = v.sL_sB * p[1];
            double sLcB_pz = v.sL_cB * p[2];
            double cLsB_py = v.cL_sB * p[1];
            double cLcB_pz = v.cL_cB * p[2];

            double X = cL_px - sLsB_py + sLcB_pz;
            double Y = v.cB * p[1] + v.sB * p[2];
            double Z = -sL_px - cLsB_py + cLcB_pz;
            double lambda, psi, Zs;
            geographic(X, Y, Z, lambda, psi, Zs);
            RColor color = shadePixel(lambda, psi, sunCosine(v, X, Y, Zs));
            if (upright)
                writeColor(data, x, y, color);
            else
                writeColor(data, 63 - x, 63 - y, color);

            // The mirror point (-px, py, pz); its Z is used unguarded.
            double X2 = -cL_px - sLsB_py + sLcB_pz;
            double Z2 = sL_px - cLsB_py + cLcB_pz;
            RColor mirror = shadePixel(mirror_long - lambda, psi, sunCosine(v, X2, Y, Z2));
            if (upright)
                writeColor(data, 63 - x, y, mirror);
            else
                writeColor(data, x, 63 - y, mirror);
        }
    }
}

// The globe moved by (fun_dx, fun_dy): globe pixel (x, y) lands on image
// pixel (x + fun_dx, y + fun_dy), and the scan windows are clamped to the
// tile. Offsets may be any int, so the window arithmetic is 64-bit.
void renderOffset(const ViewTerms &v)
{
    int64_t radius = app.globe_radius_px;
    int64_t dx = app.fun_dx;
    int64_t dy = app.fun_dy;
    bool rebuild = !app.geometry_valid;

    int64_t y0 = std::min(std::max<int64_t>(29 - radius, -dy), 63 - dy);
    int64_t y1 = std::min(std::max<int64_t>(radius + 34, -dy), 63 - dy);
    if (rebuild) {
        for (int64_t iy = 0; iy < GLOBE_SIZE; iy++)
            if (iy < y0 + dy || iy > y1 + dy)
                for (int ix = 0; ix < GLOBE_SIZE; ix++)
                    app.on_globe[ix][iy] = 0;
    }

    for (int64_t y = y0; y <= y1; y++) {
        int64_t w = rowHalfWidth(y);
        int64_t x0 = std::min(std::max(26 - w, -dx), 63 - dx);
        int64_t x1 = std::min(std::max(w + 37, -dx), 63 - dx);
        int iy = static_cast<int>(y + dy);
        if (rebuild) {
            for (int64_t ix = 0; ix < GLOBE_SIZE; ix++)
                if (ix < x0 + dx || ix > x1 + dx)
                    app.on_globe[ix][iy] = 0;
        }
        for (int64_t x = x0; x <= x1; x++) {
            int ix = static_cast<int>(x + dx);
            if (rebuild)
                app.on_globe[ix][iy] = rayHitsGlobe(x, y, app.sphere_points[ix][iy]) ? 1 : 0;
            if (!app.on_globe[ix][iy])
                continue;
            RColor color = shadePoint(v, app.sphere_points[ix][iy]);
            RPutPixel(app.globe_image, ix, iy, &color);
        }
    }
}

} // namespace

void renderGlobe()
{
    if (!app.geometry_valid)
        RClearImage(app.globe_image, &app.background_color);

    double sL = std::sin(app.shown_long_rad);
    double cL = std::cos(app.shown_long_rad);
    double sB = std::sin(app.shown_lat_rad);
    double cB = std::cos(app.shown_lat_rad);

    if (!app.geometry_valid) {
        double f = app.focal_length;
        app.ray_linear_coef = (2 * app.camera_distance) * (-f);
        double b = app.ray_linear_coef;
        // The disc radius in whole pixels plus one.
        app.globe_radius_px =
            static_cast<int>(std::sqrt(f * (-f) + b * b / (app.camera_tangent_sq * 4))) + 1;
    }

    ViewTerms v = viewTerms(sL, cL, sB, cB);
    if (app.fun)
        renderOffset(v);
    else
        renderCentred(v);

    drawMarkers(sL, cL, sB, cB);
    app.geometry_valid = 1;
}
