// SPDX-License-Identifier: GPL-3.0-or-later
#include "Biquad.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pomelu::dsp
{

double biquadAmplitude(double gainDb) noexcept
{
    return std::exp(gainDb * (0.11512925464970228 / 2.0)); // 10^(dB/40)
}

BiquadCoefficients designBiquad(FilterType type, double sampleRate, double frequency, double q,
                                double gainDb) noexcept
{
    return designBiquadAt(type, sampleRate, frequency, q, biquadAmplitude(gainDb));
}

BiquadCoefficients designBiquadAt(FilterType type, double sampleRate, double frequency, double q,
                                  double A) noexcept
{
    const double fc = std::max(std::min(frequency, 0.46 * sampleRate), 10.0);
    const double w0 = 2.0 * std::numbers::pi * fc / sampleRate;
    const double c = std::cos(w0);
    const double s = std::sin(w0);
    const double qe = std::max(q, 0.08);
    const double alpha = s / (2.0 * qe);
    const double r = 2.0 * std::sqrt(A) * alpha;

    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a0 = 1.0, a1 = 0.0, a2 = 0.0;
    switch (type)
    {
    case FilterType::HighPass:
        b0 = (1.0 + c) / 2.0;
        b1 = -(1.0 + c);
        b2 = (1.0 + c) / 2.0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    case FilterType::LowPass:
        b0 = (1.0 - c) / 2.0;
        b1 = 1.0 - c;
        b2 = (1.0 - c) / 2.0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    case FilterType::Peak:
        b0 = 1.0 + alpha * A;
        b1 = -2.0 * c;
        b2 = 1.0 - alpha * A;
        a0 = 1.0 + alpha / A;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha / A;
        break;
    case FilterType::LowShelf:
        b0 = A * ((A + 1.0) - (A - 1.0) * c + r);
        b1 = 2.0 * A * ((A - 1.0) - (A + 1.0) * c);
        b2 = A * ((A + 1.0) - (A - 1.0) * c - r);
        a0 = (A + 1.0) + (A - 1.0) * c + r;
        a1 = -2.0 * ((A - 1.0) + (A + 1.0) * c);
        a2 = (A + 1.0) + (A - 1.0) * c - r;
        break;
    case FilterType::HighShelf:
        b0 = A * ((A + 1.0) + (A - 1.0) * c + r);
        b1 = -2.0 * A * ((A - 1.0) + (A + 1.0) * c);
        b2 = A * ((A + 1.0) + (A - 1.0) * c - r);
        a0 = (A + 1.0) - (A - 1.0) * c + r;
        a1 = 2.0 * ((A - 1.0) - (A + 1.0) * c);
        a2 = (A + 1.0) - (A - 1.0) * c - r;
        break;
    default:
        break;
    }
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

double biquadRampFactor(double sampleRate) noexcept
{
    return 1.0 - std::exp(-1.0 / (0.003 * std::max(sampleRate, 8000.0)));
}

void BiquadSection::prime(FilterType newType, double newSampleRate, double newFrequency, double newQ,
                          double newGainDb) noexcept
{
    type = newType;
    sampleRate = newSampleRate;
    frequency = newFrequency;
    q = newQ;
    gainDb = newGainDb;
    target = designBiquad(type, sampleRate, frequency, q, gainDb);
    current = target;
    smoothing = biquadRampFactor(sampleRate);
    valid = true;
    ramping = false;
}

void BiquadSection::setTarget(FilterType newType, double newSampleRate, double newFrequency, double newQ,
                              double newGainDb) noexcept
{
    if (valid && newType == type && newSampleRate == sampleRate && newFrequency == frequency && newQ == q &&
        newGainDb == gainDb)
        return;
    type = newType;
    sampleRate = newSampleRate;
    frequency = newFrequency;
    q = newQ;
    gainDb = newGainDb;
    target = designBiquad(type, sampleRate, frequency, q, gainDb);
    smoothing = biquadRampFactor(sampleRate);
    valid = true;
    ramping = true;
}

void BiquadSection::clear() noexcept
{
    z1 = z2 = 0.0;
    current = target = BiquadCoefficients{};
    valid = ramping = false;
}

void BiquadSection::advanceRamp() noexcept
{
    BiquadCoefficients& c = current;
    const BiquadCoefficients& t = target;
    c.b0 += (t.b0 - c.b0) * smoothing;
    c.b1 += (t.b1 - c.b1) * smoothing;
    c.b2 += (t.b2 - c.b2) * smoothing;
    c.a1 += (t.a1 - c.a1) * smoothing;
    c.a2 += (t.a2 - c.a2) * smoothing;
    const double distance = std::abs(t.b0 - c.b0) + std::abs(t.b1 - c.b1) + std::abs(t.b2 - c.b2) +
                            std::abs(t.a1 - c.a1) + std::abs(t.a2 - c.a2);
    if (distance < kBiquadRampEnd)
    {
        c = t;
        ramping = false;
    }
}

} // namespace pomelu::dsp
