// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunLoop.h"

#include <poll.h>

#include <algorithm>

namespace pomelu::host
{

using namespace Steinberg;
using namespace Steinberg::Linux;

namespace
{
// runUntil asks its predicate at least this often, so that a condition another thread makes true
// ends the run without waiting for the next handler call.
constexpr std::chrono::milliseconds kLongestUntilWait{20};
} // namespace

RunLoop::RunLoop() = default;
RunLoop::~RunLoop() = default;

tresult PLUGIN_API RunLoop::registerEventHandler(IEventHandler* handler, FileDescriptor fd)
{
    if (handler == nullptr || fd < 0)
        return kInvalidArgument;
    watches.push_back({handler, fd});
    return kResultOk;
}

tresult PLUGIN_API RunLoop::unregisterEventHandler(IEventHandler* handler)
{
    bool found = false;
    for (Watch& w : watches)
        if (handler != nullptr && w.handler == handler)
        {
            w.handler = nullptr;
            found = true;
        }
    compact();
    return found ? kResultOk : kInvalidArgument;
}

tresult PLUGIN_API RunLoop::registerTimer(ITimerHandler* handler, TimerInterval milliseconds)
{
    if (handler == nullptr)
        return kInvalidArgument;
    const Clock::duration period = std::chrono::milliseconds(std::max<TimerInterval>(milliseconds, 1));
    timers.push_back({handler, period, Clock::now() + period});
    return kResultOk;
}

tresult PLUGIN_API RunLoop::unregisterTimer(ITimerHandler* handler)
{
    bool found = false;
    for (Timer& t : timers)
        if (handler != nullptr && t.handler == handler)
        {
            t.handler = nullptr;
            found = true;
        }
    compact();
    return found ? kResultOk : kInvalidArgument;
}

int RunLoop::runOnce(std::chrono::milliseconds timeout)
{
    std::vector<pollfd> fds;
    std::vector<std::size_t> watchIndex;
    for (std::size_t i = 0; i < watches.size(); ++i)
        if (watches[i].handler != nullptr)
        {
            fds.push_back({watches[i].fd, POLLIN, 0});
            watchIndex.push_back(i);
        }

    Clock::duration wait = std::max(timeout, std::chrono::milliseconds(0));
    const Clock::time_point now = Clock::now();
    for (const Timer& t : timers)
        if (t.handler != nullptr)
            wait = std::min(wait, std::max(t.due - now, Clock::duration::zero()));
    // Round up: a wait cut short by rounding down would spin until the timer is due.
    const auto waitMs = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
    const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(waitMs));

    ++dispatchDepth;
    int calls = ready > 0 ? dispatchDescriptors(fds, watchIndex) : 0;
    calls += dispatchTimers();
    --dispatchDepth;
    compact();
    return calls;
}

int RunLoop::dispatchDescriptors(const std::vector<pollfd>& ready, const std::vector<std::size_t>& watchIndex)
{
    int calls = 0;
    for (std::size_t k = 0; k < ready.size(); ++k)
    {
        Watch& w = watches[watchIndex[k]];
        if (w.handler == nullptr || ready[k].revents == 0)
            continue;
        if ((ready[k].revents & POLLNVAL) != 0)
        {
            w.handler = nullptr; // closed behind our back: poll would report it on every pass
            continue;
        }
        IEventHandler* handler = w.handler; // the call may grow `watches`: copy before calling
        const int fd = w.fd;
        handler->onFDIsSet(fd);
        ++calls;
    }
    return calls;
}

int RunLoop::dispatchTimers()
{
    int calls = 0;
    const std::size_t count = timers.size(); // timers registered by a handler wait for the next pass
    for (std::size_t i = 0; i < count; ++i)
    {
        const Clock::time_point now = Clock::now();
        Timer& t = timers[i];
        if (t.handler == nullptr || t.due > now)
            continue;
        t.due += t.period;
        if (t.due <= now)
            t.due = now + t.period;
        ITimerHandler* handler = t.handler;
        handler->onTimer();
        ++calls;
    }
    return calls;
}

void RunLoop::compact()
{
    if (dispatchDepth > 0)
        return;
    std::erase_if(watches, [](const Watch& w) { return w.handler == nullptr; });
    std::erase_if(timers, [](const Timer& t) { return t.handler == nullptr; });
}

void RunLoop::runFor(std::chrono::milliseconds duration)
{
    const Clock::time_point end = Clock::now() + duration;
    for (Clock::time_point now = Clock::now(); now < end; now = Clock::now())
        runOnce(std::chrono::ceil<std::chrono::milliseconds>(end - now));
}

bool RunLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const Clock::time_point end = Clock::now() + timeout;
    for (Clock::time_point now = Clock::now(); !done(); now = Clock::now())
    {
        if (now >= end)
            return false;
        runOnce(std::min(kLongestUntilWait, std::chrono::ceil<std::chrono::milliseconds>(end - now)));
    }
    return true;
}

std::size_t RunLoop::eventHandlerCount() const
{
    return static_cast<std::size_t>(
        std::count_if(watches.begin(), watches.end(), [](const Watch& w) { return w.handler != nullptr; }));
}

std::size_t RunLoop::timerCount() const
{
    return static_cast<std::size_t>(
        std::count_if(timers.begin(), timers.end(), [](const Timer& t) { return t.handler != nullptr; }));
}

} // namespace pomelu::host
