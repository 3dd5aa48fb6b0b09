// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlotTrace.h"

#include "TruePeakLimiter.h"

#include <emmintrin.h>

#include <algorithm>
#include <limits>

namespace pomelu::tools
{

namespace
{
// Widens [lo, hi] to hold the n samples at x: four at a time in two pairs of SSE2 lanes (the x86-64
// baseline), so the comparisons of neighbouring samples do not wait for each other.
void extremes(const double* x, std::ptrdiff_t n, double& lo, double& hi)
{
    __m128d lowA = _mm_set1_pd(lo), lowB = lowA, highA = _mm_set1_pd(hi), highB = highA;
    std::ptrdiff_t k = 0;
    for (; k + 4 <= n; k += 4)
    {
        const __m128d a = _mm_loadu_pd(x + k), b = _mm_loadu_pd(x + k + 2);
        lowA = _mm_min_pd(a, lowA);
        lowB = _mm_min_pd(b, lowB);
        highA = _mm_max_pd(a, highA);
        highB = _mm_max_pd(b, highB);
    }
    double lows[4], highs[4];
    _mm_storeu_pd(lows, lowA);
    _mm_storeu_pd(lows + 2, lowB);
    _mm_storeu_pd(highs, highA);
    _mm_storeu_pd(highs + 2, highB);
    lo = std::min({lows[0], lows[1], lows[2], lows[3]});
    hi = std::max({highs[0], highs[1], highs[2], highs[3]});
    for (; k < n; ++k)
    {
        lo = std::min(lo, x[k]);
        hi = std::max(hi, x[k]);
    }
}
} // namespace

WaveEnvelope::WaveEnvelope(std::int64_t totalFrames, int columns)
    : low(static_cast<std::size_t>(std::max(columns, 1))), high(low.size()),
      total(std::max<std::int64_t>(totalFrames, 1))
{
    clear();
}

void WaveEnvelope::clear()
{
    std::fill(low.begin(), low.end(), std::numeric_limits<float>::max());
    std::fill(high.begin(), high.end(), std::numeric_limits<float>::lowest());
    position = 0;
    column = 0;
    columnEnd = total / static_cast<std::int64_t>(low.size());
}

void WaveEnvelope::add(const double* interleaved, int frames, int channels)
{
    const std::size_t last = low.size() - 1;
    for (int done = 0; done < frames;)
    {
        while (column < last && position >= columnEnd)
        {
            ++column;
            columnEnd = static_cast<std::int64_t>(column + 1) * total / static_cast<std::int64_t>(low.size());
        }
        const int n = column < last
                          ? static_cast<int>(std::min<std::int64_t>(frames - done, columnEnd - position))
                          : frames - done;
        double lo = low[column], hi = high[column];
        extremes(interleaved + static_cast<std::ptrdiff_t>(done) * channels,
                 static_cast<std::ptrdiff_t>(n) * channels, lo, hi);
        low[column] = static_cast<float>(lo);
        high[column] = static_cast<float>(hi);
        done += n;
        position += n;
    }
}

PlotTrace::PlotTrace(std::int64_t totalFrames, int columns, int sampleRate, int channels)
    : input(totalFrames, columns), output(totalFrames, columns), framesPer100ms((sampleRate + 5) / 10),
      channelCount(channels)
{
}

void PlotTrace::restartOutput()
{
    output.clear();
    limiterGainDb.clear();
    limiterFed = 0;
}

void PlotTrace::noteGain(std::int64_t from, int frames, double gain)
{
    if (frames <= 0)
        return;
    const auto first = static_cast<std::size_t>(from / framesPer100ms);
    const auto last = static_cast<std::size_t>((from + frames - 1) / framesPer100ms);
    if (limiterGainDb.size() <= last)
        limiterGainDb.resize(last + 1, 0.0f);
    const float db = gain < 1.0 ? static_cast<float>(amplitudeToDb(gain)) : 0.0f;
    for (std::size_t b = first; b <= last; ++b)
        limiterGainDb[b] = std::min(limiterGainDb[b], db);
}

int PlotTrace::limit(TruePeakLimiter& limiter, const double* in, double* out, int frames)
{
    int written = 0;
    for (int done = 0; done < frames;)
    {
        const std::int64_t emitted = std::max<std::int64_t>(0, limiterFed - limiter.latency());
        const std::int64_t boundary = (emitted / framesPer100ms + 1) * framesPer100ms;
        const int n = static_cast<int>(
            std::min<std::int64_t>(frames - done, boundary + limiter.latency() - limiterFed));
        const int w = limiter.process(in + static_cast<std::ptrdiff_t>(done) * channelCount,
                                      out + static_cast<std::ptrdiff_t>(written) * channelCount, n);
        noteGain(emitted, w, limiter.takeLowestGain());
        limiterFed += n;
        done += n;
        written += w;
    }
    return written;
}

int PlotTrace::finish(TruePeakLimiter& limiter, double* out)
{
    const std::int64_t emitted = std::max<std::int64_t>(0, limiterFed - limiter.latency());
    const int w = limiter.finish(out);
    noteGain(emitted, w, limiter.takeLowestGain());
    return w;
}

} // namespace pomelu::tools
