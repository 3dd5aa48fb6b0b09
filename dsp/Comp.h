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

// The expander over the chunk's working samples of `channels` channels. Only samples strictly
// between 0 and the knee change; the ones that take a power are gathered first and then evaluated
// two at a time, whichever channel and sample they come from, so a loud stretch costs no
// transcendental work and a quiet one half a two-lane evaluation per sample. Each value gets exactly
// what a per-sample evaluation would give it: the two lanes never mix.
inline void RackEngine::expandQuietSamples(int length, int channels) noexcept
{
    double* work = chunk.work;
    int* pending = chunk.quietSamples;
    int count = 0;
    for (int j = 0; j < length; ++j)
        for (int ch = 0; ch < channels; ++ch)
        {
            const int at = 2 * j + ch;
            const double w = work[at];
            const double ratio = std::abs(w) * (1.0 / kExpanderKnee);
            const bool quiet = std::abs(w) < kExpanderKnee;
            // What rounds to nothing on the way stays a signed zero.
            work[at] = quiet && !(ratio > 0.0) ? std::copysign(0.0, w) : w;
            pending[count] = at;
            count += quiet && ratio > 0.0 ? 1 : 0;
        }
    const Lanes exponent = block.compExpanderExponent;
    for (int k = 0; k < count; k += 2)
    {
        const int a = pending[k], b = pending[k + 1 < count ? k + 1 : k];
        const Lanes w(work[a], work[b]);
        const Lanes power = expFast(exponent * logFast(abs(w) * Lanes(1.0 / kExpanderKnee)));
        const Lanes shaped = copysign(Lanes(kExpanderKnee) * power, w);
        work[a] = shaped.lane0();
        work[b] = shaped.lane1();
    }
}

// The module switched on, over the chunk: the expander, then the parallel mix with the gain.
template <class V> void RackEngine::compOverChunk(int length) noexcept
{
    if (settings.compExpander > 0.0)
        expandQuietSamples(length, std::is_same_v<V, double> ? 1 : 2);
    const V m = block.compMix;
    runOverChunk<V>(length,
                    [this, m](V w, int j)
                    {
                        const V gain = chunk.compGain[j];
                        return w * gain * m + (V(1.0) - m) * w;
                    });
}

} // namespace pomelu::dsp
