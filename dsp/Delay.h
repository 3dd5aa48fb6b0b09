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

inline void RackEngine::recordDelayLines(const double* w) noexcept
{
    for (int ch = 0; ch < block.channels; ++ch)
        if (!delayLine[ch].empty())
            delayLine[ch][delayWrite] = w[ch];
}

inline void RackEngine::delayStep(double* w) noexcept
{
    const int channels = block.channels;
    const RackSettings& s = settings;

    // Read and filter the returns whether or not the delay is on, so the filters stay current.
    double d[2] = {0.0, 0.0};
    for (int ch = 0; ch < channels; ++ch)
    {
        const std::vector<double>& line = delayLine[ch];
        const std::size_t length = line.size();
        if (length == 0)
            continue;
        // delayInt <= length - 1, so one conditional subtraction replaces a division.
        std::size_t r = delayWrite + length - block.delayInt[ch];
        if (r >= length)
            r -= length;
        const std::size_t older = r == 0 ? length - 1 : r - 1;
        const double frac = block.delayFrac[ch];
        double v = (1.0 - frac) * line[r] + frac * line[older];
        v = delayLowCutFilter[ch].tick(v);
        d[ch] = delayHighCutFilter[ch].tick(v);
    }

    for (int ch = 0; ch < channels; ++ch)
    {
        const int other = channels == 1 ? ch : 1 - ch;
        const double cross = block.delayCross;
        const double f =
            s.delayOn ? ((1.0 - cross) * d[ch] + cross * d[other]) * block.delayFeedback[ch] : 0.0;
        if (!delayLine[ch].empty())
            delayLine[ch][delayWrite] = w[ch] + f;

        if (s.delayOn)
        {
            double echo = d[ch];
            if (channels == 2)
            {
                // Width acts on the echoes heard only; the feedback above uses the plain returns.
                const double mid = (d[0] + d[1]) / 2.0;
                const double side = (d[0] - d[1]) / 2.0 * block.delayWidth;
                echo = ch == 0 ? mid + side : mid - side;
            }
            const double k = block.delayMix[ch];
            w[ch] = (1.0 - k) * w[ch] + k * echo;
        }
    }
}

} // namespace pomelu::dsp
