// SPDX-License-Identifier: GPL-3.0-or-later
// Engine renders that the plug-in's presets never reach: orders that repeat modules, name unknown
// ones or leave modules out, bypassed blocks between processed ones, a mono input feeding two
// outputs, odd block sizes. Each keeps every 31st frame of one second at 48 kHz.
#pragma once

#include "dsp/RackEngine.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace pomelu::test
{

struct EngineCase
{
    const char* name;
    int inputs, outputs, blockSize;
    dsp::ModuleOrder order;
};

inline constexpr std::size_t kEngineCaseFrames = 48000;
inline constexpr std::size_t kEngineCaseStride = 31;

inline std::vector<EngineCase> engineCases()
{
    using M = dsp::ModuleId;
    const auto unknown = static_cast<M>(200);
    return {
        {"repeats-and-unknown",
         2,
         2,
         256,
         {M::Eq, M::Distortion, M::Distortion, M::Phaser, M::Comp, unknown, M::ClipGuard, M::Delay, M::Delay,
          M::Reverb, M::Phaser}},
        {"missing-memories",
         2,
         2,
         100,
         {M::PopCut, M::SClear, M::Eq, M::Phaser, M::Tremolo, M::Leveler, M::Comp, unknown, unknown, unknown,
          unknown}},
        {"mono-into-two", 1, 2, 512, dsp::defaultModuleOrder()},
        {"mono-reversed-odd-blocks",
         1,
         1,
         77,
         {M::Reverb, M::Delay, M::ClipGuard, M::Comp, M::Leveler, M::Tremolo, M::Phaser, M::Distortion, M::Eq,
          M::SClear, M::PopCut}},
    };
}

// Every module on and audible, in the given order.
inline dsp::RackSettings engineCaseSettings(const EngineCase& c)
{
    dsp::RackSettings s;
    s.popCutOn = s.sClearOn = s.eqOn = s.levelerOn = s.compOn = s.clipGuardOn = true;
    s.distortionOn = s.phaserOn = s.tremoloOn = s.delayOn = s.reverbOn = true;
    s.highCutOn = s.lowCutSteep = true;
    s.delayWet = s.reverbWet = 35.0;
    s.delayStereo = true;
    s.distortionMix = 60.0;
    s.distortionStyle = 5; // Pixel Crush: a rounding step, so the slightest change in its input shows
    s.tremoloDepth = 40.0;
    s.phaserDepth = 70.0;
    s.compExpander = 50.0;
    s.compThresholdDb = -30.0;
    s.order = c.order;
    return s;
}

// Two different voices of partials with a burst and a quiet tail, so every level range is crossed.
inline double engineCaseInput(int channel, std::size_t i)
{
    const double t = static_cast<double>(i) / 48000.0;
    const double envelope = i < 24000 ? 0.6 : 0.6 * std::exp(-(t - 0.5) * 9.0);
    const double f = channel == 0 ? 170.0 : 233.0;
    return envelope * (0.5 * std::sin(2.0 * M_PI * f * t) + 0.3 * std::sin(2.0 * M_PI * 2.7 * f * t) +
                       0.2 * std::sin(2.0 * M_PI * 5400.0 * t + channel));
}

// Renders a case block by block; every 9th block is bypassed and the EQ's mid band moves every block.
inline std::vector<double> renderEngineCase(const EngineCase& c)
{
    dsp::RackEngine engine;
    engine.prepare(48000.0, c.blockSize);
    std::vector<std::vector<double>> in(2, std::vector<double>(kEngineCaseFrames));
    for (int ch = 0; ch < 2; ++ch)
        for (std::size_t i = 0; i < kEngineCaseFrames; ++i)
            in[static_cast<std::size_t>(ch)][i] = engineCaseInput(ch, i);
    std::vector<std::vector<double>> out(2, std::vector<double>(kEngineCaseFrames, 0.0));
    dsp::RackSettings s = engineCaseSettings(c);
    const auto block = static_cast<std::size_t>(c.blockSize);
    for (std::size_t pos = 0, k = 0; pos < kEngineCaseFrames; pos += block, ++k)
    {
        s.bypass = k % 9 == 8;
        s.eqGainDb[2] = 8.0 * std::sin(0.1 * static_cast<double>(k));
        engine.applySettings(s);
        const double* ins[2] = {in[0].data() + pos, in[1].data() + pos};
        double* outs[2] = {out[0].data() + pos, out[1].data() + pos};
        engine.process(ins, outs, c.inputs, c.outputs,
                       static_cast<int>(std::min(block, kEngineCaseFrames - pos)));
    }
    std::vector<double> kept;
    for (std::size_t i = 0; i < kEngineCaseFrames; i += kEngineCaseStride)
        for (int ch = 0; ch < c.outputs; ++ch)
            kept.push_back(out[static_cast<std::size_t>(ch)][i]);
    return kept;
}

} // namespace pomelu::test
