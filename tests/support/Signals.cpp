// SPDX-License-Identifier: GPL-3.0-or-later
#include "Signals.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pomelu::test
{

std::vector<double> sine(double frequencyHz, double sampleRate, std::size_t frames, double amplitude)
{
    std::vector<double> out(frames);
    for (std::size_t i = 0; i < frames; ++i)
        out[i] =
            amplitude * std::sin(2.0 * std::numbers::pi * frequencyHz * static_cast<double>(i) / sampleRate);
    return out;
}

double sineAmplitude(const double* signal, std::size_t frames, double frequencyHz, double sampleRate)
{
    // Use a whole number of cycles so the correlation is unbiased.
    const double samplesPerCycle = sampleRate / frequencyHz;
    const auto cycles = static_cast<std::size_t>(static_cast<double>(frames) / samplesPerCycle);
    const auto n = cycles > 0
                       ? static_cast<std::size_t>(std::floor(static_cast<double>(cycles) * samplesPerCycle))
                       : frames;
    double re = 0.0, im = 0.0;
    for (std::size_t i = 0; i < n; ++i)
    {
        const double phase = 2.0 * std::numbers::pi * frequencyHz * static_cast<double>(i) / sampleRate;
        re += signal[i] * std::cos(phase);
        im += signal[i] * std::sin(phase);
    }
    return 2.0 * std::sqrt(re * re + im * im) / static_cast<double>(n);
}

double peakAbs(const double* signal, std::size_t frames)
{
    double peak = 0.0;
    for (std::size_t i = 0; i < frames; ++i)
        peak = std::max(peak, std::abs(signal[i]));
    return peak;
}

double rms(const double* signal, std::size_t frames)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < frames; ++i)
        sum += signal[i] * signal[i];
    return frames > 0 ? std::sqrt(sum / static_cast<double>(frames)) : 0.0;
}

double toDb(double linear)
{
    return 20.0 * std::log10(std::max(linear, 1e-30));
}

} // namespace pomelu::test
