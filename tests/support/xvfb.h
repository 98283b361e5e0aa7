// A private Xvfb: started on a free display, stopped by its pid. Free of
// GoogleTest, so that the tests, the benchmarks and the fuzzers share it.
#pragma once

#include <string>

struct XServer {
    int pid = -1; // -1 when it did not start
    int number = -1;
    std::string name;  // ":N"
    std::string error; // why it did not start
};

// Starts Xvfb with these extra arguments (for example
// "-screen 0 320x240x8 -cc 3") and waits for it to take a display.
XServer launchXvfb(const std::string &args);

// Ends the server (SIGTERM, then SIGKILL after two seconds) and reaps it.
void stopXvfb(XServer &server);
