// SPDX-License-Identifier: GPL-3.0-or-later
// Which thread calls into the host, and when: restartComponent and the edit calls come from an idle
// tick (the shared idle thread, or the view's timer on the host's UI thread), never from
// inside a host call, and tearing an instance down never waits for a tick that waits for the host.
#include "AllocationCounter.h"
#include "MemoryStream.h"
#include "ParameterChanges.h"
#include "PluginInstance.h"
#include "PomeluRarorudIzad.h"

#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace pomelu;
using namespace pomelu::test;
using pomelu::host::ComponentHandler;
using pomelu::host::MemoryStream;
using pomelu::host::ParamChange;
using pomelu::host::ParameterChanges;
using pomelu::host::PluginInstance;

namespace
{

constexpr ParamID kProgramId = kNumParams + 1;

long threadId()
{
    return static_cast<long>(syscall(SYS_gettid));
}

bool threadAlive(long tid)
{
    return std::filesystem::exists("/proc/self/task/" + std::to_string(tid));
}

// Polls; a deadlock or a lost call fails the test instead of hanging it.
bool waitUntil(const std::function<bool()>& done)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done())
    {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// One host call as text: "begin 33", "perform 33 0.25", "end 33", "restart 1".
std::string call(const char* what, unsigned id, double value = -1.0)
{
    char text[64];
    std::snprintf(text, sizeof text, value < 0.0 ? "%s %u" : "%s %u %g", what, id, value);
    return text;
}

// Every call the handler recorded, edits first; `offThread` counts those not made on this thread.
std::vector<std::string> calls(const ComponentHandler& handler, int* offThread = nullptr)
{
    std::vector<std::string> texts;
    for (const ComponentHandler::Edit& e : handler.edits())
    {
        const char* kinds[] = {"begin", "perform", "end", "group", "group"};
        texts.push_back(call(kinds[static_cast<int>(e.kind)], e.id,
                             e.kind == ComponentHandler::Edit::Kind::Perform ? e.value : -1.0));
        if (offThread != nullptr)
            *offThread += e.thread != std::this_thread::get_id() ? 1 : 0;
    }
    for (const ComponentHandler::Restart& r : handler.restarts())
    {
        texts.push_back(call("restart", static_cast<unsigned>(r.flags)));
        if (offThread != nullptr)
            *offThread += r.thread != std::this_thread::get_id() ? 1 : 0;
    }
    return texts;
}

// Notes the kernel's id of the thread that calls restartComponent, on entry (before a host lock
// that `hostLock` may name), so that a test can watch that thread end.
void noteRestartThread(ComponentHandler& handler, std::atomic<long>& tid, std::mutex* hostLock = nullptr)
{
    handler.onRestart = [&tid, hostLock](int32)
    {
        tid.store(threadId());
        if (hostLock != nullptr)
            std::lock_guard held(*hostLock);
    };
}

// A host's frame without a run loop.
class FrameWithoutRunLoop final : public IPlugFrame
{
public:
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override
    {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
    tresult PLUGIN_API resizeView(IPlugView*, ViewRect*) override { return kResultFalse; }
};

// Returns once the in-process idle thread has begun and ended a whole pass over its clients: a tick
// that was under way at the call has ended, and every client has been offered a tick since.
bool awaitWholeIdlePass()
{
    struct PassCounter final : iplug::IdleThread::Client
    {
        bool AcquireForIdle() override { return true; }
        void IdleTick() override { ++ticks; }
        void ReleaseAfterIdle() override {}
        std::atomic<int> ticks{0};
    };
    static PassCounter passes; // outlives any pass that still holds it after Remove
    const int seen = passes.ticks.load();
    iplug::IdleThread::Add(&passes);
    // The first tick comes from a pass that began after Add, the second proves that pass ended.
    const bool passed = waitUntil([&] { return passes.ticks.load() >= seen + 2; });
    iplug::IdleThread::Remove(&passes);
    return passed;
}

// An initialised in-process instance, as the factory makes it, with its handler and a view attached:
// the test runs the view's idle tick itself, on its own thread, as the view's timer would.
class ViewHostCalls : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plug = new PomeluRarorudIzad(iplug::InstanceInfo{true});
        ASSERT_EQ(plug->initialize(nullptr), kResultOk);
        plug->setComponentHandler(&handler);
        plug->ViewAttached();
        ASSERT_TRUE(plug->IsServedByRunLoop());
    }
    void TearDown() override
    {
        plug->ViewRemoved();
        plug->terminate();
        plug->release();
        EXPECT_TRUE(awaitWholeIdlePass()); // no tick still holds the handler
    }

    ComponentHandler handler;
    PomeluRarorudIzad* plug = nullptr;
};

} // namespace

TEST(HostCalls, AProgramChangeInTheProcessCallReachesTheHostAndTeardownNeverWaitsForTheTick)
{
    PluginInstance host;
    std::mutex hostLock;
    std::atomic<long> restartThread{0};
    noteRestartThread(host.componentHandler(), restartThread, &hostLock);
    ASSERT_TRUE(host.open(POMELU_VST3_BUNDLE_DIR)) << host.lastError();
    ASSERT_TRUE(host.setup(48000.0, 256, kSample64));

    // The host holds its lock around a program change and then removes the plug-in, while the idle
    // tick sits in restartComponent waiting for that lock.
    std::unique_lock held(hostLock);
    ASSERT_EQ(host.process64(nullptr, nullptr, 0, 0, 0, {{kProgramId, 0.5, 0}}), kResultOk); // "Narration"
    EXPECT_DOUBLE_EQ(host.controller()->normalizedParamToPlain(
                         kPopCutFrequency, host.controller()->getParamNormalized(kPopCutFrequency)),
                     95.0);
    ASSERT_TRUE(waitUntil([&] { return restartThread.load() != 0; }))
        << "the host never heard of the values a program change in the process call set";
    const long idleThread = restartThread.load();
    EXPECT_NE(idleThread, threadId());
    auto teardown = std::async(std::launch::async, [&] { host.releaseInstance(); });
    const bool returned = teardown.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    held.unlock();
    teardown.wait();
    EXPECT_TRUE(returned) << "terminate()/release() waited for an idle tick that waits for the host's lock";
    EXPECT_TRUE(waitUntil([&] { return !threadAlive(idleThread); }))
        << "once the lock is free the tick ends, drops the last reference, and the idle thread ends";
    EXPECT_EQ(calls(host.componentHandler()), std::vector<std::string>{call("restart", kParamValuesChanged)});
}

TEST(HostCalls, OneIdleThreadServesEveryInstanceAndEndsWithTheLast)
{
    constexpr int kInstances = 3;
    PluginInstance hosts[kInstances];
    std::atomic<long> restartThreads[kInstances] = {};
    for (int i = 0; i < kInstances; ++i)
    {
        noteRestartThread(hosts[i].componentHandler(), restartThreads[i]);
        ASSERT_TRUE(hosts[i].open(POMELU_VST3_BUNDLE_DIR)) << hosts[i].lastError();
        ASSERT_EQ(hosts[i].controller()->setParamNormalized(kProgramId, 0.25 * (i + 1)), kResultOk);
    }
    for (int i = 0; i < kInstances; ++i)
        ASSERT_TRUE(waitUntil([&] { return restartThreads[i].load() != 0; })) << "instance " << i;
    const long idleThread = restartThreads[0].load();
    EXPECT_NE(idleThread, threadId());
    for (const std::atomic<long>& t : restartThreads)
        EXPECT_EQ(t.load(), idleThread) << "one thread for all instances";
    for (PluginInstance& h : hosts)
        h.releaseInstance(); // the module stays loaded: the thread ends by itself
    EXPECT_TRUE(waitUntil([&] { return !threadAlive(idleThread); }))
        << "the idle thread outlived its instances";
}

TEST_F(ViewHostCalls, WhileAViewIsAttachedOnlyItsTimerCallsTheHostInGestureOrder)
{
    MemoryStream saved;
    ASSERT_EQ(plug->getState(&saved), kResultOk);
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    ASSERT_EQ(plug->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);
    ASSERT_EQ(plug->setActive(true), kResultOk);
    ParameterChanges changes;
    ProcessData block;
    block.inputParameterChanges = &changes;
    std::vector<std::string> everyParameter; // an A/B switch
    for (unsigned idx = 0; idx < kNumParams; ++idx)
        everyParameter.insert(everyParameter.end(),
                              {call("begin", idx), call("perform", idx, 0.0), call("end", idx)});

    struct Case
    {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> expected;
        bool allocationFree; // an editor gesture or a change the plug-in makes: queued into reserved room
    };
    const std::string restart = call("restart", kParamValuesChanged);
    const Case cases[] = {
        {"a knob drag",
         [&]
         {
             plug->BeginInformHostOfParamChangeFromUI(kCompThreshold);
             plug->SendParameterValueFromUI(kCompThreshold, 0.25);
             plug->SendParameterValueFromUI(kCompThreshold, 0.5);
             plug->EndInformHostOfParamChangeFromUI(kCompThreshold);
         },
         {call("begin", kCompThreshold), call("perform", kCompThreshold, 0.25),
          call("perform", kCompThreshold, 0.5), call("end", kCompThreshold)},
         true},
        {"a value past the range is sent as stored",
         [&] { plug->SendParameterValueFromUI(pomelu::kInput, 1.5); },
         {call("perform", pomelu::kInput, 1.0)},
         true},
        {"every parameter changed by the plug-in itself",
         [&]
         {
             for (int idx = 0; idx < kNumParams; ++idx)
                 plug->SetParameterValueFromPlugin(idx, 0.0); // exact for stepped ones too
         },
         everyParameter, true},
        {"no parameter of ours",
         [&]
         {
             plug->BeginInformHostOfParamChangeFromUI(-1);
             plug->SendParameterValueFromUI(kNumParams, 0.5);
             plug->EndInformHostOfParamChangeFromUI(kNumParams + 1);
         },
         {},
         true},
        {"a value the host set", [&] { plug->setParamNormalized(pomelu::kInput, 0.3); }, {}, false},
        {"a state the host set",
         [&]
         {
             MemoryStream in(saved.data);
             plug->setState(&in);
         },
         {},
         false},
        {"a program the host set", [&] { plug->setParamNormalized(kProgramId, 0.75); }, {restart}, false},
        {"a program in the process call",
         [&]
         {
             const ParamChange program[] = {{kProgramId, 0.25, 0}};
             changes.set(program);
             plug->process(block);
         },
         {restart},
         false},
    };
    for (const Case& c : cases)
    {
        handler.clear();
        {
            AllocationScope scope;
            c.act();
            if (c.allocationFree)
            {
                EXPECT_EQ(scope.allocations(), 0u) << c.what;
            }
        }
        ASSERT_TRUE(awaitWholeIdlePass());
        EXPECT_TRUE(calls(handler).empty())
            << c.what << ": the shared idle thread served an instance with a view";
        plug->RunIdleTick();
        int offThread = 0;
        EXPECT_EQ(calls(handler, &offThread), c.expected) << c.what;
        ASSERT_EQ(offThread, 0) << c.what << ": a host call off the thread that runs the loop";
    }
    EXPECT_EQ(plug->GetParam(kCompThreshold)->GetNormalized(), 0.5) << "stored at once, for the next block";
}

TEST_F(ViewHostCalls, WithoutTheViewTheIdleThreadCallsTheHostAgain)
{
    plug->ViewRemoved();
    EXPECT_FALSE(plug->IsServedByRunLoop());
    plug->setParamNormalized(kProgramId, 0.5);
    ASSERT_TRUE(waitUntil([&] { return !calls(handler).empty(); }));
    int offThread = 0;
    const std::size_t made = calls(handler, &offThread).size();
    EXPECT_EQ(static_cast<std::size_t>(offThread), made) << "every call from the idle thread";
}

// The view's clock is the host's run loop: a frame without one is refused, with the reason.
TEST(EditorView, RefusesAFrameWithoutARunLoopAndSaysWhy)
{
    auto* plug = new PomeluRarorudIzad(iplug::InstanceInfo{});
    IPlugView* view = plug->createView("editor");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
    FrameWithoutRunLoop frame;
    view->setFrame(&frame);
    testing::internal::CaptureStderr();
    EXPECT_EQ(view->attached(reinterpret_cast<void*>(1), kPlatformTypeX11EmbedWindowID), kResultFalse);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("IRunLoop"), std::string::npos);
    view->setFrame(nullptr);
    view->release();
    plug->release();
}
