// SPDX-License-Identifier: GPL-3.0-or-later
#include "PluginRig.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>

using namespace pomelu;
using pomelu::test::makePlug;

namespace
{
std::string text(const iplug::IParam& p)
{
    std::string s;
    p.GetDisplay(s);
    return s;
}
} // namespace

TEST(ParameterTable, HasEightyNineParametersInIndexOrder)
{
    auto plug = makePlug();
    ASSERT_EQ(plug->NParams(), 89);
    for (int i = 0; i < plug->NParams(); ++i)
    {
        const iplug::IParam* p = plug->GetParam(i);
        EXPECT_LE(std::strlen(p->GetName()), 31u) << i;
        EXPECT_LE(std::strlen(p->GetLabel()), 31u) << i;
        for (int t = 0; t < p->NDisplayTexts(); ++t)
            EXPECT_LE(std::strlen(p->GetDisplayText(t)), 31u) << i;
        EXPECT_NE(p->Type(), iplug::IParam::kTypeNone) << i;
    }
}

// Every parameter as the table states it: name, default, range, step and unit.
TEST(ParameterTable, RangesDefaultsStepsAndValueTextsAreThoseOfTheTable)
{
    struct Row
    {
        int index;
        const char* name;
        double defaultValue, min, max, step;
        const char* label;
    };
    // clang-format off
    const Row rows[] = {
        {kBypass, "Bypass", 0, 0, 1, 1, ""},
        {kInput, "Input", 0, -18, 18, 0.1, "dB"},
        {kPopCut, "Pop Cut", 1, 0, 1, 1, ""},
        {kPopCutFrequency, "Pop Cut Frequency", 75, 25, 220, 1, "Hz"},
        {kSClear, "S Clear", 0, 0, 1, 1, ""},
        {kSClearAmount, "S Clear Amount", 25, 0, 100, 1, "%"},
        {kSClearFocus, "S Clear Focus", 7200, 4000, 12000, 10, "Hz"},
        {kEq, "EQ", 1, 0, 1, 1, ""},
        {kEqLow, "EQ Low", 0, -18, 18, 0.1, "dB"},
        {kEqLowMid, "EQ Low Mid", 0, -18, 18, 0.1, "dB"},
        {kEqMid, "EQ Mid", 0, -18, 18, 0.1, "dB"},
        {kEqHighMid, "EQ High Mid", 0, -18, 18, 0.1, "dB"},
        {kEqHigh, "EQ High", 0, -18, 18, 0.1, "dB"},
        {kLeveler, "Leveler", 0, 0, 1, 1, ""},
        {kLevelTarget, "Level Target", -18, -30, -8, 0.1, "dB"},
        {kLevelRange, "Level Range", 6, 1, 12, 0.1, "dB"},
        {kComp, "Comp", 0, 0, 1, 1, ""},
        {kCompThreshold, "Comp Threshold", -18, -48, 0, 0.1, "dB"},
        {kCompRatio, "Comp Ratio", 3, 1, 20, 0.1, ":1"},
        {kCompAttack, "Comp Attack", 12, 0.1, 200, 0.1, "ms"},
        {kCompRelease, "Comp Release", 120, 10, 1500, 1, "ms"},
        {kCompMakeup, "Comp Makeup", 0, 0, 18, 0.1, "dB"},
        {kCompMix, "Comp Mix", 100, 0, 100, 1, "%"},
        {kClipGuard, "Clip Guard", 0, 0, 1, 1, ""},
        {kCeiling, "Ceiling", -1, -6, -0.1, 0.1, "dB"},
        {kDistortion, "Distortion", 0, 0, 1, 1, ""},
        {kDrive, "Drive", 10, 0, 100, 1, "%"},
        {kPhaser, "Phaser", 0, 0, 1, 1, ""},
        {kPhaserRate, "Phaser Rate", 0.35, 0.05, 8, 0.01, "Hz"},
        {kPhaserDepth, "Phaser Depth", 25, 0, 100, 1, "%"},
        {kTremolo, "Tremolo", 0, 0, 1, 1, ""},
        {kTremoloRate, "Tremolo Rate", 4, 0.1, 20, 0.1, "Hz"},
        {kTremoloDepth, "Tremolo Depth", 0, 0, 100, 1, "%"},
        {kDelay, "Delay", 0, 0, 1, 1, ""},
        {kDelayTime, "Delay Time", 280, 10, 2000, 1, "ms"},
        {kDelayFeedback, "Delay Feedback", 20, 0, 88, 1, "%"},
        {kDelayWet, "Delay Wet", 0, 0, 100, 1, "%"},
        {kReverb, "Reverb", 0, 0, 1, 1, ""},
        {kReverbSize, "Reverb Size", 45, 0, 100, 1, "%"},
        {kReverbWet, "Reverb Wet", 0, 0, 100, 1, "%"},
        {kOutput, "Output", 0, -18, 18, 0.1, "dB"},
        {kEqLowCut, "EQ Low Cut", 1, 0, 1, 1, ""},
        {kEqLowCutFrequency, "EQ Low Cut Frequency", 75, 20, 600, 1, "Hz"},
        {kEqLowCutQ, "EQ Low Cut Q", 0.7, 0.1, 12, 0.01, ""},
        {kEqLowCutSlope, "EQ Low Cut Slope", 0, 0, 1, 1, ""},
        {kEqLowFrequency, "EQ Low Frequency", 180, 30, 800, 1, "Hz"},
        {kEqLowQ, "EQ Low Q", 0.7, 0.1, 12, 0.01, ""},
        {kEqLowMidFrequency, "EQ Low Mid Frequency", 500, 80, 4000, 1, "Hz"},
        {kEqLowMidQ, "EQ Low Mid Q", 1, 0.1, 12, 0.01, ""},
        {kEqMidFrequency, "EQ Mid Frequency", 2800, 200, 10000, 1, "Hz"},
        {kEqMidQ, "EQ Mid Q", 0.9, 0.1, 12, 0.01, ""},
        {kEqHighMidFrequency, "EQ High Mid Frequency", 5200, 500, 16000, 1, "Hz"},
        {kEqHighMidQ, "EQ High Mid Q", 1, 0.1, 12, 0.01, ""},
        {kEqHighFrequency, "EQ High Frequency", 7500, 1000, 20000, 1, "Hz"},
        {kEqHighQ, "EQ High Q", 0.7, 0.1, 12, 0.01, ""},
        {kEqHighCut, "EQ High Cut", 0, 0, 1, 1, ""},
        {kEqHighCutFrequency, "EQ High Cut Frequency", 17000, 2000, 22000, 1, "Hz"},
        {kEqHighCutQ, "EQ High Cut Q", 0.7, 0.1, 12, 0.01, ""},
        {kEqHighCutSlope, "EQ High Cut Slope", 0, 0, 1, 1, ""},
        {kCompKnee, "Comp Knee", 18, 0, 40, 0.1, "dB"},
        {kCompExpander, "Comp Expander", 18, 0, 100, 1, "%"},
        {kDistortionTone, "Distortion Tone", 55, 0, 100, 1, "%"},
        {kDistortionMix, "Distortion Mix", 20, 0, 100, 1, "%"},
        {kDistortionStyle, "Distortion Style", 0, 0, 7, 1, ""},
        {kPhaserFeedback, "Phaser Feedback", 18, 0, 95, 1, "%"},
        {kPhaserMix, "Phaser Mix", 22, 0, 100, 1, "%"},
        {kDelayLowCut, "Delay Low Cut", 180, 20, 2000, 1, "Hz"},
        {kDelayHighCut, "Delay High Cut", 7200, 1000, 22000, 1, "Hz"},
        {kDelayWidth, "Delay Width", 70, 0, 200, 1, "%"},
        {kDelayStereo, "Delay Stereo", 0, 0, 1, 1, ""},
        {kDelayRightTime, "Delay Right Time", 112, 50, 200, 1, "%"},
        {kDelayCrossFeedback, "Delay Cross Feedback", 100, 0, 100, 1, "%"},
        {kReverbDecay, "Reverb Decay", 38, 0, 100, 1, "%"},
        {kReverbPreDelay, "Reverb Pre-delay", 18, 0, 250, 1, "ms"},
        {kReverbTone, "Reverb Tone", 58, 0, 100, 1, "%"},
        {kLevelerSpeed, "Leveler Speed", 45, 0, 100, 1, "%"},
        {kLevelerSensitivity, "Leveler Sensitivity", 55, 0, 100, 1, "%"},
        {kClipGuardAmount, "Clip Guard Amount", 55, 0, 100, 1, "%"},
        {kTremoloSync, "Tremolo Sync", 0, 0, 1, 1, ""},
        {kTremoloDivision, "Tremolo Division", 3, 0, 4, 1, ""},
        {kDelaySync, "Delay Sync", 0, 0, 1, 1, ""},
        {kDelayDivision, "Delay Division", 3, 0, 4, 1, ""},
        {kDelayFeel, "Delay Feel", 0, 0, 2, 1, ""},
        {kDelayLeftTime, "Delay Left Time", 100, 50, 200, 1, "%"},
        {kDelayLeftFeedback, "Delay Left Feedback", 20, 0, 88, 1, "%"},
        {kDelayRightFeedback, "Delay Right Feedback", 20, 0, 88, 1, "%"},
        {kDelayLeftMix, "Delay Left Mix", 12, 0, 100, 1, "%"},
        {kDelayRightMix, "Delay Right Mix", 12, 0, 100, 1, "%"},
        {kTheme, "Theme", 0, 0, 2, 1, ""},
    };
    // clang-format on
    auto plug = makePlug();
    ASSERT_EQ(std::size(rows), static_cast<std::size_t>(plug->NParams()));
    for (int i = 0; i < plug->NParams(); ++i)
    {
        const Row& r = rows[i];
        const iplug::IParam& p = *plug->GetParam(i);
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.index, i);
        EXPECT_STREQ(p.GetName(), r.name);
        EXPECT_EQ(p.GetDefault(), r.defaultValue);
        EXPECT_EQ(p.GetMin(), r.min);
        EXPECT_EQ(p.GetMax(), r.max);
        EXPECT_EQ(p.GetStep(), r.step);
        EXPECT_STREQ(p.GetLabel(), r.label);
    }
    EXPECT_EQ(plug->GetParam(kDelayDivision)->GetStepCount(), 4);
    EXPECT_TRUE(plug->GetParam(kTheme)->GetStepped());
    EXPECT_TRUE(plug->GetParam(kBypass)->GetStepped());
    EXPECT_FALSE(plug->GetParam(kSClearFocus)->GetStepped());

    EXPECT_EQ(text(*plug->GetParam(kTremoloDivision)), "1/8");
    EXPECT_EQ(text(*plug->GetParam(kDelayDivision)), "1/8");
    EXPECT_EQ(text(*plug->GetParam(kDelayFeel)), "Straight");
    EXPECT_EQ(text(*plug->GetParam(kInput)), "0.0");
    EXPECT_EQ(text(*plug->GetParam(kPhaserRate)), "0.35");
    EXPECT_EQ(text(*plug->GetParam(kEqLowCutQ)), "0.70");
    EXPECT_EQ(text(*plug->GetParam(kDelayTime)), "280");
    EXPECT_EQ(text(*plug->GetParam(kEqLowCutSlope)), "12 dB/oct");
    EXPECT_EQ(text(*plug->GetParam(kTheme)), "Pomelu");
    plug->GetParam(kDistortionStyle)->Set(7.0);
    EXPECT_EQ(text(*plug->GetParam(kDistortionStyle)), "Chaos Ring / 大暴れ");
}
