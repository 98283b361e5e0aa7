// Small globe scenes for the renderer tests: maps made in memory and the
// program state set up as start-up would leave it, with no display.
#pragma once

#include <array>
#include <cstdint>

#include <wraster.h>

using Rgb = std::array<int, 3>;

// Every pixel the same colour.
RImage *makeFlatMap(int width, int height, Rgb color);

// Each pixel tells where it is: red = column & 255, green = row & 255, blue = 77.
RImage *makeCodedMap(int width, int height);

// A map whose pixel values follow no pattern, the same on every call.
RImage *makeNoiseMap(int width, int height, uint32_t seed);

Rgb mapPixel(const RImage *map, int column, int row);
Rgb globePixel(int x, int y);
void setGlobePixel(int x, int y, Rgb color);

struct Scene {
    double zoom = 1;
    double lat = 0, lon = 0;          // requested view, degrees
    double sun_lat = 0, sun_lon = 0;  // sub-solar point, degrees
    RImage *day_map = nullptr;        // taken over; default: a coded 256 x 128 map
    RImage *night_map = nullptr;      // taken over; none by default
    int light_level = 256;            // with no night map, 256 shows the day map unchanged
    int orientation = 1;
    int fun = 0, fun_dx = 0, fun_dy = 0;
};

// Fills `app` with the defaults, then the scene: maps and their scales, the
// 64 x 64 image, the camera for the zoom, the Sun and the view.
void setUpScene(const Scene &scene);

// Sets the view and renders.
void renderAt(double lat, double lon);

// A place marker, as start-up converts it (degrees in, unit vector out).
void addPlaceMarker(double lat, double lon);

// The sub-solar unit vector for a point in degrees.
void setSun(double lat, double lon);
