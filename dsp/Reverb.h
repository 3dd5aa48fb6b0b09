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

// Every comb of the processed channels over the chunk. Fed (the reverb on), a comb stores its
// output times the feedback plus the channel's u[j], and sums[j] receives what the combs of each
// channel gave back at sample j (u and sums in channel pairs, like the working samples); idle, a
// comb keeps 0.92 of its tail and nothing is summed. A comb's loop is far longer than a chunk, so each comb
// streams through its chunk on its own; the sums add the combs in their order, as one sample's step would.
template <class V> void RackEngine::runCombs(int length, bool fed, const double* u, double* sums) noexcept
{
    constexpr int channels = std::is_same_v<V, double> ? 1 : 2;
    if (fed)
        std::fill(sums, sums + 2 * length, 0.0);
    if (combs[0][0].empty()) // not prepared yet: nothing to keep
        return;
    for (int k = 0; k < 4; ++k)
    {
        double* comb[2] = {combs[0][k].data(), combs[1][k].data()};
        const std::size_t size[2] = {combs[0][k].size(), combs[1][k].size()};
        std::size_t i[2] = {combIndex[0][k], combIndex[1][k]};
        // The chunk in stretches where no comb of the pair wraps, so each stretch streams through
        // plain consecutive cells; a comb wraps at the end of a stretch.
        for (int j = 0; j < length;)
        {
            int stretch = length - j;
            for (int ch = 0; ch < channels; ++ch)
                stretch = static_cast<int>(std::min<std::size_t>(stretch, size[ch] - 1 - i[ch]));
            if (stretch == 0)
            {
                // A comb at its last cell: this one sample reads its first cell.
                std::size_t next[2] = {0, 0};
                for (int ch = 0; ch < channels; ++ch)
                    next[ch] = i[ch] + 1 == size[ch] ? 0 : i[ch] + 1;
                combSample<V>(comb, i, next, fed, u, sums, j);
                for (int ch = 0; ch < channels; ++ch)
                    i[ch] = next[ch];
                ++j;
                continue;
            }
            double* at[2] = {comb[0] + i[0], comb[1] + i[1]};
            for (int n = 0; n < stretch; ++n)
            {
                const std::size_t here[2] = {static_cast<std::size_t>(n), static_cast<std::size_t>(n)};
                const std::size_t ahead[2] = {here[0] + 1, here[1] + 1};
                combSample<V>(at, here, ahead, fed, u, sums, j + n);
            }
            for (int ch = 0; ch < channels; ++ch)
                i[ch] += static_cast<std::size_t>(stretch);
            j += stretch;
        }
        for (int ch = 0; ch < channels; ++ch)
            combIndex[ch][k] = i[ch];
    }
}

// Sample j of a pair of combs: cell `next` read, cell `here` written. Fed, the cell takes the read
// value times the feedback plus u[j] and the read value adds to sums[j]; idle, it keeps 0.92 of it.
template <class V>
POMELU_ALWAYS_INLINE void RackEngine::combSample(double* const* comb, const std::size_t* here,
                                                 const std::size_t* next, bool fed, const double* u,
                                                 double* sums, int j) noexcept
{
    constexpr bool stereo = !std::is_same_v<V, double>;
    const V o = fromChannels<V>(comb[0][next[0]], stereo ? comb[1][next[1]] : 0.0);
    const V stored = fed ? o * V(block.combFeedback) + loadPair<V>(u + 2 * j) : V(kCombIdleDecay) * o;
    comb[0][here[0]] = firstLane(stored);
    if constexpr (stereo)
        comb[1][here[1]] = stored.lane1();
    if (fed)
        storePair(sums + 2 * j, loadPair<V>(sums + 2 * j) + o);
}

template <class V> void RackEngine::reverbOverChunk(int length) noexcept
{
    // The pre-delay keeps recording while the reverb is off; its output u goes to chunk.feed.
    std::size_t write = preDelayWrite;
    const std::size_t lineLength = preDelayLine.size();
    for (int j = 0; j < length; ++j)
    {
        const V w = loadPair<V>(chunk.work + 2 * j);
        V u = w;
        if (lineLength > 0)
        {
            storePair(preDelayLine.frame(write), w);
            std::size_t r = write + lineLength - block.preDelay; // preDelay <= length - 1
            if (r >= lineLength)
                r -= lineLength;
            u = loadPair<V>(preDelayLine.frame(r));
            if (++write >= lineLength)
                write = 0;
        }
        storePair(chunk.feed + 2 * j, u);
    }

    const bool on = settings.reverbOn;
    runCombs<V>(length, on, chunk.feed, chunk.returns);
    if (!on)
        return;
    const V m = block.reverbWet;
    StereoBiquad tone = reverbToneFilter; // a local copy keeps its state in registers through the loop
    runOverChunk<V>(length,
                    [this, m, &tone](V w, int j)
                    {
                        const V y = tone.tick(V(0.25) * loadPair<V>(chunk.returns + 2 * j));
                        return (V(1.0) - m) * w + m * y;
                    });
    reverbToneFilter = tone;
}

} // namespace pomelu::dsp
