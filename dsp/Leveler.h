// SPDX-License-Identifier: GPL-3.0-or-later
// The shared level detector and the Leveler, a slow automatic gain toward a target level.
// Both measure the rack input, wherever the Leveler sits in the order.
#pragma once

#include "RackEngine.h"

#include <algorithm>
#include <cmath>

namespace pomelu::dsp
{

// 20 log10(x) through the natural logarithm, which the C library computes faster.
inline double levelToDb(double linear) noexcept
{
    return 8.6858896380650365 * std::log(std::max(linear, 1e-9));
}

inline void RackEngine::updateLevelerAndCompressor(const double* x) noexcept
{
    double peak = 0.0;
    if (block.channels > 0)
        peak = std::abs(x[0]);
    if (block.channels > 1)
        peak = std::max(peak, std::abs(x[1]));

    const double a = peak > levelEnvelope ? block.levelerFast : block.levelerSlow;
    levelEnvelope = (1.0 - a) * peak + a * levelEnvelope;

    // Only an active leveler or compressor looks at the level: skip the logarithm otherwise.
    const bool levelNeeded = settings.levelerOn || settings.compOn;
    const double levelDb = levelNeeded ? levelToDb(levelEnvelope) : -180.0;

    double targetGain = 1.0;
    if (settings.levelerOn)
    {
        const double range = settings.levelRangeDb;
        const double correctionDb = std::max(std::min(settings.levelTargetDb - levelDb, range), -range);
        // At the ends of the range (silence, loud passages) the correction holds still: reuse its gain.
        if (correctionDb != block.levelerCorrectionDb)
        {
            block.levelerCorrectionDb = correctionDb;
            block.levelerTargetGain = std::exp(block.levelerSensitivity * correctionDb * kDbToLinear);
        }
        targetGain = block.levelerTargetGain;
    }
    // Rising gain follows the fast coefficient, falling gain the slow one.
    const double g = targetGain > levelerGain ? block.levelerFast : block.levelerSlow;
    levelerGain = (1.0 - g) * targetGain + g * levelerGain;

    updateCompGain(levelDb);
}

inline double RackEngine::levelerStep(double w) const noexcept
{
    return settings.levelerOn ? levelerGain * w : w;
}

} // namespace pomelu::dsp
