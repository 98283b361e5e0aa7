// Loading the day and night maps from files and from the built-in images, on
// a real X server, including the bad files users hand the program.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <X11/Xlib.h>
#include <wraster.h>

#include "cmdline.h"
#include "maps.h"
#include "mycontext.h"
#include "process.h"
#include "shading.h"
#include "state.h"
#include "xserver.h"

// Allocation faults: the loader's answers to "no memory" are reached by
// failing chosen requests of the process's own malloc. Address sanitizer
// replaces malloc itself, so those tests are left out of sanitized builds.
#if defined(__SANITIZE_ADDRESS__)
#define ORVANE_ALLOC_FAULTS 0
#else
#define ORVANE_ALLOC_FAULTS 1
#endif

namespace {

struct AllocFault {
    bool armed = false;
    size_t size = SIZE_MAX;     // fail requests of exactly this many bytes...
    int pass = 0;               // ...after letting this many of them through
    size_t above = SIZE_MAX;    // and every request larger than this
    int failed = 0;             // requests refused so far
    size_t largest_refused = 0;
};
AllocFault alloc_fault;

} // namespace

#if ORVANE_ALLOC_FAULTS
extern "C" void *__libc_malloc(size_t size);

extern "C" void *malloc(size_t size)
{
    AllocFault &f = alloc_fault;
    if (f.armed && ((size == f.size && f.pass-- <= 0) || size > f.above)) {
        f.failed++;
        if (size > f.largest_refused)
            f.largest_refused = size;
        return nullptr;
    }
    return __libc_malloc(size);
}
#endif

namespace {

// One X server and one folder of fixture images for the test process.
struct MapsEnvironment : ::testing::Environment {
    std::unique_ptr<ScopedXvfb> server;
    std::string dir;
    void SetUp() override
    {
        server = std::make_unique<ScopedXvfb>();
        dir = tempPath("maps");
        mkdir(dir.c_str(), 0700);
    }
    void TearDown() override
    {
        server.reset();
        if (!dir.empty())
            system(("rm -rf '" + dir + "'").c_str());
    }
};
MapsEnvironment *environment =
    static_cast<MapsEnvironment *>(::testing::AddGlobalTestEnvironment(new MapsEnvironment));

std::string fixturePath(const std::string &name)
{
    return environment->dir + "/" + name;
}

bool exists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// An image made by ImageMagick's convert from `recipe` (its arguments before the
// output name), once per process.
std::string image(const std::string &name, const std::string &recipe)
{
    std::string path = fixturePath(name);
    if (!exists(path)) {
        std::string command = "convert " + recipe + " '" + path + "' 2>/dev/null";
        EXPECT_EQ(system(command.c_str()), 0) << command;
    }
    return path;
}

std::string bytesFile(const std::string &name, const std::string &bytes)
{
    std::string path = fixturePath(name);
    FILE *f = fopen(path.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    return path;
}

// The first `length` bytes of another fixture.
std::string truncated(const std::string &name, const std::string &whole, size_t length)
{
    std::string bytes = readFile(whole);
    EXPECT_GT(bytes.size(), length);
    return bytesFile(name, bytes.substr(0, length));
}

// Bytes from a fixed generator, so that every run sees the same "image".
std::string noise(size_t length)
{
    std::string bytes(length, '\0');
    uint32_t x = 2463534242u;
    for (auto &b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<char>(x);
    }
    return bytes;
}

std::string be32(uint32_t v)
{
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

uint32_t crc32(const std::string &bytes)
{
    uint32_t crc = 0xffffffffu;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

std::string pngChunk(const std::string &type, const std::string &data)
{
    return be32(static_cast<uint32_t>(data.size())) + type + data + be32(crc32(type + data));
}

// A well-formed PNG start whose header claims width x height RGB pixels,
// followed by a few bytes of picture.
std::string pngClaiming(uint32_t width, uint32_t height)
{
    std::string header = be32(width) + be32(height) + std::string("\x08\x02\x00\x00\x00", 5);
    std::string idat("\x78\x9c\x63\x60\x00\x00\x00\x02\x00\x01", 10);
    return std::string("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", idat) +
           pngChunk("IEND", "");
}

// Fixtures every table uses: a 720 x 360 day map, a 100 x 50 night map and
// the same pair with half-transparent pixels (which libwraster hands over
// with 4 bytes per pixel).
std::string dayFile() { return image("day.png", "-size 720x360 'xc:rgb(10,200,30)'"); }
std::string nightFile() { return image("night.png", "-size 100x50 'xc:rgb(200,20,90)'"); }
std::string translucentDayFile() { return image("day-rgba.png", "-size 64x32 'xc:rgba(10,200,30,0.5)'"); }
std::string translucentNightFile() { return image("night-rgba.png", "-size 100x50 'xc:rgba(200,20,90,0.5)'"); }

RContext *newContext()
{
    Display *display = XOpenDisplay(environment->server->name());
    if (!display)
        return nullptr;
    return myRCreateContext(display, DefaultScreen(display));
}

// The context of this process; a death test's child makes its own, so that
// it never writes to the parent's X connection.
RContext *sharedContext()
{
    static RContext *context = newContext();
    return context;
}

void parse(std::vector<std::string> args)
{
    setDefaults();
    args.insert(args.begin(), "orvane");
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    parseCommandLine(static_cast<int>(args.size()), argv.data());
}

void releaseMaps()
{
    if (app.day_map)
        RReleaseImage(app.day_map);
    if (app.night_map)
        RReleaseImage(app.night_map);
    app.day_map = app.night_map = nullptr;
}

void loadWith(const std::vector<std::string> &args, RContext *context = sharedContext())
{
    releaseMaps();
    parse(args);
    ASSERT_NE(context, nullptr);
    loadMaps(context);
}

// What the sampler may rely on after every successful start-up.
void expectSamplerSafeMaps()
{
    const RImage *day = app.day_map;
    ASSERT_NE(day, nullptr);
    EXPECT_EQ(day->format, RRGBFormat);
    EXPECT_GE(day->width, 1);
    EXPECT_GE(day->height, 1);
    EXPECT_NE(day->data, nullptr);
    EXPECT_GE(app.map_x_scale, 1);
    EXPECT_GE(app.map_y_scale, 1);
    EXPECT_EQ(app.night_map_loaded, app.night_map != nullptr);
    if (app.use_night_map) {
        EXPECT_NE(app.night_map, nullptr);
    }
    if (const RImage *night = app.night_map) {
        EXPECT_EQ(night->format, RRGBFormat);
        EXPECT_EQ(night->width, day->width);
        EXPECT_EQ(night->height, day->height);
        EXPECT_NE(night->data, nullptr);
    }
}

// Runs the loader in a child process, which is expected to end with status
// 1 and exactly `message` on standard output.
void expectLoadFailure(const std::vector<std::string> &args, const std::string &message,
                       const AllocFault &fault = {})
{
    const std::string out = fixturePath("stdout.txt");
    EXPECT_EXIT(
        {
            // Leave at once: the parent owns the X server and the fixtures.
            quit_hook = [](int status) {
                fflush(stdout);
                _exit(status);
            };
            if (!freopen(out.c_str(), "w", stdout))
                _exit(99);
            RContext *context = newContext();
            alloc_fault = fault;
            loadWith(args, context);
            alloc_fault.armed = false;
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(readFile(out), message);
}

std::string pixel(const RImage *image, int column, int row)
{
    const unsigned char *p = image->data + 3 * (column + image->width * row);
    char text[16];
    snprintf(text, sizeof text, "%d,%d,%d", p[0], p[1], p[2]);
    return text;
}

const char DAY_COLOUR[] = "10,200,30";
const char NIGHT_COLOUR[] = "200,20,90";

// ripalpha alone, without a display.

TEST(Ripalpha, GivesZeroForNoImage)
{
    EXPECT_EQ(ripalpha(nullptr), 0);
}

TEST(Ripalpha, LeavesAnRgbImageUntouched)
{
    RImage *image = RCreateImage(4, 3, 0);
    ASSERT_NE(image, nullptr);
    unsigned char *data = image->data;
    memset(data, 7, 4 * 3 * 3);
    EXPECT_EQ(ripalpha(image), 1);
    EXPECT_EQ(image->data, data);
    EXPECT_EQ(image->format, RRGBFormat);
    EXPECT_EQ(data[35], 7);
    RReleaseImage(image);
}

TEST(Ripalpha, DropsTheAlphaOfEveryPixelInRowOrder)
{
    RImage *image = RCreateImage(3, 2, 1);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->format, RRGBAFormat);
    for (int i = 0; i < 3 * 2 * 4; i++)
        image->data[i] = static_cast<unsigned char>(i);
    EXPECT_EQ(ripalpha(image), 1);
    EXPECT_EQ(image->format, RRGBFormat);
    std::vector<unsigned char> expected;
    for (int i = 0; i < 3 * 2 * 4; i++)
        if (i % 4 != 3)
            expected.push_back(static_cast<unsigned char>(i));
    EXPECT_EQ(std::vector<unsigned char>(image->data, image->data + 18), expected);
    RReleaseImage(image);
}

#if ORVANE_ALLOC_FAULTS
TEST(Ripalpha, WithoutMemoryReportsAndLeavesTheImageAsItWas)
{
    RImage *image = RCreateImage(3, 2, 1);
    ASSERT_NE(image, nullptr);
    unsigned char *data = image->data;
    RErrorCode = RERR_NONE;
    testing::internal::CaptureStdout();
    alloc_fault = {.armed = true, .size = 3 * 2 * 3 + 4};
    int result = ripalpha(image);
    alloc_fault.armed = false;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "error in ripalpha\n");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(alloc_fault.failed, 1);
    EXPECT_EQ(RErrorCode, RERR_NOMEMORY);
    EXPECT_EQ(image->format, RRGBAFormat);
    EXPECT_EQ(image->data, data);
    RReleaseImage(image);
}

// 65536 x 21846 x 3 + 4 is 4295098372, which 32-bit arithmetic wraps to 131076:
// a buffer that small would be overrun by four gigabytes of pixels. The full
// size must be asked for; here it is refused, and ripalpha must stop cleanly.
TEST(Ripalpha, AsksForTheFullSizeOfAHugeImage)
{
    std::vector<unsigned char> pixels(64);
    RImage huge{};
    huge.data = pixels.data();
    huge.width = 65536;
    huge.height = 21846;
    huge.format = RRGBAFormat;
    testing::internal::CaptureStdout();
    alloc_fault = {.armed = true, .above = size_t{1} << 30};
    int result = ripalpha(&huge);
    alloc_fault.armed = false;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "error in ripalpha\n");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(alloc_fault.largest_refused, size_t{4295098372});
    EXPECT_EQ(huge.format, RRGBAFormat);
    EXPECT_EQ(huge.data, pixels.data());
}
#endif

// Which maps each option combination gives.

enum class Night { none, built_in, file };

struct OptionCase {
    const char *name;
    std::vector<std::string> args; // "M" and "N" stand for the two map files
    bool day_from_file;
    Night night;
    int use_night_map;
};

void PrintTo(const OptionCase &c, std::ostream *os) { *os << c.name; }

class OptionTable : public ::testing::TestWithParam<OptionCase> {};

TEST_P(OptionTable, GivesItsMaps)
{
    const OptionCase &c = GetParam();
    std::vector<std::string> args;
    for (const auto &a : c.args)
        args.push_back(a == "M" ? dayFile() : a == "N" ? nightFile() : a);
    loadWith(args);
    ASSERT_NE(app.day_map, nullptr);
    expectSamplerSafeMaps();

    const int width = c.day_from_file ? 720 : 360, height = c.day_from_file ? 360 : 180;
    EXPECT_EQ(app.day_map->width, width);
    EXPECT_EQ(app.day_map->height, height);
    EXPECT_EQ(pixel(app.day_map, 0, 0) == DAY_COLOUR, c.day_from_file);
    EXPECT_EQ(app.use_night_map, c.use_night_map);
    if (c.night == Night::none) {
        EXPECT_EQ(app.night_map, nullptr);
        EXPECT_EQ(app.night_map_loaded, 0);
    } else {
        ASSERT_NE(app.night_map, nullptr);
        EXPECT_EQ(app.night_map_loaded, 1);
        EXPECT_EQ(pixel(app.night_map, width - 1, height - 1) == NIGHT_COLOUR, c.night == Night::file);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Maps, OptionTable,
    ::testing::Values(
        OptionCase{"None", {}, false, Night::built_in, 1},
        OptionCase{"NightFile", {"-nimap", "N"}, false, Night::file, 1},
        OptionCase{"DayFile", {"-map", "M"}, true, Night::none, 0},
        OptionCase{"DayFileDefaultNight", {"-map", "M", "-defnimap"}, true, Night::built_in, 1},
        OptionCase{"DayFileNightFile", {"-map", "M", "-nimap", "N"}, true, Night::none, 0},
        OptionCase{"DayFileNightFileDefaultNight", {"-map", "M", "-nimap", "N", "-defnimap"}, true,
                   Night::file, 1},
        OptionCase{"NoNightAlone", {"-nonimap"}, false, Night::none, 0},
        OptionCase{"NoNightBeforeNightFile", {"-nonimap", "-nimap", "N"}, false, Night::none, 0},
        OptionCase{"NoNightAfterAll", {"-map", "M", "-nimap", "N", "-defnimap", "-nonimap"}, true,
                   Night::none, 0},
        OptionCase{"NoNightWithDefaultNight", {"-map", "M", "-nonimap", "-defnimap"}, true, Night::none,
                   0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LoadMaps, LeavesDefaultNightMapClearAfterNonimap)
{
    loadWith({"-nonimap"});
    EXPECT_EQ(app.default_night_map, 0);
    loadWith({});
    EXPECT_EQ(app.default_night_map, 1);
}

TEST(LoadMaps, DoesNotOpenTheNightFileWhenADayFileSwitchesNightMapsOff)
{
    loadWith({"-map", dayFile(), "-nimap", fixturePath("no-such-night.png")});
    expectSamplerSafeMaps();
    EXPECT_EQ(app.night_map, nullptr);
}

// Map sizes: the scale factors, and the night map following the day map.

struct SizeCase {
    int width, height;
    int x_scale, y_scale;
};

void PrintTo(const SizeCase &c, std::ostream *os) { *os << c.width << "x" << c.height; }

class MapSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(MapSizes, GiveTheScaleFactorsAndAFittedNightMap)
{
    const SizeCase &c = GetParam();
    const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
    // A gradient, so that a wrong row or column length shows in the last pixel.
    std::string file = image("size-" + size + ".png", "-size " + size + " gradient:red-blue");
    loadWith({"-map", file, "-defnimap"});
    expectSamplerSafeMaps();
    EXPECT_EQ(app.day_map->width, c.width);
    EXPECT_EQ(app.day_map->height, c.height);
    EXPECT_EQ(app.map_x_scale, c.x_scale);
    EXPECT_EQ(app.map_y_scale, c.y_scale);
    ASSERT_NE(app.night_map, nullptr);
    EXPECT_EQ(app.use_night_map, 1);
}

INSTANTIATE_TEST_SUITE_P(Maps, MapSizes,
                         ::testing::Values(SizeCase{360, 180, 14667, 14667}, SizeCase{720, 360, 29335, 29335},
                                           SizeCase{300, 100, 12223, 8148}, SizeCase{1, 1, 40, 81},
                                           SizeCase{3, 1, 122, 81}),
                         [](const auto &info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

// A map of one colour must shade to exactly that colour wherever the globe
// asks, the seam, the poles and the far ends of the longitude range included:
// any other colour is a read outside the map.
TEST(LoadMaps, TinyMapsShadeToTheirOwnColourEverywhere)
{
    for (const char *size : {"1x1", "3x1", "1x4065"}) {
        SCOPED_TRACE(size);
        loadWith({"-map", image(std::string("plain-") + size + ".png",
                                std::string("-size ") + size + " 'xc:rgb(10,200,30)'"),
                  "-nimap", nightFile(), "-defnimap"});
        expectSamplerSafeMaps();
        const std::string night = NIGHT_COLOUR;
        const double half_pi = 1.5707963267948966;
        for (double lambda : {-3 * PI + 1e-9, -PI, -1e-12, 0.0, PI, 2 * PI})
            for (double psi : {-half_pi, -1.0, 0.0, 1.0, 1.5707963265, half_pi}) {
                RColor day = shadePixel(lambda, psi, 1);
                RColor dark = shadePixel(lambda, psi, -1);
                char text[32];
                snprintf(text, sizeof text, "%d,%d,%d", day.red, day.green, day.blue);
                EXPECT_EQ(text, std::string(DAY_COLOUR)) << lambda << " " << psi;
                snprintf(text, sizeof text, "%d,%d,%d", dark.red, dark.green, dark.blue);
                EXPECT_EQ(text, night) << lambda << " " << psi;
            }
    }
}

TEST(LoadMaps, ScalesTheNightFileToTheBuiltInDayMap)
{
    loadWith({"-nimap", nightFile()});
    expectSamplerSafeMaps();
    EXPECT_EQ(app.night_map->width, 360);
    EXPECT_EQ(app.night_map->height, 180);
    EXPECT_EQ(app.map_x_scale, 14667);
    EXPECT_EQ(app.map_y_scale, 14667);
}

TEST(LoadMaps, TakesATranslucentMapAsRgb)
{
    loadWith({"-map", translucentDayFile(), "-nimap", translucentNightFile(), "-defnimap"});
    expectSamplerSafeMaps();
    EXPECT_EQ(pixel(app.day_map, 63, 31), DAY_COLOUR);
    EXPECT_EQ(pixel(app.night_map, 63, 31), NIGHT_COLOUR);
}

TEST(LoadMaps, ShowsWhatATruncatedJpegStillHolds)
{
    std::string whole = image("whole.jpg", "-seed 7 -size 200x100 xc: +noise Random -quality 90");
    loadWith({"-map", truncated("cut.jpg", whole, readFile(whole).size() / 2)});
    expectSamplerSafeMaps();
    EXPECT_EQ(app.day_map->width, 200);
    EXPECT_EQ(app.day_map->height, 100);
}

// Bad map files: each ends with the message of the map it was meant for.

struct BadFile {
    const char *name;
    std::string (*make)();
};

std::string missingFile() { return fixturePath("missing.png"); }
std::string emptyFile() { return bytesFile("empty.png", ""); }
std::string directory()
{
    std::string path = fixturePath("folder.png");
    mkdir(path.c_str(), 0700);
    return path;
}
std::string truncatedPng()
{
    std::string whole = image("whole.png", "-seed 7 -size 200x100 xc: +noise Random");
    return truncated("cut.png", whole, readFile(whole).size() / 2);
}
std::string noisePng() { return bytesFile("noise.png", noise(2000)); }
// libwraster hands files it does not know to ImageMagick, which makes a
// picture of no pixels out of these bytes.
std::string noiseJpeg() { return bytesFile("noise.jpg", noise(2000)); }
std::string hugePng() { return bytesFile("huge.png", pngClaiming(100000, 100000)); }
std::string hugePpm() { return bytesFile("huge.ppm", "P6\n100000 100000\n255\n" + noise(300)); }

const BadFile bad_files[] = {
    {"Missing", missingFile},   {"Empty", emptyFile},         {"Directory", directory},
    {"TruncatedPng", truncatedPng}, {"NoisePng", noisePng},   {"NoiseJpeg", noiseJpeg},
    {"HugePng", hugePng},       {"HugePpm", hugePpm},
};

void PrintTo(const BadFile &c, std::ostream *os) { *os << c.name; }

class BadFiles : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadFiles, EndTheProgramAsADayMap)
{
    expectLoadFailure({"-map", GetParam().make()}, "pb map ! file not found ?\n");
}

TEST_P(BadFiles, EndTheProgramAsANightMap)
{
    expectLoadFailure({"-map", dayFile(), "-nimap", GetParam().make(), "-defnimap"},
                      "pb map night! file not found ?\n");
}

TEST_P(BadFiles, EndTheProgramAsANightMapBesideTheBuiltInDayMap)
{
    expectLoadFailure({"-nimap", GetParam().make()}, "pb map night! file not found ?\n");
}

INSTANTIATE_TEST_SUITE_P(Maps, BadFiles, ::testing::ValuesIn(bad_files),
                         [](const auto &info) { return std::string(info.param.name); });

// A BigTIFF goes to ImageMagick, whose TIFF reader leaves its own handlers in
// libtiff; a damaged classic TIFF read by libwraster afterwards must still
// end in the night map's message, not in an abort inside ImageMagick.
TEST(LoadMaps, ADamagedTiffNightMapAfterABigTiffDayMapGivesTheNightMessage)
{
    // ImageMagick writes BigTIFF for the .tiff64 suffix.
    const std::string big = image("big.tiff64", "-size 8x4 xc:red");
    // A classic TIFF header whose first directory lies far beyond the file.
    const std::string damaged = bytesFile("damaged.tif", std::string("MM\0*\x39\x61\x06\x00", 8) + noise(40));
    expectLoadFailure({"-map", big, "-nimap", damaged, "-defnimap"}, "pb map night! file not found ?\n");
}

// Maps without memory.

#if ORVANE_ALLOC_FAULTS
constexpr size_t rgbBytes(size_t width, size_t height) { return width * height * 3 + 4; }
constexpr size_t rgbaBytes(size_t width, size_t height) { return width * height * 4 + 4; }

TEST(MapsWithoutMemory, ADayMapLeftWithAlphaCountsAsNotLoaded)
{
    expectLoadFailure({"-map", translucentDayFile()}, "error in ripalpha\npb map ! file not found ?\n",
                      {.armed = true, .size = rgbBytes(64, 32)});
}

TEST(MapsWithoutMemory, ABuiltInDayMapLeftWithAlphaCountsAsNotLoaded)
{
    expectLoadFailure({}, "error in ripalpha\npb def map ! file not found ?\n",
                      {.armed = true, .size = rgbBytes(360, 180)});
}

// The built-in day map takes the first image of its size, the night map the second.
TEST(MapsWithoutMemory, ABuiltInNightMapThatCannotBeMadeEndsTheProgram)
{
    expectLoadFailure({}, "pb def map night ! file not found ?\n",
                      {.armed = true, .size = rgbaBytes(360, 180), .pass = 1});
}

TEST(MapsWithoutMemory, ANightMapLeftWithAlphaIsDropped)
{
    std::string day = dayFile(), night = translucentNightFile();
    testing::internal::CaptureStdout();
    alloc_fault = {.armed = true, .size = rgbBytes(100, 50)};
    loadWith({"-map", day, "-nimap", night, "-defnimap"});
    alloc_fault.armed = false;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "error in ripalpha\n");
    EXPECT_EQ(alloc_fault.failed, 1);
    expectSamplerSafeMaps();
    EXPECT_EQ(app.night_map, nullptr);
    EXPECT_EQ(app.night_map_loaded, 0);
    EXPECT_EQ(app.use_night_map, 0);
}

TEST(MapsWithoutMemory, ABuiltInNightMapLeftWithAlphaIsDropped)
{
    std::string day = dayFile();
    testing::internal::CaptureStdout();
    alloc_fault = {.armed = true, .size = rgbBytes(360, 180)};
    loadWith({"-map", day, "-defnimap"});
    alloc_fault.armed = false;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "error in ripalpha\n");
    EXPECT_EQ(alloc_fault.failed, 1);
    expectSamplerSafeMaps();
    EXPECT_EQ(app.night_map, nullptr);
    EXPECT_EQ(app.use_night_map, 0);
}

// The day map file takes the first RGB image of 720 x 360, the scaled night map the second.
TEST(MapsWithoutMemory, ANightMapThatCannotBeScaledIsDropped)
{
    std::string day = dayFile(), night = nightFile();
    testing::internal::CaptureStdout();
    alloc_fault = {.armed = true, .size = rgbBytes(720, 360), .pass = 1};
    loadWith({"-map", day, "-nimap", night, "-defnimap"});
    alloc_fault.armed = false;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(alloc_fault.failed, 1);
    expectSamplerSafeMaps();
    EXPECT_EQ(app.night_map, nullptr);
    EXPECT_EQ(app.night_map_loaded, 0);
    EXPECT_EQ(app.use_night_map, 0);
}
#endif

} // namespace
