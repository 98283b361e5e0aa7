// The displayed clock and the scheduling of refreshes.
#pragma once

#include "state.h"

Timeval timevalAdd(Timeval a, Timeval b);
Timeval timevalSub(Timeval a, Timeval b);

// The main loop's pause at the end of a turn; a timed refresh comes at most
// once a turn.
constexpr int64_t TURN_PAUSE_US = 40000;

// Microseconds from `now` until a timed refresh is due: once `now` is later
// than `next_refresh`, and no sooner than one turn's pause after the last
// refresh, so that -delay 0 refreshes once a turn. 0 when it is due already,
// and when the real clock has been set back behind the last refresh (the
// refresh would otherwise wait for the clock to catch up).
int64_t refreshWait(Timeval now);

// True when refreshWait(now) is 0.
bool refreshDue(Timeval now);

// Advances the displayed time, moves the view and re-renders when anything changed.
void refreshGlobe(int dragging);

// Recomputes the Sun (and the Moon when needed): 0 once a displayed minute,
// 1 now, 2 now with the Moon.
void updateBodies(int force);

// The real time; tests replace the source to drive the clock.
Timeval currentTime();
extern Timeval (*real_time_source)();
