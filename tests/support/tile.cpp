#include "tile.h"

#include <X11/extensions/shape.h>

#include <cstdio>
#include <map>
#include <string>
#include <strings.h>
#include <utility>

XpmPicture decodeXpm(const char *const *data)
{
    XpmPicture picture;
    int colours = 0, per_pixel = 0;
    sscanf(data[0], "%d %d %d %d", &picture.width, &picture.height, &colours, &per_pixel);
    std::map<char, std::pair<bool, unsigned>> table;
    for (int i = 1; i <= colours; i++) {
        std::string line = data[i];
        size_t c = line.find(" c ", 1);
        std::string value = line.substr(c + 3);
        value = value.substr(0, value.find_first_of(" \t"));
        bool none = strcasecmp(value.c_str(), "None") == 0;
        unsigned rgb = 0;
        if (!none && value[0] == '#') {
            size_t digits = (value.size() - 1) / 3;
            auto part = [&](int k) { return std::stoul(value.substr(1 + k * digits, 2), nullptr, 16); };
            rgb = (part(0) << 16) | (part(1) << 8) | part(2);
        } else if (!none) {
            rgb = strcasecmp(value.c_str(), "white") == 0 ? 0xFFFFFF : 0;
        }
        table[line[0]] = {!none, rgb};
    }
    for (int y = 0; y < picture.height; y++)
        for (int x = 0; x < picture.width; x++) {
            auto colour = table[data[1 + colours + y][x]];
            picture.opaque.push_back(colour.first);
            picture.rgb.push_back(colour.second);
        }
    return picture;
}

std::vector<bool> windowShape(Display *display, Window window)
{
    std::vector<bool> inside(64 * 64, false);
    int count = 0, ordering = 0;
    XRectangle *rects = XShapeGetRectangles(display, window, ShapeBounding, &count, &ordering);
    for (int i = 0; i < count; i++)
        for (int y = rects[i].y; y < rects[i].y + rects[i].height; y++)
            for (int x = rects[i].x; x < rects[i].x + rects[i].width; x++)
                if (x >= 0 && x < 64 && y >= 0 && y < 64)
                    inside[y * 64 + x] = true;
    if (rects)
        XFree(rects);
    return inside;
}

std::vector<bool> opaqueOf(const char *const *xpm)
{
    return decodeXpm(xpm).opaque;
}

std::vector<bool> squareShape()
{
    std::vector<bool> inside(64 * 64, false);
    for (int y = 4; y <= 59; y++)
        for (int x = 4; x <= 59; x++)
            inside[y * 64 + x] = true;
    return inside;
}

bool showsGlobe(const std::vector<unsigned> &pixels)
{
    if (pixels.size() != 64 * 64)
        return false;
    int drawn = 0, ocean = 0;
    for (int y = 4; y < 60; y++)
        for (int x = 4; x < 60; x++) {
            unsigned p = pixels[y * 64 + x];
            drawn += p != 0;
            // Ocean is the strongest blue of the day map, lit or dimmed.
            ocean += (p & 0xFF) > 2 * ((p >> 16) & 0xFF) && (p & 0xFF) > 40;
        }
    return drawn > 1500 && ocean > 100;
}
