// A private Xvfb for a test: started on a free display, stopped by its pid.
#pragma once

#include <string>

#include "xvfb.h"

// Starts Xvfb with these extra arguments (for example
// "-screen 0 320x240x8 -cc 3"); fails the calling test if it does not come up.
XServer startXvfb(const std::string &args = "-screen 0 320x240x24");

// Stops the server when it goes out of scope.
struct ScopedXvfb {
    XServer server;
    explicit ScopedXvfb(const std::string &args = "-screen 0 320x240x24") : server(startXvfb(args)) {}
    ~ScopedXvfb() { stopXvfb(server); }
    const char *name() const { return server.name.c_str(); }
};
