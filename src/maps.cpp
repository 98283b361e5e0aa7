#include "maps.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <tiffio.h>

#include "artwork.h"
#include "state.h"

namespace {

// libwraster reads TIFF files itself with libtiff, and hands the formats it
// does not know (BigTIFF among them) to ImageMagick, whose TIFF reader, once
// loaded, puts its own error and warning handlers into libtiff for the rest
// of the process. Those handlers abort outside an ImageMagick read, so a
// damaged TIFF night map after a BigTIFF day map took the program down
// instead of giving its map message. libtiff's own handlers, which print the
// problem on standard error, are put back after every map file.
TIFFErrorHandler currentHandler(TIFFErrorHandler (*set)(TIFFErrorHandler))
{
    TIFFErrorHandler handler = set(nullptr);
    set(handler);
    return handler;
}

// Taken when the program starts, before any map file is read.
const TIFFErrorHandler tiff_error_handler = currentHandler(TIFFSetErrorHandler);
const TIFFErrorHandler tiff_warning_handler = currentHandler(TIFFSetWarningHandler);

RImage *loadMapFile(RContext *context, const char *file)
{
    RImage *image = RLoadImage(context, file, 0);
    TIFFSetErrorHandler(tiff_error_handler);
    TIFFSetWarningHandler(tiff_warning_handler);
    return image;
}

[[noreturn]] void mapFailure(const char *message)
{
    fputs(message, stdout);
    fflush(stdout);
    quit(1);
}

// Bytes of the RGB copy made by ripalpha: width * height * 3 + 4, formed in
// size_t so that a large image cannot wrap the count to a small buffer.
bool rgbBufferSize(int width, int height, size_t *bytes)
{
    if (width < 0 || height < 0)
        return false;
    size_t pixels, size;
    if (__builtin_mul_overflow(static_cast<size_t>(width), static_cast<size_t>(height), &pixels) ||
        __builtin_mul_overflow(pixels, size_t{3}, &size) || __builtin_add_overflow(size, size_t{4}, &size))
        return false;
    *bytes = size;
    return true;
}

// An image with no pixels (some loaders return 0 x 0 for a file they could
// not make sense of) is no map: the sampler needs at least one pixel.
RImage *withPixels(RImage *image)
{
    if (image && (image->width < 1 || image->height < 1 || !image->data)) {
        RReleaseImage(image);
        return nullptr;
    }
    return image;
}

RImage *builtInMap(RContext *context, const char **xpm)
{
    return RGetImageFromXPMData(context, const_cast<char **>(xpm));
}

void dropNightMap()
{
    if (app.night_map)
        RReleaseImage(app.night_map);
    app.night_map = nullptr;
    app.night_map_loaded = 0;
    app.use_night_map = 0;
}

// The sampler reads 3 bytes per pixel, so a day map that stays 4 bytes per
// pixel (ripalpha found no memory) counts as not loaded.
void acceptDayMap(RImage *image, const char *failure)
{
    image = withPixels(image);
    if (image && !ripalpha(image)) {
        RReleaseImage(image);
        image = nullptr;
    }
    if (!image)
        mapFailure(failure);
    app.day_map = image;
}

// A night map that cannot be read ends the process; one that was read but
// could not be made RGB only leaves the dark side to the dimmed day map.
void acceptNightMap(RImage *image, const char *failure)
{
    image = withPixels(image);
    if (!image)
        mapFailure(failure);
    if (!ripalpha(image)) {
        RReleaseImage(image);
        dropNightMap();
        return;
    }
    app.night_map = image;
    app.night_map_loaded = 1;
}

void loadDayMap(RContext *context)
{
    if (app.map_file) {
        RImage *image = loadMapFile(context, app.map_file);
        if (!app.default_night_map)
            app.use_night_map = 0;
        acceptDayMap(image, "pb map ! file not found ?\n");
    } else {
        RImage *image = builtInMap(context, day_map_xpm);
        app.default_night_map = 1;
        acceptDayMap(image, "pb def map ! file not found ?\n");
    }
}

void loadNightMap(RContext *context)
{
    app.night_map = nullptr;
    if (!app.night_map_allowed) {
        app.use_night_map = 0;
        app.default_night_map = 0;
        app.night_map_loaded = 0;
    } else if (!app.use_night_map) {
        app.night_map_loaded = 0;
    } else if (app.night_map_file) {
        acceptNightMap(loadMapFile(context, app.night_map_file), "pb map night! file not found ?\n");
    } else {
        acceptNightMap(builtInMap(context, night_map_xpm), "pb def map night ! file not found ?\n");
    }
}

// The night map is read at the day map's pixel positions, so it takes its
// size. If scaling finds no memory the old map is gone already: no night map.
void fitNightMap()
{
    RImage *night = app.night_map;
    if (!night || (night->width == app.day_map->width && night->height == app.day_map->height))
        return;
    RImage *scaled = RScaleImage(night, app.day_map->width, app.day_map->height);
    RReleaseImage(night);
    app.night_map = scaled;
    if (!scaled || !ripalpha(scaled))
        dropNightMap();
}

} // namespace

int ripalpha(RImage *image)
{
    if (!image)
        return 0;
    if (image->format == RRGBFormat)
        return 1;
    size_t bytes = 0;
    unsigned char *rgb = nullptr;
    if (rgbBufferSize(image->width, image->height, &bytes))
        rgb = static_cast<unsigned char *>(malloc(bytes));
    if (!rgb) {
        RErrorCode = RERR_NOMEMORY;
        puts("error in ripalpha");
        fflush(stdout);
        return 0;
    }
    const size_t pixels = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    const unsigned char *from = image->data;
    unsigned char *to = rgb;
    for (size_t i = 0; i < pixels; i++, from += 4, to += 3) {
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
    }
    unsigned char *old = image->data;
    image->data = rgb;
    image->format = RRGBFormat;
    free(old);
    return 1;
}

void loadMaps(RContext *context)
{
    loadDayMap(context);
    loadNightMap(context);
    fitNightMap();
    setMapScales();
}

void setMapScales()
{
    const double x = app.day_map->width / 6.283185306;
    const double y = app.day_map->height / 3.141592653;
    app.map_x_scale = static_cast<int>(floor(x * 256));
    app.map_y_scale = static_cast<int>(floor(y * 256));
}
