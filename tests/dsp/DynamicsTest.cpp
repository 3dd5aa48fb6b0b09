// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineRig.h"
#include "Signals.h"
#include "dsp/Comp.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pomelu;
using namespace pomelu::test;

namespace
{
double dbToGain(double db)
{
    return std::pow(10.0, db / 20.0);
}

// A steady DC level, so the peak detector settles exactly on it.
std::vector<double> steadyLevel(double db, double seconds)
{
    return std::vector<double>(static_cast<std::size_t>(seconds * 48000.0), dbToGain(db));
}
} // namespace

TEST(Leveler, SettlesAtTheCorrectionLimitedByItsRange)
{
    auto s = allModulesOff();
    s.levelerOn = true;
    s.levelTargetDb = -18.0;
    s.levelRangeDb = 12.0;
    EngineRig wide(s);
    wide.runMono(steadyLevel(-24.0, 6.0));
    EXPECT_NEAR(toDb(wide.engine.levelerGain), 6.0, 0.01) << "6 dB below target, range 12 dB";

    s.levelRangeDb = 3.0;
    EngineRig narrow(s);
    const auto out = narrow.runMono(steadyLevel(-24.0, 6.0));
    EXPECT_NEAR(toDb(narrow.engine.levelerGain), 3.0, 0.01) << "range 3 dB";
    EXPECT_NEAR(toDb(out.back()), -21.0, 0.01) << "the gain is applied at the module";
}

TEST(Leveler, OnSilenceTheGainRisesToAtMostTwelveTimes)
{
    auto s = allModulesOff();
    s.levelerOn = true;
    s.levelRangeDb = 12.0;
    s.levelerSensitivity = 100.0; // k = 1.8
    EngineRig rig(s);
    rig.runMono(std::vector<double>(48000 * 4, 0.0));
    EXPECT_NEAR(rig.engine.levelerGain, std::pow(10.0, 1.8 * 12.0 / 20.0), 1e-6);
}

TEST(Leveler, MeasuresTheRackInputWhereverItSits)
{
    auto s = allModulesOff();
    s.levelerOn = s.distortionOn = true;
    s.drive = 100.0;
    s.distortionMix = 100.0;
    const auto in = sine(150.0, 48000.0, 48000, 0.05);
    EngineRig first(s), last(s);
    last.settings.order = {dsp::ModuleId::Distortion, dsp::ModuleId::PopCut,    dsp::ModuleId::SClear,
                           dsp::ModuleId::Eq,         dsp::ModuleId::Phaser,    dsp::ModuleId::Tremolo,
                           dsp::ModuleId::Comp,       dsp::ModuleId::ClipGuard, dsp::ModuleId::Delay,
                           dsp::ModuleId::Reverb,     dsp::ModuleId::Leveler};
    first.runMono(in);
    last.runMono(in);
    EXPECT_EQ(first.engine.levelerGain, last.engine.levelerGain);
}

TEST(Comp, StaticReductionHasTheKneeOfItsSettings)
{
    EXPECT_NEAR(dsp::compStaticReductionDb(-6.0, -18.0, 3.0, 0.0), 8.0, 1e-12) << "hard knee";
    EXPECT_NEAR(dsp::compStaticReductionDb(-18.0, -18.0, 3.0, 18.0), 1.5, 1e-12)
        << "at threshold, 18 dB knee";
    EXPECT_NEAR(dsp::compStaticReductionDb(-9.0, -18.0, 3.0, 18.0), 6.0, 1e-12) << "knee ends 9 dB above";
    EXPECT_EQ(dsp::compStaticReductionDb(-27.0, -18.0, 3.0, 18.0), 0.0);
    EXPECT_EQ(dsp::compStaticReductionDb(0.0, -18.0, 1.0, 0.0), 0.0) << "ratio 1:1 never reduces";
}

TEST(Comp, MeterAndGainFollowTheStaticCurveOnASteadyLevel)
{
    auto s = allModulesOff();
    s.compOn = true;
    s.compKneeDb = 0.0;
    s.compExpander = 0.0;
    s.compMakeupDb = 2.0;
    EngineRig rig(s);
    const auto out = rig.runMono(steadyLevel(-6.0, 3.0));
    EXPECT_NEAR(rig.engine.gainReduction(), 8.0, 1e-6);
    EXPECT_NEAR(toDb(out.back()), -6.0 - 8.0 + 2.0, 1e-4);

    rig.settings.compRatio = 1.0;
    const auto unity = rig.runMono(steadyLevel(-6.0, 3.0));
    EXPECT_EQ(rig.engine.gainReduction(), 0.0);
    EXPECT_NEAR(toDb(unity.back()), -6.0 + 2.0, 1e-4) << "makeup still applies at 1:1";
}

TEST(Comp, ZeroMixLeavesOnlyTheExpanderShapingQuietSamples)
{
    auto s = allModulesOff();
    s.compOn = true;
    s.compMix = 0.0;
    s.compThresholdDb = -48.0;
    s.compExpander = 70.0; // exponent 2
    EngineRig rig(s);
    const std::vector<double> in = {0.04, -0.02, 0.5, -0.08, 0.0};
    const auto out = rig.runMono(in);
    EXPECT_DOUBLE_EQ(out[0], 0.08 * 0.25);
    EXPECT_DOUBLE_EQ(out[1], -0.08 * 0.0625);
    EXPECT_EQ(out[2], 0.5);
    EXPECT_EQ(out[3], -0.08);
    EXPECT_EQ(out[4], 0.0);
}

namespace
{
dsp::RackSettings clipGuardOnly(double ceilingDb)
{
    auto s = allModulesOff();
    s.clipGuardOn = true;
    s.clipGuardAmount = 100.0;
    s.clipCeilingDb = ceilingDb;
    return s;
}
} // namespace

TEST(ClipGuard, FullAmountKeepsAFullScaleSineUnderTheCeiling)
{
    EngineRig rig(clipGuardOnly(-1.0));
    const auto in = sine(997.0, 48000.0, 48000, 1.0);
    const auto out = rig.runMono(in);
    EXPECT_LT(peakAbs(out.data(), out.size()), std::pow(10.0, -1.0 / 20.0));
    EXPECT_GT(peakAbs(out.data(), out.size()), 0.7);

    rig.settings.clipGuardAmount = 0.0;
    EXPECT_EQ(rig.runMono(in), in);
}

TEST(ClipGuard, ConstantInputSettlesAtCeilingTimesTanh)
{
    EngineRig rig(clipGuardOnly(-6.0));
    const auto out = rig.runMono(std::vector<double>(16, 0.7));
    const double c = std::exp(-6.0 * dsp::kDbToLinear);
    EXPECT_NEAR(out.back(), c * std::tanh(0.7 / c), 1e-15);
    EXPECT_NE(out.front(), out.back()) << "the first sample is averaged with a previous 0";
}
