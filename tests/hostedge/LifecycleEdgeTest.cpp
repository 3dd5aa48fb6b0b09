// SPDX-License-Identifier: GPL-3.0-or-later
// Host call orders the standard does not promise: processing before setup or activation, double
// activation, deactivation mid-stream, odd sample rates and block sizes.
#include "HostEdgeRig.h"

#include "Parameters.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace pomelu::test;

namespace
{

template <class T> void processSineBlocksOf(PluginInstance& host, int frames, int blocks)
{
    SineBlock<T> block(frames, std::numeric_limits<T>::quiet_NaN());
    GuardedBuffers<T>& out = block.out;
    RealTimeProbe probe;
    for (int b = 0; b < blocks; ++b)
        ASSERT_EQ(block.data.run(host.processor()), kResultOk) << "block " << b;
    EXPECT_EQ(probe.allocations(), 0u);
    EXPECT_EQ(probe.locks(), 0u);
    EXPECT_TRUE(out.allFinite()) << "every sample of the block is written, none is NaN or infinite";
    EXPECT_TRUE(out.guardsIntact());
    if (frames >= 64) // a 220 Hz sine needs a few samples to rise
    {
        EXPECT_GT(out.peak(0), 1e-3);
    }
}

// Runs `blocks` blocks of a sine through 64 or 32 bit and checks the real-time rules and the output.
void processSineBlocks(PluginInstance& host, int frames, int blocks, int32 sampleSize)
{
    if (sampleSize == kSample64)
        processSineBlocksOf<double>(host, frames, blocks);
    else
        processSineBlocksOf<float>(host, frames, blocks);
}

} // namespace

TEST_F(HostEdge, ProcessingBeforeSetupOrActivationSilencesTheOutputsAndSaysSo)
{
    SineBlock<double> b64(256, 0.7);
    SineBlock<float> b32(256, 0.7f);
    GuardedBuffers<double>& out64 = b64.out;
    GuardedBuffers<float>& out32 = b32.out;

    for (bool setUp : {false, true})
    {
        if (setUp) // set up, still inactive
        {
            SpeakerArrangement stereo = SpeakerArr::kStereo;
            ASSERT_EQ(host.processor()->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);
            ProcessSetup setup{kRealtime, kSample64, 256, 48000.0};
            ASSERT_EQ(host.processor()->setupProcessing(setup), kResultOk);
        }
        out64.fill(0.7);
        out32.fill(0.7f);
        RealTimeProbe probe;
        EXPECT_NE(b64.data.run(host.processor()), kResultOk);
        EXPECT_NE(b32.data.run(host.processor()), kResultOk);
        EXPECT_EQ(probe.allocations(), 0u);
        EXPECT_EQ(probe.locks(), 0u);
        EXPECT_EQ(std::max({out64.peak(0), out64.peak(1), out32.peak(0), out32.peak(1)}), 0.0) << setUp;
        EXPECT_TRUE(out64.guardsIntact());
        EXPECT_TRUE(out32.guardsIntact());
    }
}

TEST_F(HostEdge, DeactivationMidStreamSilencesAndReactivationStartsFromCleanMemories)
{
    ASSERT_TRUE(host.setup(48000.0, 256, kSample64));
    switchEverythingOn();
    processSineBlocks(host, 256, 40, kSample64); // the delay and reverb are full now

    ASSERT_EQ(host.processor()->setProcessing(false), kResultOk);
    ASSERT_EQ(host.component()->setActive(false), kResultOk);
    SineBlock<double> block(256, 0.7);
    EXPECT_NE(block.data.run(host.processor()), kResultOk);
    EXPECT_EQ(std::max(block.out.peak(0), block.out.peak(1)), 0.0);

    ASSERT_EQ(host.component()->setActive(true), kResultOk);
    ASSERT_EQ(host.processor()->setProcessing(true), kResultOk);
    ASSERT_EQ(block.data.run(host.processor()), kResultOk);

    // A fresh instance with the same settings hears exactly the same first block.
    PluginInstance fresh;
    ASSERT_TRUE(fresh.open(POMELU_VST3_BUNDLE_DIR)) << fresh.lastError();
    std::vector<std::uint8_t> state;
    ASSERT_TRUE(host.getState(state));
    ASSERT_TRUE(fresh.setState(state));
    ASSERT_TRUE(fresh.setup(48000.0, 256, kSample64));
    SineBlock<double> freshBlock(256, 0.7);
    ASSERT_EQ(freshBlock.data.run(fresh.processor()), kResultOk);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(block.out.channel(c)[i], freshBlock.out.channel(c)[i])
                << "channel " << c << " sample " << i;
}

TEST_F(HostEdge, OddCallOrdersRatesAndBlockSizesStillProcessFiniteAudio)
{
    // Some hosts activate straight away: the defaults must carry a working 32-bit path too.
    ASSERT_EQ(host.component()->setActive(true), kResultOk);
    processSineBlocks(host, 512, 4, kSample64);
    processSineBlocks(host, 512, 4, kSample32);
    ASSERT_TRUE(host.setup(48000.0, 256, kSample64));
    switchEverythingOn();
    ASSERT_EQ(host.component()->setActive(true), kResultOk);
    ASSERT_EQ(host.component()->setActive(true), kResultOk);
    processSineBlocks(host, 256, 10, kSample64);

    // Each row sets up again (stop, then start) and processes both sample sizes.
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    const struct
    {
        double rate;
        int32 maxBlock;
        int frames, blocks;
        uint32 tail; // 0: any finite, positive tail
    } setups[] = {
        // clang-format off
        // Rates below 8000 Hz, and rates that are none at all, run at 8000 Hz.
        {0.0, 512, 512, 8, 64000}, {1.0, 512, 512, 8, 64000}, {-44100.0, 512, 512, 8, 64000},
        {nan, 512, 512, 8, 64000}, {1000000.0, 512, 512, 8, 8000000}, {inf, 512, 512, 8, 0},
        // Block sizes that change between setups.
        {48000.0, 32, 32, 20, 384000}, {48000.0, 8192, 8192, 3, 384000}, {48000.0, 16, 16, 3, 384000},
        {48000.0, 1, 1, 3, 384000}, {48000.0, 4096, 4096, 3, 384000},
        // Blocks larger than the announced maximum, and nonsense maximums.
        {48000.0, 64, 5000, 3, 384000}, {48000.0, 64, 70000, 1, 384000}, {48000.0, 0, 1024, 2, 384000},
        {48000.0, -512, 1024, 2, 384000}, {48000.0, INT_MAX, 1024, 2, 384000}, {48000.0, 1 << 24, 1024, 2, 384000},
        // clang-format on
    };
    for (const auto& s : setups)
    {
        SCOPED_TRACE(testing::Message()
                     << s.rate << " Hz, maximum block " << s.maxBlock << ", " << s.frames << " frames");
        ASSERT_TRUE(host.setup(s.rate, s.maxBlock, kSample32)) << host.lastError();
        processSineBlocks(host, s.frames, s.blocks, kSample32);
        processSineBlocks(host, s.frames, s.blocks, kSample64);
        const uint32 tail = host.processor()->getTailSamples();
        if (s.tail != 0)
            EXPECT_EQ(tail, s.tail);
        else
            EXPECT_GT(tail, 0u);
    }
}

// Each way the host's audio can pause for the plug-in: its own "Bypass", the host's bypass, and a
// stop and start of processing. A rack never paused is the reference.
enum class Pause
{
    None,
    PluginBypass,
    HostBypass,
    StopAndStart
};

std::string pauseName(const ::testing::TestParamInfo<Pause>& info)
{
    constexpr const char* kNames[] = {"None", "PluginBypass", "HostBypass", "StopAndStart"};
    return kNames[static_cast<int>(info.param)];
}

class AfterAPause : public HostEdge, public ::testing::WithParamInterface<Pause>
{
};

// A ±0.5 square wave through the default rack with an echo and a reverb, then 10 s of silence in
// the pause, then silence again: what comes out is what the rack remembered from before.
TEST_P(AfterAPause, SilenceStaysSilentWithoutAThumpOrOldEchoes)
{
    constexpr int kBlock = 480; // 10 ms
    ASSERT_TRUE(host.setup(48000.0, kBlock, kSample64));
    for (const auto& [id, value] : {std::pair{pomelu::kDelay, 1.0},
                                    {pomelu::kDelayWet, 0.5},
                                    {pomelu::kReverb, 1.0},
                                    {pomelu::kReverbWet, 0.4}})
        ASSERT_EQ(host.controller()->setParamNormalized(static_cast<ParamID>(id), value), kResultOk);
    SineBlock<double> block(kBlock);
    GuardedBuffers<double>&in = block.in, &out = block.out;
    const auto run = [&](std::initializer_list<ParamChange> changes)
    {
        block.data.changes().set(std::vector<ParamChange>(changes));
        ASSERT_EQ(block.data.run(host.processor()), kResultOk);
    };

    for (int b = 0; b < 100; ++b) // 1 s of a 50 Hz square wave
    {
        in.fill(b % 2 == 0 ? 0.5 : -0.5);
        run({});
    }
    in.fill(0.0);
    const Pause pause = GetParam();
    const ParamID switchId = pause == Pause::PluginBypass ? ParamID{pomelu::kBypass} : kHostBypassId;
    if (pause == Pause::StopAndStart)
        ASSERT_EQ(host.processor()->setProcessing(false), kResultOk); // the host runs no blocks
    else
        for (int b = 0; b < 1000; ++b)
            run(b == 0 && pause != Pause::None ? std::initializer_list<ParamChange>{{switchId, 1.0, 0}}
                                               : std::initializer_list<ParamChange>{});
    if (pause == Pause::StopAndStart)
        ASSERT_EQ(host.processor()->setProcessing(true), kResultOk);

    double peaks[2] = {0.0, 0.0}; // the first 10 ms, the rest of the first second
    for (int b = 0; b < 100; ++b)
    {
        run(b == 0 && pause != Pause::None && pause != Pause::StopAndStart
                ? std::initializer_list<ParamChange>{{switchId, 0.0, 0}}
                : std::initializer_list<ParamChange>{});
        peaks[b == 0 ? 0 : 1] = std::max({peaks[b == 0 ? 0 : 1], out.peak(0), out.peak(1)});
    }
    EXPECT_LT(peaks[0], 1e-6) << "peak of the first 10 ms";
    EXPECT_LT(peaks[1], 1e-6) << "peak of the rest of the first second";
}

INSTANTIATE_TEST_SUITE_P(HostEdge, AfterAPause,
                         ::testing::Values(Pause::None, Pause::PluginBypass, Pause::HostBypass,
                                           Pause::StopAndStart),
                         pauseName);
