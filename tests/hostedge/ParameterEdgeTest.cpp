// SPDX-License-Identifier: GPL-3.0-or-later
// Parameter ids that do not exist and values that are not in 0..1 or not numbers at all, from the
// controller and from the process queue.
#include "HostEdgeRig.h"
#include "Parameters.h"

#include <climits>
#include <cmath>
#include <limits>
#include <utility>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace pomelu::test;

namespace
{

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const ParamID kUnknownIds[] = {91, 92, 1000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};

} // namespace

TEST_F(HostEdge, UnknownParameterIndicesAndIdsAreRefusedAndConversionsNeverAnswerWithNaN)
{
    ParameterInfo info{};
    for (int32 index : {-1, 91, 1000, INT_MAX, INT_MIN})
        EXPECT_EQ(host.controller()->getParameterInfo(index, info), kInvalidArgument) << index;
    String128 text{};
    TChar input[4] = {'1', 0};
    ParamValue value = 0.5;
    for (ParamID id : kUnknownIds)
    {
        EXPECT_EQ(host.controller()->setParamNormalized(id, 0.5), kInvalidArgument) << id;
        EXPECT_EQ(host.controller()->getParamNormalized(id), 0.0) << id;
        EXPECT_EQ(host.controller()->getParamStringByValue(id, 0.5, text), kInvalidArgument) << id;
        EXPECT_EQ(host.controller()->getParamValueByString(id, input, value), kInvalidArgument) << id;
        EXPECT_TRUE(std::isfinite(host.controller()->normalizedParamToPlain(id, 0.5))) << id;
        EXPECT_TRUE(std::isfinite(host.controller()->plainParamToNormalized(id, 0.5))) << id;
    }
    for (ParamID id = 0; id < static_cast<ParamID>(kHostParameterCount); ++id)
        for (double v : {kNaN, kInf, -kInf, 2.0, -1.0})
        {
            EXPECT_TRUE(std::isfinite(host.controller()->normalizedParamToPlain(id, v))) << id << " " << v;
            EXPECT_TRUE(std::isfinite(host.controller()->plainParamToNormalized(id, v))) << id << " " << v;
            EXPECT_EQ(host.controller()->getParamStringByValue(id, v, text), kResultOk) << id << " " << v;
        }
}

TEST_F(HostEdge, ControllerValuesOutsideZeroToOneAreClampedAndNaNIsRefused)
{
    // The wrapper's host bypass and program parameters too: a program value past the end picks the
    // last preset, before the start the first.
    for (ParamID id = 0; id < static_cast<ParamID>(kHostParameterCount); ++id)
    {
        const double before = host.controller()->getParamNormalized(id);
        EXPECT_EQ(host.controller()->setParamNormalized(id, kNaN), kInvalidArgument) << id;
        EXPECT_EQ(host.controller()->getParamNormalized(id), before) << id;
        for (const auto [set, taken] : {std::pair{1.5, 1.0}, {-0.5, 0.0}, {kInf, 1.0}, {-kInf, 0.0}})
        {
            EXPECT_EQ(host.controller()->setParamNormalized(id, set), kResultOk) << id;
            EXPECT_EQ(host.controller()->getParamNormalized(id), taken) << id << " set to " << set;
        }
    }
}

TEST_F(HostEdge, ProcessQueueIgnoresUnknownIdsAndNaNAndClampsTheRest)
{
    ASSERT_TRUE(host.setup(48000.0, 256, kSample64));
    ASSERT_EQ(host.controller()->setParamNormalized(kProgramId, 0.25), kResultOk); // a preset, then changes
    switchEverythingOn();
    ASSERT_EQ(host.controller()->setParamNormalized(pomelu::kInput, 0.6), kResultOk);
    const double programBefore = host.controller()->getParamNormalized(kProgramId);
    const double reverbSizeBefore = host.controller()->getParamNormalized(pomelu::kReverbSize);

    std::vector<ParamChange> changes = {
        {pomelu::kInput, kNaN, 0},      {pomelu::kOutput, kInf, 0},     {pomelu::kDrive, -kInf, 10},
        {pomelu::kCompRatio, 1e300, 0}, {pomelu::kDelayWet, -1e300, 0}, {kHostBypassId, kNaN, 0},
        {kProgramId, kNaN, 0},          {pomelu::kReverbSize, 0.5, -5}, {pomelu::kEqMid, 0.5, 1 << 30},
    };
    for (ParamID id : kUnknownIds)
        changes.push_back({id, 0.7, 0});
    GuardedBuffers<double> in(2, 256), out(2, 256);
    GuardedBuffers<float> in32(2, 256), out32(2, 256);
    in.fillSine(0.5);
    in32.fillSine(0.5f);
    {
        RealTimeProbe probe;
        for (int b = 0; b < 4; ++b)
        {
            ASSERT_EQ(host.process64(in.pointers(), out.pointers(), 2, 2, 256, changes), kResultOk);
            ASSERT_EQ(host.process32(in32.pointers(), out32.pointers(), 2, 2, 256, changes), kResultOk);
        }
        EXPECT_EQ(probe.allocations(), 0u);
        EXPECT_EQ(probe.locks(), 0u);
    }
    EXPECT_TRUE(out.allFinite());
    EXPECT_TRUE(out32.allFinite());
    EXPECT_GT(out.peak(0), 1e-3) << "a NaN for the host bypass must not switch the sound off";

    EXPECT_EQ(host.controller()->getParamNormalized(pomelu::kInput), 0.6) << "NaN is ignored";
    EXPECT_EQ(host.controller()->getParamNormalized(pomelu::kOutput), 1.0);
    EXPECT_EQ(host.controller()->getParamNormalized(pomelu::kDrive), 0.0);
    EXPECT_EQ(host.controller()->getParamNormalized(pomelu::kCompRatio), 1.0);
    EXPECT_EQ(host.controller()->getParamNormalized(pomelu::kDelayWet), 0.0);
    EXPECT_EQ(host.controller()->getParamNormalized(kHostBypassId), 0.0) << "NaN is ignored";
    EXPECT_EQ(host.controller()->getParamNormalized(kProgramId), programBefore) << "NaN is ignored";
    EXPECT_NE(host.controller()->getParamNormalized(pomelu::kReverbSize), reverbSizeBefore)
        << "odd sample offsets still deliver the value";

    // And the other way round: a NaN must not switch an engaged host bypass off either.
    ASSERT_EQ(host.controller()->setParamNormalized(kHostBypassId, 1.0), kResultOk);
    const std::vector<ParamChange> nanBypass = {{kHostBypassId, kNaN, 0}};
    ASSERT_EQ(host.process64(in.pointers(), out.pointers(), 2, 2, 256, nanBypass), kResultOk);
    EXPECT_EQ(host.controller()->getParamNormalized(kHostBypassId), 1.0);

    // A program change in the process call recalls its preset there, with a tempo, allocation-free.
    ASSERT_EQ(host.controller()->setParamNormalized(kHostBypassId, 0.0), kResultOk);
    const std::vector<ParamChange> program = {{kProgramId, 0.75, 0}}, none;
    {
        RealTimeProbe probe;
        ASSERT_EQ(host.process64(in.pointers(), out.pointers(), 2, 2, 256, program, 100.0), kResultOk);
        ASSERT_EQ(host.process32(in32.pointers(), out32.pointers(), 2, 2, 256, none, 128.0), kResultOk);
        EXPECT_EQ(probe.allocations(), 0u);
        EXPECT_EQ(probe.locks(), 0u);
    }
    EXPECT_EQ(host.controller()->getParamNormalized(kProgramId), 0.75);
    // The probes see into the module: a state request allocates, a new instance locks.
    RealTimeProbe control;
    std::vector<std::uint8_t> state;
    ASSERT_TRUE(host.getState(state));
    PluginInstance other;
    ASSERT_TRUE(other.open(POMELU_VST3_BUNDLE_DIR)) << other.lastError();
    EXPECT_GT(control.allocations(), 0u);
    EXPECT_GT(control.locks(), 0u);
}

// The host's bypass as hosts send it, a point in the block's parameter changes: from the next block
// the input passes bit for bit (with Input +12 dB and Output -12 dB, a rack that still ran would
// round and filter it), and switched off again the rack is back.
TEST_F(HostEdge, TheHostBypassSentWithABlockPassesTheInputUntilItIsSwitchedOff)
{
    ASSERT_TRUE(host.setup(48000.0, 256, kSample64));
    ASSERT_EQ(host.controller()->setParamNormalized(pomelu::kInput, 30.0 / 36.0), kResultOk);
    ASSERT_EQ(host.controller()->setParamNormalized(pomelu::kOutput, 6.0 / 36.0), kResultOk);
    GuardedBuffers<double> in(2, 256), out(2, 256);
    in.fillSine(0.5);
    const auto differs = [&]
    {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 256; ++i)
                if (out.channel(c)[i] != in.channel(c)[i])
                    return true;
        return false;
    };
    for (const double bypass : {1.0, 0.0})
    {
        SCOPED_TRACE(bypass == 1.0 ? "switched on" : "switched off");
        const std::vector<ParamChange> change = {{kHostBypassId, bypass, 0}}, none;
        ASSERT_EQ(host.process64(in.pointers(), out.pointers(), 2, 2, 256, change), kResultOk);
        for (int b = 0; b < 4; ++b)
        {
            ASSERT_EQ(host.process64(in.pointers(), out.pointers(), 2, 2, 256, none), kResultOk);
            EXPECT_EQ(differs(), bypass == 0.0) << "block " << b;
        }
        EXPECT_EQ(host.controller()->getParamNormalized(kHostBypassId), bypass);
    }
}
