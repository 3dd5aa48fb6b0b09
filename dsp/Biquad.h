// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace pomelu::dsp
{

enum class FilterType : std::int32_t
{
    HighPass = 0,
    LowPass = 1,
    Peak = 2,
    LowShelf = 3,
    HighShelf = 4,
    // any other value designs a pass-through section
};

// H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2), normalised so that a0 = 1.
struct BiquadCoefficients
{
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;

    friend bool operator==(const BiquadCoefficients&, const BiquadCoefficients&) = default;
};

// Audio-EQ-cookbook design. The frequency is clamped to 10 Hz .. 0.46 x sample rate and Q to at
// least 0.08, so every argument gives a stable section. Shelves use Q directly in alpha (the
// cookbook's Q form). A Peak or shelf at 0 dB has b0 = 1, b1 = a1 and b2 = a2 exactly: from zero state
// it passes every sample through bit for bit.
BiquadCoefficients designBiquad(FilterType type, double sampleRate, double frequency, double q,
                                double gainDb) noexcept;
// The same with the gain given as its amplitude A = 10^(gainDb / 40) (biquadAmplitude), for a caller
// that redesigns often at one gain and keeps A.
BiquadCoefficients designBiquadAt(FilterType type, double sampleRate, double frequency, double q,
                                  double amplitude) noexcept;
double biquadAmplitude(double gainDb) noexcept;

// Per-sample factor of the coefficient ramp: a 3 ms one-pole at the section's own rate, floored at
// 8 kHz.
double biquadRampFactor(double sampleRate) noexcept;

// The closing condition of a ramp: the five coefficients within this much of the target, in total.
inline constexpr double kBiquadRampEnd = 1e-10;

// One second-order section, transposed direct form II, for one channel. Design changes move the
// coefficients with a 3 ms one-pole ramp per sample so sweeps and knob moves don't click.
struct BiquadSection
{
    double z1 = 0.0;
    double z2 = 0.0;
    double smoothing = 0.01; // per-sample ramp factor of the coefficients
    BiquadCoefficients current;
    BiquadCoefficients target;
    FilterType type = FilterType::LowPass;
    double sampleRate = 48000.0; // Hz
    double frequency = 1000.0;   // Hz
    double q = 0.707;
    double gainDb = 0.0;
    bool valid = false;   // the design parameters describe `target`
    bool ramping = false; // `current` is still moving toward `target`

    // Designs and switches to the new response at once; the state is kept.
    void prime(FilterType newType, double newSampleRate, double newFrequency, double newQ,
               double newGainDb) noexcept;

    // Starts a 3 ms ramp toward a new design; does nothing when the design is unchanged.
    void setTarget(FilterType newType, double newSampleRate, double newFrequency, double newQ,
                   double newGainDb) noexcept;

    // State to zero, coefficients to pass-through, not valid, not ramping. Design parameters stay.
    void clear() noexcept;

    double tick(double x) noexcept
    {
        if (ramping)
            advanceRamp();
        const double y = current.b0 * x + z1;
        z1 = current.b1 * x - current.a1 * y + z2;
        z2 = current.b2 * x - current.a2 * y;
        return y;
    }

private:
    void advanceRamp() noexcept;
};

} // namespace pomelu::dsp
