// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/Reverb.h"
#include "EngineRig.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace pomelu;
using namespace pomelu::test;

namespace
{
dsp::RackSettings reverbOnly(double preDelayMs = 0.0)
{
    auto s = allModulesOff();
    s.reverbOn = true;
    s.reverbWet = 100.0;
    s.reverbPreDelayMs = preDelayMs;
    return s;
}
} // namespace

TEST(Reverb, AnImpulseReturnsFromEachCombAtItsExactLengthOnBothChannels)
{
    const auto s = reverbOnly();
    EngineRig rig(s);
    const std::size_t frames = 17000; // before the first second pass of any comb
    const auto in = impulse(frames);
    const auto out = rig.run({in, in});
    const std::size_t returns[2][4] = {{8647, 9078, 9509, 9940}, {8844, 9275, 9706, 10137}};
    for (int ch = 0; ch < 2; ++ch)
    {
        // Expected: each return scaled by 0.25, then the tone filter.
        dsp::BiquadSection tone;
        tone.prime(dsp::FilterType::LowPass, 48000.0, 2500.0 + 170.0 * s.reverbTone, 0.707, 0.0);
        std::vector<double> expected(frames);
        for (std::size_t i = 0; i < frames; ++i)
        {
            double sum = 0.0;
            for (std::size_t r : returns[ch])
                sum += i == r ? 1.0 : 0.0;
            expected[i] = tone.tick(0.25 * sum);
        }
        double worst = 0.0;
        for (std::size_t i = 0; i < frames; ++i)
            worst = std::max(worst, std::abs(out[ch][i] - expected[i]));
        EXPECT_LT(worst, 1e-18) << "channel " << ch << " (outputs below 1e-20 are written as zeros)";
        EXPECT_EQ(firstNonZero(out[ch]), returns[ch][0]) << "channel " << ch;
    }
}

TEST(Reverb, PreDelayCountsWholeSamples)
{
    for (const auto& [ms, samples] : {std::pair{18.0, 864u}, std::pair{250.0, 12000u}})
    {
        EngineRig rig(reverbOnly(ms));
        const auto out = rig.runMono(impulse(22000));
        EXPECT_EQ(firstNonZero(out), samples + 8647u) << ms << " ms";
    }
}

TEST(Reverb, FeedbackComesFromSizeAndDecayAndStopsAtPoint97)
{
    EXPECT_NEAR(dsp::reverbCombFeedback(45.0, 38.0), 0.6185, 1e-12);
    EXPECT_EQ(dsp::reverbCombFeedback(100.0, 100.0), 0.97);
    EXPECT_EQ(dsp::reverbCombFeedback(0.0, 0.0), 0.38);
}

TEST(Reverb, SwitchingOffStopsItAtOnceButKeepsPartOfTheTail)
{
    EngineRig rig(reverbOnly());
    rig.runMono(impulse(12000));
    rig.settings.reverbOn = false;
    const auto off = rig.runMono(std::vector<double>(2000, 0.0));
    EXPECT_EQ(off, std::vector<double>(2000, 0.0)) << "no tail spills while off";
    rig.settings.reverbOn = true;
    const auto back = rig.runMono(std::vector<double>(12000, 0.0));
    EXPECT_GT(peakAbs(back.data(), back.size()), 1e-3) << "the combs kept circulating at 0.92 per pass";
}
