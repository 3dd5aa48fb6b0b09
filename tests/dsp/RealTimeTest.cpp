// SPDX-License-Identifier: GPL-3.0-or-later
#include "AllocationCounter.h"
#include "EngineRig.h"
#include "Signals.h"

#include <gtest/gtest.h>

using namespace pomelu;
using namespace pomelu::test;

TEST(RealTime, ApplySettingsAndProcessAllocateNothingWithEveryModuleOn)
{
    dsp::RackSettings s;
    s.sClearOn = s.levelerOn = s.compOn = s.clipGuardOn = s.distortionOn = true;
    s.phaserOn = s.tremoloOn = s.delayOn = s.reverbOn = true;
    s.highCutOn = s.lowCutSteep = s.highCutSteep = s.delayStereo = s.delaySync = s.tremoloSync = true;
    s.delayWet = s.reverbWet = 30.0;
    s.tremoloDepth = 50.0;

    dsp::RackEngine engine;
    engine.prepare(48000.0, 512);
    const auto left = sine(180.0, 48000.0, 512, 0.8);
    const auto right = sine(3000.0, 48000.0, 512, 0.5);
    std::vector<double> outL(512), outR(512);
    const double* ins[2] = {left.data(), right.data()};
    double* outs[2] = {outL.data(), outR.data()};

    const AllocationScope scope;
    for (int blockIndex = 0; blockIndex < 240; ++blockIndex)
    {
        s.eqGainDb[blockIndex % 5] = (blockIndex % 7) - 3.0; // retargets and ramps
        s.distortionStyle = blockIndex % 8;
        s.order[0] = static_cast<dsp::ModuleId>(blockIndex % 12); // repeats a module now and then
        s.bypass = blockIndex % 10 == 9;
        engine.applySettings(s);
        const int channels = 2 - blockIndex / 80; // stereo, mono, none
        engine.process(ins, outs, channels, channels, 512 - blockIndex % 3);
    }
    EXPECT_EQ(scope.allocations(), 0u);
}
