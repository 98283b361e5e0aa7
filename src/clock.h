// The displayed clock and the scheduling of refreshes.
#pragma once

#include "state.h"

Timeval timevalAdd(Timeval a, Timeval b);
Timeval timevalSub(Timeval a, Timeval b);

// True when `now` is later than `next_refresh`.
bool refreshDue(Timeval now);

// Advances the displayed time, moves the view and re-renders when anything changed.
void refreshGlobe(int dragging);

// Recomputes the Sun (and the Moon when needed): 0 once a displayed minute,
// 1 now, 2 now with the Moon.
void updateBodies(int force);

// The real time; tests replace the source to drive the clock.
Timeval currentTime();
extern Timeval (*real_time_source)();
