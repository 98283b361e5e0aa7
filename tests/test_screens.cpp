// The parameter pages' controller: its field table and state changes, and
// the pages as the running applet shows them on a real X server.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "artwork.h"
#include "clock.h"
#include "pages.h"
#include "process.h"
#include "screens.h"
#include "state.h"
#include "text.h"
#include "tile.h"
#include "xclient.h"
#include "xserver.h"
#include "xvisual.h"

namespace {

class Controller : public ::testing::Test {
protected:
    void SetUp() override
    {
        setDefaults();
        setPageButtons(page_position);
    }
};

} // namespace

TEST_F(Controller, PositionPageFieldsAndBottomButtons)
{
    struct Case {
        int x, y, hit;
    };
    const Case cases[] = {
        {2, 12, 1},   {35, 24, 1},  {36, 20, -1}, {41, 20, -1}, {42, 12, 2},  {61, 24, 2},
        {62, 24, -1}, {30, 25, -1}, {2, 36, 3},   {35, 48, 3},  {42, 36, 4},  {61, 48, 4},
        {1, 51, 5},   {21, 61, 5},  {22, 51, 6},  {41, 61, 6},  {42, 51, 7},  {62, 61, 7},
        {63, 55, -1}, {30, 50, -1}, {30, 62, -1}, {0, 55, -1},  {0, 0, -1},   {-5, -5, -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(findScreenButton(c.x, c.y), c.hit) << c.x << "," << c.y;
}

TEST_F(Controller, TextPagesPutTheirLinesFirstAndKeepTheBottomButtons)
{
    setPageButtons(page_delay_zoom);
    EXPECT_EQ(findScreenButton(10, 14), 1);
    EXPECT_EQ(findScreenButton(62, 25), 1);
    EXPECT_EQ(findScreenButton(10, 38), 2);
    EXPECT_EQ(findScreenButton(62, 49), 2);
    EXPECT_EQ(findScreenButton(30, 55), 6);
    // Page 1's fields 3 and 4 are left over, between the text bars.
    EXPECT_EQ(findScreenButton(10, 12), -1);
    EXPECT_EQ(findScreenButton(10, 36), 3);
    EXPECT_EQ(findScreenButton(50, 37), 4);

    setPageButtons(page_view);
    EXPECT_EQ(findScreenButton(10, 20), 1);
    EXPECT_EQ(findScreenButton(10, 30), 2);
    EXPECT_EQ(findScreenButton(10, 40), 3);
    EXPECT_EQ(findScreenButton(50, 60), 7);
}

TEST_F(Controller, SetScreenButtonIgnoresIndicesOutsideTheTable)
{
    setDefaults();
    setScreenButton(8, 0, 0, 63, 63);
    setScreenButton(-1, 0, 0, 63, 63);
    EXPECT_EQ(findScreenButton(30, 30), -1);
    setScreenButton(3, 10, 10, 20, 20);
    setScreenButton(2, 15, 15, 30, 30);
    EXPECT_EQ(findScreenButton(12, 12), 3);
    EXPECT_EQ(findScreenButton(16, 16), 2); // the lower index wins where they overlap
    EXPECT_EQ(findScreenButton(25, 25), 2);
}

TEST_F(Controller, EntryState)
{
    Timeval t{100, 5};
    PageControl one = pageEntryControl(page_position, t);
    EXPECT_EQ(one.pressed_button, 0);
    EXPECT_FALSE(one.held);
    EXPECT_TRUE(one.repeat_armed);
    EXPECT_EQ(one.step_sign, 1);
    EXPECT_EQ(one.view_choice, 0);
    EXPECT_EQ(one.last_activity.sec, 100);
    for (int page = page_delay_zoom; page <= page_drift; page++)
        EXPECT_EQ(pageEntryControl(page, t).step_sign, 0) << page;
}

TEST_F(Controller, PressesByButtonAndPage)
{
    struct Case {
        int page, button, hit;
        int page_after; // current_page after the press
        bool repeat_armed;
        int step_sign;
        int view_choice;
    };
    const Case cases[] = {
        {page_position, 3, 1, page_closed, false, 1, 0},
        {page_position, 3, -1, page_closed, false, 1, 0},
        {page_position, 3, 5, page_position, false, 1, 0}, // a bottom button is not a close
        {page_position, 3, 6, page_position, false, 1, 0},
        {page_position, 3, 7, page_position, false, 1, 0},
        {page_position, 2, 1, page_position, true, -1, 0},
        {page_delay_zoom, 1, 2, page_delay_zoom, true, 1, 0},
        {page_delay_zoom, 2, -1, page_delay_zoom, true, -1, 0},
        {page_delay_zoom, 4, 1, page_delay_zoom, true, 0, 0}, // a wheel press only holds
        {page_time, 2, -1, page_time, true, 0, 0},
        {page_time, 3, -1, page_closed, false, 0, 0},
        {page_view, 1, 2, page_view, true, 0, 2},
        {page_view, 1, 3, page_view, true, 0, 3},
        {page_view, 1, 6, page_view, true, 0, 0},
        {page_view, 2, 1, page_view, true, 0, 0},
    };
    for (const auto &c : cases) {
        app.current_page = c.page;
        PageControl control = pageEntryControl(c.page, {0, 0});
        pagePress(control, c.page, c.button, c.hit);
        SCOPED_TRACE(testing::Message() << "page " << c.page << " button " << c.button << " hit " << c.hit);
        EXPECT_TRUE(control.held);
        EXPECT_EQ(control.pressed_button, c.hit);
        EXPECT_EQ(app.current_page, c.page_after);
        EXPECT_EQ(control.repeat_armed, c.repeat_armed);
        EXPECT_EQ(control.step_sign, c.step_sign);
        EXPECT_EQ(control.view_choice, c.view_choice);
    }
}

TEST_F(Controller, ARightPressDisarmsAndALeftPressRearms)
{
    app.current_page = page_drift;
    PageControl control = pageEntryControl(page_drift, {0, 0});
    pagePress(control, page_drift, 3, 6);
    EXPECT_FALSE(control.repeat_armed);
    pagePress(control, page_drift, 1, 1);
    EXPECT_TRUE(control.repeat_armed);
    EXPECT_EQ(control.step_sign, 1);
}

TEST_F(Controller, ViewChoiceKeepsItsValueOnAPressOffTheLines)
{
    PageControl control = pageEntryControl(page_view, {0, 0});
    pagePress(control, page_view, 1, 2);
    pagePress(control, page_view, 1, -1);
    EXPECT_EQ(control.view_choice, 2);
}

TEST_F(Controller, ACompleteClickOnABottomButtonNavigates)
{
    struct Case {
        int page, pressed, released_on, page_after;
    };
    const Case cases[] = {
        {1, 6, 6, 2},  {7, 6, 6, 1},  {1, 5, 5, 7}, {4, 5, 5, 3}, {3, 7, 7, 0},
        {3, 6, -1, 3}, {3, 6, 5, 3},  {3, 5, 6, 3}, {3, 1, 1, 3}, {3, -1, -1, 3},
        {3, 0, -1, 3},
    };
    for (const auto &c : cases) {
        app.current_page = c.page;
        PageControl control = pageEntryControl(c.page, {0, 0});
        control.held = true;
        control.pressed_button = c.pressed;
        pageRelease(control, c.released_on, {42, 7});
        SCOPED_TRACE(testing::Message() << "page " << c.page << " pressed " << c.pressed << " released on "
                                        << c.released_on);
        EXPECT_EQ(app.current_page, c.page_after);
        EXPECT_FALSE(control.held);
        EXPECT_EQ(control.pressed_button, 0);
        EXPECT_EQ(control.last_activity.sec, 42);
        EXPECT_EQ(control.last_activity.usec, 7);
    }
}

TEST_F(Controller, ClicksInOneBatchAccumulateAndACloseStaysClosed)
{
    auto click = [](PageControl &control, int page, int button, int hit) {
        pagePress(control, page, button, hit);
        pageRelease(control, hit, {0, 0});
    };
    app.current_page = 6;
    PageControl control = pageEntryControl(6, {0, 0});
    click(control, 6, 1, 6);
    click(control, 6, 1, 6);
    EXPECT_EQ(app.current_page, 1);

    // A close followed by a page click in the same batch stays a close.
    for (int button : {1, 3}) {
        app.current_page = 1;
        control = pageEntryControl(1, {0, 0});
        pagePress(control, 1, 3, 1); // right press on a field: close
        click(control, 1, button, 5);
        EXPECT_EQ(app.current_page, page_closed);
        click(control, 1, button, 6);
        EXPECT_EQ(app.current_page, page_closed);
    }
    app.current_page = 3;
    control = pageEntryControl(3, {0, 0});
    click(control, 3, 1, 7);
    click(control, 3, 1, 5);
    EXPECT_EQ(app.current_page, page_closed);
}

TEST(PageNumbers, WrapRoundOneToSeven)
{
    EXPECT_EQ(nextPage(1), 2);
    EXPECT_EQ(nextPage(6), 7);
    EXPECT_EQ(nextPage(7), 1);
    EXPECT_EQ(previousPage(1), 7);
    EXPECT_EQ(previousPage(7), 6);
    EXPECT_EQ(previousPage(2), 1);
    EXPECT_EQ(nextPage(0), 0);
    EXPECT_EQ(previousPage(0), 0);
}

TEST(PageTimeOut, AfterSixWholeSeconds)
{
    struct Case {
        Timeval last, now;
        bool timed_out;
    };
    const Case cases[] = {
        {{10, 500000}, {16, 499999}, false},
        {{10, 500000}, {16, 500000}, true},
        {{10, 0}, {15, 999999}, false},
        {{10, 0}, {16, 0}, true},
        {{10, 999999}, {17, 0}, true},
        {{10, 999999}, {16, 999998}, false},
        {{10, 0}, {9, 0}, false}, // the clock went back
    };
    for (const auto &c : cases)
        EXPECT_EQ(pageTimedOut(c.last, c.now), c.timed_out)
            << c.last.sec << "." << c.last.usec << " -> " << c.now.sec << "." << c.now.usec;
}

TEST(PageTimeOut, AnIdlePageWaitsExactlyUntilTheTimeOut)
{
    struct Case {
        Timeval last, now;
        int64_t wait;
    };
    const Case cases[] = {
        {{10, 500000}, {10, 500000}, 6000000}, // just entered
        {{10, 500000}, {14, 0}, 2500000},
        {{10, 500000}, {16, 499999}, 1},
        {{10, 500000}, {16, 500000}, 0},      // timed out
        {{10, 0}, {30, 0}, 0},                // long past
        {{10, 0}, {9, 0}, 6000000},           // the clock went back: one time-out at most
    };
    for (const auto &c : cases) {
        int64_t wait = pageTimeOutWait(c.last, c.now);
        EXPECT_EQ(wait, c.wait) << c.now.sec << "." << c.now.usec;
        if (c.last.sec <= c.now.sec) {
            Timeval after = timevalAdd(c.now, {wait / 1000000, wait % 1000000});
            EXPECT_TRUE(pageTimedOut(c.last, after)) << c.now.sec << "." << c.now.usec;
            if (wait > 0) {
                EXPECT_FALSE(pageTimedOut(c.last, timevalSub(after, {0, 1})));
            }
        }
    }
}

TEST(PageIdlePass, StepsOnlyWhereAHeldFieldHasAStep)
{
    struct Case {
        int page, pressed;
        bool held, armed;
        int view_choice, view_mode;
        bool acts;
    };
    const Case cases[] = {
        {page_position, 1, true, true, 0, VIEW_SUN, true},
        {page_position, 4, true, true, 0, VIEW_SUN, true},
        {page_position, 1, false, true, 0, VIEW_SUN, false}, // nothing held
        {page_position, 1, true, false, 0, VIEW_SUN, false}, // a right press
        {page_position, -1, true, true, 0, VIEW_SUN, false}, // on no field
        {page_position, 6, true, true, 0, VIEW_SUN, false},  // on a bottom button
        {page_time, 1, true, true, 0, VIEW_SUN, false},      // the time page has no steps
        {page_delay_zoom, 1, true, true, 0, VIEW_SUN, true},
        {page_delay_zoom, 2, true, true, 0, VIEW_SUN, true},
        {page_delay_zoom, 3, true, true, 0, VIEW_SUN, false}, // a leftover entry
        {page_light_dawn, 2, true, true, 0, VIEW_SUN, true},
        {page_accel_night, 2, true, true, 0, VIEW_SUN, true},
        {page_drift, 1, true, true, 0, VIEW_MOVE, true},
        {page_drift, 1, true, true, 0, VIEW_RANDOM, false}, // drifts are off in random mode
        {page_view, 2, true, true, 2, VIEW_MOVE, true},     // a choice in this batch
        {page_view, 2, true, true, 0, VIEW_MOVE, false},    // held on after it
    };
    for (const auto &c : cases) {
        setDefaults();
        app.view_mode = c.view_mode;
        PageControl control = pageEntryControl(c.page, {0, 0});
        control.pressed_button = c.pressed;
        control.held = c.held;
        control.repeat_armed = c.armed;
        control.view_choice = c.view_choice;
        EXPECT_EQ(pageStepActs(control, c.page), c.acts) << "page " << c.page << ", field " << c.pressed;
    }
}

// ---------------------------------------------------------------------------
// The running applet. What its window shows is read back cell by cell
// against the built-in font, digits and button images.

namespace {

const XpmPicture &fontPicture()
{
    static XpmPicture p = decodeXpm(font_strip_xpm);
    return p;
}
const XpmPicture &digitPicture()
{
    static XpmPicture p = decodeXpm(digit_strip_xpm);
    return p;
}
const XpmPicture &partsPicture()
{
    static XpmPicture p = decodeXpm(screen_parts_xpm);
    return p;
}

using Tile = std::vector<unsigned>; // 64 x 64, 0xRRGGBB

bool regionMatches(const Tile &tile, int x, int y, const XpmPicture &source, int sx, int sy, int w, int h)
{
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) {
            int tx = x + i, ty = y + j;
            if (tx < 0 || tx >= 64 || ty < 0 || ty >= 64)
                continue;
            if (tile[ty * 64 + tx] != source.at(sx + i, sy + j))
                return false;
        }
    return true;
}

// The characters a value line can hold, each read back by its glyph cell.
const std::string &readableCharacters()
{
    static const std::string chars = " 0123456789+ABCDEFGHIJKLMNOPQRSTUVWXYZ:/!*-.=#<>\"',@()&~{}[]\\|?%\xB0";
    return chars;
}

// The ten glyph cells of the text line at y, trailing blanks dropped; a cell
// that is no glyph reads as '\x01'.
std::string readLine(const Tile &tile, int y)
{
    std::string line;
    for (int i = 0; i < 10; i++) {
        char read = '\x01';
        for (char c : readableCharacters())
            if (regionMatches(tile, 2 + 6 * i, y, fontPicture(), glyphOffset(static_cast<unsigned char>(c)), 0,
                              6, 10)) {
                read = c;
                break;
            }
        line += read;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

// The position read-out as "lat|long": digits, ' ' for a blank and '-' for
// a minus; '?' where a cell shows no digit glyph.
std::string readPosition(const Tile &tile)
{
    static const char shows[] = "0123456789 -";
    std::string text;
    for (int position = 1; position <= 11; position++) {
        const int *corner = digit_positions[position];
        char read = '?';
        if (position == 6) {
            // The narrow sign cell: its columns left of the overlap.
            for (int rect : {12, 13}) {
                const int *r = digit_rects[rect];
                if (regionMatches(tile, corner[0], corner[1], digitPicture(), r[0], r[1], 4, r[3]))
                    read = rect == 12 ? ' ' : '-';
            }
            text += '|';
        } else {
            for (int rect = 0; rect < 12 && read == '?'; rect++) {
                const int *r = digit_rects[rect];
                if (regionMatches(tile, corner[0], corner[1], digitPicture(), r[0], r[1], r[2], r[3]))
                    read = shows[rect];
            }
        }
        text += read;
    }
    return text;
}

bool buttonLooks(const Tile &tile, int index, bool pressed)
{
    int k = index - 5;
    return regionMatches(tile, 2 + 20 * k, 52, partsPicture(), 20 * k, pressed ? 38 : 28, 20, 9);
}

const char *const page_labels[] = {"", "", " TIME :", " DELAY :", " LIGHT :", " ACCEL :", " DLAT :", " VIEW :"};

// Which page the tile shows: 1 to 7, or 0 for anything else (the globe).
int pageShown(const Tile &tile)
{
    std::string label = readLine(tile, 2);
    for (int page = 2; page <= 7; page++)
        if (label == page_labels[page])
            return page;
    if (readPosition(tile).find('?') == std::string::npos)
        return 1;
    return 0;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Points on the tile.
struct Point {
    int x, y;
};
constexpr Point previous_button_at{10, 56};
constexpr Point next_button_at{30, 56};
constexpr Point close_button_at{50, 56};
constexpr Point upper_line_at{30, 18};
constexpr Point lower_line_at{30, 42};
constexpr Point between_fields_at{38, 18}; // on the position page, inside the shape, on no field

class RunningApplet : public ::testing::Test {
protected:
    ScopedXvfb xvfb;
    Display *display = nullptr;
    int pid = -1;
    AppletWindows windows;

    void start(std::vector<std::string> args = {})
    {
        args.insert(args.begin(), ORVANE_BIN);
        pid = spawnProgram(args, {std::string("DISPLAY=") + xvfb.name()});
        display = XOpenDisplay(xvfb.name());
        ASSERT_NE(display, nullptr);
        windows = waitForApplet(display, ORVANE_BIN);
        ASSERT_NE(windows.main_window, 0u);
        ASSERT_TRUE(waitFor([&] { return isViewable() && pageShown(tile()) == 0; }, 10));
    }

    void TearDown() override
    {
        if (pid > 0 && waitProgram(pid, 0) == -1)
            killProgram(pid);
        if (display)
            XCloseDisplay(display);
    }

    bool isViewable()
    {
        XWindowAttributes attributes;
        return XGetWindowAttributes(display, windows.main_window, &attributes) &&
               attributes.map_state == IsViewable;
    }

    Tile tile() { return windowPixels(display, windows.main_window); }

    // Every 5 ms: a held step must be caught well inside its pause.
    bool waitFor(const std::function<bool()> &done, double seconds = 3) { return ::waitFor(done, seconds, 5); }

    bool waitForPage(int page, double seconds = 3)
    {
        return waitFor([&] { return pageShown(tile()) == page; }, seconds);
    }

    void press(unsigned button, Point at)
    {
        movePointer(display, windows.main_window, at.x, at.y);
        pressButton(display, button);
    }

    void release(unsigned button) { releaseButton(display, button); }

    void click(unsigned button, Point at)
    {
        press(button, at);
        sleepMs(20);
        release(button);
    }

    void openPages()
    {
        click(3, {32, 32});
        ASSERT_TRUE(waitForPage(1));
    }

    void goToPage(int page)
    {
        for (int shown = 1; shown < page; shown++) {
            click(1, next_button_at);
            ASSERT_TRUE(waitForPage(shown + 1)) << "page " << shown + 1;
        }
    }

    // Holds `button` on a field until what `read` shows changes once, then lets
    // go well inside the pause that follows a step; returns the new reading.
    std::string holdForOneStep(unsigned button, Point at, const std::function<std::string(const Tile &)> &read)
    {
        std::string before = read(tile());
        press(button, at);
        std::string now;
        // A line caught between its erasing and its redrawing reads as nothing.
        waitFor([&] {
            now = read(tile());
            return now != before && !now.empty() && now.find_first_of("\x01?") == std::string::npos;
        }, 2);
        release(button);
        sleepMs(120);
        return read(tile());
    }

    std::string upperValue() { return readLine(tile(), 14); }
    std::string lowerValue() { return readLine(tile(), 38); }
};

auto upper_value = [](const Tile &t) { return readLine(t, 14); };
auto lower_value = [](const Tile &t) { return readLine(t, 38); };

} // namespace

TEST_F(RunningApplet, ARightClickOpensThePositionPageWithItsShape)
{
    start({"-pos", "48.5", "-123.5", "-zoom", "2"});
    openPages();
    Tile shown = tile();
    EXPECT_EQ(readPosition(shown).substr(0, 5), " 4830");
    EXPECT_EQ(windowShape(display, windows.main_window), opaqueOf(latlong_screen_xpm));
    for (int b = 5; b <= 7; b++)
        EXPECT_TRUE(buttonLooks(shown, b, false)) << b;
}

TEST_F(RunningApplet, NextAndPreviousWrapRoundTheSevenPages)
{
    start();
    openPages();
    click(1, previous_button_at);
    ASSERT_TRUE(waitForPage(7));
    EXPECT_EQ(windowShape(display, windows.main_window), opaqueOf(text_screen_xpm));
    click(1, next_button_at);
    ASSERT_TRUE(waitForPage(1));
    goToPage(7);
    click(1, next_button_at);
    EXPECT_TRUE(waitForPage(1));
}

TEST_F(RunningApplet, APressOnNextReleasedElsewhereStaysAndRaisesTheButton)
{
    start();
    openPages();
    press(1, next_button_at);
    EXPECT_TRUE(waitFor([&] { return buttonLooks(tile(), 6, true); }));
    movePointer(display, windows.main_window, 150, 150);
    release(1);
    EXPECT_TRUE(waitFor([&] { return buttonLooks(tile(), 6, false); }));
    sleepMs(100);
    EXPECT_EQ(pageShown(tile()), 1);
}

TEST_F(RunningApplet, ARightPressOnABottomButtonNavigatesAndElsewhereCloses)
{
    start();
    openPages();
    click(3, next_button_at);
    ASSERT_TRUE(waitForPage(2));
    click(3, upper_line_at);
    ASSERT_TRUE(waitForPage(0));
    EXPECT_EQ(windowShape(display, windows.main_window), squareShape());
}

TEST_F(RunningApplet, TheCloseButtonReturnsToTheGlobeAndReopeningStartsOnPageOne)
{
    start();
    openPages();
    goToPage(3);
    click(1, close_button_at);
    ASSERT_TRUE(waitForPage(0));
    EXPECT_EQ(windowShape(display, windows.main_window), squareShape());
    openPages();
}

TEST_F(RunningApplet, SixIdleSecondsCloseThePages)
{
    start();
    openPages();
    auto opened = std::chrono::steady_clock::now();
    sleepMs(5000);
    EXPECT_EQ(pageShown(tile()), 1);
    ASSERT_TRUE(waitForPage(0, 4));
    EXPECT_GT(secondsSince(opened), 5.5);
}

TEST_F(RunningApplet, AHeldButtonKeepsThePagesOpenAndItsReleaseRestartsTheCount)
{
    start();
    openPages();
    press(1, between_fields_at);
    sleepMs(6800);
    EXPECT_EQ(pageShown(tile()), 1);
    release(1);
    sleepMs(1500);
    EXPECT_EQ(pageShown(tile()), 1);
}

TEST_F(RunningApplet, APageWithNothingToStepWaitsForEvents)
{
    start();
    openPages();
    auto wakesOver = [&](int ms) {
        long long before = processCounter(pid, "status", "voluntary_ctxt_switches");
        sleepMs(ms);
        return processCounter(pid, "status", "voluntary_ctxt_switches") - before;
    };
    sleepMs(200);
    // Idle passes of half a millisecond would wake thousands of times.
    EXPECT_LE(wakesOver(2500), 8) << "nothing held";
    press(1, between_fields_at);
    sleepMs(100);
    EXPECT_LE(wakesOver(2500), 8) << "a press held on no field";
    release(1);
    EXPECT_EQ(pageShown(tile()), 1);
}

TEST_F(RunningApplet, AnExposeRepaintsThePageNotTheGlobe)
{
    start();
    openPages();
    goToPage(3);
    Tile before = tile();
    // Clearing the window to its white background sends it an Expose.
    XClearArea(display, windows.main_window, 0, 0, 0, 0, True);
    XSync(display, False);
    EXPECT_TRUE(waitFor([&] { return tile() == before; }));
    EXPECT_EQ(pageShown(tile()), 3);
}

TEST_F(RunningApplet, DestroyingTheWindowOnAPageEndsWithStatusZero)
{
    start();
    openPages();
    goToPage(4);
    XDestroyWindow(display, windows.main_window);
    XSync(display, False);
    EXPECT_EQ(waitProgram(pid, 5), 0);
    pid = -1;
}

TEST_F(RunningApplet, PositionFieldsStepByDegreesAndMinutes)
{
    // Start-up's first drag step moves the view a quarter degree east.
    start({"-pos", "10", "-20"});
    openPages();
    ASSERT_EQ(readPosition(tile()), " 1000| -1945");
    EXPECT_EQ(holdForOneStep(1, {10, 18}, readPosition), " 1100| -1945");
    EXPECT_EQ(holdForOneStep(1, {50, 18}, readPosition), " 1101| -1945");
    EXPECT_EQ(holdForOneStep(2, {10, 18}, readPosition), " 1001| -1945");
    EXPECT_EQ(holdForOneStep(2, {10, 42}, readPosition), " 1001| -2045");
    EXPECT_EQ(holdForOneStep(1, {50, 42}, readPosition), " 1001| -2044");
}

TEST_F(RunningApplet, WithTheSouthUpALeftPressDecreasesThePosition)
{
    start({"-pos", "10", "100", "-oz"});
    openPages();
    std::string start_reading = readPosition(tile());
    ASSERT_EQ(start_reading.substr(0, 5), " 1000");
    EXPECT_EQ(holdForOneStep(1, {10, 18}, readPosition).substr(0, 5), "  900");
}

TEST_F(RunningApplet, TheTimePageShowsTheDisplayedTimeInTheViewsZone)
{
    start({"-time", "0", "-pos", "0", "0"});
    openPages();
    goToPage(2);
    Tile shown = tile();
    EXPECT_EQ(readLine(shown, 14), " GMT+LONG.");
    EXPECT_EQ(readLine(shown, 26), " 01/01/70");
    EXPECT_EQ(readLine(shown, 38).substr(0, 8), " 00:00:0");
    // Holding a button on it changes nothing and keeps it open.
    press(1, upper_line_at);
    sleepMs(200);
    release(1);
    EXPECT_EQ(tile(), shown);
}

TEST_F(RunningApplet, DelayAndZoomStepOnceForAShortHold)
{
    start();
    openPages();
    goToPage(3);
    EXPECT_EQ(upperValue(), "   1 S");
    EXPECT_EQ(lowerValue(), "  1.000");
    EXPECT_EQ(holdForOneStep(1, upper_line_at, upper_value), "   2 S");
    EXPECT_EQ(holdForOneStep(2, upper_line_at, upper_value), "   1 S");
    EXPECT_EQ(holdForOneStep(2, lower_line_at, lower_value), "  0.943");
    EXPECT_EQ(holdForOneStep(1, lower_line_at, lower_value), "  1.000");
}

TEST_F(RunningApplet, LightAndDawnStepByFiveHundredths)
{
    start();
    openPages();
    goToPage(4);
    EXPECT_EQ(upperValue(), "   0.25");
    EXPECT_EQ(lowerValue(), "   0.20");
    EXPECT_EQ(holdForOneStep(1, upper_line_at, upper_value), "   0.30");
    EXPECT_EQ(holdForOneStep(2, lower_line_at, lower_value), "   0.15");
}

TEST_F(RunningApplet, AccelStepsAndTheNightMapTogglesOncePerPress)
{
    start();
    openPages();
    goToPage(5);
    EXPECT_EQ(upperValue(), "   1.0");
    EXPECT_EQ(lowerValue(), "    YES");
    EXPECT_EQ(holdForOneStep(1, upper_line_at, upper_value), "   1.2");
    // Held for many auto-repeat periods, the night map still toggles once.
    press(1, lower_line_at);
    sleepMs(400);
    release(1);
    sleepMs(100);
    EXPECT_EQ(lowerValue(), "    NO");
    click(1, lower_line_at);
    EXPECT_TRUE(waitFor([&] { return lowerValue() == "    YES"; }));
}

TEST_F(RunningApplet, DriftsStepAndAChoiceOfTheSunClearsThem)
{
    start({"-pos", "0", "0"});
    openPages();
    goToPage(6);
    EXPECT_EQ(upperValue(), "  0\xB0" "00'");
    EXPECT_EQ(holdForOneStep(1, upper_line_at, upper_value), "  0\xB0" "15'");
    EXPECT_EQ(holdForOneStep(2, lower_line_at, lower_value), "  -0\xB0" "15'");
    click(1, next_button_at);
    ASSERT_TRUE(waitForPage(7));
    EXPECT_EQ(readLine(tile(), 14), ">  MOVE  <");
    EXPECT_EQ(readLine(tile(), 26), "   SUN");
    // The choice acts on a held press.
    press(1, {30, 30});
    sleepMs(60);
    release(1);
    EXPECT_TRUE(waitFor([&] { return readLine(tile(), 26) == ">  SUN   <"; }));
    EXPECT_EQ(readLine(tile(), 14), "   MOVE");
    click(1, previous_button_at);
    ASSERT_TRUE(waitForPage(6));
    EXPECT_EQ(upperValue(), "  0\xB0" "00'");
    EXPECT_EQ(lowerValue(), "  0\xB0" "00'");
}

TEST_F(RunningApplet, TheGlobeIsDrawnAgainAtOnceWithTheChangesInForce)
{
    // A refresh a minute: only the close can bring the new zoom this soon.
    start({"-delay", "60"});
    auto litPixels = [](const Tile &t) {
        int lit = 0;
        for (int y = 4; y <= 59; y++)
            for (int x = 4; x <= 59; x++)
                lit += t[y * 64 + x] != 0;
        return lit;
    };
    int before = litPixels(tile());
    openPages();
    goToPage(3);
    press(2, lower_line_at);
    EXPECT_TRUE(waitFor([&] { return lowerValue() == "  0.497"; }, 5)); // 12 steps down
    release(2);
    click(3, upper_line_at);
    ASSERT_TRUE(waitForPage(0));
    EXPECT_TRUE(waitFor([&] { return litPixels(tile()) < before * 0.5; }, 1))
        << before << " lit pixels before, " << litPixels(tile()) << " after";
}

// The mean difference of two pictures over the pixels `counted` picks, per
// colour channel (0 to 255).
double meanDifference(const Tile &a, const Tile &b, const std::function<bool(int x, int y)> &counted)
{
    long total = 0, pixels = 0;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) {
            if (!counted(x, y))
                continue;
            for (int shift : {16, 8, 0})
                total += std::abs(static_cast<int>((a[y * 64 + x] >> shift & 0xFF) - (b[y * 64 + x] >> shift & 0xFF)));
            pixels++;
        }
    return pixels ? total / (3.0 * pixels) : 0;
}

// Each pixel replaced by the mean colour of its 4 x 4 block.
Tile blockColours(const Tile &tile)
{
    Tile blocks(tile.size());
    for (int by = 0; by < 64; by += 4)
        for (int bx = 0; bx < 64; bx += 4) {
            unsigned mean = 0;
            for (int shift : {16, 8, 0}) {
                unsigned sum = 0;
                for (int y = by; y < by + 4; y++)
                    for (int x = bx; x < bx + 4; x++)
                        sum += tile[y * 64 + x] >> shift & 0xFF;
                mean |= (sum / 16) << shift;
            }
            for (int y = by; y < by + 4; y++)
                for (int x = bx; x < bx + 4; x++)
                    blocks[y * 64 + x] = mean;
        }
    return blocks;
}

// On an 8-bit PseudoColor screen whose colormap is full, the page images
// cannot have their own colours; they take the closest ones there are.
TEST(PagesOnAFullColormap, ShowInTheNearestColoursAndGiveWayToTheGlobe)
{
    struct Case {
        const char *what;
        std::string environment;
        bool other_client_fills_it;
    };
    const Case cases[] = {
        {"the globe's own 216-colour cube", "WRASTER_COLOR_RESOLUTION=6", false},
        {"every free cell held read-write by another client", "", true},
    };
    const XpmPicture background = decodeXpm(latlong_screen_xpm);
    const Tile page_image(background.rgb.begin(), background.rgb.end());
    // The labels, the fields' black and the buttons of the position page;
    // the digits in the fields are left out.
    auto pageBackground = [&](int x, int y) {
        bool in_field = ((x >= 2 && x <= 35) || (x >= 42 && x <= 61)) && ((y >= 12 && y <= 24) || (y >= 36 && y <= 48));
        return background.opaque[y * 64 + x] && !in_field;
    };
    auto globeDisc = [](int x, int y) { return (x - 32) * (x - 32) + (y - 32) * (y - 32) < 28 * 28; };
    auto waitForShape = [](Display *d, Window w, const std::vector<bool> &shape) {
        return waitFor([&] { return windowShape(d, w) == shape; }, 3, 10);
    };
    auto rightClick = [](Display *d, Window w) {
        movePointer(d, w, 32, 32);
        pressButton(d, 3);
        sleepMs(20);
        releaseButton(d, 3);
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScopedXvfb xvfb(PSEUDO_COLOR_8.args);
        Display *hog = XOpenDisplay(xvfb.name());
        ASSERT_NE(hog, nullptr);
        if (c.other_client_fills_it) {
            ASSERT_GT(takeEveryFreeCell(hog, false), 0);
        }
        std::string err = tempPath("err");
        std::vector<std::string> env{std::string("DISPLAY=") + xvfb.name()};
        if (!c.environment.empty())
            env.push_back(c.environment);
        int pid = spawnProgram({ORVANE_BIN, "-pos", "10", "20", "-delay", "1000"}, env, "", err);
        Display *d = XOpenDisplay(xvfb.name());
        AppletWindows w = waitForApplet(d, ORVANE_BIN, 30);
        ASSERT_NE(w.main_window, 0u);
        sleepMs(300);
        Tile globe = windowPixels(d, w.main_window);

        rightClick(d, w.main_window);
        ASSERT_TRUE(waitForShape(d, w.main_window, opaqueOf(latlong_screen_xpm))) << readFile(err);
        sleepMs(100);
        Tile page = windowPixels(d, w.main_window);
        // Greys, black and white, which every colormap here holds, come out
        // close; the globe would be far off.
        EXPECT_LE(meanDifference(page, page_image, pageBackground), 6);
        EXPECT_GE(meanDifference(globe, page_image, pageBackground), 30);

        // The globe comes back, converted by the loop's converter this time:
        // the same picture up to its dithering, which blocks average out.
        rightClick(d, w.main_window);
        ASSERT_TRUE(waitForShape(d, w.main_window, squareShape()));
        sleepMs(100);
        EXPECT_LE(meanDifference(blockColours(windowPixels(d, w.main_window)), blockColours(globe), globeDisc), 8);
        EXPECT_EQ(readFile(err), "");

        killProgram(pid);
        XCloseDisplay(d);
        XCloseDisplay(hog);
        unlink(err.c_str());
    }
}
