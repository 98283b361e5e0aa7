#include "screens.h"

#include <algorithm>
#include <sys/time.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

#include "artwork.h"
#include "clock.h"
#include "dock.h"
#include "pages.h"

namespace {

constexpr int first_bottom_button = 5;
constexpr int previous_button = 5;
constexpr int next_button = 6;
constexpr int close_button = 7;
constexpr int page_count = 7;
constexpr int idle_sleep = 500;
constexpr int time_out_seconds = 6;

bool isBottomButton(int index)
{
    return index >= first_bottom_button && index <= close_button;
}

Timeval now()
{
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return {static_cast<int64_t>(tv.tv_sec), static_cast<int64_t>(tv.tv_usec)};
}

// Copies one of the three bottom buttons from row `source_y` of the parts sheet.
void showBottomButton(int index, int source_y)
{
    if (!isBottomButton(index))
        return;
    int k = index - first_bottom_button;
    XCopyArea(app.display, app.screen_parts.pixmap, app.icon_pixmap, app.gc, 20 * k, source_y, 20, 9,
              2 + 20 * k, 52);
    copyToWindows(2 + 20 * k, 52, 20, 9);
}

void setWindowShapes(Pixmap mask)
{
    XShapeCombineMask(app.display, app.main_window, ShapeBounding, 0, 0, mask, ShapeSet);
    XShapeCombineMask(app.display, app.icon_window, ShapeBounding, 0, 0, mask, ShapeSet);
}

PageControl enterPage(int page)
{
    Timeval entered = now();
    const ScreenPixmap &background = page == page_position ? app.latlong_screen : app.text_screen;
    setWindowShapes(background.mask);
    XCopyArea(app.display, background.pixmap, app.icon_pixmap, app.gc, 0, 0, 64, 64, 0, 0);
    setPageButtons(page);
    drawPage(page);
    return pageEntryControl(page, entered);
}

void handleEvent(PageControl &control, int page)
{
    XEvent &event = app.event;
    switch (event.type) {
    case ButtonPress: {
        int hit = findScreenButton(event.xbutton.x, event.xbutton.y);
        showButtonPressed(hit);
        pagePress(control, page, static_cast<int>(event.xbutton.button), hit);
        break;
    }
    case ButtonRelease:
        // The pressed bottom button pops back up wherever the release is.
        showButtonReleased(control.pressed_button);
        pageRelease(control, findScreenButton(event.xbutton.x, event.xbutton.y), now());
        break;
    case Expose:
        copyToWindows(0, 0, 64, 64);
        break;
    case DestroyNotify:
        XCloseDisplay(app.display);
        quit(0);
    default:
        break;
    }
}

// What a held field does in an idle pass.
void stepHeld(PageControl &control, int page)
{
    if (page == page_view) {
        if (control.view_choice != 0) {
            chooseViewMode(control.view_choice);
            XFlush(app.display);
        }
        return;
    }
    // The night-map line toggles once per press.
    if (page == page_accel_night && control.pressed_button == 2)
        control.repeat_armed = false;
    int pause = stepField(page, control.pressed_button, control.step_sign);
    if (pause > 0) {
        // Show the new value now, not after the pause.
        XFlush(app.display);
        usleep(pause);
    }
}

// One page's loop: all pending events, then an idle pass, until the page
// number changes.
void runPage(int page)
{
    PageControl control = enterPage(page);
    for (;;) {
        // A choice on page 7 acts in the batch of its press only.
        control.view_choice = 0;
        while (XPending(app.display)) {
            XNextEvent(app.display, &app.event);
            handleEvent(control, page);
        }
        // Auto-repeat keeps its short idle pass; with nothing to step, the
        // next thing that can happen is an event or the time-out.
        if (pageStepActs(control, page))
            usleep(idle_sleep);
        else if (app.current_page == page)
            waitForEvent(control.held ? -1 : pageTimeOutWait(control.last_activity, now()));
        if (control.held && control.repeat_armed)
            stepHeld(control, page);
        else if (!control.held && app.current_page == page && pageTimedOut(control.last_activity, now()))
            app.current_page = page_closed;
        if (app.current_page != page)
            return;
    }
}

} // namespace

void setScreenButton(int index, int left, int top, int right, int bottom)
{
    if (index < 0 || index >= MAX_SCREEN_BUTTONS)
        return;
    app.screen_buttons[index] = {1, top, bottom, left, right};
}

int findScreenButton(int x, int y)
{
    for (int i = 0; i < MAX_SCREEN_BUTTONS; i++) {
        const ScreenButton &b = app.screen_buttons[i];
        if (b.active && b.left <= x && x <= b.right && b.top <= y && y <= b.bottom)
            return i;
    }
    return -1;
}

void showButtonPressed(int index)
{
    showBottomButton(index, 38);
}

void showButtonReleased(int index)
{
    showBottomButton(index, 28);
}

void eraseValueLine(int y)
{
    XCopyArea(app.display, app.screen_parts.pixmap, app.icon_pixmap, app.gc, 0, 15, 60, 10, 2, y);
}

PageControl pageEntryControl(int page, Timeval now)
{
    PageControl control{};
    control.pressed_button = 0;
    control.held = false;
    control.repeat_armed = true;
    control.step_sign = page == page_position ? 1 : 0;
    control.view_choice = 0;
    control.last_activity = now;
    return control;
}

void setPageButtons(int page)
{
    // A page-1 field runs from its first digit cell's corner to its last
    // cell's corner plus the cell size less one.
    auto field = [](int index, int first, int last) {
        setScreenButton(index, digit_positions[first][0], digit_positions[first][1],
                        digit_positions[last][0] + 9, digit_positions[last][1] + 12);
    };
    switch (page) {
    case page_position:
        field(1, 0, 3);
        field(2, 4, 5);
        field(3, 6, 9);
        field(4, 10, 11);
        setScreenButton(previous_button, 1, 51, 21, 61);
        setScreenButton(next_button, 22, 51, 41, 61);
        setScreenButton(close_button, 42, 51, 62, 61);
        break;
    case page_delay_zoom:
    case page_light_dawn:
    case page_accel_night:
    case page_drift:
        setScreenButton(1, 2, 14, 62, 25);
        setScreenButton(2, 2, 38, 62, 49);
        break;
    case page_view:
        setScreenButton(1, 2, 14, 62, 25);
        setScreenButton(2, 2, 26, 62, 37);
        setScreenButton(3, 2, 38, 62, 49);
        break;
    default:
        break;
    }
}

void pagePress(PageControl &control, int page, int button, int hit)
{
    control.pressed_button = hit;
    control.held = true;
    if (button == Button3) {
        // A right press closes the pages except on a bottom button, where it
        // acts like any other press (navigation on release).
        control.repeat_armed = false;
        if (!isBottomButton(hit))
            app.current_page = page_closed;
        return;
    }
    if (page == page_time)
        return;
    if (button == Button2) {
        control.repeat_armed = true;
        if (page != page_view)
            control.step_sign = -1;
    } else if (button == Button1) {
        control.repeat_armed = true;
        if (page != page_view)
            control.step_sign = 1;
        else if (hit >= 1 && hit <= 3)
            control.view_choice = hit;
    }
}

void pageRelease(PageControl &control, int hit, Timeval now)
{
    if (hit == control.pressed_button) {
        if (hit == close_button)
            app.current_page = page_closed;
        else if (hit == next_button)
            app.current_page = nextPage(app.current_page);
        else if (hit == previous_button)
            app.current_page = previousPage(app.current_page);
    }
    control.last_activity = now;
    control.held = false;
    control.pressed_button = 0;
}

int nextPage(int page)
{
    if (page <= page_closed)
        return page_closed;
    return page >= page_count ? 1 : page + 1;
}

int previousPage(int page)
{
    if (page <= page_closed)
        return page_closed;
    return page <= 1 ? page_count : page - 1;
}

bool pageTimedOut(Timeval last, Timeval now)
{
    int64_t seconds = now.sec - last.sec;
    if (now.usec < last.usec)
        seconds -= 1;
    return seconds >= time_out_seconds;
}

int64_t pageTimeOutWait(Timeval last, Timeval now)
{
    constexpr int64_t time_out = time_out_seconds * int64_t{1000000};
    Timeval left = timevalSub(timevalAdd(last, {time_out_seconds, 0}), now);
    if (left.sec < 0)
        return 0;
    // A clock set back would otherwise keep the wait past the time-out.
    return std::min(left.sec * 1000000 + left.usec, time_out);
}

bool pageStepActs(const PageControl &control, int page)
{
    if (!control.held || !control.repeat_armed)
        return false;
    if (page == page_view)
        return control.view_choice != 0;
    return stepPause(page, control.pressed_button) >= 0;
}

void runScreens()
{
    // Position steps start from what a random view shows.
    if (app.view_mode == VIEW_RANDOM) {
        app.view_lat = app.shown_lat;
        app.view_long = app.shown_long;
    }
    app.current_page = page_position;
    while (app.current_page != page_closed) {
        runPage(app.current_page);
        XFlush(app.display);
    }
    // Without the shape option shape_mask is None, which removes the shaping.
    setWindowShapes(app.shape_mask);
    app.random_hold = 0;
    app.redraw_needed = 1;
}
