// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>

extern "C" int _Xdebug; // Xlib: every connection opened afterwards is synchronous

namespace pomelu::test
{

// A test suite whose tests share one private X server: DISPLAY names it and every X connection is
// synchronous, so an error surfaces at the request that caused it. A suite's SetUp calls
// SkipWithoutServer() first and returns when the test was skipped.
class XvfbSuite : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        server = new XvfbServer;
        if (server->running())
            setenv("DISPLAY", server->display().c_str(), 1);
        _Xdebug = 1;
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SkipWithoutServer()
    {
        if (!server->running())
            GTEST_SKIP() << "no Xvfb: " << server->error();
    }

    static inline XvfbServer* server = nullptr;
};

// The process's open file descriptors (X connections, pipes, files).
inline long openDescriptors()
{
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

} // namespace pomelu::test
