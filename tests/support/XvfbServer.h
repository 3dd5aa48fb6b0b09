// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <sys/types.h>

namespace pomelu::test
{

// A private X server for window tests: Xvfb on a display number it picks itself (-displayfd), so
// tests never meet another program's windows; -noreset keeps it up between connections, which a
// server reset would refuse for a moment. Stopped with the object. When Xvfb is not installed
// or does not start, running() is false and error() says why: tests then skip with that message.
class XvfbServer
{
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return !displayName.empty(); }
    const std::string& display() const { return displayName; } // ":N"
    const std::string& error() const { return reason; }

private:
    pid_t pid = -1;
    std::string displayName;
    std::string reason;
};

} // namespace pomelu::test
