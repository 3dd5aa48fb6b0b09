// SPDX-License-Identifier: GPL-3.0-or-later
// The host's run loop: timers, readable descriptors, and handlers that change the loop while it
// calls them.
#include "RunLoop.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <functional>
#include <thread>

using namespace pomelu::host;
using namespace Steinberg;
using namespace std::chrono_literals;

namespace
{

// Serves as a timer and as a descriptor handler (which reads the byte that woke it).
struct Probe final : Linux::ITimerHandler, Linux::IEventHandler
{
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override
    {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
    void PLUGIN_API onTimer() override { hit(); }
    void PLUGIN_API onFDIsSet(Linux::FileDescriptor fd) override
    {
        char byte = 0;
        EXPECT_EQ(read(fd, &byte, 1), 1) << "called for a descriptor with nothing to read";
        hit();
    }
    void hit()
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
    Probe fast, slow;
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

TEST(RunLoop, AReadableDescriptorCallsItsHandlerAndBadRegistrationsAreRefused)
{
    RunLoop loop;
    Pipe p;
    Probe probe;
    ASSERT_EQ(loop.registerEventHandler(&probe, p.fds[0]), kResultOk);
    EXPECT_EQ(loop.runOnce(0ms), 0) << "nothing to read yet";
    p.poke();
    EXPECT_EQ(loop.runOnce(5s), 1);
    EXPECT_EQ(probe.calls, 1);
    EXPECT_EQ(loop.runOnce(0ms), 0);

    // A descriptor closed without unregistering is dropped instead of being reported forever.
    int closed[2];
    ASSERT_EQ(pipe(closed), 0);
    Probe orphan;
    ASSERT_EQ(loop.registerEventHandler(&orphan, closed[0]), kResultOk);
    close(closed[0]);
    loop.runOnce(0ms);
    close(closed[1]);
    EXPECT_EQ(orphan.calls, 0);
    EXPECT_EQ(loop.eventHandlerCount(), 1u);

    EXPECT_EQ(loop.registerTimer(nullptr, 10), kInvalidArgument);
    EXPECT_EQ(loop.registerEventHandler(nullptr, 0), kInvalidArgument);
    EXPECT_EQ(loop.registerEventHandler(&orphan, -1), kInvalidArgument);
    EXPECT_EQ(loop.unregisterTimer(&orphan), kInvalidArgument);
    EXPECT_EQ(loop.unregisterEventHandler(&orphan), kInvalidArgument);
}

// Two passes over a readable descriptor (handler F) and two due timers (A, registered before B):
// what one handler does to the loop from inside its call, and who is called. C is a timer that is
// only registered from inside a call.
struct Probes
{
    Probe f, a, b, c;
};
struct DispatchCase
{
    const char* name;
    void (*arrange)(RunLoop&, Probes&);
    std::array<int, 4> afterOnePass, afterTwo; // calls of F, A, B, C
};

class RunLoopDispatch : public ::testing::TestWithParam<DispatchCase>
{
};

TEST_P(RunLoopDispatch, RemovalsTakeEffectAtOnceAndAdditionsFromTheNextPass)
{
    RunLoop loop;
    Pipe p;
    Probes probes;
    ASSERT_EQ(loop.registerEventHandler(&probes.f, p.fds[0]), kResultOk);
    ASSERT_EQ(loop.registerTimer(&probes.a, 1), kResultOk);
    ASSERT_EQ(loop.registerTimer(&probes.b, 1), kResultOk);
    GetParam().arrange(loop, probes);
    for (const auto& expected : {GetParam().afterOnePass, GetParam().afterTwo})
    {
        const int fBefore = probes.f.calls;
        p.poke();
        std::this_thread::sleep_for(5ms); // every 1 ms timer is due
        loop.runOnce(0ms);
        EXPECT_EQ((std::array{probes.f.calls, probes.a.calls, probes.b.calls, probes.c.calls}), expected);
        char byte;
        if (probes.f.calls == fBefore) // F is gone: empty the pipe for it
        {
            ASSERT_EQ(read(p.fds[0], &byte, 1), 1);
        }
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    RunLoop, RunLoopDispatch,
    ::testing::Values(
        DispatchCase{"Nothing", [](RunLoop&, Probes&) {}, {1, 1, 1, 0}, {2, 2, 2, 0}},
        DispatchCase{"TimerRemovesItself", [](RunLoop& l, Probes& p) { p.a.action = [&] { l.unregisterTimer(&p.a); }; },
                     {1, 1, 1, 0}, {2, 1, 2, 0}},
        DispatchCase{"TimerRemovesTheNextDueTimer",
                     [](RunLoop& l, Probes& p) { p.a.action = [&] { l.unregisterTimer(&p.b); }; },
                     {1, 1, 0, 0}, {2, 2, 0, 0}},
        DispatchCase{"DescriptorHandlerRemovesItselfAndATimer",
                     [](RunLoop& l, Probes& p)
                     { p.f.action = [&] { l.unregisterEventHandler(&p.f), l.unregisterTimer(&p.a); }; },
                     {1, 0, 1, 0}, {1, 0, 2, 0}},
        DispatchCase{"TimerRegistersANewTimer",
                     [](RunLoop& l, Probes& p) { p.a.action = [&] { if (p.a.calls == 1) l.registerTimer(&p.c, 1); }; },
                     {1, 1, 1, 0}, {2, 2, 2, 1}}),
    [](const ::testing::TestParamInfo<DispatchCase>& info) { return std::string(info.param.name); });
// clang-format on
