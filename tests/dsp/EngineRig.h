// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dsp/RackEngine.h"

#include <vector>

namespace pomelu::test
{

using Channels = std::vector<std::vector<double>>;

// Every module off, gains at 0 dB: the starting point of tests that switch one module on.
dsp::RackSettings allModulesOff();

// A prepared engine that plays whole signals through in host-sized blocks.
struct EngineRig
{
    explicit EngineRig(const dsp::RackSettings& s = {}, double sampleRate = 48000.0, int maxBlock = 512);

    // Plays `input` (one vector per input channel) block by block, applying `settings` before every
    // block, and returns `numOutputs` output channels.
    Channels run(const Channels& input, int numOutputs = 2, int blockSize = 512);
    std::vector<double> runMono(const std::vector<double>& input, int blockSize = 512);

    dsp::RackEngine engine;
    dsp::RackSettings settings;
    double sampleRate;
};

std::vector<double> impulse(std::size_t frames, double value = 1.0, std::size_t at = 0);
// First index at or after `from` whose magnitude exceeds `threshold`, or the size when none does.
std::size_t firstNonZero(const std::vector<double>& signal, std::size_t from = 0, double threshold = 0.0);

// Settled gain in dB of a sine through the rack, measured over the second half of two seconds.
double measuredGainDb(const dsp::RackSettings& settings, double frequencyHz, double sampleRate = 48000.0);

} // namespace pomelu::test
