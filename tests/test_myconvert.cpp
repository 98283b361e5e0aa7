// The converter against real X servers: every pixel read back from the
// pixmap is compared with the picture worked out here from the conversion
// rules.

// GoogleTest before Xlib, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include "mycontext.h"
#include "myconvert.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "xserver.h"
#include "xvisual.h"

// Counting the process's allocations while a conversion runs. Sanitizer
// builds own malloc, so there the count is not taken.
#if defined(__SANITIZE_ADDRESS__)
#define COUNTS_ALLOCATIONS 0
#else
#define COUNTS_ALLOCATIONS 1
namespace {
bool counting_allocations = false;
int allocations = 0;
} // namespace
extern "C" void *__libc_malloc(size_t size);
extern "C" void *__libc_calloc(size_t count, size_t size);
extern "C" void *__libc_realloc(void *block, size_t size);
extern "C" void *malloc(size_t size)
{
    allocations += counting_allocations;
    return __libc_malloc(size);
}
extern "C" void *calloc(size_t count, size_t size)
{
    allocations += counting_allocations;
    return __libc_calloc(count, size);
}
extern "C" void *realloc(void *block, size_t size)
{
    allocations += counting_allocations;
    return __libc_realloc(block, size);
}
#endif

namespace {

// The X images the converter asked for, through its seam.
int ximages_requested = 0;
bool refuse_ximages = false;
std::vector<std::pair<RContext *, RXImage *>> ximages_made;

RXImage *observedCreateXImage(RContext *context, int depth, unsigned width, unsigned height)
{
    ximages_requested++;
    if (refuse_ximages) {
        RErrorCode = RERR_XERROR;
        return nullptr;
    }
    RXImage *ximage = RCreateXImage(context, depth, width, height);
    ximages_made.emplace_back(context, ximage);
    return ximage;
}

// The picture worked out from the rules, with a whole-image error buffer.
// ---------------------------------------------------------------------

int shiftOf(unsigned long mask)
{
    int shift = 0;
    while (!((mask >> shift) & 1))
        shift++;
    return shift;
}

// Level 0..255 scaled to 0..top, to the nearest whole value.
int scaled(int level, int top)
{
    return static_cast<int>(std::lround(level * top / 255.0));
}

struct Rules {
    bool grey = false;
    bool floyd_steinberg = false; // the cube's kernel; else 3/8, 3/8, 2/8
    bool best_match = false;
    int top[3] = {0, 0, 0};       // highest level of each channel (grey: top[0])
    std::function<unsigned long(const int *q)> pixel;
};

Rules rulesFor(const RContext *context)
{
    Rules rules;
    rules.best_match = context->attribs->render_mode == RBestMatchRendering;
    int cpc = context->attribs->colors_per_channel;
    switch (context->vclass) {
    case TrueColor: {
        const unsigned long masks[3] = {context->visual->red_mask, context->visual->green_mask,
                                        context->visual->blue_mask};
        for (int c = 0; c < 3; c++)
            rules.top[c] = static_cast<int>(masks[c] >> shiftOf(masks[c]));
        rules.pixel = [masks](const int *q) {
            return (static_cast<unsigned long>(q[0]) << shiftOf(masks[0])) |
                   (static_cast<unsigned long>(q[1]) << shiftOf(masks[1])) |
                   (static_cast<unsigned long>(q[2]) << shiftOf(masks[2]));
        };
        break;
    }
    case PseudoColor:
    case StaticColor:
        rules.floyd_steinberg = true;
        rules.top[0] = rules.top[1] = rules.top[2] = cpc - 1;
        rules.pixel = [context, cpc](const int *q) { return context->colors[(q[0] * cpc + q[1]) * cpc + q[2]].pixel; };
        break;
    default:
        rules.grey = true;
        rules.top[0] = context->vclass == StaticGray ? (1 << context->depth) - 1 : cpc * cpc * cpc - 1;
        rules.pixel = [context](const int *q) { return context->colors[q[0]].pixel; };
        break;
    }
    return rules;
}

std::vector<unsigned long> expectedPicture(const RContext *context, const RImage *image)
{
    const Rules rules = rulesFor(context);
    const int width = image->width, height = image->height;
    const int channels = rules.grey ? 1 : 3;
    // work[c][y][x]; one spare column on the right and one spare row below.
    std::vector<std::vector<std::vector<int>>> work(
        channels, std::vector<std::vector<int>>(height + 1, std::vector<int>(width + 1, 0)));
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const unsigned char *p = image->data + 3 * (y * width + x);
            if (rules.grey)
                work[0][y][x] = (30 * p[0] + 59 * p[1] + 11 * p[2]) / 100;
            else
                for (int c = 0; c < 3; c++)
                    work[c][y][x] = p[c];
        }

    std::vector<unsigned long> picture;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            int q[3] = {0, 0, 0};
            int error[3] = {0, 0, 0};
            for (int c = 0; c < channels; c++) {
                int v = std::clamp(work[c][y][x], 0, 255);
                q[c] = scaled(v, rules.top[c]);
                error[c] = v - q[c] * (255 / rules.top[c]);
            }
            picture.push_back(rules.pixel(q));
            if (rules.best_match)
                continue;
            for (int c = 0; c < channels; c++) {
                auto &w = work[c];
                int e = error[c];
                if (rules.floyd_steinberg) {
                    w[y][x + 1] += 7 * e / 16;
                    w[y + 1][x] += 5 * e / 16;
                    if (x > 0)
                        w[y + 1][x - 1] += 3 * e / 16;
                    w[y + 1][x + 1] += e / 16;
                } else {
                    int side = 3 * e / 8;
                    w[y][x + 1] += side;
                    w[y + 1][x] += side;
                    w[y + 1][x + 1] += e - 2 * side;
                }
            }
        }
    return picture;
}

// ---------------------------------------------------------------------

// Every test starts without a cached X image, watches the converter's X
// images through the seam and frees them afterwards.
class Converter : public testing::Test {
  protected:
    void SetUp() override
    {
        for (const char *name : {"WRASTER_GAMMA", "WRASTER_GAMMA0", "WRASTER_COLOR_RESOLUTION",
                                 "WRASTER_COLOR_RESOLUTION0"})
            unsetenv(name);
        resetConvertCache();
        create_ximage_hook = observedCreateXImage;
        ximages_requested = 0;
        refuse_ximages = false;
    }
    void TearDown() override
    {
        resetConvertCache();
        create_ximage_hook = RCreateXImage;
        for (auto &[context, ximage] : ximages_made)
            RDestroyXImage(context, ximage);
        ximages_made.clear();
        releaseContext(context);
        context = nullptr;
        if (display)
            XCloseDisplay(display);
        display = nullptr;
        server.reset();
    }
    // A fresh server, context and converter for the next case of a table.
    void restart(const VisualServer &visual)
    {
        TearDown();
        SetUp();
        start(visual);
    }
    // Opens a server of this visual and builds the context on it.
    void start(const VisualServer &visual)
    {
        server = std::make_unique<ScopedXvfb>(visual.args);
        display = openVisual(*server, visual);
        ASSERT_NE(display, nullptr);
        context = myRCreateContext(display, 0);
        ASSERT_NE(context, nullptr);
    }
    Pixmap filledPixmap(int width, int height, unsigned long pixel)
    {
        Pixmap pixmap = XCreatePixmap(display, context->drawable, width, height, context->depth);
        XGCValues values;
        values.foreground = pixel;
        GC gc = XCreateGC(display, pixmap, GCForeground, &values);
        XFillRectangle(display, pixmap, gc, 0, 0, width, height);
        XFreeGC(display, gc);
        return pixmap;
    }

    std::unique_ptr<ScopedXvfb> server;
    Display *display = nullptr;
    RContext *context = nullptr;
};

struct PictureCase {
    const char *name;
    VisualServer visual;
    int width, height;
    std::function<RImage *(int width, int height)> image;
    int render_mode; // -1: as the context chose
};

void PrintTo(const PictureCase &c, std::ostream *out)
{
    *out << c.name;
}

RImage *noise(int width, int height)
{
    return noiseImage(width, height, 1234567u);
}

const PictureCase picture_cases[] = {
    {"TrueColor24BestMatch", TRUE_COLOR_24, 64, 64, noise, -1},
    {"TrueColor24Dithered", TRUE_COLOR_24, 64, 64, noise, RDitheredRendering},
    {"TrueColor16Noise", TRUE_COLOR_16, 64, 64, noise, -1},
    {"TrueColor16Gradient", TRUE_COLOR_16, 64, 64, gradientImage, -1},
    {"TrueColor16OneRow", TRUE_COLOR_16, 64, 1, gradientImage, -1},
    {"TrueColor16BestMatch", TRUE_COLOR_16, 64, 64, gradientImage, RBestMatchRendering},
    {"PseudoColorNoise", PSEUDO_COLOR_8, 64, 64, noise, -1},
    {"PseudoColorGradient", PSEUDO_COLOR_8, 64, 64, gradientImage, -1},
    {"PseudoColorWidest", PSEUDO_COLOR_8, 71, 5, noise, -1},
    {"PseudoColorOneRow", PSEUDO_COLOR_8, 64, 1, gradientImage, -1},
    {"PseudoColorBestMatch", PSEUDO_COLOR_8, 64, 64, gradientImage, RBestMatchRendering},
    {"StaticColorNoise", STATIC_COLOR_8, 64, 64, noise, -1},
    {"GrayScaleNoise", GRAY_SCALE_8, 64, 64, noise, -1},
    {"GrayScaleGradient", GRAY_SCALE_8, 64, 64, gradientImage, -1},
    {"GrayScaleOneRow", GRAY_SCALE_8, 64, 1, gradientImage, -1},
    {"StaticGrayBestMatch", STATIC_GRAY_8, 64, 64, noise, -1},
    {"StaticGrayDithered", STATIC_GRAY_8, 64, 64, gradientImage, RDitheredRendering},
};

class ConverterPicture : public Converter, public testing::WithParamInterface<PictureCase> {};

TEST_P(ConverterPicture, EveryPixelFollowsTheRules)
{
    const PictureCase &c = GetParam();
    start(c.visual);
    ASSERT_NE(context, nullptr);
    if (c.render_mode >= 0)
        context->attribs->render_mode = static_cast<RRenderingMode>(c.render_mode);
    RImage *image = c.image(c.width, c.height);

    // A bigger pixmap than the image: only its top-left corner is drawn.
    const int pixmap_width = c.width + 9, pixmap_height = c.height + 7;
    const unsigned long untouched = 1;
    Pixmap pixmap = filledPixmap(pixmap_width, pixmap_height, untouched);
    const Pixmap handle = pixmap;

    ASSERT_EQ(myRConvertImage(context, image, &pixmap), 1);
    EXPECT_EQ(pixmap, handle);

    std::vector<unsigned long> expected = expectedPicture(context, image);
    std::vector<unsigned long> got = readPixels(display, pixmap, pixmap_width, pixmap_height);
    ASSERT_EQ(got.size(), size_t(pixmap_width * pixmap_height));
    int wrong = 0;
    for (int y = 0; y < pixmap_height; y++)
        for (int x = 0; x < pixmap_width; x++) {
            bool inside = x < c.width && y < c.height;
            unsigned long want = inside ? expected[y * c.width + x] : untouched;
            unsigned long have = got[y * pixmap_width + x];
            if (have != want && wrong++ < 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << have << ", wanted " << want;
        }
    EXPECT_EQ(wrong, 0);

    // On 24-bit TrueColor the picture is the image itself.
    if (c.visual.depth == 24)
        for (int i = 0; i < c.width * c.height; i++) {
            const unsigned char *p = image->data + 3 * i;
            ASSERT_EQ(got[(i / c.width) * pixmap_width + i % c.width], (p[0] << 16) | (p[1] << 8) | p[2]);
        }

    RReleaseImage(image);
    XFreePixmap(display, pixmap);
}

INSTANTIATE_TEST_SUITE_P(Paths, ConverterPicture, testing::ValuesIn(picture_cases),
                         [](const testing::TestParamInfo<PictureCase> &info) { return info.param.name; });

// Plain colours whose pixel follows from the tables alone.
TEST_F(Converter, SolidColoursGiveKnownPixels)
{
    struct SolidCase {
        VisualServer visual;
        unsigned char rgb[3];
        int palette_entry;  // the pixel of this palette entry, or
        unsigned long pixel; // this value when there is no palette
    };
    const SolidCase cases[] = {
        {TRUE_COLOR_24, {1, 2, 3}, -1, 0x010203},
        {TRUE_COLOR_16, {255, 255, 255}, -1, 0xffff},                    // clamped at the top
        {TRUE_COLOR_16, {128, 128, 128}, -1, (16 << 11) | (32 << 5) | 16}, // steps 8 and 4 leave no error
        {TRUE_COLOR_16, {0, 0, 0}, -1, 0},
        {PSEUDO_COLOR_8, {255, 255, 255}, 26, 0},
        {PSEUDO_COLOR_8, {255, 0, 0}, 18, 0},
        {STATIC_COLOR_8, {0, 0, 0}, 0, 0},
        {STATIC_GRAY_8, {255, 0, 0}, 76, 0},
        {STATIC_GRAY_8, {255, 255, 255}, 255, 0},
        {GRAY_SCALE_8, {255, 255, 255}, 26, 0},
    };
    for (const SolidCase &c : cases) {
        SCOPED_TRACE(std::string(c.visual.name) + " " + std::to_string(c.rgb[0]) + "," + std::to_string(c.rgb[1]) +
                     "," + std::to_string(c.rgb[2]));
        restart(c.visual);
        ASSERT_NE(context, nullptr);
        RImage *image = solidImage(64, 64, c.rgb[0], c.rgb[1], c.rgb[2]);
        Pixmap pixmap = filledPixmap(64, 64, 1);
        ASSERT_EQ(myRConvertImage(context, image, &pixmap), 1);
        unsigned long want = c.palette_entry >= 0 ? context->colors[c.palette_entry].pixel : c.pixel;
        for (unsigned long have : readPixels(display, pixmap, 64, 64))
            ASSERT_EQ(have, want);
        RReleaseImage(image);
        XFreePixmap(display, pixmap);
    }
}

TEST_F(Converter, SecondConversionReusesTheXImageAndAllocatesNothing)
{
    start(TRUE_COLOR_16);
    ASSERT_NE(context, nullptr);
    RImage *image = noise(64, 64);
    Pixmap pixmap = filledPixmap(64, 64, 0);

    ASSERT_EQ(myRConvertImage(context, image, &pixmap), 1);
    EXPECT_EQ(ximages_requested, 1);
    std::vector<unsigned long> first = readPixels(display, pixmap, 64, 64);

    // Scribble over the pixmap so that the second picture must really be sent.
    Pixmap scribbled = pixmap;
    {
        XGCValues values;
        values.foreground = 0x1234;
        GC gc = XCreateGC(display, pixmap, GCForeground, &values);
        XFillRectangle(display, pixmap, gc, 0, 0, 64, 64);
        XFreeGC(display, gc);
    }
    XSync(display, False);
#if COUNTS_ALLOCATIONS
    allocations = 0;
    counting_allocations = true;
#endif
    int done = myRConvertImage(context, image, &pixmap);
#if COUNTS_ALLOCATIONS
    counting_allocations = false;
    EXPECT_EQ(allocations, 0);
#endif
    ASSERT_EQ(done, 1);
    EXPECT_EQ(ximages_requested, 1);
    EXPECT_EQ(pixmap, scribbled);
    EXPECT_EQ(readPixels(display, pixmap, 64, 64), first);

    // A different picture through the same X image.
    RImage *other = gradientImage(64, 64);
    ASSERT_EQ(myRConvertImage(context, other, &pixmap), 1);
    EXPECT_EQ(ximages_requested, 1);
    EXPECT_EQ(readPixels(display, pixmap, 64, 64), expectedPicture(context, other));

    RReleaseImage(image);
    RReleaseImage(other);
    XFreePixmap(display, pixmap);
}

TEST_F(Converter, ResetForgetsTheXImage)
{
    start(TRUE_COLOR_24);
    ASSERT_NE(context, nullptr);
    RImage *image = noise(64, 64);
    Pixmap pixmap = filledPixmap(64, 64, 0);
    ASSERT_EQ(myRConvertImage(context, image, &pixmap), 1);
    resetConvertCache();
    ASSERT_EQ(myRConvertImage(context, image, &pixmap), 1);
    EXPECT_EQ(ximages_requested, 2);
    RReleaseImage(image);
    XFreePixmap(display, pixmap);
}

TEST_F(Converter, MissingXImageIsReportedAndTriedAgain)
{
    struct FailureCase {
        VisualServer visual;
        const char *message;
    };
    for (const FailureCase &c : {FailureCase{GRAY_SCALE_8, "error!\n"}, FailureCase{STATIC_GRAY_8, "error!\n"},
                                 FailureCase{PSEUDO_COLOR_8, "err psc\n"}, FailureCase{STATIC_COLOR_8, "err psc\n"},
                                 FailureCase{TRUE_COLOR_16, "err \n"}}) {
        SCOPED_TRACE(c.visual.name);
        restart(c.visual);
        ASSERT_NE(context, nullptr);
        RImage *image = noise(64, 64);
        Pixmap pixmap = filledPixmap(64, 64, 1);

        refuse_ximages = true;
        RErrorCode = RERR_NONE;
        testing::internal::CaptureStdout();
        int done = myRConvertImage(context, image, &pixmap);
        fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message);
        EXPECT_EQ(done, 0);
        EXPECT_EQ(RErrorCode, RERR_XERROR);
        EXPECT_EQ(ximages_requested, 1);
        for (unsigned long have : readPixels(display, pixmap, 64, 64))
            ASSERT_EQ(have, 1u);

        refuse_ximages = false;
        testing::internal::CaptureStdout();
        done = myRConvertImage(context, image, &pixmap);
        fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(done, 1);
        EXPECT_EQ(ximages_requested, 2);
        EXPECT_EQ(readPixels(display, pixmap, 64, 64), expectedPicture(context, image));
        RReleaseImage(image);
        XFreePixmap(display, pixmap);
    }
}

TEST_F(Converter, DirectColorIsNotConverted)
{
    start(DIRECT_COLOR_24);
    ASSERT_NE(context, nullptr);
    RImage *image = noise(64, 64);
    Pixmap pixmap = filledPixmap(64, 64, 1);
    RErrorCode = 12345;
    testing::internal::CaptureStdout();
    EXPECT_EQ(myRConvertImage(context, image, &pixmap), 0);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(RErrorCode, 12345);
    EXPECT_EQ(ximages_requested, 0);
    for (unsigned long have : readPixels(display, pixmap, 64, 64))
        ASSERT_EQ(have, 1u);
    RReleaseImage(image);
}

// The arguments are checked first to last, before anything else.
TEST(ConverterArguments, MissingArgumentStopsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    RContext context{};
    RImage *image = RCreateImage(1, 1, False);
    Pixmap pixmap = 0;
    EXPECT_DEATH(myRConvertImage(nullptr, nullptr, nullptr), "context != NULL");
    EXPECT_DEATH(myRConvertImage(nullptr, image, &pixmap), "context != NULL");
    EXPECT_DEATH(myRConvertImage(&context, nullptr, nullptr), "image != NULL");
    EXPECT_DEATH(myRConvertImage(&context, image, nullptr), "pixmap != NULL");
    RReleaseImage(image);
}

} // namespace
