// SPDX-License-Identifier: GPL-3.0-or-later
#include "TruePeakDetector.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace pomelu::tools
{

TruePeakDetector::TruePeakDetector(int channels, int sampleRate)
    : channelCount(channels), oversampling(sampleRate < 96000    ? 4
                                           : sampleRate < 192000 ? 2
                                                                 : 1),
      tapsPerPhase(oversampling == 1 ? 1 : 48 / oversampling), lines(static_cast<std::size_t>(channels))
{
    // Sinc with zeros on the input grid, Hann window over 49 taps centred on the middle one: the
    // zero phase reproduces the input exactly, the others interpolate between samples.
    const int length = 48;
    for (int p = 1; p < oversampling; ++p)
    {
        std::array<double, kMaxTapsPerPhase> taps{};
        double gain = 0.0, sum = 0.0;
        for (int j = 0; j < tapsPerPhase; ++j)
        {
            const int k = p + oversampling * j;
            const double x = std::numbers::pi * static_cast<double>(k - length / 2) / oversampling;
            const double window = 0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * k / length));
            taps[static_cast<std::size_t>(j)] = window * std::sin(x) / x;
            gain += std::fabs(taps[static_cast<std::size_t>(j)]);
            sum += taps[static_cast<std::size_t>(j)];
        }
        phases.push_back(taps);
        largestGain = std::max(largestGain, gain);
        largestSum = std::max(largestSum, std::fabs(sum));
    }
    reset();
}

void TruePeakDetector::reset()
{
    for (auto& line : lines)
        line.fill(0.0);
}

void TruePeakDetector::interpolate(const double* line, int begin, int end)
{
    // Two outputs per SSE2 register (a range is padded to an even count); output i sums
    // taps[j] * line[history + i - j], the newest sample last.
    typedef double Lanes __attribute__((vector_size(16)));
    typedef long long Bits __attribute__((vector_size(16)));
    const auto magnitude = [](Lanes v) {
        return reinterpret_cast<Lanes>(reinterpret_cast<Bits>(v) & Bits{~(1ll << 63), ~(1ll << 63)});
    };
    const auto larger = [](Lanes a, Lanes b) { return a > b ? a : b; };
    const int history = tapsPerPhase - 1;
    Lanes top[kChunk / 2];
    const double* centre = line + history - delay();
    for (int i = begin; i < end; i += 2)
        top[i / 2] = magnitude(Lanes{centre[i], centre[i + 1]});
    for (const auto& taps : phases)
    {
        Lanes acc[kChunk / 2] = {};
        for (int j = 0; j < tapsPerPhase; ++j)
        {
            const Lanes t = {taps[static_cast<std::size_t>(j)], taps[static_cast<std::size_t>(j)]};
            const double* x = line + history - j;
            for (int i = begin; i < end; i += 2)
                acc[i / 2] += t * Lanes{x[i], x[i + 1]};
        }
        for (int i = begin; i < end; i += 2)
            top[i / 2] = larger(top[i / 2], magnitude(acc[i / 2]));
    }
    for (int i = begin; i < end; ++i)
        chunkPeak[static_cast<std::size_t>(i)] = top[i / 2][i % 2];
}

double TruePeakDetector::magnitudeBound(const double* line, int begin, int end) const
{
    double largestMagnitude = 0.0;
    for (int k = begin; k < end; ++k)
        largestMagnitude = std::max(largestMagnitude, std::fabs(line[k]));
    return largestMagnitude * largestGain;
}

double TruePeakDetector::spreadBound(const double* line, int begin, int end) const
{
    // Every window sample is m + d with |d| <= h (m, h: the middle and half the spread of the
    // samples), so an interpolated value is at most |m| times the taps' sum plus h times their
    // absolute sum; the samples themselves at most |m| + h. Near a waveform's crest this is far
    // below the largest magnitude times the absolute sum. The margin covers rounding.
    double low = line[begin], high = line[begin];
    for (int k = begin + 1; k < end; ++k)
    {
        low = std::min(low, line[k]);
        high = std::max(high, line[k]);
    }
    const double middle = std::fabs(0.5 * (high + low)), half = 0.5 * (high - low);
    return std::max(middle * largestSum + half * largestGain, middle + half) * (1.0 + 1e-9);
}

double TruePeakDetector::run(const double* interleaved, int frames, double* peaks, double floor)
{
    const int history = tapsPerPhase - 1;
    // Without per-frame peaks only the largest value counts, and stretches of kPart frames are
    // bounded on their own: a quiet stretch next to a loud one skips its interpolation.
    const int part = peaks != nullptr ? kChunk : kPart;
    double largest = 0.0;
    for (int start = 0; start < frames; start += kChunk)
    {
        const int n = std::min(kChunk, frames - start);
        if (peaks != nullptr)
            std::fill(peaks + start, peaks + start + n, 0.0);
        for (int c = 0; c < channelCount; ++c)
        {
            double* line = lines[static_cast<std::size_t>(c)].data();
            for (int i = 0; i < n; ++i)
                line[history + i] = interleaved[static_cast<std::ptrdiff_t>(start + i) * channelCount + c];
            for (int begin = 0; begin < n; begin += part)
            {
                const int end = std::min(begin + part, n);
                const double bound = peaks != nullptr ? magnitudeBound(line, begin, history + end)
                                                      : spreadBound(line, begin, history + end);
                if (bound > std::max(floor, largest))
                {
                    interpolate(line, begin, end);
                    for (int i = begin; i < end; ++i)
                        largest = std::max(largest, chunkPeak[static_cast<std::size_t>(i)]);
                }
                else
                    std::fill(chunkPeak.begin() + begin, chunkPeak.begin() + end, bound);
            }

            if (peaks != nullptr)
                for (int i = 0; i < n; ++i)
                    peaks[start + i] = std::max(peaks[start + i], chunkPeak[static_cast<std::size_t>(i)]);
            std::memmove(line, line + n, static_cast<std::size_t>(history) * sizeof(double));
        }
    }
    return largest;
}

double TruePeakDetector::blockPeak(const double* interleaved, int frames, double floor)
{
    return run(interleaved, frames, nullptr, floor);
}

void TruePeakDetector::framePeaks(const double* interleaved, int frames, double* peaks, double floor)
{
    run(interleaved, frames, peaks, floor);
}

} // namespace pomelu::tools
