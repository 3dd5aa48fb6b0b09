// SPDX-License-Identifier: GPL-3.0-or-later
#include "TruePeakDetector.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace pomelu::tools
{

namespace
{
// The modified Bessel function of the first kind, order 0, by its power series.
double besselI0(double x)
{
    double term = 1.0, sum = 1.0;
    for (int k = 1; k < 50 && term > 1e-17 * sum; ++k)
    {
        const double half = x / (2.0 * k);
        term *= half * half;
        sum += term;
    }
    return sum;
}

// Kaiser window shape: 6 gives a passband ripple and stopband of about -64 dB, with a transition
// from 0.46 to 0.54 of the input rate at 48 taps per phase.
constexpr double kKaiserBeta = 6.0;
} // namespace

TruePeakDetector::TruePeakDetector(int channels, int sampleRate)
    : channelCount(channels), oversampling(sampleRate < 96000    ? 8
                                           : sampleRate < 192000 ? 4
                                                                 : 2),
      tapsPerPhase(kMaxTapsPerPhase), lines(static_cast<std::size_t>(channels))
{
    // Sinc with zeros on the input grid, Kaiser window over factor x taps centred on tap
    // length / 2: the zero phase reproduces the input exactly, the others interpolate between
    // samples, each scaled to pass DC unchanged.
    const int length = oversampling * tapsPerPhase;
    const double norm = besselI0(kKaiserBeta);
    for (int p = 1; p < oversampling; ++p)
    {
        std::array<double, kMaxTapsPerPhase> taps{};
        double sum = 0.0;
        for (int j = 0; j < tapsPerPhase; ++j)
        {
            const int k = p + oversampling * j;
            const double offset = static_cast<double>(k - length / 2);
            const double x = std::numbers::pi * offset / oversampling;
            const double r = offset / (length / 2);
            const double window = besselI0(kKaiserBeta * std::sqrt(std::max(0.0, 1.0 - r * r))) / norm;
            taps[static_cast<std::size_t>(j)] = window * std::sin(x) / x;
            sum += taps[static_cast<std::size_t>(j)];
        }
        double gain = 0.0, central = 0.0, centralGain = 0.0;
        for (int j = 0; j < tapsPerPhase; ++j)
        {
            double& tap = taps[static_cast<std::size_t>(j)];
            tap /= sum;
            gain += std::fabs(tap);
            if (std::abs(j - tapsPerPhase / 2) <= kInner)
            {
                central += tap;
                centralGain += std::fabs(tap);
            }
        }
        phases.push_back(taps);
        largestGain = std::max(largestGain, gain);
        innerSum = std::max(innerSum, std::fabs(central));
        innerGain = std::max(innerGain, centralGain);
        outerGain = std::max(outerGain, gain - centralGain);
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

double TruePeakDetector::bound(const double* line, int begin, int end) const
{
    // Output i reads line[i .. i + history]; its central taps line[i + T/2 - 1 - kInner ..
    // i + T/2 - 1 + kInner] (T taps per phase). Every central sample is m + d with |d| <= h (m, h: the
    // middle and half the spread of the central samples of the whole range), so a phase's value is at
    // most |m| times its central taps' sum plus h times their absolute sum plus the largest magnitude
    // times the outer taps' absolute sum; the samples themselves at most |m| + h. Near a waveform's
    // crest this is far below the largest magnitude times all the taps' absolute sum, the other bound
    // taken. The margin covers rounding.
    const int history = tapsPerPhase - 1;
    double largest = 0.0;
    for (int k = begin; k < end + history; ++k)
        largest = std::max(largest, std::fabs(line[k]));
    const int first = begin + tapsPerPhase / 2 - 1 - kInner, last = end + tapsPerPhase / 2 + kInner - 1;
    double low = line[first], high = line[first];
    for (int k = first + 1; k < last; ++k)
    {
        low = std::min(low, line[k]);
        high = std::max(high, line[k]);
    }
    const double middle = std::fabs(0.5 * (high + low)), half = 0.5 * (high - low);
    const double spread = std::max(middle * innerSum + half * innerGain + largest * outerGain, middle + half);
    return std::min(spread, largest * largestGain) * (1.0 + 1e-9);
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
                const double most = bound(line, begin, end);
                if (most > std::max(floor, largest))
                {
                    interpolate(line, begin, end);
                    for (int i = begin; i < end; ++i)
                        largest = std::max(largest, chunkPeak[static_cast<std::size_t>(i)]);
                }
                else
                    std::fill(chunkPeak.begin() + begin, chunkPeak.begin() + end, most);
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
