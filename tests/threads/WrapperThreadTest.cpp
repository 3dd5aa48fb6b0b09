// SPDX-License-Identifier: GPL-3.0-or-later
// The VST 3 wrapper as a host drives it from two threads: process() with parameter and program
// changes on the audio thread; parameter, program, state and bypass calls on the UI thread; and the
// wrapper's own idle timer running beside both.
#include "PluginInstance.h"
#include "ThreadRig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <thread>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace pomelu;
using namespace pomelu::test;

TEST(WrapperThreads, HostCallsFromTheUiThreadWhileTheAudioThreadProcesses)
{
    constexpr int kFrames = 256;
    constexpr int kBlocks = 400;
    // As the factory makes it: with the idle timer.
    auto* plug = new PomeluRarorudIzad(iplug::InstanceInfo{true});
    host::PluginInstance host;
    ASSERT_TRUE(host.adopt(static_cast<IComponent*>(plug))) << host.lastError();
    ASSERT_TRUE(host.setup(48000.0, kFrames, kSample32)) << host.lastError();
    IEditController* controller = host.controller();
    for (int idx : {kComp, kDelay, kReverb, kPhaser, kTremolo})
        controller->setParamNormalized(static_cast<ParamID>(idx), 1.0);

    std::vector<std::uint8_t> saved;
    ASSERT_TRUE(host.getState(saved));

    std::atomic<bool> started{false}, done{false};
    bool finite = true;
    std::thread audio(
        [&]
        {
            std::vector<float> in(kFrames), left(kFrames), right(kFrames);
            float* ins[2] = {in.data(), in.data()};
            float* outs[2] = {left.data(), right.data()};
            const std::vector<host::ParamChange> automation[3] = {
                {{static_cast<ParamID>(pomelu::kInput), 0.3, 0},
                 {static_cast<ParamID>(kCompThreshold), 0.2, 0}},
                {{90, 0.5, 0}}, // program change on the audio thread
                {{static_cast<ParamID>(pomelu::kInput), 0.7, 0}, {89, 0.0, 0}}};
            long t = 0;
            for (int b = 0; b < kBlocks; ++b)
            {
                for (float& x : in)
                    x = static_cast<float>(
                        0.5 * std::sin(2.0 * std::numbers::pi * 440.0 * static_cast<double>(t++) / 48000.0));
                host.process32(ins, outs, 2, 2, kFrames, automation[b % 3], 96.0);
                for (int i = 0; i < kFrames; ++i)
                    if (!std::isfinite(left[static_cast<std::size_t>(i)]) ||
                        !std::isfinite(right[static_cast<std::size_t>(i)]))
                        finite = false;
                started.store(true, std::memory_order_release);
            }
            done.store(true, std::memory_order_release);
        });

    while (!started.load(std::memory_order_acquire) && !done.load(std::memory_order_acquire))
        std::this_thread::yield();
    int round = 0;
    for (; round < 100 || !done.load(std::memory_order_acquire); ++round)
    {
        switch (round % 5)
        {
        case 0:
            controller->setParamNormalized(static_cast<ParamID>(pomelu::kOutput), (round % 7) / 7.0);
            break;
        case 1:
            controller->setParamNormalized(90, (round % 5) / 4.0); // program change on the UI thread
            break;
        case 2:
        {
            std::vector<std::uint8_t> state;
            EXPECT_TRUE(host.getState(state));
            break;
        }
        case 3:
            EXPECT_TRUE(host.setState(saved));
            break;
        default:
            controller->setParamNormalized(89, round % 2 == 0 ? 1.0 : 0.0);
            plug->RunIdleTick();
            break;
        }
    }
    audio.join();
    EXPECT_TRUE(finite);

    // Settled: the saved state loads back exactly.
    ASSERT_TRUE(host.setState(saved));
    std::vector<std::uint8_t> again;
    ASSERT_TRUE(host.getState(again));
    EXPECT_EQ(again, saved);
}
