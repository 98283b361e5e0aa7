#include "markers.h"

#include <cmath>

#include "state.h"

namespace {

// Black over a bright pixel (any channel 128 or more), white over a dark one.
RColor contrastAt(int x, int y)
{
    const unsigned char *p = app.globe_image->data + 3 * (x + GLOBE_SIZE * y);
    if (p[0] >= 128 || p[1] >= 128 || p[2] >= 128)
        return {0, 0, 0, 255};
    return {255, 255, 255, 255};
}

inline bool inTile(int x, int y)
{
    return x >= 0 && x < GLOBE_SIZE && y >= 0 && y < GLOBE_SIZE;
}

// Paints one arm pixel if it lies in the tile and on the globe.
void paint(int x, int y, const RColor *color)
{
    if (!inTile(x, y) || !app.on_globe[x][y])
        return;
    RColor c = color ? *color : contrastAt(x, y);
    unsigned char *p = app.globe_image->data + 3 * (x + GLOBE_SIZE * y);
    p[0] = c.red;
    p[1] = c.green;
    p[2] = c.blue;
}

// The four arm pixels at distance d from (qx, qy): right, left, up, down.
// A null colour paints each in its own contrast colour.
void paintRing(int qx, int qy, int d, const RColor *color)
{
    paint(qx + d, qy, color);
    paint(qx - d, qy, color);
    paint(qx, qy - d, color);
    paint(qx, qy + d, color);
}

// Where a projected pixel is drawn: turned with the picture in the centred
// south-up layout.
void drawingPosition(int x, int y, int &qx, int &qy)
{
    if (!app.fun && app.orientation != 1) {
        qx = 63 - x;
        qy = 63 - y;
    } else {
        qx = x;
        qy = y;
    }
}

// A projected coordinate truncated towards zero. Far off-tile values are
// held at a bound first so that any int offset converts safely.
int projectedPixel(double v)
{
    if (v < -1e6)
        v = -1e6;
    if (v > 1e6)
        v = 1e6;
    return static_cast<int>(v);
}

} // namespace

void markerToVector(int i)
{
    MarkerPoint &m = app.markers[i];
    double longitude = m.x;
    double latitude = m.y;
    m.x = sin(longitude) * cos(latitude);
    m.y = sin(latitude);
    m.z = cos(longitude) * cos(latitude);
}

void drawMarkers(double sL, double cL, double sB, double cB)
{
    for (int i = 0; i < app.marker_count; i++) {
        double mx = app.markers[i].x;
        double my = app.markers[i].y;
        double mz = app.markers[i].z;
        double h = sL * mx + cL * mz;
        double depth = sB * my + cB * h;
        // Far side, exactly on the rim, or no place at all: a place given
        // so far out that its radians overflow has no direction (NaN).
        if (!(depth > 0))
            continue;

        double cx = mx * cL + mz * (-sL);
        double cy = my * cB + h * (-sB);
        // Orthographic about (32, 32): within a pixel of the perspective
        // picture at ordinary zooms.
        int px = projectedPixel(app.fun_dx + (cx * app.globe_radius_px + 32));
        int py = projectedPixel(app.fun_dy + (32 - cy * app.globe_radius_px));

        if (i == app.sun_marker) {
            drawBodyMarker(px, py, app.sun_marker_color);
        } else if (i == app.moon_marker) {
            drawBodyMarker(px, py, app.moon_marker_color);
        } else {
            if (!inTile(px, py) || !app.on_globe[px][py])
                continue;
            int qx, qy;
            drawingPosition(px, py, qx, qy);
            for (int d = 2; d <= 8; d++)
                paintRing(qx, qy, d, nullptr);
        }
    }
}

void drawBodyMarker(int x, int y, RColor color)
{
    if (!inTile(x, y) || !app.on_globe[x][y])
        return;
    int qx, qy;
    drawingPosition(x, y, qx, qy);
    for (int k = 0; k <= 6; k += 2) {
        paintRing(qx, qy, 2 + k, nullptr);
        paintRing(qx, qy, 3 + k, &color);
    }
}
