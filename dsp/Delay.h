// SPDX-License-Identifier: GPL-3.0-or-later
// Delay: feedback echo with filtered return, stereo times/feedbacks/mixes, cross-feedback
// (ping-pong at 100 %), mid/side width on the echoes, and tempo sync with feels.
#pragma once

#include "RackEngine.h"

#include <cmath>

namespace pomelu::dsp
{

inline constexpr double kDelayReturnQ = 0.707;

// A little over 2.6 s of history plus a block, so the longest request never reads its own write.
inline std::size_t delayLineLength(double sampleRate, std::size_t maxBlockSize) noexcept
{
    return static_cast<std::size_t>(std::floor(2.6 * sampleRate)) + maxBlockSize + 8;
}

// "Straight", "Dotted", "Triplet"; any other index is straight.
inline double delayFeelFactor(int feel) noexcept
{
    constexpr double kFactors[3] = {1.0, 1.5, 2.0 / 3.0};
    return feel >= 0 && feel <= 2 ? kFactors[feel] : 1.0;
}

// The delay time in ms for one channel before clamping to the line (sync and stereo applied).
double delayTimeMs(const RackSettings& settings, int channel) noexcept;

template <class V> void RackEngine::recordDelayLines(V w, std::size_t write) noexcept
{
    if (!delayLine.empty())
        storePair(delayLine.frame(write), w);
}

// write: the lines' write position at this sample.
template <class V> V RackEngine::delayStep(V w, std::size_t write) noexcept
{
    const RackSettings& s = settings;
    const std::size_t length = delayLine.size();

    // Read and filter the returns whether or not the delay is on, so the filters stay current.
    V d = 0.0;
    if (length > 0)
    {
        // Each channel reads at its own distance, linearly interpolated toward the older neighbour.
        std::size_t now[2] = {0, 0}, older[2] = {0, 0};
        for (int ch = 0; ch < (std::is_same_v<V, double> ? 1 : 2); ++ch)
        {
            // delayInt <= length - 1, so one conditional subtraction replaces a division.
            std::size_t r = write + length - block.delayInt[ch];
            if (r >= length)
                r -= length;
            now[ch] = 2 * r + static_cast<std::size_t>(ch);
            older[ch] = 2 * (r == 0 ? length - 1 : r - 1) + static_cast<std::size_t>(ch);
        }
        const double* line = delayLine.samples.data();
        const V frac = loadPair<V>(block.delayFrac);
        d = (V(1.0) - frac) * fromChannels<V>(line[now[0]], line[now[1]]) +
            frac * fromChannels<V>(line[older[0]], line[older[1]]);
        d = delayLowCutFilter.tick(d);
        d = delayHighCutFilter.tick(d);
    }

    // With one channel the cross-feedback and the width see that channel as the other one.
    const V other = swapLanes(d);
    const V cross = block.delayCross;
    const V f =
        s.delayOn ? ((V(1.0) - cross) * d + cross * other) * loadPair<V>(block.delayFeedback) : V(0.0);
    if (length > 0)
        storePair(delayLine.frame(write), w + f);

    if (!s.delayOn)
        return w;
    V echo = d;
    if constexpr (!std::is_same_v<V, double>)
    {
        // Width acts on the echoes heard only; the feedback above uses the plain returns. Lane 1's
        // side is lane 0's negated, so it gets mid - side exactly.
        const V mid = (d + other) / V(2.0);
        echo = mid + (d - other) / V(2.0) * V(block.delayWidth);
    }
    const V k = loadPair<V>(block.delayMix);
    return (V(1.0) - k) * w + k * echo;
}

} // namespace pomelu::dsp
