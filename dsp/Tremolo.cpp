// SPDX-License-Identifier: GPL-3.0-or-later
#include "Tremolo.h"

#include "Tempo.h"

#include <algorithm>
#include <numbers>

namespace pomelu::dsp
{

double tremoloRateHz(const RackSettings& s, double sampleRate) noexcept
{
    double rate = s.tremoloRate;
    if (s.tremoloSync)
        rate =
            1000.0 / (msPerBeat(s.tempoBpm) * beatLength(s.tremoloDivision)); // "1/1": one cycle per 4 beats
    return std::max(std::min(rate, 0.45 * sampleRate), 0.001);
}

void RackEngine::prepareTremoloBlock() noexcept
{
    // The oscillator is re-seeded from the carried phase every block, so tempo changes and bypassed
    // blocks never make the phase jump.
    const double rate = tremoloRateHz(settings, sampleRate);
    const double omega = 2.0 * std::numbers::pi * rate / sampleRate;
    block.tremoloRate = rate;
    block.tremoloDepth = settings.tremoloDepth / 100.0;
    block.tremoloCos = std::cos(omega);
    block.tremoloSin = std::sin(omega);
    block.tremoloS = std::sin(2.0 * std::numbers::pi * tremoloPhase);
    block.tremoloC = std::cos(2.0 * std::numbers::pi * tremoloPhase);
}

} // namespace pomelu::dsp
