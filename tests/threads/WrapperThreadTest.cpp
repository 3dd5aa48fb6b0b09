// SPDX-License-Identifier: GPL-3.0-or-later
// The VST 3 wrapper as a host drives it from two threads: process() with parameter and program
// changes on the audio thread; parameter, program, state and bypass calls on the UI thread; and the
// wrapper's own idle timer running beside both.
#include "ThreadRig.h"
#include "Vst3TestHost.h"

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
    ASSERT_EQ(plug->initialize(nullptr), kResultOk);
    SpeakerArrangement arr = SpeakerArr::kStereo;
    ASSERT_EQ(plug->setBusArrangements(&arr, 1, &arr, 1), kResultTrue);
    ProcessSetup setup{kRealtime, kSample32, kFrames, 48000.0};
    ASSERT_EQ(plug->setupProcessing(setup), kResultOk);
    ASSERT_EQ(plug->setActive(true), kResultOk);
    for (int idx : {kComp, kDelay, kReverb, kPhaser, kTremolo})
        plug->setParamNormalized(static_cast<ParamID>(idx), 1.0);

    MemoryStream saved;
    ASSERT_EQ(plug->getState(&saved), kResultOk);

    std::atomic<bool> started{false}, done{false};
    bool finite = true;
    std::thread audio(
        [&]
        {
            std::vector<float> in(kFrames), left(kFrames), right(kFrames);
            float* ins[2] = {in.data(), in.data()};
            float* outs[2] = {left.data(), right.data()};
            ParameterChanges changes(8);
            AudioBusBuffers inBus{}, outBus{};
            inBus.numChannels = outBus.numChannels = 2;
            inBus.channelBuffers32 = ins;
            outBus.channelBuffers32 = outs;
            ProcessContext context{};
            context.sampleRate = 48000.0;
            context.state = ProcessContext::kTempoValid;
            context.tempo = 96.0;
            ProcessData data;
            data.processMode = kRealtime;
            data.symbolicSampleSize = kSample32;
            data.numSamples = kFrames;
            data.numInputs = data.numOutputs = 1;
            data.inputs = &inBus;
            data.outputs = &outBus;
            data.inputParameterChanges = &changes;
            data.processContext = &context;
            const std::vector<ParamChange> automation[3] = {
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
                changes.set(automation[b % 3]);
                plug->process(data);
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
            plug->setParamNormalized(static_cast<ParamID>(pomelu::kOutput), (round % 7) / 7.0);
            break;
        case 1:
            plug->setParamNormalized(90, (round % 5) / 4.0); // program change on the UI thread
            break;
        case 2:
        {
            MemoryStream out;
            EXPECT_EQ(plug->getState(&out), kResultOk);
            break;
        }
        case 3:
        {
            MemoryStream in(saved.data);
            EXPECT_EQ(plug->setState(&in), kResultOk);
            break;
        }
        default:
            plug->setParamNormalized(89, round % 2 == 0 ? 1.0 : 0.0);
            plug->RunIdleTick();
            break;
        }
    }
    audio.join();
    EXPECT_TRUE(finite);

    // Settled: the saved state loads back exactly.
    MemoryStream in(saved.data);
    ASSERT_EQ(plug->setState(&in), kResultOk);
    MemoryStream again;
    ASSERT_EQ(plug->getState(&again), kResultOk);
    EXPECT_EQ(again.data, saved.data);

    plug->setActive(false);
    plug->terminate();
    plug->release();
}
