// SPDX-License-Identifier: GPL-3.0-or-later
#include "PluginRig.h"

#include <gtest/gtest.h>

#include <cstring>
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
    EXPECT_STREQ(plug->GetParam(kBypass)->GetName(), "Bypass");
    EXPECT_STREQ(plug->GetParam(kOutput)->GetName(), "Output");
    EXPECT_STREQ(plug->GetParam(kEqLowCut)->GetName(), "EQ Low Cut");
    EXPECT_STREQ(plug->GetParam(kReverbPreDelay)->GetName(), "Reverb Pre-delay");
    EXPECT_STREQ(plug->GetParam(kTheme)->GetName(), "Theme");
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

TEST(ParameterTable, OnlyPopCutEqAndTheLowCutStartOn)
{
    auto plug = makePlug();
    const int switches[] = {kPopCut,     kSClear, kEq,      kLeveler, kComp,  kClipGuard,
                            kDistortion, kPhaser, kTremolo, kDelay,   kReverb};
    for (int idx : switches)
    {
        const bool expectedOn = idx == kPopCut || idx == kEq;
        EXPECT_EQ(plug->GetParam(idx)->Value(), expectedOn ? 1.0 : 0.0) << plug->GetParam(idx)->GetName();
        EXPECT_EQ(plug->GetParam(idx)->Type(), iplug::IParam::kTypeBool);
    }
    EXPECT_EQ(plug->GetParam(kEqLowCut)->Value(), 1.0);
    EXPECT_EQ(plug->GetParam(kEqHighCut)->Value(), 0.0);
}

TEST(ParameterTable, RangesDefaultsStepsAndValueTextsAreThoseOfTheTable)
{
    auto plug = makePlug();
    EXPECT_EQ(plug->GetParam(kDelayFeedback)->GetMax(), 88.0);
    EXPECT_EQ(plug->GetParam(kDelayLeftFeedback)->GetMax(), 88.0);
    EXPECT_EQ(plug->GetParam(kDelayRightFeedback)->GetMax(), 88.0);
    EXPECT_EQ(plug->GetParam(kPhaserFeedback)->GetMax(), 95.0);
    EXPECT_EQ(plug->GetParam(kDelayWidth)->GetMax(), 200.0);
    EXPECT_EQ(plug->GetParam(kDelayLeftTime)->GetMin(), 50.0);
    EXPECT_EQ(plug->GetParam(kDelayLeftTime)->GetDefault(), 100.0);
    EXPECT_EQ(plug->GetParam(kDelayRightTime)->GetDefault(), 112.0);
    EXPECT_EQ(plug->GetParam(kCompAttack)->GetMin(), 0.1);
    EXPECT_EQ(plug->GetParam(kCompRatio)->GetMax(), 20.0);
    EXPECT_STREQ(plug->GetParam(kCompRatio)->GetLabel(), ":1");
    EXPECT_EQ(plug->GetParam(kCeiling)->GetMax(), -0.1);
    EXPECT_EQ(plug->GetParam(kDelayDivision)->GetStepCount(), 4);
    EXPECT_TRUE(plug->GetParam(kTheme)->GetStepped());
    EXPECT_TRUE(plug->GetParam(kBypass)->GetStepped());
    EXPECT_FALSE(plug->GetParam(kSClearFocus)->GetStepped());
    EXPECT_EQ(plug->GetParam(kSClearFocus)->GetStep(), 10.0);

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
