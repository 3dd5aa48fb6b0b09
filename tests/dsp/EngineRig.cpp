// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineRig.h"

#include "Signals.h"

#include <algorithm>
#include <cmath>

namespace pomelu::test
{

dsp::RackSettings allModulesOff()
{
    dsp::RackSettings s;
    s.popCutOn = s.sClearOn = s.eqOn = s.levelerOn = s.compOn = s.clipGuardOn = false;
    s.distortionOn = s.phaserOn = s.tremoloOn = s.delayOn = s.reverbOn = false;
    return s;
}

EngineRig::EngineRig(const dsp::RackSettings& s, double rate, int maxBlock) : settings(s), sampleRate(rate)
{
    engine.prepare(rate, maxBlock);
}

Channels EngineRig::run(const Channels& input, int numOutputs, int blockSize)
{
    const std::size_t frames = input.empty() ? 0 : input[0].size();
    Channels output(static_cast<std::size_t>(numOutputs), std::vector<double>(frames, 0.0));
    std::vector<const double*> in(input.size());
    std::vector<double*> out(output.size());
    for (std::size_t start = 0; start < frames; start += static_cast<std::size_t>(blockSize))
    {
        const auto n =
            static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(blockSize), frames - start));
        for (std::size_t c = 0; c < input.size(); ++c)
            in[c] = input[c].data() + start;
        for (std::size_t c = 0; c < output.size(); ++c)
            out[c] = output[c].data() + start;
        engine.applySettings(settings);
        engine.process(in.data(), out.data(), static_cast<int>(in.size()), numOutputs, n);
    }
    return output;
}

std::vector<double> EngineRig::runMono(const std::vector<double>& input, int blockSize)
{
    return run({input}, 1, blockSize)[0];
}

std::vector<double> impulse(std::size_t frames, double value, std::size_t at)
{
    std::vector<double> x(frames, 0.0);
    if (at < frames)
        x[at] = value;
    return x;
}

std::size_t firstNonZero(const std::vector<double>& signal, std::size_t from, double threshold)
{
    for (std::size_t i = from; i < signal.size(); ++i)
        if (std::abs(signal[i]) > threshold)
            return i;
    return signal.size();
}

double measuredGainDb(const dsp::RackSettings& settings, double frequencyHz, double sampleRate)
{
    const auto frames = static_cast<std::size_t>(2.0 * sampleRate);
    EngineRig rig(settings, sampleRate);
    const auto out = rig.runMono(sine(frequencyHz, sampleRate, frames, 0.25));
    const std::size_t half = frames / 2;
    return toDb(sineAmplitude(out.data() + half, frames - half, frequencyHz, sampleRate) / 0.25);
}

} // namespace pomelu::test
