// The seven parameter pages behind a right click.
#pragma once

#include "state.h"

// Shows the pages until the user leaves them; returns with `redraw_needed` set.
void runScreens();

// Activates entry `index` (0 to 7) of the field table with these inclusive bounds.
void setScreenButton(int index, int left, int top, int right, int bottom);
// The lowest active entry that holds (x, y), or -1.
int findScreenButton(int x, int y);
// Draws bottom button 5, 6 or 7 sunken or raised and shows it; other indices draw nothing.
void showButtonPressed(int index);
void showButtonReleased(int index);
// Blanks the value line at y before it is drawn again.
void eraseValueLine(int y);

// What a page's loop keeps between events; reset whenever a page is entered.
struct PageControl {
    int pressed_button; // hit of the last press, -1 for none, 0 after a release
    bool held;          // a button went down on this page and is still down
    bool repeat_armed;  // the held button may step the field
    int step_sign;      // +1 after a left press, -1 after a middle press
    int view_choice;    // page 7: the line chosen in this batch of events, 0 none
    Timeval last_activity;
};

// The controller state on entry to `page`.
PageControl pageEntryControl(int page, Timeval now);
// Sets the field table entries of `page`.
void setPageButtons(int page);
// A press of `button` that hit entry `hit` of `page`; may close the pages.
void pagePress(PageControl &control, int page, int button, int hit);
// A release over entry `hit`: a complete click on a bottom button navigates.
void pageRelease(PageControl &control, int hit, Timeval now);
// The neighbouring pages, wrapping round 1..7; a request to close (0) stays.
int nextPage(int page);
int previousPage(int page);
// True once 6 whole seconds have passed since `last`.
bool pageTimedOut(Timeval last, Timeval now);
// Microseconds from `now` until pageTimedOut holds, at most the 6 seconds.
int64_t pageTimeOutWait(Timeval last, Timeval now);
// True when the idle pass will step the held field (an auto-repeat step or
// page 7's choice); otherwise the page waits for an event.
bool pageStepActs(const PageControl &control, int page);
