// The seven parameter pages: what each draws and what a held field changes.
#pragma once

#include <string>

// Page numbers; 0 closes the pages.
constexpr int page_closed = 0;
constexpr int page_position = 1;
constexpr int page_time = 2;
constexpr int page_delay_zoom = 3;
constexpr int page_light_dawn = 4;
constexpr int page_accel_night = 5;
constexpr int page_drift = 6;
constexpr int page_view = 7;

// Value texts, as the pages draw them.
std::string delayText(double delay);
std::string zoomText(double zoom);
std::string lightText(double light);
std::string dawnText(double dawn);
std::string accelText(double accel);
std::string driftText(double drift);
std::string viewModeLine(const char *format, int marked);

// The shown hour zone in seconds: that of the multiple of 15 degrees
// nearest to the longitude.
int zoneOffset(double longitude);
// A value text and the x it is drawn at.
struct TextLine {
    std::string text;
    int x;
};
// The displayed time's date ("%x") and time ("%X") in the zone of the
// longitude; a time of more than 10 characters loses its spaces and starts
// at the left edge.
std::string timeDateText(long long seconds, double longitude);
TextLine timeClockLine(long long seconds, double longitude);

// One step of each setting; step_sign +1 increases, anything else decreases
// (zoom: -1 decreases, anything else increases).
double nextDelay(double delay, int step_sign);
double nextZoom(double zoom, int step_sign);
double nextLight(double light, int step_sign);
double nextDawn(double dawn, int step_sign);
double nextAccel(double accel, int step_sign);
double nextDrift(double drift, int step_sign);

// Moves the view by (d_lat, d_long) degrees as the view mode reads it and
// shows the new position.
void nudgeView(double d_lat, double d_long);
// The part of nudgeView that moves the view, without drawing.
void moveViewBy(double d_lat, double d_long);

// The page draw operations; each shows every line it draws.
void drawTimePage();
void drawDelayZoomPage();
void drawLightDawnPage();
void drawAccelNightPage();
void drawDriftPage();
void drawViewModePage();

// Draws page `page` (1 to 7) over its background.
void drawPage(int page);

// The step of one held field of a page: changes the setting, redraws the
// page and returns the pause to take after it in microseconds; -1 when the
// field does nothing (no pause either).
int stepField(int page, int field, int step_sign);
// The pause that step takes, without taking it; -1 when the field does nothing.
int stepPause(int page, int field);

// Page 7's choice of line 1 (move), 2 (sun) or 3 (moon).
void chooseViewMode(int line);

// The state changes of each step, without drawing; stepField runs these and
// then redraws. They return false when nothing changed and nothing is drawn.
void applyDelayStep(int step_sign);
void applyZoomStep(int step_sign);
void applyLightStep(int step_sign);
void applyDawnStep(int step_sign);
void applyAccelStep(int step_sign);
bool applyNightMapToggle();
bool applyDriftStep(double &drift, int step_sign);
bool applyViewChoice(int line);
