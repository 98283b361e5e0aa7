// The developer tool that renders a frame without an X server draws what the
// applet shows: its frame, read back from a PPM, against the running applet's
// first picture on a 24-bit Xvfb, byte for byte inside the tile's shape.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "artwork.h"
#include "process.h"
#include "xclient.h"
#include "xserver.h"

namespace {

const std::string render_png = std::string(ORVANE_BINARY_DIR) + "/render_png";

// A binary PPM's pixels as 0xRRGGBB, or nothing when it is not 64 x 64.
std::vector<unsigned> readTile(const std::string &path)
{
    std::vector<unsigned> pixels;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return pixels;
    int width = 0, height = 0, maxval = 0;
    if (fscanf(f, "P6 %d %d %d", &width, &height, &maxval) == 3 && width == 64 && height == 64 && maxval == 255) {
        fgetc(f);
        unsigned char rgb[3];
        while (pixels.size() < 64 * 64 && fread(rgb, 1, 3, f) == 3)
            pixels.push_back(rgb[0] << 16 | rgb[1] << 8 | rgb[2]);
    }
    fclose(f);
    if (pixels.size() != 64 * 64)
        pixels.clear();
    return pixels;
}

// A 90 x 45 PPM map whose pixels follow no pattern.
std::string writeNoiseMap()
{
    std::string path = tempPath("map.ppm");
    FILE *f = fopen(path.c_str(), "wb");
    fprintf(f, "P6\n90 45\n255\n");
    unsigned x = 12345;
    for (int i = 0; i < 90 * 45 * 3; i++) {
        x = x * 1103515245u + 12345u;
        fputc(static_cast<int>(x >> 16) & 255, f);
    }
    fclose(f);
    return path;
}

// Pixels inside the default square shape that differ.
int differingInsideShape(const std::vector<unsigned> &a, const std::vector<unsigned> &b)
{
    int differing = 0;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
            if (square_mask[y * 8 + x / 8] >> (x % 8) & 1)
                differing += a[y * 64 + x] != b[y * 64 + x];
    return differing;
}

} // namespace

TEST(RenderPng, DrawsTheAppletsFirstPicture)
{
    const std::string map = writeNoiseMap();
    const std::vector<std::vector<std::string>> cases = {
        {"-time", "1750507200"},
        {"-time", "1742472000", "-pos", "20", "60"},
        {"-time", "1742472000", "-pos", "20", "60", "-nonimap", "-light", "0.3"},
        {"-time", "1766318400", "-oz", "-zoom", "0.5", "-mk", "sun", "-mk", "moon", "-mk", "48.85", "2.35"},
        {"-time", "1758564000", "-zoom", "2", "-map", map},
    };
    ScopedXvfb xvfb;
    Display *display = XOpenDisplay(xvfb.name());
    ASSERT_NE(display, nullptr);
    for (const auto &args : cases) {
        std::string label;
        for (const auto &a : args)
            label += a + " ";
        std::vector<std::string> argv{ORVANE_BIN};
        argv.insert(argv.end(), args.begin(), args.end());
        int pid = spawnProgram(argv, {std::string("DISPLAY=") + xvfb.name()});
        AppletWindows windows = waitForApplet(display, ORVANE_BIN);
        std::vector<unsigned> shown;
        if (windows.main_window)
            shown = windowPixels(display, windows.main_window);
        killProgram(pid);

        std::string ppm = tempPath("frame.ppm");
        std::vector<std::string> tool{render_png, "-o", ppm, "--"};
        tool.insert(tool.end(), args.begin(), args.end());
        RunResult drawn = runProgram(tool);
        std::vector<unsigned> frame = readTile(ppm);
        remove(ppm.c_str());

        ASSERT_EQ(shown.size(), 64u * 64) << label;
        ASSERT_EQ(drawn.status, 0) << label << drawn.err;
        ASSERT_EQ(frame.size(), 64u * 64) << label;
        EXPECT_EQ(differingInsideShape(shown, frame), 0) << label;
    }
    remove(map.c_str());
    XCloseDisplay(display);
}
