// SPDX-License-Identifier: GPL-3.0-or-later
// Comp: feed-forward soft-knee compressor on the shared detector, with makeup, parallel mix and a
// per-sample downward expander for very quiet samples.
#pragma once

#include "RackEngine.h"

#include <algorithm>
#include <cmath>

namespace pomelu::dsp
{

// Overshoot above the threshold in dB after the knee: zero below threshold - K/2, a quadratic
// blend inside the knee, unchanged above threshold + K/2.
inline double compKneeOvershootDb(double levelDb, double thresholdDb, double kneeDb) noexcept
{
    double over = levelDb - thresholdDb;
    const double knee = std::max(kneeDb, 0.0);
    if (knee > 0.0)
    {
        if (over <= -knee / 2.0)
            over = 0.0;
        else if (over < knee / 2.0)
            over = (over + knee / 2.0) * (over + knee / 2.0) / (2.0 * knee);
    }
    return over;
}

// Static gain reduction in dB (a positive number) at a detector level.
inline double compStaticReductionDb(double levelDb, double thresholdDb, double ratio, double kneeDb) noexcept
{
    const double over = compKneeOvershootDb(levelDb, thresholdDb, kneeDb);
    return over > 0.0 ? (1.0 - 1.0 / std::max(ratio, 1.0)) * over : 0.0;
}

// Below this magnitude (about -21.9 dBFS) the expander pushes samples further down.
inline constexpr double kExpanderKnee = 0.08;

inline void RackEngine::updateCompGain(double levelDb) noexcept
{
    double targetGain = 1.0;
    if (settings.compOn)
    {
        const double over = compKneeOvershootDb(levelDb, settings.compThresholdDb, settings.compKneeDb);
        if (over > 0.0)
        {
            const double gainDb = -block.compReduction * over;
            block.grMax = std::max(block.grMax, -gainDb);
            targetGain = std::exp((gainDb + settings.compMakeupDb) * kDbToLinear);
        }
        else
        {
            targetGain = block.compMakeupGain;
        }
    }
    const double c = compGain > targetGain ? block.compAttackCoefficient : block.compReleaseCoefficient;
    compGain = (1.0 - c) * targetGain + c * compGain;
}

inline double RackEngine::compStep(double w) const noexcept
{
    if (!settings.compOn)
        return w;
    const double magnitude = std::abs(w);
    if (settings.compExpander > 0.0 && magnitude < kExpanderKnee)
    {
        // (|w| / knee)^e as exp(e ln(|w| / knee)): the C library's pow costs a third more and
        // agrees to about 1e-15 relative. A zero sample stays zero.
        const double ratio = magnitude * (1.0 / kExpanderKnee);
        const double shaped = ratio > 0.0 ? std::exp(block.compExpanderExponent * std::log(ratio)) : 0.0;
        w = std::copysign(kExpanderKnee * shaped, w);
    }
    const double m = block.compMix;
    return w * compGain * m + (1.0 - m) * w;
}

} // namespace pomelu::dsp
