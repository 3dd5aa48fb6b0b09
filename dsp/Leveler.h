// SPDX-License-Identifier: GPL-3.0-or-later
// The shared level detector and the Leveler, a slow automatic gain toward a target level.
// Both measure the rack input, wherever the Leveler sits in the order.
#pragma once

#include "Comp.h"
#include "FastMath.h"
#include "RackEngine.h"

#include <algorithm>
#include <cmath>

namespace pomelu::dsp
{

// 20 log10(x) through the natural logarithm.
inline double levelToDb(double linear) noexcept
{
    return 8.6858896380650365 * logFast(std::max(linear, 1e-9));
}

inline void RackEngine::updateLevelerAndCompressor(double peak) noexcept
{
    const double a = selectGreater(peak, levelEnvelope, block.levelerFast, block.levelerSlow);
    levelEnvelope = (1.0 - a) * peak + a * levelEnvelope;

    // The leveler's and the compressor's target gains, both from the detector level in dB: their
    // two exponentials are one two-lane evaluation. Only an active leveler or compressor looks at
    // the level; otherwise both gains glide toward unity.
    double levelerTarget = 1.0, compTarget = 1.0;
    if (settings.levelerOn || settings.compOn)
    {
        const double levelDb = levelToDb(levelEnvelope);
        double levelerExponent = 0.0;
        if (settings.levelerOn)
        {
            const double range = settings.levelRangeDb;
            const double correctionDb = std::max(std::min(settings.levelTargetDb - levelDb, range), -range);
            levelerExponent = block.levelerSensitivity * correctionDb * kDbToLinear;
        }
        double compExponent = 0.0;
        bool compOver = false;
        if (settings.compOn)
        {
            const double over = compKneeOvershootDb(levelDb, settings.compThresholdDb, settings.compKneeDb);
            if (over > 0.0)
            {
                const double gainDb = -block.compReduction * over;
                block.grMax = std::max(block.grMax, -gainDb);
                compExponent = (gainDb + settings.compMakeupDb) * kDbToLinear;
                compOver = true;
            }
        }
        const Lanes gains = expFast(Lanes(levelerExponent, compExponent));
        if (settings.levelerOn)
            levelerTarget = gains.lane0();
        if (settings.compOn)
            compTarget = compOver ? gains.lane1() : block.compMakeupGain;
    }
    // Rising gain follows the fast coefficient, falling gain the slow one.
    const double g = selectGreater(levelerTarget, levelerGain, block.levelerFast, block.levelerSlow);
    levelerGain = (1.0 - g) * levelerTarget + g * levelerGain;

    const double c =
        selectGreater(compGain, compTarget, block.compAttackCoefficient, block.compReleaseCoefficient);
    compGain = (1.0 - c) * compTarget + c * compGain;
}

template <class V> V RackEngine::levelerStep(V w, double gain) const noexcept
{
    return settings.levelerOn ? V(gain) * w : w;
}

} // namespace pomelu::dsp
