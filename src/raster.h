// The ray-traced 64 x 64 globe.
#pragma once

// Draws the globe and the markers into `globe_image`.
void renderGlobe();
