// SPDX-License-Identifier: GPL-3.0-or-later
#include "Loudness.h"

#include "Errors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <numeric>

namespace pomelu::tools
{

namespace
{
constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();
// Mean square of a block at the absolute gate, -70 LUFS: 10^((-70 + 0.691) / 10).
constexpr double kAbsoluteGateEnergy = 1.1724653045822963e-7;

double energyToLufs(double meanSquare)
{
    return meanSquare > 0.0 ? -0.691 + 10.0 * std::log10(meanSquare) : kMinusInfinity;
}

// The energies (all above the absolute gate) at or above relativeLu below their mean.
std::vector<double> gated(const std::vector<double>& energies, double relativeLu)
{
    if (energies.empty())
        return {};
    const double mean = std::accumulate(energies.begin(), energies.end(), 0.0) / energies.size();
    const double threshold = mean * std::pow(10.0, relativeLu / 10.0);
    std::vector<double> kept;
    kept.reserve(energies.size());
    for (double e : energies)
        if (e >= threshold)
            kept.push_back(e);
    return kept;
}

std::string number(double value, const char* format, const char* missing)
{
    if (!std::isfinite(value))
        return missing;
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), format, value);
    return buffer;
}
} // namespace

double amplitudeToDb(double amplitude)
{
    return amplitude > 0.0 ? 20.0 * std::log10(amplitude) : kMinusInfinity;
}

double dbToAmplitude(double db)
{
    return std::pow(10.0, db / 20.0);
}

LoudnessMeter::LoudnessMeter(int channels, int sampleRate, LoudnessMeasures measures)
    : channelCount(channels), what(measures), framesPer100ms((sampleRate + 5) / 10),
      peakDetector(std::max(channels, 1), std::max(sampleRate, 1))
{
    if (channels < 1 || sampleRate < 1)
        throwUsageError("loudness: unsupported channel count or sample rate");
    filterState.assign(static_cast<std::size_t>(channels), {});

    // The K-weighting of BS.1770 (a high shelf for the head, then a high-pass), from its analogue
    // prototypes by the bilinear transform so that every sample rate gets the same curve.
    const double rate = static_cast<double>(sampleRate);
    {
        const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
        const double k = std::tan(std::numbers::pi * f0 / rate);
        const double vh = std::pow(10.0, gainDb / 20.0);
        const double vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1.0 + k / q + k * k;
        shelf = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    }
    {
        const double f0 = 38.13547087602444, q = 0.5003270373238773;
        const double k = std::tan(std::numbers::pi * f0 / rate);
        const double a0 = 1.0 + k / q + k * k;
        highPass = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    }
}

void LoudnessMeter::add(const double* interleaved, int frames)
{
    if (frames <= 0)
        return;
    if (what.truePeak)
        peak = std::max(peak, peakDetector.blockPeak(interleaved, frames, peak));
    if (what.loudness)
        addWeighted(interleaved, frames);
}

// One channel pair's K-weighting: two channels in the two lanes of an SSE2 register (the x86-64
// baseline), so both recursions advance together; mono runs with a silent second lane.
struct LoudnessMeter::PairWeighting
{
    typedef double Lanes __attribute__((vector_size(16)));
    static Lanes splat(double v) { return Lanes{v, v}; }

    PairWeighting(LoudnessMeter& meter, int c)
        : left(meter.filterState[static_cast<std::size_t>(c)]),
          right(meter.filterState[static_cast<std::size_t>(c + 1 < meter.channelCount ? c + 1 : c)]),
          pair(c + 1 < meter.channelCount), sb0(splat(meter.shelf.b0)), sb1(splat(meter.shelf.b1)),
          sb2(splat(meter.shelf.b2)), sa1(splat(meter.shelf.a1)), sa2(splat(meter.shelf.a2)),
          hb0(splat(meter.highPass.b0)), hb1(splat(meter.highPass.b1)), hb2(splat(meter.highPass.b2)),
          ha1(splat(meter.highPass.a1)), ha2(splat(meter.highPass.a2)), s0{left[0], right[0]},
          s1{left[1], right[1]}, s2{left[2], right[2]}, s3{left[3], right[3]}
    {
    }
    ~PairWeighting()
    {
        left = {s0[0], s1[0], s2[0], s3[0]};
        if (pair)
            right = {s0[1], s1[1], s2[1], s3[1]};
    }

    // The weighted squares of the pair's channels at one frame, added.
    double squares(const double* frame)
    {
        const Lanes x = {frame[0], pair ? frame[1] : 0.0};
        const Lanes y = sb0 * x + s0;
        s0 = sb1 * x - sa1 * y + s1;
        s1 = sb2 * x - sa2 * y;
        const Lanes z = hb0 * y + s2;
        s2 = hb1 * y - ha1 * z + s3;
        s3 = hb2 * y - ha2 * z;
        const Lanes zz = z * z;
        return zz[0] + zz[1];
    }

    std::array<double, 4>& left;
    std::array<double, 4>& right;
    const bool pair;
    const Lanes sb0, sb1, sb2, sa1, sa2, hb0, hb1, hb2, ha1, ha2;
    Lanes s0, s1, s2, s3;
};

void LoudnessMeter::addTogether(LoudnessMeter& a, const double* aFrames, LoudnessMeter& b,
                                const double* bFrames, int frames)
{
    if (frames <= 0 || a.channelCount > 2 || b.channelCount > 2 || !a.what.loudness || !b.what.loudness)
    {
        a.add(aFrames, frames);
        b.add(bFrames, frames);
        return;
    }
    for (LoudnessMeter* m : {&a, &b})
        if (m->squares.size() < static_cast<std::size_t>(frames))
            m->squares.resize(static_cast<std::size_t>(frames));
    {
        // The two meters' recursions are independent: in one loop each runs while the other waits.
        PairWeighting first(a, 0), second(b, 0);
        for (int i = 0; i < frames; ++i)
        {
            a.squares[static_cast<std::size_t>(i)] =
                first.squares(aFrames + static_cast<std::ptrdiff_t>(i) * a.channelCount);
            b.squares[static_cast<std::size_t>(i)] =
                second.squares(bFrames + static_cast<std::ptrdiff_t>(i) * b.channelCount);
        }
    }
    for (auto [m, data] : {std::pair{&a, aFrames}, std::pair{&b, bFrames}})
    {
        if (m->what.truePeak)
            m->peak = std::max(m->peak, m->peakDetector.blockPeak(data, frames, m->peak));
        m->accumulate(frames);
    }
}

void LoudnessMeter::addWeighted(const double* interleaved, int frames)
{
    if (squares.size() < static_cast<std::size_t>(frames))
        squares.resize(static_cast<std::size_t>(frames));
    for (int c = 0; c < channelCount; c += 2)
    {
        PairWeighting weighting(*this, c);
        for (int i = 0; i < frames; ++i)
        {
            double& sum = squares[static_cast<std::size_t>(i)];
            sum = (c == 0 ? 0.0 : sum) +
                  weighting.squares(interleaved + static_cast<std::ptrdiff_t>(i) * channelCount + c);
        }
    }
    accumulate(frames);
}

void LoudnessMeter::accumulate(int frames)
{
    for (int i = 0; i < frames;)
    {
        const int n = std::min(frames - i, framesPer100ms - framesInSubBlock);
        for (int j = 0; j < n; ++j)
            subBlockEnergy += squares[static_cast<std::size_t>(i + j)];
        i += n;
        framesInSubBlock += n;
        if (framesInSubBlock == framesPer100ms)
            closeSubBlock();
    }
}

void LoudnessMeter::closeSubBlock()
{
    recentSubBlocks[static_cast<std::size_t>(subBlockCount % 30)] = subBlockEnergy;
    ++subBlockCount;
    subBlockEnergy = 0.0;
    framesInSubBlock = 0;

    // The blocks that end here: 400 ms once four sub-blocks are in, 3 s every tenth after thirty.
    const auto sumOfLast = [this](int count)
    {
        double sum = 0.0;
        for (int k = 1; k <= count; ++k)
            sum += recentSubBlocks[static_cast<std::size_t>((subBlockCount - k) % 30)];
        return sum / (static_cast<double>(count) * framesPer100ms);
    };
    if (subBlockCount >= 4)
    {
        const double e = sumOfLast(4);
        loudestMomentary = std::max(loudestMomentary, e);
        if (e >= kAbsoluteGateEnergy)
            momentaryEnergies.push_back(e);
    }
    if (subBlockCount >= 30 && subBlockCount % 10 == 0)
    {
        const double e = sumOfLast(30);
        if (e >= kAbsoluteGateEnergy)
            shortTermEnergies.push_back(e);
    }
    if (what.history)
    {
        const int count = static_cast<int>(std::min<std::int64_t>(subBlockCount, 30));
        kept.momentaryLufs.push_back(static_cast<float>(energyToLufs(sumOfLast(std::min(count, 4)))));
        kept.shortTermLufs.push_back(static_cast<float>(energyToLufs(sumOfLast(count))));
    }
}

LoudnessFigures LoudnessMeter::figures() const
{
    LoudnessFigures result{kMinusInfinity, 0.0, kMinusInfinity};
    if (what.loudness)
    {
        const std::vector<double> kept = gated(momentaryEnergies, -10.0);
        result.loudestBlockLufs = loudestMomentary > 0.0 ? energyToLufs(loudestMomentary) : kMinusInfinity;
        if (!kept.empty())
            result.integratedLufs = energyToLufs(std::accumulate(kept.begin(), kept.end(), 0.0) /
                                                 static_cast<double>(kept.size()));

        std::vector<double> range = gated(shortTermEnergies, -20.0);
        if (!range.empty())
        {
            std::sort(range.begin(), range.end());
            const double last = static_cast<double>(range.size() - 1);
            const double low = range[static_cast<std::size_t>(last * 0.10 + 0.5)];
            const double high = range[static_cast<std::size_t>(last * 0.95 + 0.5)];
            result.loudnessRangeLu = energyToLufs(high) - energyToLufs(low);
        }
    }
    if (what.truePeak)
        result.truePeakDbtp = amplitudeToDb(peak);
    return result;
}

std::string formatLoudnessLine(const char* what, const LoudnessFigures& f)
{
    char buffer[160];
    std::snprintf(buffer, sizeof(buffer), "%-7s %7s LUFS integrated  %5s LU range  %6s dBTP true peak", what,
                  number(f.integratedLufs, "%.1f", "-inf").c_str(),
                  number(f.loudnessRangeLu, "%.1f", "-inf").c_str(),
                  number(f.truePeakDbtp, "%.1f", "-inf").c_str());
    return buffer;
}

std::string loudnessJson(const LoudnessFigures& f)
{
    return "{\"integrated_lufs\": " + number(f.integratedLufs, "%.2f", "null") +
           ", \"loudness_range_lu\": " + number(f.loudnessRangeLu, "%.2f", "null") +
           ", \"true_peak_dbtp\": " + number(f.truePeakDbtp, "%.2f", "null") + "}";
}

} // namespace pomelu::tools
