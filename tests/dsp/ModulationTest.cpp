// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineRig.h"
#include "Signals.h"
#include "dsp/Tremolo.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pomelu;
using namespace pomelu::test;

TEST(Tremolo, SyncedRatesFollowTheDivisionAndATempoOfAtLeastTwentyBpm)
{
    dsp::RackSettings s;
    s.tremoloSync = true;
    s.tempoBpm = 120.0;
    const double expected[5] = {0.5, 1.0, 2.0, 4.0, 8.0};
    for (int division = 0; division < 5; ++division)
    {
        s.tremoloDivision = division;
        EXPECT_NEAR(dsp::tremoloRateHz(s, 48000.0), expected[division], 1e-12) << "division " << division;
    }
    s.tremoloDivision = 9;
    EXPECT_NEAR(dsp::tremoloRateHz(s, 48000.0), 8.0, 1e-12) << "divisions clamp to 1/16";

    s.tremoloDivision = 2;
    s.tempoBpm = 10.0;
    EXPECT_NEAR(dsp::tremoloRateHz(s, 48000.0), 1.0 / 3.0, 1e-12) << "tempo below 20 bpm is raised to 20";
}

TEST(Tremolo, PhaseRunsOnWithoutAJumpAcrossTempoChangesAndBypassedBlocks)
{
    auto s = allModulesOff();
    s.tremoloOn = true;
    s.tremoloDepth = 100.0;
    s.tremoloSync = true;
    s.tremoloDivision = 3;
    s.tempoBpm = 120.0;
    EngineRig rig(s);
    const std::vector<double> ones(4096, 1.0);
    std::vector<double> gain = rig.runMono(ones);
    rig.settings.tempoBpm = 90.0; // from the next block on
    const auto after = rig.runMono(ones);
    gain.insert(gain.end(), after.begin(), after.end());
    // gain = 1 - (0.5 s + 0.5): successive sines differ by at most omega at 4 Hz.
    const double maxStep = 2.0 * M_PI * 4.0 / 48000.0 * 0.5 * 1.0001;
    for (std::size_t i = 1; i < gain.size(); ++i)
        ASSERT_LE(std::abs(gain[i] - gain[i - 1]), maxStep) << "sample " << i;

    const double phase = rig.engine.tremoloPhase;
    rig.settings.bypass = true;
    rig.runMono(std::vector<double>(1000, 0.0), 1000);
    EXPECT_NEAR(rig.engine.tremoloPhase, std::fmod(phase + 1000.0 * 3.0 / 48000.0, 1.0), 1e-12)
        << "the phase is carried through bypassed blocks";
}

TEST(Phaser, DipsTwelveDbAtTheSweepCentreWhenThePhaseIsZero)
{
    auto s = allModulesOff();
    s.phaserOn = true;
    s.phaserDepth = 100.0;
    s.phaserMix = 100.0;
    s.phaserRate = 0.0; // hold the sweep at phase 0: centre 1250 Hz
    EXPECT_NEAR(measuredGainDb(s, 1250.0), -12.0, 0.01);
    s.phaserDepth = 0.0;
    EXPECT_NEAR(measuredGainDb(s, 1250.0), 0.0, 1e-9) << "depth 0 %: a flat bell";
}

TEST(Phaser, SweepsTheDipBetween350And2150Hz)
{
    auto s = allModulesOff();
    s.phaserOn = true;
    s.phaserRate = 1.0;
    EngineRig rig(s);
    double lowest = 1e9, highest = 0.0;
    for (int blockIndex = 0; blockIndex < 100; ++blockIndex)
    {
        rig.runMono(std::vector<double>(480, 0.0), 480);
        lowest = std::min(lowest, rig.engine.phaserBell.frequency[0]);
        highest = std::max(highest, rig.engine.phaserBell.frequency[0]);
    }
    EXPECT_NEAR(lowest, 350.0, 1.0);
    EXPECT_NEAR(highest, 2150.0, 1.0);
}
