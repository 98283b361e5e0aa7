#include "xserver.h"

#include <gtest/gtest.h>

XServer startXvfb(const std::string &args)
{
    XServer server = launchXvfb(args);
    if (server.pid < 0)
        ADD_FAILURE() << server.error;
    return server;
}
