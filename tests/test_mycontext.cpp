// The rendering context against real X servers of every visual class.
// GoogleTest before Xlib, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include "mycontext.h"

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "xserver.h"
#include "xvisual.h"

namespace {

struct ContextCase {
    VisualServer server;
    int render_mode;
    int offsets[3];
    int palette_size; // 0: no palette
};

const ContextCase context_cases[] = {
    {STATIC_GRAY_8, RBestMatchRendering, {0, 0, 0}, 256},
    {GRAY_SCALE_8, RDitheredRendering, {0, 0, 0}, 27},
    {STATIC_COLOR_8, RDitheredRendering, {0, 0, 0}, 27},
    {PSEUDO_COLOR_8, RDitheredRendering, {0, 0, 0}, 27},
    {TRUE_COLOR_16, RDitheredRendering, {11, 5, 0}, 0},
    {TRUE_COLOR_24, RBestMatchRendering, {16, 8, 0}, 0},
    {DIRECT_COLOR_24, RDitheredRendering, {0, 0, 0}, 0},
};

void PrintTo(const ContextCase &c, std::ostream *out)
{
    *out << c.server.name;
}

std::string caseName(const testing::TestParamInfo<ContextCase> &info)
{
    return info.param.server.name;
}

// No variable of libwraster's may leak in from the environment or an earlier case.
void clearSettings()
{
    for (const char *name : {"WRASTER_GAMMA", "WRASTER_GAMMA0", "WRASTER_GAMMA1", "WRASTER_COLOR_RESOLUTION",
                             "WRASTER_COLOR_RESOLUTION0", "WRASTER_COLOR_RESOLUTION1"})
        unsetenv(name);
}

void setOrUnset(const char *name, const char *value)
{
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

unsigned short cubeLevel(int k, int cpc)
{
    return static_cast<unsigned short>((k * 65535) / (cpc - 1));
}

// Xvfb keeps 8 bits of each channel: the colour the server actually gives.
bool sameTopByte(unsigned short a, unsigned short b)
{
    return (a >> 8) == (b >> 8);
}

// The colour a pixel really has in the colormap.
XColor cellColour(RContext *context, unsigned long pixel)
{
    XColor cell{};
    cell.pixel = pixel;
    XQueryColor(context->dpy, context->cmap, &cell);
    return cell;
}

class ContextOnVisual : public testing::TestWithParam<ContextCase> {
  protected:
    void SetUp() override { clearSettings(); }
};

TEST_P(ContextOnVisual, TakesTheDefaultVisualAndItsSetUp)
{
    const ContextCase &c = GetParam();
    ScopedXvfb server(c.server.args);
    Display *display = openVisual(server, c.server);
    ASSERT_NE(display, nullptr);
    int screen = DefaultScreen(display);

    RContext *context = myRCreateContext(display, screen);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->dpy, display);
    EXPECT_EQ(context->screen_number, screen);
    EXPECT_EQ(context->cmap, DefaultColormap(display, screen));
    EXPECT_EQ(context->visual, DefaultVisual(display, screen));
    EXPECT_EQ(context->depth, c.server.depth);
    EXPECT_EQ(context->drawable, RootWindow(display, screen));
    EXPECT_EQ(context->vclass, c.server.vclass);
    EXPECT_EQ(context->black, BlackPixel(display, screen));
    EXPECT_EQ(context->white, WhitePixel(display, screen));
    EXPECT_EQ(context->red_offset, c.offsets[0]);
    EXPECT_EQ(context->green_offset, c.offsets[1]);
    EXPECT_EQ(context->blue_offset, c.offsets[2]);
    EXPECT_EQ(context->std_rgb_map, nullptr);
    EXPECT_EQ(context->std_gray_map, nullptr);
    EXPECT_FALSE(context->flags.use_shared_pixmap);

    XGCValues gc_values;
    ASSERT_TRUE(XGetGCValues(display, context->copy_gc, GCFunction | GCGraphicsExposures, &gc_values));
    EXPECT_EQ(gc_values.function, GXcopy);
    EXPECT_FALSE(gc_values.graphics_exposures);

    const RContextAttributes *attribs = context->attribs;
    ASSERT_NE(attribs, nullptr);
    EXPECT_EQ(attribs->flags, RC_DefaultVisual);
    EXPECT_EQ(attribs->render_mode, c.render_mode);
    EXPECT_EQ(attribs->colors_per_channel, 3);
    EXPECT_EQ(attribs->rgamma, 0.0f);
    EXPECT_EQ(attribs->ggamma, 0.0f);
    EXPECT_EQ(attribs->bgamma, 0.0f);
    EXPECT_EQ(attribs->visualid, 0u);
    EXPECT_EQ(attribs->use_shared_memory, 0);
    EXPECT_EQ(attribs->scaling_filter, RBoxFilter);
    // libwraster's converter must not look for a standard colormap.
    EXPECT_EQ(attribs->standard_colormap_mode, RIgnoreStdColormap);

    if (c.palette_size == 0) {
        EXPECT_EQ(context->colors, nullptr);
    } else {
        ASSERT_NE(context->colors, nullptr);
        for (int k = 0; k < c.palette_size; k++) {
            EXPECT_EQ(context->colors[k].flags, DoRed | DoGreen | DoBlue) << "entry " << k;
            XColor cell = cellColour(context, context->colors[k].pixel);
            EXPECT_EQ(cell.red, context->colors[k].red) << "entry " << k;
            EXPECT_EQ(cell.green, context->colors[k].green) << "entry " << k;
            EXPECT_EQ(cell.blue, context->colors[k].blue) << "entry " << k;
        }
    }
    // The cube's pixels are mirrored for libwraster's converter; other palettes are not.
    bool cube = c.server.vclass == PseudoColor || c.server.vclass == StaticColor;
    if (cube) {
        ASSERT_NE(context->pixels, nullptr);
        EXPECT_EQ(context->ncolors, c.palette_size);
        for (int k = 0; k < c.palette_size; k++)
            EXPECT_EQ(context->pixels[k], context->colors[k].pixel) << "entry " << k;
    } else {
        EXPECT_EQ(context->pixels, nullptr);
        EXPECT_EQ(context->ncolors, 0);
    }

    releaseContext(context);
    XCloseDisplay(display);
}

// The first picture is converted by libwraster itself with this context.
TEST_P(ContextOnVisual, ServesLibwrastersOwnConverter)
{
    const ContextCase &c = GetParam();
    ScopedXvfb server(c.server.args);
    Display *display = openVisual(server, c.server);
    ASSERT_NE(display, nullptr);
    RContext *context = myRCreateContext(display, DefaultScreen(display));
    ASSERT_NE(context, nullptr);

    RImage *gradient = gradientImage(64, 64);
    RImage *white = solidImage(64, 64, 255, 255, 255);
    Pixmap gradient_pixmap = 0, white_pixmap = 0;
    int gradient_done = RConvertImage(context, gradient, &gradient_pixmap);
    int white_done = RConvertImage(context, white, &white_pixmap);

    if (c.server.vclass == DirectColor) {
        // libwraster has no DirectColor converter.
        EXPECT_FALSE(gradient_done);
        EXPECT_FALSE(white_done);
    } else {
        ASSERT_TRUE(gradient_done);
        ASSERT_TRUE(white_done);
        Window root;
        int x, y;
        unsigned width, height, border, depth;
        XGetGeometry(display, white_pixmap, &root, &x, &y, &width, &height, &border, &depth);
        EXPECT_EQ(width, 64u);
        EXPECT_EQ(height, 64u);
        EXPECT_EQ(int(depth), c.server.depth);

        unsigned long white_pixel;
        if (c.server.vclass == TrueColor)
            white_pixel = context->visual->red_mask | context->visual->green_mask | context->visual->blue_mask;
        else
            white_pixel = context->colors[c.palette_size - 1].pixel;
        for (unsigned long pixel : readPixels(display, white_pixmap, 64, 64))
            ASSERT_EQ(pixel, white_pixel);

        if (c.server.depth == 24) {
            std::vector<unsigned long> pixels = readPixels(display, gradient_pixmap, 64, 64);
            for (int i = 0; i < 64 * 64; i++) {
                const unsigned char *p = gradient->data + 3 * i;
                ASSERT_EQ(pixels[i], (p[0] << 16) | (p[1] << 8) | p[2]) << "pixel " << i;
            }
        }
    }

    RReleaseImage(gradient);
    RReleaseImage(white);
    releaseContext(context);
    XCloseDisplay(display);
}

INSTANTIATE_TEST_SUITE_P(EveryVisual, ContextOnVisual, testing::ValuesIn(context_cases), caseName);

TEST(ContextPalette, ColourCubeHasLevelsInRedGreenBlueOrder)
{
    clearSettings();
    ScopedXvfb server(PSEUDO_COLOR_8.args);
    Display *display = openVisual(server, PSEUDO_COLOR_8);
    ASSERT_NE(display, nullptr);
    RContext *context = myRCreateContext(display, 0);
    ASSERT_NE(context, nullptr);

    std::set<unsigned long> pixels;
    for (int r = 0; r < 3; r++)
        for (int g = 0; g < 3; g++)
            for (int b = 0; b < 3; b++) {
                const XColor &entry = context->colors[r * 9 + g * 3 + b];
                EXPECT_TRUE(sameTopByte(entry.red, cubeLevel(r, 3))) << r << g << b;
                EXPECT_TRUE(sameTopByte(entry.green, cubeLevel(g, 3))) << r << g << b;
                EXPECT_TRUE(sameTopByte(entry.blue, cubeLevel(b, 3))) << r << g << b;
                pixels.insert(entry.pixel);
            }
    EXPECT_EQ(pixels.size(), 27u);
    releaseContext(context);
    XCloseDisplay(display);
}

TEST(ContextPalette, GreyLevelsAreEvenlySpaced)
{
    struct GreyCase {
        VisualServer server;
        int levels;
    };
    for (const GreyCase &c : {GreyCase{GRAY_SCALE_8, 27}, GreyCase{STATIC_GRAY_8, 256}}) {
        SCOPED_TRACE(c.server.name);
        clearSettings();
        ScopedXvfb server(c.server.args);
        Display *display = openVisual(server, c.server);
        ASSERT_NE(display, nullptr);
        RContext *context = myRCreateContext(display, 0);
        ASSERT_NE(context, nullptr);
        std::set<unsigned long> pixels;
        for (int k = 0; k < c.levels; k++) {
            const XColor &entry = context->colors[k];
            auto level = static_cast<unsigned short>((k * 65535) / (c.levels - 1));
            EXPECT_TRUE(sameTopByte(entry.red, level)) << "level " << k << " is " << entry.red;
            EXPECT_EQ(entry.green, entry.red);
            EXPECT_EQ(entry.blue, entry.red);
            pixels.insert(entry.pixel);
        }
        EXPECT_EQ(int(pixels.size()), c.levels);
        releaseContext(context);
        XCloseDisplay(display);
    }
}

TEST(ContextPalette, SixLevelsGiveA216ColourCube)
{
    clearSettings();
    setenv("WRASTER_COLOR_RESOLUTION", "6", 1);
    ScopedXvfb server(PSEUDO_COLOR_8.args);
    Display *display = openVisual(server, PSEUDO_COLOR_8);
    ASSERT_NE(display, nullptr);
    RContext *context = myRCreateContext(display, 0);
    clearSettings();
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->attribs->colors_per_channel, 6);
    EXPECT_EQ(context->ncolors, 216);
    // Xvfb's colormap starts with about 180 free cells, so the last entries
    // of the cube take the nearest colours it holds by then.
    int exact = 0;
    for (int k = 0; k < 216; k++) {
        const XColor &entry = context->colors[k];
        EXPECT_EQ(entry.flags, DoRed | DoGreen | DoBlue) << "entry " << k;
        if (sameTopByte(entry.red, cubeLevel(k / 36, 6)) && sameTopByte(entry.green, cubeLevel(k / 6 % 6, 6)) &&
            sameTopByte(entry.blue, cubeLevel(k % 6, 6)))
            exact++;
        else
            EXPECT_GE(k, 150) << "entry " << k << " has not got its own colour";
    }
    EXPECT_GE(exact, 150);
    releaseContext(context);
    XCloseDisplay(display);
}

TEST(ContextPalette, GammaBendsEachChannelOfTheCube)
{
    clearSettings();
    setenv("WRASTER_GAMMA", "2.2/1.0/0.5", 1);
    ScopedXvfb server(PSEUDO_COLOR_8.args);
    Display *display = openVisual(server, PSEUDO_COLOR_8);
    ASSERT_NE(display, nullptr);
    RContext *context = myRCreateContext(display, 0);
    clearSettings();
    ASSERT_NE(context, nullptr);
    auto bent = [](int k, double gamma) {
        return static_cast<unsigned short>(65536.0 * std::pow(cubeLevel(k, 3) / 65536.0, 1.0 / gamma));
    };
    ASSERT_EQ(bent(1, 2.2f) >> 8, 186); // the middle level lifted from 127
    for (int k = 0; k < 27; k++) {
        const XColor &entry = context->colors[k];
        EXPECT_EQ(entry.flags, DoRed | DoGreen | DoBlue);
        EXPECT_TRUE(sameTopByte(entry.red, bent(k / 9, 2.2f))) << "entry " << k << " red " << entry.red;
        EXPECT_TRUE(sameTopByte(entry.green, bent(k / 3 % 3, 1.0f))) << "entry " << k;
        EXPECT_TRUE(sameTopByte(entry.blue, bent(k % 3, 0.5f))) << "entry " << k << " blue " << entry.blue;
    }
    releaseContext(context);
    XCloseDisplay(display);
}

// Palettes too big for the visual's depth shrink; depths 1 and 2 are refused.
// Xvfb offers nothing below depth 8, so the palette steps are shown a
// smaller depth on a real 8-bit colormap.
TEST(ContextPalette, ShrinksToTheDepthAndRefusesTooShallowVisuals)
{
    struct ShrinkCase {
        VisualServer server;
        int depth;
        int entries; // 0: refused
        int colors_per_channel;
        int render_mode;
    };
    const ShrinkCase cases[] = {
        {PSEUDO_COLOR_8, 4, 8, 2, RDitheredRendering},  {PSEUDO_COLOR_8, 3, 8, 2, RDitheredRendering},
        {PSEUDO_COLOR_8, 2, 0, 1, RDitheredRendering},  {PSEUDO_COLOR_8, 1, 0, 1, RDitheredRendering},
        {STATIC_COLOR_8, 2, 0, 1, RDitheredRendering},  {GRAY_SCALE_8, 4, 8, 2, RDitheredRendering},
        {GRAY_SCALE_8, 2, 0, 1, RDitheredRendering},    {STATIC_GRAY_8, 4, 16, 3, RDitheredRendering},
        {STATIC_GRAY_8, 1, 2, 3, RDitheredRendering},
    };
    clearSettings();
    for (const VisualServer &visual : {PSEUDO_COLOR_8, STATIC_COLOR_8, GRAY_SCALE_8, STATIC_GRAY_8}) {
        ScopedXvfb server(visual.args);
        Display *display = openVisual(server, visual);
        ASSERT_NE(display, nullptr);
        for (const ShrinkCase &c : cases) {
            if (c.server.vclass != visual.vclass)
                continue;
            SCOPED_TRACE(std::string(visual.name) + " as depth " + std::to_string(c.depth));
            RContext *context = myRCreateContext(display, 0);
            ASSERT_NE(context, nullptr);
            context->depth = c.depth;
            context->attribs->colors_per_channel = 3;
            context->attribs->render_mode = RDitheredRendering;
            RErrorCode = RERR_NONE;
            bool grey = visual.vclass == StaticGray || visual.vclass == GrayScale;
            XColor *palette = grey ? allocateGrayScale(context) : allocatePseudoColor(context);
            EXPECT_EQ(context->attribs->colors_per_channel, c.colors_per_channel);
            EXPECT_EQ(context->attribs->render_mode, c.render_mode);
            if (c.entries == 0) {
                EXPECT_EQ(palette, nullptr);
                EXPECT_EQ(RErrorCode, RERR_BADVISUALID);
            } else {
                ASSERT_NE(palette, nullptr);
                int cpc = c.colors_per_channel;
                for (int k = 0; k < c.entries; k++) {
                    unsigned short r, g, b;
                    if (grey) {
                        r = g = b = static_cast<unsigned short>((k * 65535) / (c.entries - 1));
                    } else {
                        r = cubeLevel(k / (cpc * cpc), cpc);
                        g = cubeLevel(k / cpc % cpc, cpc);
                        b = cubeLevel(k % cpc, cpc);
                    }
                    EXPECT_EQ(palette[k].flags, DoRed | DoGreen | DoBlue) << "entry " << k;
                    EXPECT_TRUE(sameTopByte(palette[k].red, r)) << "entry " << k;
                    EXPECT_TRUE(sameTopByte(palette[k].green, g)) << "entry " << k;
                    EXPECT_TRUE(sameTopByte(palette[k].blue, b)) << "entry " << k;
                }
            }
            free(palette);
            releaseContext(context);
        }
        XCloseDisplay(display);
    }
}

// Every free cell taken read-write by another client: wanted colours that
// the colormap lacks become the nearest colour it holds.
TEST(ContextPalette, FullColormapGivesTheClosestExistingColours)
{
    clearSettings();
    ScopedXvfb server(PSEUDO_COLOR_8.args);
    Display *other = openVisual(server, PSEUDO_COLOR_8);
    ASSERT_NE(other, nullptr);
    Colormap cmap = DefaultColormap(other, 0);

    // Two shareable colours that no cube entry has, then every free cell
    // read-write: black in all but one, which holds cube entry (2, 2, 1) exactly.
    for (XColor shared : {XColor{0, 30000, 34000, 36000, 0, 0}, XColor{0, 65535, 40000, 20000, 0, 0}})
        ASSERT_TRUE(XAllocColor(other, cmap, &shared));
    std::vector<unsigned long> writable;
    for (unsigned long pixel; XAllocColorCells(other, cmap, False, nullptr, 0, &pixel, 1);)
        writable.push_back(pixel);
    ASSERT_GE(writable.size(), 2u);
    for (unsigned long pixel : writable) {
        XColor cell{pixel, 0, 0, 0, DoRed | DoGreen | DoBlue, 0};
        if (pixel == writable.front())
            cell.red = cell.green = 65535, cell.blue = 32767;
        XStoreColor(other, cmap, &cell);
    }
    XSync(other, False);

    Display *display = openVisual(server, PSEUDO_COLOR_8);
    ASSERT_NE(display, nullptr);
    std::vector<XColor> cells(256);
    for (int j = 0; j < 256; j++)
        cells[j].pixel = j;
    XQueryColors(display, cmap, cells.data(), 256);
    std::set<unsigned long> read_write(writable.begin(), writable.end());

    RContext *context = myRCreateContext(display, 0);
    ASSERT_NE(context, nullptr);

    int shared_exactly = 0, nearest = 0, failed = 0;
    for (int k = 0; k < 27; k++) {
        SCOPED_TRACE("entry " + std::to_string(k));
        int wanted[3] = {cubeLevel(k / 9, 3), cubeLevel(k / 3 % 3, 3), cubeLevel(k % 3, 3)};
        const XColor &entry = context->colors[k];
        // A read-only cell of the very colour is shared.
        int exact = -1;
        for (int j = 0; j < 256 && exact < 0; j++)
            if (!read_write.count(j) && sameTopByte(cells[j].red, wanted[0]) &&
                sameTopByte(cells[j].green, wanted[1]) && sameTopByte(cells[j].blue, wanted[2]))
                exact = j;
        if (exact >= 0) {
            shared_exactly++;
            EXPECT_EQ(entry.flags, DoRed | DoGreen | DoBlue);
            EXPECT_EQ(entry.pixel, cells[exact].pixel);
            continue;
        }
        // Otherwise the nearest cell in whole 8-bit steps, the lowest on ties.
        long best_distance = -1;
        int best = 0;
        for (int j = 0; j < 256; j++) {
            long distance = 0;
            const unsigned short have[3] = {cells[j].red, cells[j].green, cells[j].blue};
            for (int ch = 0; ch < 3; ch++) {
                long step = static_cast<long>(std::floor((wanted[ch] - have[ch]) / 256.0));
                distance += step * step;
            }
            if (best_distance < 0 || distance < best_distance) {
                best_distance = distance;
                best = j;
            }
        }
        EXPECT_EQ(entry.red, cells[best].red);
        EXPECT_EQ(entry.green, cells[best].green);
        EXPECT_EQ(entry.blue, cells[best].blue);
        if (read_write.count(best)) {
            failed++; // another client's private cell cannot be shared
            EXPECT_EQ(entry.flags, 0);
        } else {
            nearest++;
            EXPECT_EQ(entry.flags, DoRed | DoGreen | DoBlue);
            EXPECT_EQ(entry.pixel, cells[best].pixel);
        }
    }
    // The set-up reaches all three outcomes.
    EXPECT_GT(shared_exactly, 0);
    EXPECT_GT(nearest, 0);
    EXPECT_EQ(failed, 1);

    releaseContext(context);
    XCloseDisplay(display);
    XCloseDisplay(other);
}

TEST(ContextEnvironment, GammaSettings)
{
    struct GammaCase {
        const char *per_screen;
        const char *plain;
        bool accepted;
        float gamma[3];
        const char *output;
    };
    const GammaCase cases[] = {
        {nullptr, "2.2/2.2/2.2", true, {2.2f, 2.2f, 2.2f}, ""},
        {nullptr, "1.0/2.0/3.0", true, {1.0f, 2.0f, 3.0f}, ""},
        {nullptr, "1.0/2.0", false, {}, "wrlib: invalid value(s) for gamma correction \"1.0/2.0\"\n"},
        {nullptr, "0/1/1", false, {}, "wrlib: invalid value(s) for gamma correction \"0/1/1\"\n"},
        {nullptr, "1/1/0", false, {}, "wrlib: invalid value(s) for gamma correction \"1/1/0\"\n"},
        {nullptr, "-1/1/1", false, {}, "wrlib: invalid value(s) for gamma correction \"-1/1/1\"\n"},
        {nullptr, "abc", false, {}, "wrlib: invalid value(s) for gamma correction \"abc\"\n"},
        {"1.5/1.6/1.7", "2.2/2.2/2.2", true, {1.5f, 1.6f, 1.7f}, ""},
        // A bad per-screen value is reported and the plain one is not read.
        {"x", "2.2/2.2/2.2", false, {}, "wrlib: invalid value(s) for gamma correction \"x\"\n"},
    };
    ScopedXvfb server(TRUE_COLOR_24.args);
    Display *display = openVisual(server, TRUE_COLOR_24);
    ASSERT_NE(display, nullptr);
    for (const GammaCase &c : cases) {
        SCOPED_TRACE(std::string(c.per_screen ? c.per_screen : "-") + " " + c.plain);
        clearSettings();
        setOrUnset("WRASTER_GAMMA0", c.per_screen);
        setOrUnset("WRASTER_GAMMA", c.plain);
        testing::internal::CaptureStdout();
        RContext *context = myRCreateContext(display, 0);
        fflush(stdout);
        std::string output = testing::internal::GetCapturedStdout();
        ASSERT_NE(context, nullptr);
        EXPECT_EQ(output, c.output);
        EXPECT_EQ((context->attribs->flags & RC_GammaCorrection) != 0, c.accepted);
        EXPECT_EQ(context->attribs->flags & RC_ColorsPerChannel, 0);
        EXPECT_EQ(context->attribs->rgamma, c.gamma[0]);
        EXPECT_EQ(context->attribs->ggamma, c.gamma[1]);
        EXPECT_EQ(context->attribs->bgamma, c.gamma[2]);
        releaseContext(context);
    }
    clearSettings();
    XCloseDisplay(display);
}

TEST(ContextEnvironment, ColourResolutionSettings)
{
    struct ResolutionCase {
        const char *per_screen;
        const char *plain;
        int colors_per_channel; // 3 and no flag when refused
        const char *output;
    };
    const ResolutionCase cases[] = {
        {nullptr, "2", 2, ""},
        {nullptr, "6", 6, ""},
        {nullptr, "4x", 4, ""}, // trailing text after the number is ignored
        {nullptr, "1", 3, "wrlib: invalid value for color resolution \"1\"\n"},
        {nullptr, "7", 3, "wrlib: invalid value for color resolution \"7\"\n"},
        {nullptr, "abc", 3, "wrlib: invalid value for color resolution \"abc\"\n"},
        {"5", "2", 5, ""},
        {"0", "4", 3, "wrlib: invalid value for color resolution \"0\"\n"},
    };
    ScopedXvfb server(TRUE_COLOR_24.args);
    Display *display = openVisual(server, TRUE_COLOR_24);
    ASSERT_NE(display, nullptr);
    for (const ResolutionCase &c : cases) {
        SCOPED_TRACE(std::string(c.per_screen ? c.per_screen : "-") + " " + c.plain);
        clearSettings();
        setOrUnset("WRASTER_COLOR_RESOLUTION0", c.per_screen);
        setOrUnset("WRASTER_COLOR_RESOLUTION", c.plain);
        testing::internal::CaptureStdout();
        RContext *context = myRCreateContext(display, 0);
        fflush(stdout);
        std::string output = testing::internal::GetCapturedStdout();
        ASSERT_NE(context, nullptr);
        EXPECT_EQ(output, c.output);
        bool accepted = c.output[0] == '\0';
        EXPECT_EQ((context->attribs->flags & RC_ColorsPerChannel) != 0, accepted);
        EXPECT_EQ(context->attribs->flags & RC_GammaCorrection, 0);
        EXPECT_EQ(context->attribs->colors_per_channel, c.colors_per_channel);
        releaseContext(context);
    }
    clearSettings();
    XCloseDisplay(display);
}

TEST(ContextEnvironment, BothSettingsReportedGammaFirst)
{
    clearSettings();
    setenv("WRASTER_GAMMA", "bad", 1);
    setenv("WRASTER_COLOR_RESOLUTION", "worse", 1);
    ScopedXvfb server(TRUE_COLOR_24.args);
    Display *display = openVisual(server, TRUE_COLOR_24);
    ASSERT_NE(display, nullptr);
    testing::internal::CaptureStdout();
    RContext *context = myRCreateContext(display, 0);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "wrlib: invalid value(s) for gamma correction \"bad\"\n"
              "wrlib: invalid value for color resolution \"worse\"\n");
    clearSettings();
    releaseContext(context);
    XCloseDisplay(display);
}

TEST(ContextEnvironment, ScreenNumberNamesThePerScreenVariable)
{
    clearSettings();
    setenv("WRASTER_COLOR_RESOLUTION", "4", 1);
    setenv("WRASTER_COLOR_RESOLUTION0", "5", 1);
    setenv("WRASTER_COLOR_RESOLUTION1", "2", 1);
    ScopedXvfb server("-screen 0 320x240x24 -screen 1 320x240x16");
    Display *display = XOpenDisplay(server.name());
    ASSERT_NE(display, nullptr);
    ASSERT_EQ(ScreenCount(display), 2);
    RContext *first = myRCreateContext(display, 0);
    RContext *second = myRCreateContext(display, 1);
    clearSettings();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->attribs->colors_per_channel, 5);
    EXPECT_EQ(second->attribs->colors_per_channel, 2);
    EXPECT_EQ(second->screen_number, 1);
    EXPECT_EQ(second->drawable, RootWindow(display, 1));
    EXPECT_EQ(second->depth, 16);
    EXPECT_EQ(second->red_offset, 11);
    releaseContext(first);
    releaseContext(second);
    XCloseDisplay(display);
}

} // namespace
