// SPDX-License-Identifier: GPL-3.0-or-later
// Phaser: one peaking section with a negative gain (a moving dip) swept between 350 and 2150 Hz.
#pragma once

#include "RackEngine.h"

#include <cmath>
#include <numbers>

namespace pomelu::dsp
{

// The sweep retargets the dip every 16 samples; the section's 3 ms ramp smooths the steps.
inline constexpr int kPhaserUpdateInterval = 16;

inline bool RackEngine::advancePhaser(double& phase, int sampleIndex, double& frequency) const noexcept
{
    phase += block.phaserIncrement;
    if (phase >= 1.0)
        phase -= 1.0;
    if (sampleIndex % kPhaserUpdateInterval != 0 || !settings.phaserOn)
        return false;
    frequency = (0.5 * std::sin(2.0 * std::numbers::pi * phase) + 0.5) * 1800.0 + 350.0;
    return true;
}

inline void RackEngine::retargetPhaser(double frequency) noexcept
{
    const double q = settings.phaserFeedback / 80.0 + 0.5; // "feedback" widens or narrows the dip
    const double gainDb = -0.12 * settings.phaserDepth;
    phaserBell.update(block.channels, false, FilterType::Peak, sampleRate, frequency, q, gainDb);
}

inline void RackEngine::retargetPhaserUnheard() noexcept
{
    for (int k = 0; k < chunk.sweeps; ++k)
        retargetPhaser(chunk.sweepFrequency[k]);
}

template <class V> V RackEngine::phaserStep(V w) noexcept
{
    const V y = phaserBell.tick(w);
    const V m = block.phaserMix;
    return (V(1.0) - m) * w + m * y;
}

} // namespace pomelu::dsp
