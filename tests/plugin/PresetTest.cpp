// SPDX-License-Identifier: GPL-3.0-or-later
#include "PluginRig.h"

#include <gtest/gtest.h>

using namespace pomelu;
using pomelu::test::makePlug;

// Their names and order are checked through the host's program list and pomelu-render's list.
TEST(FactoryPresets, OnlyNaturalLeavesTheLevelerOff)
{
    auto plug = makePlug();
    ASSERT_EQ(plug->NPresets(), 5);
    for (int i = 0; i < 5; ++i)
    {
        plug->RestorePreset(i);
        EXPECT_EQ(plug->GetParam(kLeveler)->Value(), i == 0 ? 0.0 : 1.0) << plug->GetPresetName(i);
        EXPECT_EQ(plug->GetParam(kComp)->Value(), 1.0);
        EXPECT_EQ(plug->GetParam(kClipGuard)->Value(), 1.0);
        EXPECT_EQ(plug->GetParam(kCeiling)->Value(), -1.0);
        EXPECT_EQ(plug->GetParam(kReverb)->Value(), 0.0);
    }
}

TEST(FactoryPresets, ValuesAreAsListed)
{
    auto plug = makePlug();
    auto v = [&](int idx) { return plug->GetParam(idx)->Value(); };
    ASSERT_TRUE(plug->RestorePreset(4)); // Gentle
    EXPECT_EQ(v(kDelay), 1.0);
    EXPECT_EQ(v(kDelayTime), 320.0);
    EXPECT_EQ(v(kDelayFeedback), 20.0);
    EXPECT_EQ(v(kDelayWet), 10.0);
    EXPECT_EQ(v(kCompThreshold), -18.0);
    EXPECT_EQ(v(kCompRatio), 1.7);
    EXPECT_EQ(v(kCompAttack), 25.0);
    EXPECT_EQ(v(kCompRelease), 230.0);
    EXPECT_EQ(v(kCompMakeup), 0.8);
    EXPECT_EQ(v(kPopCutFrequency), 65.0);
    EXPECT_EQ(v(kSClearFocus), 8000.0);
    plug->RestorePreset(2); // Narration
    EXPECT_EQ(v(kPopCutFrequency), 95.0);
    EXPECT_EQ(v(kEqMid), 2.2);
    EXPECT_EQ(v(kLevelRange), 7.0);
    EXPECT_EQ(v(kReverbSize), 30.0);
    plug->RestorePreset(3); // Podcast
    EXPECT_EQ(v(kEqHigh), -0.5);
    EXPECT_EQ(v(kCompThreshold), -27.0);
    EXPECT_EQ(v(kDelayWet), 4.0);
    plug->RestorePreset(1); // Singing
    EXPECT_EQ(v(kSClearAmount), 24.0);
    EXPECT_EQ(v(kCompRelease), 190.0);
}

TEST(FactoryPresets, UnlistedParametersReturnToDefaultsButTheThemeStays)
{
    auto plug = makePlug();
    plug->GetParam(kInput)->Set(6.0);
    plug->GetParam(kEqMidFrequency)->Set(1234.0);
    plug->GetParam(kDelayFeel)->Set(2.0);
    plug->GetParam(kTheme)->Set(2.0);
    plug->RestorePreset(0);
    EXPECT_EQ(plug->GetParam(kInput)->Value(), 0.0);
    EXPECT_EQ(plug->GetParam(kEqMidFrequency)->Value(), 2800.0);
    EXPECT_EQ(plug->GetParam(kDelayFeel)->Value(), 0.0);
    EXPECT_EQ(plug->GetParam(kTheme)->Value(), 2.0);
}
