// SPDX-License-Identifier: GPL-3.0-or-later
// Reverb: per channel a pre-delay feeding four parallel feedback combs of fixed lengths, averaged,
// low-passed and mixed with the dry signal. The right combs are a little longer for stereo spread.
#pragma once

#include "RackEngine.h"

#include <cmath>

namespace pomelu::dsp
{

inline constexpr double kReverbToneQ = 0.707;
inline constexpr double kCombIdleDecay = 0.92; // per pass while off: the stored tail fades, no input

inline std::size_t preDelayLineLength(double sampleRate, std::size_t maxBlockSize) noexcept
{
    return static_cast<std::size_t>(std::floor(0.26 * sampleRate)) + maxBlockSize + 8;
}

// Comb k of channel ch; the loop delay is one sample less than the length.
inline std::size_t combLength(double sampleRate, int ch, int k) noexcept
{
    return static_cast<std::size_t>(std::floor(0.18 * sampleRate)) + 8 + 197 * static_cast<std::size_t>(ch) +
           431 * static_cast<std::size_t>(k);
}

// Comb feedback from size and decay (decay counts three times as much), at most 0.97.
inline double reverbCombFeedback(double sizePercent, double decayPercent) noexcept
{
    const double fb = 0.38 + 0.0015 * sizePercent + 0.0045 * decayPercent;
    return fb < 0.0 ? 0.0 : (fb > 0.97 ? 0.97 : fb);
}

inline void RackEngine::recordPreDelayLines(const double* w) noexcept
{
    for (int ch = 0; ch < block.channels; ++ch)
        if (!preDelayLine[ch].empty())
            preDelayLine[ch][preDelayWrite] = w[ch];
}

// One step of every comb of channel ch: returns the sum of what the combs give back. Fed (the
// reverb on), a comb stores its output times the feedback plus u; idle, it keeps 0.92 of its tail.
inline double RackEngine::stepCombs(int ch, bool fed, double u) noexcept
{
    double sum = 0.0;
    for (int k = 0; k < 4; ++k)
    {
        std::vector<double>& comb = combs[ch][k];
        const std::size_t length = comb.size();
        if (length == 0) // not prepared yet: nothing to keep
            continue;
        const std::size_t i = combIndex[ch][k];
        const std::size_t next = i + 1 == length ? 0 : i + 1;
        const double o = comb[next];
        comb[i] = fed ? o * block.combFeedback + u : kCombIdleDecay * o;
        combIndex[ch][k] = next;
        sum += o;
    }
    return sum;
}

inline void RackEngine::idleCombs() noexcept
{
    for (int ch = 0; ch < block.channels; ++ch)
        stepCombs(ch, false, 0.0);
}

inline void RackEngine::reverbStep(double* w) noexcept
{
    const bool on = settings.reverbOn;
    for (int ch = 0; ch < block.channels; ++ch)
    {
        // The pre-delay keeps recording while the reverb is off.
        double u = w[ch];
        std::vector<double>& line = preDelayLine[ch];
        if (!line.empty())
        {
            const std::size_t length = line.size();
            line[preDelayWrite] = w[ch];
            std::size_t r = preDelayWrite + length - block.preDelay; // preDelay <= length - 1
            if (r >= length)
                r -= length;
            u = line[r];
        }

        const double sum = stepCombs(ch, on, u);

        if (on)
        {
            const double y = reverbToneFilter[ch].tick(0.25 * sum);
            const double m = block.reverbWet;
            w[ch] = (1.0 - m) * w[ch] + m * y;
        }
    }
}

} // namespace pomelu::dsp
