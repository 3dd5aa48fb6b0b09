// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/Delay.h"
#include "EngineRig.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pomelu;
using namespace pomelu::test;

namespace
{
// Delay alone, fully wet, return filters as open as they go, no feedback.
dsp::RackSettings delayOnly()
{
    auto s = allModulesOff();
    s.delayOn = true;
    s.delayWet = s.delayLeftMix = s.delayRightMix = 100.0;
    s.delayFeedback = s.delayLeftFeedback = s.delayRightFeedback = 0.0;
    s.delayLowCut = 20.0;
    s.delayHighCut = 22000.0;
    s.delayWidth = 100.0;
    return s;
}
} // namespace

TEST(Delay, TwoHundredEightyMsAt48kHzArrivesAfterExactly13440Samples)
{
    EngineRig rig(delayOnly());
    const auto out = rig.runMono(impulse(20000));
    EXPECT_EQ(firstNonZero(out), 13440u);
}

TEST(Delay, SyncedTimesFollowTempoDivisionAndFeel)
{
    dsp::RackSettings s;
    s.delaySync = true;
    s.tempoBpm = 120.0;
    s.delayDivision = 2;
    s.delayFeel = 1;
    EXPECT_NEAR(dsp::delayTimeMs(s, 0), 750.0, 1e-9) << "1/4 dotted";
    s.delayDivision = 3;
    s.delayFeel = 2;
    EXPECT_NEAR(dsp::delayTimeMs(s, 0), 500.0 / 3.0, 1e-9) << "1/8 triplet";
    s.delayDivision = 0;
    s.delayFeel = 0;
    EXPECT_NEAR(dsp::delayTimeMs(s, 1), 2000.0, 1e-9) << "1/1 straight";
    s.delaySync = false;
    s.delayFeel = 1;
    EXPECT_EQ(dsp::delayTimeMs(s, 0), 280.0) << "the feel only applies when synced";
}

TEST(Delay, AFourSecondRequestIsClampedToTheLine)
{
    auto s = delayOnly();
    s.delayStereo = true;
    s.delayTimeMs = 2000.0;
    s.delayLeftTime = 200.0;
    EngineRig rig(s);
    const std::size_t length = rig.engine.delayLine.size(); // floor(2.6 x 48000) + 512 + 8
    ASSERT_EQ(length, 125320u);
    const auto out = rig.runMono(impulse(length + 10));
    EXPECT_EQ(firstNonZero(out), length - 1);
}

TEST(Delay, FullCrossFeedbackPingPongsAndZeroFeedsEachSideItself)
{
    auto s = delayOnly();
    s.delayStereo = true;
    s.delayTimeMs = 100.0;
    s.delayLeftTime = 100.0;  // 4800 samples
    s.delayRightTime = 150.0; // 7200 samples
    s.delayLeftFeedback = s.delayRightFeedback = 50.0;
    s.delayCrossFeedback = 100.0;
    const auto left = impulse(30000);
    const std::vector<double> silence(30000, 0.0);
    {
        EngineRig rig(s);
        const auto out = rig.run({left, silence});
        // Width 100 % computes the echoes through mid and side, which leaves rounding dust far below
        // 1e-6; the 20 Hz return high-pass leaves a small slow tail behind each echo, far below 0.05.
        EXPECT_EQ(firstNonZero(out[0]), 4800u);
        EXPECT_EQ(firstNonZero(out[1], 0, 1e-6), 4800u + 7200u) << "the left echo crosses to the right";
        EXPECT_EQ(firstNonZero(out[0], 4900, 0.05), 4800u + 7200u + 4800u) << "and back";
    }
    s.delayCrossFeedback = 0.0;
    {
        EngineRig rig(s);
        const auto out = rig.run({left, silence});
        EXPECT_EQ(firstNonZero(out[1], 0, 1e-6), 30000u) << "nothing reaches the right";
        EXPECT_EQ(firstNonZero(out[0], 4900, 0.05), 9600u) << "the left feeds itself";
    }
}

TEST(Delay, WidthScalesTheSideOfTheEchoesOnly)
{
    const auto left = impulse(6000);
    const std::vector<double> silence(6000, 0.0);
    const auto echoAt = [&](double width)
    {
        auto s = delayOnly();
        s.delayTimeMs = 100.0;
        s.delayWidth = width;
        EngineRig rig(s);
        const auto out = rig.run({left, silence});
        return std::pair{out[0][4800], out[1][4800]};
    };
    const auto [l100, r100] = echoAt(100.0);
    EXPECT_EQ(r100, 0.0);
    const auto [l0, r0] = echoAt(0.0);
    EXPECT_DOUBLE_EQ(l0, l100 / 2.0);
    EXPECT_DOUBLE_EQ(r0, l100 / 2.0);
    const auto [l200, r200] = echoAt(200.0);
    EXPECT_DOUBLE_EQ(l200, 1.5 * l100);
    EXPECT_DOUBLE_EQ(r200, -0.5 * l100);
}

TEST(Delay, MaximumFeedbackDecaysWithoutRunningAway)
{
    auto s = delayOnly();
    s.delayFeedback = 88.0;
    s.delayTimeMs = 50.0;
    EngineRig rig(s);
    const auto out = rig.runMono(impulse(48000 * 10));
    const double first = peakAbs(out.data(), 48000);
    const double last = peakAbs(out.data() + 48000 * 9, 48000);
    EXPECT_LT(last, first * 1e-3);
}

TEST(Delay, KeepsRecordingWhileOffSoSwitchingOnPlaysWhatCameBefore)
{
    auto s = delayOnly();
    s.delayOn = false;
    EngineRig rig(s);
    rig.runMono(impulse(1000));
    rig.settings.delayOn = true;
    const auto out = rig.runMono(std::vector<double>(20000, 0.0));
    EXPECT_EQ(firstNonZero(out) + 1000, 13440u);
}
