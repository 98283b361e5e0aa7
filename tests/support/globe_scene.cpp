#include "globe_scene.h"

#include <cmath>

#include "maps.h"
#include "markers.h"
#include "raster.h"
#include "state.h"
#include "view.h"

namespace {

void putMapPixel(RImage *map, int column, int row, Rgb c)
{
    unsigned char *p = map->data + 3 * (static_cast<size_t>(row) * map->width + column);
    for (int i = 0; i < 3; i++)
        p[i] = static_cast<unsigned char>(c[i]);
}

} // namespace

RImage *makeFlatMap(int width, int height, Rgb color)
{
    RImage *map = RCreateImage(width, height, 0);
    for (int r = 0; r < height; r++)
        for (int c = 0; c < width; c++)
            putMapPixel(map, c, r, color);
    return map;
}

RImage *makeCodedMap(int width, int height)
{
    RImage *map = RCreateImage(width, height, 0);
    for (int r = 0; r < height; r++)
        for (int c = 0; c < width; c++)
            putMapPixel(map, c, r, {c & 255, r & 255, 77});
    return map;
}

RImage *makeNoiseMap(int width, int height, uint32_t seed)
{
    RImage *map = RCreateImage(width, height, 0);
    uint32_t x = seed * 2654435761u + 1;
    for (int r = 0; r < height; r++)
        for (int c = 0; c < width; c++) {
            Rgb v;
            for (int &channel : v) {
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                channel = static_cast<int>(x >> 24);
            }
            putMapPixel(map, c, r, v);
        }
    return map;
}

Rgb mapPixel(const RImage *map, int column, int row)
{
    const unsigned char *p = map->data + 3 * (static_cast<size_t>(row) * map->width + column);
    return {p[0], p[1], p[2]};
}

Rgb globePixel(int x, int y)
{
    return mapPixel(app.globe_image, x, y);
}

void setGlobePixel(int x, int y, Rgb color)
{
    putMapPixel(app.globe_image, x, y, color);
}

void setSun(double lat, double lon)
{
    app.sun_lat = lat * PI / 180;
    app.sun_long = lon * PI / 180;
    app.sun_vector[0] = sin(app.sun_long) * cos(app.sun_lat);
    app.sun_vector[1] = sin(app.sun_lat);
    app.sun_vector[2] = cos(app.sun_long) * cos(app.sun_lat);
}

void setUpScene(const Scene &scene)
{
    // Release the previous scene's images: setDefaults forgets them.
    for (RImage *image : {app.day_map, app.night_map, app.globe_image})
        if (image)
            RReleaseImage(image);
    setDefaults();
    app.day_map = scene.day_map ? scene.day_map : makeCodedMap(256, 128);
    app.night_map = scene.night_map;
    app.use_night_map = scene.night_map != nullptr;
    app.night_map_loaded = app.use_night_map;
    setMapScales();
    app.light_level = scene.light_level;
    app.globe_image = RCreateImage(64, 64, 0);
    app.orientation = scene.orientation;
    app.fun = scene.fun;
    app.fun_dx = scene.fun_dx;
    app.fun_dy = scene.fun_dy;
    app.zoom = scene.zoom;
    updateZoomGeometry();
    setSun(scene.sun_lat, scene.sun_lon);
    setViewPosition(scene.lat, scene.lon);
}

void renderAt(double lat, double lon)
{
    setViewPosition(lat, lon);
    renderGlobe();
}

void addPlaceMarker(double lat, double lon)
{
    int i = app.marker_count++;
    app.markers[i].x = lon * 3.141592653 / 180;
    app.markers[i].y = lat * 3.141592653 / 180;
    markerToVector(i);
}
