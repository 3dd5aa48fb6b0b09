// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HostObject.h"

#include "pluginterfaces/gui/iplugview.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

struct pollfd;

namespace pomelu::host
{

// The host's UI run loop as a Linux plug-in sees it (Steinberg::Linux::IRunLoop, handed out by the
// PlugFrame): file descriptors watched for reading and millisecond timers, driven by poll().
//
// Threads: one thread owns the loop, the host's UI thread. Registration, unregistration and the
// run calls happen on it, and every handler is called on it. Nothing here locks.
//
// Handlers are not reference counted: a plug-in unregisters a handler before destroying it (at the
// latest in IPlugView::removed). A handler may unregister itself or any other handler, and register
// new ones, from inside its own call: a removed handler is not called again, even later in the same
// pass, and a newly registered one is first called in a later pass. A descriptor that is closed
// while still registered is dropped from the loop rather than reported forever.
class RunLoop final : public HostObject<Steinberg::Linux::IRunLoop>
{
public:
    using Clock = std::chrono::steady_clock;

    RunLoop();
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // --- IRunLoop. A handler may be registered for several descriptors; unregistering it removes
    // all of them. A timer fires every `milliseconds` (at least 1) until it is unregistered; a late
    // timer fires once and then keeps its period from now, it does not catch up.
    Steinberg::tresult PLUGIN_API registerEventHandler(Steinberg::Linux::IEventHandler* handler,
                                                       Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                                Steinberg::Linux::TimerInterval milliseconds) override;
    Steinberg::tresult PLUGIN_API unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

    // Waits until a descriptor is readable, a timer is due or `timeout` has passed, then calls the
    // handler of every readable descriptor and every due timer once. Returns the number of calls.
    int runOnce(std::chrono::milliseconds timeout);
    // Runs for `duration`.
    void runFor(std::chrono::milliseconds duration);
    // Runs until `done` returns true (asked before every wait, and at least every 20 ms) or
    // `timeout` has passed; returns the last answer of `done`.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    // Registered and not yet removed: descriptors (one per handler and descriptor) and timers.
    std::size_t eventHandlerCount() const;
    std::size_t timerCount() const;

private:
    struct Watch
    {
        Steinberg::Linux::IEventHandler* handler; // nullptr once removed
        int fd;
    };
    struct Timer
    {
        Steinberg::Linux::ITimerHandler* handler; // nullptr once removed
        Clock::duration period;
        Clock::time_point due;
    };

    int dispatchDescriptors(const std::vector<pollfd>& ready, const std::vector<std::size_t>& watchIndex);
    int dispatchTimers();
    void compact();

    std::vector<Watch> watches;
    std::vector<Timer> timers;
    int dispatchDepth = 0; // removed entries are only erased outside every dispatch
};

} // namespace pomelu::host
