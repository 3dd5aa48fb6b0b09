// SPDX-License-Identifier: GPL-3.0-or-later
#include "Loudness.h"

#include "Errors.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace pomelu::tools
{

namespace
{
constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();

std::string jsonNumber(double value)
{
    if (!std::isfinite(value))
        return "null";
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%.2f", value);
    return buffer;
}

std::string textNumber(double value)
{
    if (!std::isfinite(value))
        return "-inf";
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%.1f", value);
    return buffer;
}
} // namespace

LoudnessMeter::LoudnessMeter(int channels, int sampleRate) : channelCount(channels)
{
    if (channels < 1 || sampleRate < 1)
        throwUsageError("loudness: unsupported channel count or sample rate");
    state = ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(sampleRate),
                         EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK);
    if (state == nullptr)
        throwUsageError("loudness: cannot measure " + std::to_string(channels) + " channels at " +
                        std::to_string(sampleRate) + " Hz");
}

LoudnessMeter::~LoudnessMeter()
{
    if (state != nullptr)
        ebur128_destroy(&state);
}

void LoudnessMeter::add(const double* interleaved, int frames)
{
    if (frames > 0)
        ebur128_add_frames_double(state, interleaved, static_cast<std::size_t>(frames));
}

LoudnessFigures LoudnessMeter::figures() const
{
    LoudnessFigures result;
    if (ebur128_loudness_global(state, &result.integratedLufs) != EBUR128_SUCCESS ||
        !std::isfinite(result.integratedLufs))
        result.integratedLufs = kMinusInfinity;
    if (ebur128_loudness_range(state, &result.loudnessRangeLu) != EBUR128_SUCCESS ||
        !std::isfinite(result.loudnessRangeLu))
        result.loudnessRangeLu = 0.0;

    double peak = 0.0;
    for (int c = 0; c < channelCount; ++c)
    {
        double channelPeak = 0.0;
        if (ebur128_true_peak(state, static_cast<unsigned>(c), &channelPeak) == EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    result.truePeakDbtp = peak > 0.0 ? 20.0 * std::log10(peak) : kMinusInfinity;
    return result;
}

std::string formatLoudnessLine(const char* what, const LoudnessFigures& f)
{
    char buffer[160];
    std::snprintf(buffer, sizeof(buffer), "%-7s %7s LUFS integrated  %5s LU range  %6s dBTP true peak", what,
                  textNumber(f.integratedLufs).c_str(), textNumber(f.loudnessRangeLu).c_str(),
                  textNumber(f.truePeakDbtp).c_str());
    return buffer;
}

std::string loudnessJson(const LoudnessFigures& f)
{
    return "{\"integrated_lufs\": " + jsonNumber(f.integratedLufs) +
           ", \"loudness_range_lu\": " + jsonNumber(f.loudnessRangeLu) +
           ", \"true_peak_dbtp\": " + jsonNumber(f.truePeakDbtp) + "}";
}

} // namespace pomelu::tools
