// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineRig.h"
#include "Signals.h"
#include "dsp/DistortionShaper.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pomelu;
using namespace pomelu::test;

namespace
{
dsp::RackSettings distortionOnly(int style, double drive, double tone, double mix)
{
    auto s = allModulesOff();
    s.distortionOn = true;
    s.distortionStyle = style;
    s.drive = drive;
    s.distortionTone = tone;
    s.distortionMix = mix;
    return s;
}
} // namespace

TEST(Distortion, HardEdgeOnAConstantHalfGivesTanhOfPoint45TimesPoint82)
{
    EngineRig rig(distortionOnly(2, 0.0, 0.0, 100.0));
    const auto out = rig.runMono(std::vector<double>(8, 0.5));
    EXPECT_NEAR(out[1], 0.34596, 1e-5);
    EXPECT_NEAR(out[1], std::tanh(0.45) * 0.82, 1e-15);
    EXPECT_NE(out[0], out[1]) << "the first sample after prepare is averaged with 0";
}

TEST(Distortion, PixelCrushQuantisesToSixtyFourStepsAtZeroDriveAndSixAtFull)
{
    const auto clean = dsp::DistortionShaper::make(5, 0.0);
    const auto crushed = dsp::DistortionShaper::make(5, 100.0);
    EXPECT_EQ(clean.steps, 64.0);
    EXPECT_NEAR(crushed.steps, 6.0, 1e-12) << "64 - 0.58 x 100";
    EXPECT_NEAR(crushed(0.3), 2.0 / 6.0, 1e-12);
    EXPECT_NEAR(crushed(-0.25), -2.0 / 6.0, 1e-12) << "halves round away from zero";
    EXPECT_EQ(dsp::DistortionShaper::make(5, 1000.0).steps, 4.0) << "never fewer than 4 levels";
    EXPECT_NEAR(crushed(3.0), 1.0, 1e-12);
    EXPECT_EQ(clean(0.1), 6.0 / 64.0);
}

TEST(Distortion, WaveFoldInvertsSmallSignalsAndFoldsLargeOnes)
{
    const auto fold = dsp::DistortionShaper::make(4, 50.0);
    for (double y : {-1.0, -0.6, -0.1, 0.0, 0.25, 0.9, 1.0})
        EXPECT_NEAR(fold(y), -y, 1e-15) << "y = " << y;
    EXPECT_NEAR(fold(1.5), -0.5, 1e-15);
    EXPECT_NEAR(fold(3.0), 1.0, 1e-15);
    EXPECT_NEAR(fold(-3.5), -0.5, 1e-15) << "-3.5 folds like 0.5";
    EXPECT_NEAR(fold(-2.0), 0.0, 1e-15);
    EXPECT_NEAR(fold(7.0), fold(3.0), 1e-12) << "period 4";
}

TEST(Distortion, OtherStylesHaveTheirShapes)
{
    const auto at = [](int style, double y, double drive = 10.0)
    { return dsp::DistortionShaper::make(style, drive)(y); };
    EXPECT_EQ(at(9, 0.4), at(0, 0.4)) << "an unknown style shapes like Soft Bloom";
    EXPECT_EQ(at(-1, 0.4), at(0, 0.4));
    EXPECT_NEAR(at(0, 0.4, 0.0), std::tanh(0.4) / std::tanh(1.0), 1e-15);
    EXPECT_GT(at(6, -0.5), 0.0) << "Rectify folds the negative half upward";
    EXPECT_NEAR(at(6, -0.5), std::tanh(1.6 * 0.3 * 0.5), 1e-15);
    EXPECT_NEAR(at(3, -2.0), -(1.0 - std::exp(-3.6)), 1e-15);
    EXPECT_NEAR(at(1, 0.5, 0.0), std::atan(0.625) / std::atan(1.0) + 0.12 * std::tanh(0.5), 1e-15);
    EXPECT_NEAR(at(7, 0.5, 100.0), 0.72 * std::sin(5.0 * 0.5) + 0.28 * std::tanh(1.0), 1e-15);
}

TEST(Distortion, KeepsItsPreviousSampleWhileOff)
{
    auto s = distortionOnly(2, 0.0, 0.0, 100.0);
    s.distortionOn = false;
    EngineRig rig(s);
    rig.runMono({0.1, 0.2, 0.3});
    EXPECT_EQ(rig.engine.distortionPrev[0], 0.3);
}
