// Place, Sun and Moon markers drawn over the globe.
#pragma once

#include <wraster.h>

// Turns marker i from (longitude, latitude) in radians into an earth-fixed unit vector.
void markerToVector(int i);

// Draws every visible marker; the arguments are the sines and cosines of the
// shown longitude and latitude.
void drawMarkers(double sL, double cL, double sB, double cB);

// Draws a Sun or Moon marker at its projected pixel (before any turn of the picture).
void drawBodyMarker(int x, int y, RColor color);
