// The seven parameter pages behind a right click.
#pragma once

// Shows the pages until the user leaves them; returns with `redraw_needed` set.
void runScreens();
