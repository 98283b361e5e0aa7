// The parameter pages' controller: its field table and state changes, and
// the pages as the running applet shows them on a real X server.
#include <gtest/gtest.h>

#include "pages.h"
#include "screens.h"
#include "state.h"

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
