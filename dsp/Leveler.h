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

// 20 log10(x) through the natural logarithm, for one level or two.
template <class V> POMELU_ALWAYS_INLINE V levelToDb(V linear) noexcept
{
    return V(8.6858896380650365) * logFast(max(linear, V(1e-9)));
}

// The leveler's and the compressor's gains over the chunk: chunk.levelerGain holds the detector
// envelope on entry and both arrays hold the smoothed gains on return. The targets depend on
// nothing but the level, so the logarithms and exponentials of neighbouring samples share one
// two-lane evaluation; the ballistics then run sample by sample in between.
inline void RackEngine::followGains(int length) noexcept
{
    const RackSettings& s = settings;
    // Both gains ride in one pair of lanes, (leveler, compressor), through the loop: stored to the
    // members every sample, each would wait for its own store. Rising leveler gain follows the fast
    // coefficient, falling gain the slow one; the compressor's gain falls with the attack and
    // otherwise moves with the release. Lane by lane this is the one-gain recursion exactly.
    Lanes gains(levelerGain, compGain);
    const Lanes firstCoefficient(block.levelerFast, block.compAttackCoefficient);
    const Lanes otherCoefficient(block.levelerSlow, block.compReleaseCoefficient);
    const LaneMask levelerLane = laneMask(true, false), compLane = laneMask(false, true);
    auto ballistics = [&](int j, Lanes targets)
    {
        const LaneMask first = ((targets > gains) & levelerLane) | ((gains > targets) & compLane);
        gains = select(first, (Lanes(1.0) - firstCoefficient) * targets + firstCoefficient * gains,
                       (Lanes(1.0) - otherCoefficient) * targets + otherCoefficient * gains);
        chunk.levelerGain[j] = gains.lane0();
        chunk.compGain[j] = gains.lane1();
    };
    auto keepGains = [&]
    {
        levelerGain = gains.lane0();
        compGain = gains.lane1();
    };

    if (!s.levelerOn && !s.compOn)
    {
        // Nothing looks at the level: both gains glide toward unity, and once there they stay.
        if (levelerGain == 1.0 && compGain == 1.0)
        {
            std::fill(chunk.levelerGain, chunk.levelerGain + length, 1.0);
            std::fill(chunk.compGain, chunk.compGain + length, 1.0);
        }
        else
            for (int j = 0; j < length; ++j)
                ballistics(j, Lanes(1.0));
        keepGains();
        return;
    }

    // A correction clamped at the range in both lanes, or no reduction in either, has a target known
    // before the loop: evaluated once, by the same expression, so the gains are what they would be.
    const Lanes range = s.levelRangeDb;
    const Lanes sensitivity = block.levelerSensitivity;
    const Lanes risingCap = expFast(sensitivity * range * Lanes(kDbToLinear));
    const Lanes fallingCap = expFast(sensitivity * -range * Lanes(kDbToLinear));
    Lanes reduction = 0.0;
    for (int j = 0; j < length; j += 2)
    {
        const bool pair = j + 1 < length;
        const double* envelope = chunk.levelerGain;
        const Lanes levelDb = levelToDb(Lanes(envelope[j], pair ? envelope[j + 1] : envelope[j]));

        const Lanes correctionDb = max(min(Lanes(s.levelTargetDb) - levelDb, range), -range);

        const Lanes over = compKneeOvershootDb(levelDb, s.compThresholdDb, s.compKneeDb);
        const LaneMask reducing = Lanes(0.0) < over;
        const Lanes gainDb = Lanes(-block.compReduction) * over;
        reduction = max(reduction, select(reducing, -gainDb, Lanes(0.0)));

        Lanes levelerTarget = 1.0;
        if (s.levelerOn)
        {
            if ((correctionDb != range).lanes() == 0)
                levelerTarget = risingCap;
            else if ((correctionDb != -range).lanes() == 0)
                levelerTarget = fallingCap;
            else
                levelerTarget = expFast(sensitivity * correctionDb * Lanes(kDbToLinear));
        }
        Lanes compTarget = 1.0;
        if (s.compOn)
        {
            compTarget = block.compMakeupGain;
            if (reducing.lanes() != 0)
                compTarget = select(reducing, expFast((gainDb + Lanes(s.compMakeupDb)) * Lanes(kDbToLinear)),
                                    compTarget);
        }
        ballistics(j, interleaveFirst(levelerTarget, compTarget));
        if (pair)
            ballistics(j + 1, interleaveSecond(levelerTarget, compTarget));
    }
    keepGains();
    if (s.compOn)
        block.grMax = std::max(block.grMax, std::max(reduction.lane0(), reduction.lane1()));
}

template <class V> V RackEngine::levelerStep(V w, double gain) const noexcept
{
    return V(gain) * w;
}

} // namespace pomelu::dsp
