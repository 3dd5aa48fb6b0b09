// SPDX-License-Identifier: GPL-3.0-or-later
#include "TruePeakLimiter.h"

#include "Loudness.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pomelu::tools
{

namespace
{
constexpr int kPeakBlock = 4096;
// Headroom for what the smoothed gain's slope adds to inter-sample peaks: 0.02 dB.
constexpr double kHeadroom = 0.99770006382255327;
} // namespace

TruePeakLimiter::TruePeakLimiter(int channels, int sampleRate, double ceilingDbtp)
    : channelCount(channels),
      window(std::max(1, static_cast<int>(std::lround(kLookAheadSeconds * sampleRate)))),
      ceiling(dbToAmplitude(ceilingDbtp) * kHeadroom),
      releaseCoefficient(1.0 - std::exp(-1.0 / (kReleaseSeconds * sampleRate))),
      detector(channels, sampleRate)
{
    delay = detector.delay() + window - 1;
    audio.assign(static_cast<std::size_t>(delay + 1) * channels, 0.0);
    peaks.assign(kPeakBlock, 0.0);
    required.assign(static_cast<std::size_t>(window), 1.0);
    requiredAt.assign(static_cast<std::size_t>(window), 0);
    held.assign(static_cast<std::size_t>(window), 1.0);
    heldSum = window;
    frameScratch.assign(static_cast<std::size_t>(channels), 0.0);
}

double TruePeakLimiter::largestReductionDb() const
{
    return smallestGain < 1.0 ? amplitudeToDb(smallestGain) : 0.0;
}

double TruePeakLimiter::takeLowestGain()
{
    const double lowest = lowestWritten;
    lowestWritten = 1.0;
    return lowest;
}

bool TruePeakLimiter::step(const double* frame, double peak, double* out)
{
    const std::int64_t n = framesIn++;
    const std::size_t slot = static_cast<std::size_t>(n % (delay + 1)) * channelCount;
    std::copy(frame, frame + channelCount, audio.begin() + static_cast<std::ptrdiff_t>(slot));

    // The sample this peak belongs to, and the gain it needs with its left neighbour's interval.
    const std::int64_t s = n - detector.delay();
    const double worst = std::max(peak, previousPeak);
    previousPeak = peak;
    const double need = worst > ceiling ? ceiling / worst : 1.0;

    // Running minimum over the last window samples: a ring of increasing values with their indices.
    while (minCount > 0 && required[static_cast<std::size_t>((minFirst + minCount - 1) % window)] >= need)
        --minCount;
    const std::size_t back = static_cast<std::size_t>((minFirst + minCount) % window);
    required[back] = need;
    requiredAt[back] = s;
    ++minCount;
    while (requiredAt[static_cast<std::size_t>(minFirst)] <= s - window)
    {
        minFirst = (minFirst + 1) % window;
        --minCount;
    }
    const double hold = required[static_cast<std::size_t>(minFirst)];

    released = hold < released ? hold : released + releaseCoefficient * (hold - released);
    if (released > 1.0 - 1e-12)
        released = 1.0;

    // Moving average of the released gain; exact 1 while none of it is below 1.
    const std::size_t h = static_cast<std::size_t>((s % window + window) % window);
    heldBelowOne += (released < 1.0) - (held[h] < 1.0);
    heldSum += released - held[h];
    held[h] = released;
    if (h == 0)
        heldSum = std::accumulate(held.begin(), held.end(), 0.0);
    const double gain = heldBelowOne == 0 ? 1.0 : heldSum / window;
    smallestGain = std::min(smallestGain, gain);

    if (n < delay)
        return false;
    lowestWritten = std::min(lowestWritten, gain);
    const std::size_t from = static_cast<std::size_t>((n - delay) % (delay + 1)) * channelCount;
    for (int c = 0; c < channelCount; ++c)
        out[c] = gain == 1.0 ? audio[from + c] : audio[from + c] * gain;
    return true;
}

int TruePeakLimiter::process(const double* in, double* out, int frames)
{
    int written = 0;
    for (int start = 0; start < frames; start += kPeakBlock)
    {
        const int n = std::min(kPeakBlock, frames - start);
        const double* block = in + static_cast<std::ptrdiff_t>(start) * channelCount;
        detector.framePeaks(block, n, peaks.data(), ceiling);
        for (int i = 0; i < n; ++i)
            written += step(block + static_cast<std::ptrdiff_t>(i) * channelCount,
                            peaks[static_cast<std::size_t>(i)],
                            out + static_cast<std::ptrdiff_t>(written) * channelCount);
    }
    return written;
}

int TruePeakLimiter::finish(double* out)
{
    std::fill(frameScratch.begin(), frameScratch.end(), 0.0);
    int written = 0;
    for (int i = 0; i < delay; ++i)
    {
        double peak = 0.0;
        detector.framePeaks(frameScratch.data(), 1, &peak, ceiling);
        written += step(frameScratch.data(), peak, out + static_cast<std::ptrdiff_t>(written) * channelCount);
    }
    return written;
}

} // namespace pomelu::tools
