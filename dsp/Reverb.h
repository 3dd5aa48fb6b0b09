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

template <class V> void RackEngine::recordPreDelayLines(V w, std::size_t write) noexcept
{
    if (!preDelayLine.empty())
        storePair(preDelayLine.frame(write), w);
}

// One step of every comb of the processed channels: returns the sum of what the combs give back.
// Fed (the reverb on), a comb stores its output times the feedback plus u; idle, it keeps 0.92 of
// its tail.
template <class V> V RackEngine::stepCombs(bool fed, V u) noexcept
{
    constexpr int channels = std::is_same_v<V, double> ? 1 : 2;
    if (combs[0][0].empty()) // not prepared yet: nothing to keep
        return 0.0;
    V sum = 0.0;
    for (int k = 0; k < 4; ++k)
    {
        double* cell[2] = {nullptr, nullptr};
        double o[2] = {0.0, 0.0};
        for (int ch = 0; ch < channels; ++ch)
        {
            std::vector<double>& comb = combs[ch][k];
            const std::size_t i = combIndex[ch][k];
            const std::size_t next = i + 1 == comb.size() ? 0 : i + 1;
            cell[ch] = &comb[i];
            o[ch] = comb[next];
            combIndex[ch][k] = next;
        }
        const V out = fromChannels<V>(o[0], o[1]);
        const V stored = fed ? out * V(block.combFeedback) + u : V(kCombIdleDecay) * out;
        *cell[0] = firstLane(stored);
        if constexpr (channels == 2)
            *cell[1] = stored.lane1();
        sum += out;
    }
    return sum;
}

// write: the pre-delay lines' write position at this sample.
template <class V> V RackEngine::reverbStep(V w, std::size_t write) noexcept
{
    // The pre-delay keeps recording while the reverb is off.
    V u = w;
    if (!preDelayLine.empty())
    {
        const std::size_t length = preDelayLine.size();
        storePair(preDelayLine.frame(write), w);
        std::size_t r = write + length - block.preDelay; // preDelay <= length - 1
        if (r >= length)
            r -= length;
        u = loadPair<V>(preDelayLine.frame(r));
    }

    const bool on = settings.reverbOn;
    const V sum = stepCombs(on, u);
    if (!on)
        return w;
    const V y = reverbToneFilter.tick(V(0.25) * sum);
    const V m = block.reverbWet;
    return (V(1.0) - m) * w + m * y;
}

} // namespace pomelu::dsp
