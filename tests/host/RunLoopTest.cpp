// SPDX-License-Identifier: GPL-3.0-or-later
// The host's run loop: timers, readable descriptors, and handlers that change the loop while it
// calls them.
#include "RunLoop.h"
#include "HostObject.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <string>
#include <thread>

using namespace pomelu::host;
using namespace Steinberg;
using namespace std::chrono_literals;

namespace
{

struct TimerProbe final : HostObject<Linux::ITimerHandler>
{
    void PLUGIN_API onTimer() override
    {
        ++calls;
        thread = std::this_thread::get_id();
        if (action)
            action();
    }
    int calls = 0;
    std::thread::id thread;
    std::function<void()> action;
};

struct FdProbe final : HostObject<Linux::IEventHandler>
{
    void PLUGIN_API onFDIsSet(Linux::FileDescriptor fd) override
    {
        ++calls;
        char byte = 0;
        ASSERT_EQ(read(fd, &byte, 1), 1) << "called for a descriptor with nothing to read";
        if (action)
            action();
    }
    int calls = 0;
    std::function<void()> action;
};

// A pipe whose read end is watched; poke() makes it readable once.
struct Pipe
{
    Pipe() { EXPECT_EQ(pipe(fds), 0); }
    ~Pipe()
    {
        close(fds[0]);
        close(fds[1]);
    }
    void poke() { ASSERT_EQ(write(fds[1], "x", 1), 1); }
    int fds[2] = {-1, -1};
};

} // namespace

TEST(RunLoop, TimersFireOnTheLoopThreadAtTheirOwnPeriodUntilUnregistered)
{
    RunLoop loop;
    TimerProbe fast, slow;
    ASSERT_EQ(loop.registerTimer(&fast, 1), kResultOk);
    ASSERT_EQ(loop.registerTimer(&slow, 3600 * 1000), kResultOk);
    ASSERT_TRUE(loop.runUntil([&] { return fast.calls >= 5; }, 10s));
    EXPECT_EQ(slow.calls, 0) << "an hour-long timer is not due yet";
    EXPECT_EQ(fast.thread, std::this_thread::get_id());

    ASSERT_EQ(loop.unregisterTimer(&fast), kResultOk);
    const int before = fast.calls;
    loop.runFor(20ms);
    EXPECT_EQ(fast.calls, before);
    EXPECT_EQ(loop.timerCount(), 1u);
}

TEST(RunLoop, AReadableDescriptorCallsItsHandlerOncePerPass)
{
    RunLoop loop;
    Pipe p;
    FdProbe probe;
    ASSERT_EQ(loop.registerEventHandler(&probe, p.fds[0]), kResultOk);
    EXPECT_EQ(loop.runOnce(0ms), 0) << "nothing to read yet";
    p.poke();
    EXPECT_EQ(loop.runOnce(5s), 1);
    EXPECT_EQ(probe.calls, 1);
    EXPECT_EQ(loop.runOnce(0ms), 0);

    // A descriptor closed without unregistering is dropped instead of being reported forever.
    int closed[2];
    ASSERT_EQ(pipe(closed), 0);
    FdProbe orphan;
    ASSERT_EQ(loop.registerEventHandler(&orphan, closed[0]), kResultOk);
    close(closed[0]);
    loop.runOnce(0ms);
    close(closed[1]);
    EXPECT_EQ(orphan.calls, 0);
    EXPECT_EQ(loop.eventHandlerCount(), 1u);
}

TEST(RunLoop, RefusesNullHandlersBadDescriptorsAndUnknownHandlers)
{
    RunLoop loop;
    TimerProbe timer;
    FdProbe probe;
    EXPECT_EQ(loop.registerTimer(nullptr, 10), kInvalidArgument);
    EXPECT_EQ(loop.registerEventHandler(nullptr, 0), kInvalidArgument);
    EXPECT_EQ(loop.registerEventHandler(&probe, -1), kInvalidArgument);
    EXPECT_EQ(loop.unregisterTimer(&timer), kInvalidArgument);
    EXPECT_EQ(loop.unregisterEventHandler(&probe), kInvalidArgument);
    EXPECT_EQ(loop.timerCount() + loop.eventHandlerCount(), 0u);
}

// One pass with a readable descriptor (handler F) and two due timers (A, then B): what a handler does
// to the loop from inside its call, and who is called in this pass and in the next.
struct DispatchCase
{
    std::string name;
    std::function<void(RunLoop&, FdProbe& f, TimerProbe& a, TimerProbe& b, TimerProbe& c)> arrange;
    int f, a, b, c;                 // calls in the first pass
    int fNext, aNext, bNext, cNext; // totals after a second pass with everything due again
};

class RunLoopDispatch : public ::testing::TestWithParam<DispatchCase>
{
};

TEST_P(RunLoopDispatch, ChangesMadeDuringAPassTakeEffectAtOnceForRemovalsAndNextPassForAdditions)
{
    const DispatchCase& tc = GetParam();
    RunLoop loop;
    Pipe p;
    FdProbe f;
    TimerProbe a, b, c;
    ASSERT_EQ(loop.registerEventHandler(&f, p.fds[0]), kResultOk);
    ASSERT_EQ(loop.registerTimer(&a, 1), kResultOk);
    ASSERT_EQ(loop.registerTimer(&b, 1), kResultOk);
    tc.arrange(loop, f, a, b, c);

    for (int pass = 0; pass < 2; ++pass)
    {
        const int fBefore = f.calls;
        p.poke();
        std::this_thread::sleep_for(5ms); // every 1 ms timer is due
        loop.runOnce(0ms);
        const int expected[2][4] = {{tc.f, tc.a, tc.b, tc.c}, {tc.fNext, tc.aNext, tc.bNext, tc.cNext}};
        EXPECT_EQ(f.calls, expected[pass][0]) << "F, pass " << pass;
        EXPECT_EQ(a.calls, expected[pass][1]) << "A, pass " << pass;
        EXPECT_EQ(b.calls, expected[pass][2]) << "B, pass " << pass;
        EXPECT_EQ(c.calls, expected[pass][3]) << "C, pass " << pass;
        if (f.calls == fBefore)
        {
            char byte; // F is gone: empty the pipe ourselves
            ASSERT_EQ(read(p.fds[0], &byte, 1), 1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    RunLoop, RunLoopDispatch,
    ::testing::Values(DispatchCase{"Nothing",
                                   [](RunLoop&, FdProbe&, TimerProbe&, TimerProbe&, TimerProbe&) {}, 1, 1, 1,
                                   0, 2, 2, 2, 0},
                      DispatchCase{"TimerRemovesItself",
                                   [](RunLoop& l, FdProbe&, TimerProbe& a, TimerProbe&, TimerProbe&)
                                   { a.action = [&] { l.unregisterTimer(&a); }; },
                                   1, 1, 1, 0, 2, 1, 2, 0},
                      DispatchCase{"TimerRemovesTheNextDueTimer",
                                   [](RunLoop& l, FdProbe&, TimerProbe& a, TimerProbe& b, TimerProbe&)
                                   { a.action = [&] { l.unregisterTimer(&b); }; },
                                   1, 1, 0, 0, 2, 2, 0, 0},
                      DispatchCase{"DescriptorHandlerRemovesItselfAndATimer",
                                   [](RunLoop& l, FdProbe& f, TimerProbe& a, TimerProbe&, TimerProbe&)
                                   {
                                       f.action = [&]
                                       {
                                           l.unregisterEventHandler(&f);
                                           l.unregisterTimer(&a);
                                       };
                                   },
                                   1, 0, 1, 0, 1, 0, 2, 0},
                      DispatchCase{"TimerRegistersANewTimer",
                                   [](RunLoop& l, FdProbe&, TimerProbe& a, TimerProbe&, TimerProbe& c)
                                   {
                                       a.action = [&]
                                       {
                                           if (a.calls == 1)
                                               l.registerTimer(&c, 1);
                                       };
                                   },
                                   1, 1, 1, 0, 2, 2, 2, 1}),
    [](const ::testing::TestParamInfo<DispatchCase>& info) { return info.param.name; });
