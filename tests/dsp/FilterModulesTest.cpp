// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineRig.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pomelu;
using namespace pomelu::test;

TEST(PopCut, AttenuatesTwentyHertzByAboutTwentyThreeDbAndPassesOneKilohertz)
{
    auto s = allModulesOff();
    s.popCutOn = true; // 75 Hz by default
    EXPECT_NEAR(measuredGainDb(s, 20.0), -23.0, 0.5);
    EXPECT_NEAR(measuredGainDb(s, 1000.0), 0.0, 0.05);
}

TEST(SClear, FullAmountCutsTwelveDbWellAboveTheFocusAndNothingWellBelow)
{
    auto s = allModulesOff();
    s.sClearOn = true;
    s.sClearAmount = 100.0;
    s.sClearFocus = 7200.0;
    EXPECT_NEAR(measuredGainDb(s, 20000.0), -12.0, 0.3);
    EXPECT_NEAR(measuredGainDb(s, 200.0), 0.0, 0.05);
}

TEST(Eq, BandsBoostTheirCentresBySetGain)
{
    auto s = allModulesOff();
    s.eqOn = true;
    s.lowCutOn = false;
    s.eqGainDb[2] = 9.0; // Mid peak at 2800 Hz
    EXPECT_NEAR(measuredGainDb(s, 2800.0), 9.0, 0.05);
    s.eqGainDb[2] = 0.0;
    s.eqGainDb[1] = -6.0; // Low Mid at 500 Hz
    EXPECT_NEAR(measuredGainDb(s, 500.0), -6.0, 0.05);
}

TEST(Eq, TwelveAndTwentyFourDbCutsAreAboutThreeAndSixDbDownAtTheirFrequency)
{
    auto s = allModulesOff();
    s.eqOn = true;
    s.lowCutFrequency = 400.0; // Q 0.7: one stage is 20 log10(0.7) = -3.10 dB at the corner
    EXPECT_NEAR(measuredGainDb(s, 400.0), -3.10, 0.05);
    s.lowCutSteep = true;
    EXPECT_NEAR(measuredGainDb(s, 400.0), -6.20, 0.05);
    s.lowCutOn = false;
    s.highCutOn = true;
    s.highCutFrequency = 4000.0;
    EXPECT_NEAR(measuredGainDb(s, 4000.0), -3.10, 0.05);
    s.highCutSteep = true;
    EXPECT_NEAR(measuredGainDb(s, 4000.0), -6.20, 0.05);
    EXPECT_LT(measuredGainDb(s, 16000.0), -45.0) << "at least 24 dB/oct two octaves above";
}

TEST(Eq, FlatBandsPassBitExactlyOnceARampHasEnded)
{
    auto s = allModulesOff();
    s.eqOn = true;
    s.lowCutOn = false;
    EngineRig rig(s);
    const auto in = sine(440.0, 48000.0, 48000, 0.5);
    EXPECT_EQ(rig.runMono(in), in) << "primed flat sections are exact from the first sample";

    rig.settings.eqGainDb[0] = 6.0;
    rig.runMono(in);
    rig.settings.eqGainDb[0] = 0.0;
    rig.runMono(in); // the ramp back and the state's tail die out
    rig.runMono(in);
    EXPECT_EQ(rig.runMono(in), in);
}

TEST(Eq, AFlatBandRingsOutTheStateItHadBeforeItPassesSamplesUntouched)
{
    auto s = allModulesOff();
    s.eqOn = true;
    s.lowCutOn = false;
    s.eqFrequency[0] = 30.0; // Q 12: a ring of about 0.13 s, far longer than the 3 ms ramp
    s.eqQ[0] = 12.0;
    s.eqGainDb[0] = 6.0;
    EngineRig rig(s);
    const auto in = sine(440.0, 48000.0, 48000, 0.5);
    rig.runMono(in);
    rig.settings.eqGainDb[0] = 0.0;
    const auto out = rig.runMono(in);
    EXPECT_NE(std::vector<double>(out.begin() + 24000, out.end()),
              std::vector<double>(in.begin() + 24000, in.end()));
}

TEST(Eq, SwitchingOffBypassesCutsAndBandsAndFreezesTheirState)
{
    auto s = allModulesOff();
    s.eqOn = false;
    s.eqGainDb[2] = 12.0;
    s.highCutOn = true;
    EngineRig rig(s);
    const auto in = sine(2800.0, 48000.0, 4800, 0.3);
    EXPECT_EQ(rig.runMono(in), in);
    EXPECT_EQ(rig.engine.eqBands[2].z1[0], 0.0) << "a module that is off ticks none of its sections";
}
