// SPDX-License-Identifier: GPL-3.0-or-later
// Comp: feed-forward soft-knee compressor on the shared detector, with makeup, parallel mix and a
// per-sample downward expander for very quiet samples.
#pragma once

#include "FastMath.h"
#include "RackEngine.h"

#include <algorithm>
#include <cmath>

namespace pomelu::dsp
{

// Overshoot above the threshold in dB after the knee: zero below threshold - K/2, a quadratic
// blend inside the knee, unchanged above threshold + K/2.
// One level or two (V = Lanes).
template <class V> V compKneeOvershootDb(V levelDb, double thresholdDb, double kneeDb) noexcept
{
    const V over = levelDb - V(thresholdDb);
    const double knee = std::max(kneeDb, 0.0);
    if (!(knee > 0.0))
        return over;
    const V half = knee / 2.0;
    const V blended = (over + half) * (over + half) / V(2.0 * knee);
    return select(over <= -half, V(0.0), select(over < half, blended, over));
}

// Static gain reduction in dB (a positive number) at a detector level.
inline double compStaticReductionDb(double levelDb, double thresholdDb, double ratio, double kneeDb) noexcept
{
    const double over = compKneeOvershootDb<double>(levelDb, thresholdDb, kneeDb);
    return over > 0.0 ? (1.0 - 1.0 / std::max(ratio, 1.0)) * over : 0.0;
}

// Below this magnitude (about -21.9 dBFS) the expander pushes samples further down.
inline constexpr double kExpanderKnee = 0.08;

template <class V> V RackEngine::compStep(V w, V gain) const noexcept
{
    if (!settings.compOn)
        return w;
    if (settings.compExpander > 0.0)
    {
        // (|w| / knee)^e as exp(e ln(|w| / knee)), worked out for every sample and kept for the
        // quiet ones: cheaper than a branch that follows the signal. A zero sample stays zero (its
        // lane takes the logarithm of 1 and is then replaced), and so does a loud one (its lane
        // takes at most the logarithm of the knee ratio).
        const V magnitude = abs(w);
        const auto quiet = magnitude < V(kExpanderKnee);
        const V ratio = magnitude * V(1.0 / kExpanderKnee);
        const auto positive = V(0.0) < ratio;
        const V power =
            expFast(V(block.compExpanderExponent) * logFast(select(positive & quiet, ratio, V(1.0))));
        const V shaped = select(positive, power, V(0.0));
        w = select(quiet, copysign(V(kExpanderKnee) * shaped, w), w);
    }
    const V m = block.compMix;
    return w * gain * m + (V(1.0) - m) * w;
}

} // namespace pomelu::dsp
