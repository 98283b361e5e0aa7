// The viewpoint: normalising and folding the shown position, drag and zoom.
#pragma once

// Normalises and folds (latitude, longitude) in degrees into the shown position.
void setViewPosition(double latitude, double longitude);

// Recomputes the camera from `zoom` and invalidates the raster cache.
void updateZoomGeometry();

// One drag step towards the pointer at (x, y) inside the tile.
void dragView(int x, int y, int with_latitude);

// One zoom step: in, or out when zoom_out is set.
void zoomStep(int zoom_out);
