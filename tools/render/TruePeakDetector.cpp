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

// Kaiser window shape for both stages: side lobes near -64 dB.
constexpr double kKaiserBeta = 6.0;

// A tap of a sinc interpolator at distance x (in the stage's input samples) from the point it
// computes, Kaiser-windowed over half a width of `reach`.
double windowedSinc(double x, double reach)
{
    const double r = x / reach;
    const double window =
        besselI0(kKaiserBeta * std::sqrt(std::max(0.0, 1.0 - r * r))) / besselI0(kKaiserBeta);
    return window * std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
}

// Scales taps to sum to 1 (DC passes unchanged) and returns the sum of their magnitudes.
template <std::size_t N> double normalise(std::array<double, N>& taps)
{
    double sum = 0.0, gain = 0.0;
    for (double t : taps)
        sum += t;
    for (double& t : taps)
    {
        t /= sum;
        gain += std::fabs(t);
    }
    return gain;
}
} // namespace

TruePeakDetector::TruePeakDetector(int channels, int sampleRate)
    : channelCount(channels), oversampling(sampleRate < 96000    ? 8
                                           : sampleRate < 192000 ? 4
                                                                 : 2),
      lines(static_cast<std::size_t>(channels))
{
    // First stage: the point halfway between samples m and m + 1 from samples m - 23 .. m + 24.
    for (int k = 0; k < kTaps; ++k)
        halfTaps[static_cast<std::size_t>(k)] = windowedSinc(kTaps / 2 - 0.5 - k, kTaps / 2);
    halfGain = normalise(halfTaps);
    double central = 0.0;
    innerGain = 0.0;
    for (int k = 0; k < kTaps; ++k)
        if (std::fabs(kTaps / 2 - 0.5 - k) < kInner)
        {
            central += halfTaps[static_cast<std::size_t>(k)];
            innerGain += std::fabs(halfTaps[static_cast<std::size_t>(k)]);
        }
    innerSum = std::fabs(central);
    outerGain = halfGain - innerGain;

    // Second stage: phase q of the points u - 3 .. u + 4 lies at u + q / (factor / 2).
    const int split = oversampling / 2;
    for (int q = 1; q < split; ++q)
    {
        auto& taps = shortTaps[static_cast<std::size_t>(q - 1)];
        for (int j = 0; j < kShortTaps; ++j)
            taps[static_cast<std::size_t>(j)] =
                windowedSinc(kShortTaps / 2 - 1 + static_cast<double>(q) / split - j, kShortTaps / 2);
        shortGain = std::max(shortGain, normalise(taps));
    }
    reset();
}

void TruePeakDetector::reset()
{
    for (auto& line : lines)
        line.fill(0.0);
}

double TruePeakDetector::bound(int begin, int end) const
{
    // Outputs begin .. end - 1 read the samples line[begin .. end + kHistory - 1] through the first
    // stage; its central taps only line[begin + 16 .. end + 34], which hold the samples read
    // directly too. Every central sample is m + d with |d| <= h (m, h: the middle and half the
    // spread), so a half is at most |m| times its central taps' sum plus h times their absolute sum
    // plus the largest magnitude times the outer taps' absolute sum; a sample at most |m| + h. Near
    // a waveform's crest this is far below the largest magnitude times all the taps' absolute sum,
    // the other bound taken. The margin covers rounding.
    // From the groups of kGroup samples that hold those ranges (a little wider, so a little looser).
    double largest = 0.0, low = groupLow[static_cast<std::size_t>((begin + kTaps / 2 - kInner) / kGroup)],
           high = low;
    for (int g = begin / kGroup; g <= (end + kHistory - 1) / kGroup; ++g)
        largest = std::max(
            {largest, -groupLow[static_cast<std::size_t>(g)], groupHigh[static_cast<std::size_t>(g)]});
    for (int g = (begin + kTaps / 2 - kInner) / kGroup; g <= (end + kTaps / 2 + kInner + 2) / kGroup; ++g)
    {
        low = std::min(low, groupLow[static_cast<std::size_t>(g)]);
        high = std::max(high, groupHigh[static_cast<std::size_t>(g)]);
    }
    const double middle = std::fabs(0.5 * (high + low)), half = 0.5 * (high - low);
    const double spread = std::max(middle * innerSum + half * innerGain + largest * outerGain, middle + half);
    return std::min(spread, largest * halfGain) * (1.0 + 1e-9);
}

void TruePeakDetector::interpolate(const double* line, int begin, int end, double threshold)
{
    // First stage, two halves per SSE2 register: points[2j] is the sample at t_begin - 2 + j (t_i:
    // where output i's interval starts), points[2j + 1] the half after it.
    typedef double Lanes __attribute__((vector_size(16)));
    const int n = end - begin, halves = n + 4;
    const double* x = line + begin;
    for (int j = 0; j < halves; j += 2)
    {
        Lanes acc = {0.0, 0.0};
        for (int k = 0; k < kTaps; ++k)
        {
            const double t = halfTaps[static_cast<std::size_t>(k)];
            acc += Lanes{t, t} * Lanes{x[j + k], x[j + k + 1]};
        }
        points[static_cast<std::size_t>(2 * j + 1)] = acc[0];
        points[static_cast<std::size_t>(2 * j + 3)] = acc[1];
        points[static_cast<std::size_t>(2 * j)] = x[j + kTaps / 2 - 1];
        points[static_cast<std::size_t>(2 * j + 2)] = x[j + kTaps / 2];
    }

    // Output i reads the points 2d + 1 .. 2d + 9 (d = i - begin): the sample at 2d + 4 and the half
    // at 2d + 5 directly, the second stage's phases after each from the 8 around them. Where the
    // spread of those points bounds every phase at or under threshold, that bound stands in for them.
    const int phases = oversampling / 2 - 1;
    for (int d = 0; d < n; ++d)
    {
        const auto [lowest, highest] =
            std::minmax_element(points.begin() + 2 * d + 1, points.begin() + 2 * d + 10);
        const double most =
            (std::fabs(0.5 * (*highest + *lowest)) + 0.5 * (*highest - *lowest) * shortGain) * (1.0 + 1e-9);
        if (most <= threshold)
        {
            chunkPeak[static_cast<std::size_t>(begin + d)] = most;
            continue;
        }
        double peak = 0.0;
        for (int u = 2 * d + 4; u <= 2 * d + 5; ++u)
        {
            peak = std::max(peak, std::fabs(points[static_cast<std::size_t>(u)]));
            const double* z = points.data() + u - (kShortTaps / 2 - 1);
            for (int q = 0; q < phases; ++q)
            {
                const auto& taps = shortTaps[static_cast<std::size_t>(q)];
                double acc = 0.0;
                for (int j = 0; j < kShortTaps; ++j)
                    acc += taps[static_cast<std::size_t>(j)] * z[j];
                peak = std::max(peak, std::fabs(acc));
            }
        }
        chunkPeak[static_cast<std::size_t>(begin + d)] = peak;
    }
}

double TruePeakDetector::run(const double* interleaved, int frames, double* peaks, double floor)
{
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
                line[kHistory + i] = interleaved[static_cast<std::ptrdiff_t>(start + i) * channelCount + c];
            for (int g = 0; g * kGroup < kHistory + n; ++g)
            {
                const double* first = line + g * kGroup;
                const auto [lowest, highest] =
                    std::minmax_element(first, first + std::min(kGroup, kHistory + n - g * kGroup));
                groupLow[static_cast<std::size_t>(g)] = *lowest;
                groupHigh[static_cast<std::size_t>(g)] = *highest;
            }
            for (int begin = 0; begin < n; begin += part)
            {
                const int end = std::min(begin + part, n);
                const double threshold = std::max(floor, largest);
                const double most = bound(begin, end) * shortGain;
                if (most > threshold)
                {
                    interpolate(line, begin, end, threshold);
                    for (int i = begin; i < end; ++i)
                        largest = std::max(largest, chunkPeak[static_cast<std::size_t>(i)]);
                }
                else
                    std::fill(chunkPeak.begin() + begin, chunkPeak.begin() + end, most);
            }

            if (peaks != nullptr)
                for (int i = 0; i < n; ++i)
                    peaks[start + i] = std::max(peaks[start + i], chunkPeak[static_cast<std::size_t>(i)]);
            std::memmove(line, line + n, static_cast<std::size_t>(kHistory) * sizeof(double));
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
