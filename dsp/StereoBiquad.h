// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Biquad.h"
#include "Lanes.h"

namespace pomelu::dsp
{

// The two channels' sections of one filter stage, stored lane by lane so that a stereo tick is one
// two-lane step. Each channel keeps its own design, coefficients, ramp and state, and behaves
// exactly as a BiquadSection of its own would; a one-channel tick touches channel 0 only.
struct alignas(16) StereoBiquad
{
    enum Coefficient
    {
        B0,
        B1,
        B2,
        A1,
        A2
    };

    double z1[2] = {0.0, 0.0};
    double z2[2] = {0.0, 0.0};
    double current[5][2] = {{1.0, 1.0}, {0.0, 0.0}, {0.0, 0.0}, {0.0, 0.0}, {0.0, 0.0}};
    double target[5][2] = {{1.0, 1.0}, {0.0, 0.0}, {0.0, 0.0}, {0.0, 0.0}, {0.0, 0.0}};
    double smoothing[2] = {0.01, 0.01};
    bool ramping[2] = {false, false};
    bool valid[2] = {false, false};
    FilterType type[2] = {FilterType::LowPass, FilterType::LowPass};
    double sampleRate[2] = {48000.0, 48000.0};
    double frequency[2] = {1000.0, 1000.0};
    double q[2] = {0.707, 0.707};
    double gainDb[2] = {0.0, 0.0};
    double amplitude[2] = {1.0, 1.0}; // biquadAmplitude(gainDb) of a valid design
    // Set by restIfIdle: every tick passes its input through untouched until the next call.
    bool resting = false;

    // BiquadSection::prime (primeNow) or setTarget for channels 0 .. channels-1, with the same
    // design parameters; the channels that need the new design share one evaluation of it.
    void update(int channels, bool primeNow, FilterType newType, double newSampleRate, double newFrequency,
                double newQ, double newGainDb) noexcept;
    // BiquadSection::clear for both channels.
    void clear() noexcept;
    // Both channels' state to zero; designs and coefficients stay.
    void clearState() noexcept { z1[0] = z1[1] = z2[0] = z2[1] = 0.0; }

    // One channel's section as a BiquadSection of its own (a copy).
    BiquadSection channel(int ch) const noexcept;

    // Marks the section resting when a tick could neither change a sample nor its own state for the
    // channels V covers: settled on a numerator equal to the denominator (a bell or shelf at 0 dB),
    // with zero state, where y = x + 0 and both state updates cancel to exactly 0. Call it where no
    // design change can come before the ticks it covers.
    template <class V> void restIfIdle() noexcept
    {
        constexpr int channels = std::is_same_v<V, double> ? 1 : 2;
        resting = true;
        for (int ch = 0; ch < channels; ++ch)
            resting = resting && !ramping[ch] && current[B0][ch] == 1.0 &&
                      current[B1][ch] == current[A1][ch] && current[B2][ch] == current[A2][ch] &&
                      z1[ch] == 0.0 && z2[ch] == 0.0;
    }

    // One sample of channel 0 (V = double) or of both channels (V = Lanes).
    template <class V> V tick(V x) noexcept
    {
        if (resting)
            return x;
        if (rampingAny<V>())
            advanceRamp<V>();
        const V y = loadPair<V>(current[B0]) * x + loadPair<V>(z1);
        storePair(z1, loadPair<V>(current[B1]) * x - loadPair<V>(current[A1]) * y + loadPair<V>(z2));
        storePair(z2, loadPair<V>(current[B2]) * x - loadPair<V>(current[A2]) * y);
        return y;
    }

private:
    bool designedAs(int ch, FilterType newType, double newSampleRate, double newFrequency, double newQ,
                    double newGainDb) const noexcept;
    void copyDesign(int from, int to) noexcept;

    template <class V> bool rampingAny() const noexcept
    {
        if constexpr (std::is_same_v<V, double>)
            return ramping[0];
        else
            return ramping[0] || ramping[1];
    }

    // One ramp step of the channels that are ramping; a channel that is not keeps its coefficients
    // untouched, so its pass-through stays bit-exact.
    template <class V> void advanceRamp() noexcept
    {
        const V s = loadPair<V>(smoothing);
        V next[5];
        V distance = 0.0;
        for (int k = 0; k < 5; ++k)
        {
            const V c = loadPair<V>(current[k]);
            const V t = loadPair<V>(target[k]);
            next[k] = c + (t - c) * s;
            distance = k == 0 ? abs(t - next[k]) : distance + abs(t - next[k]);
        }
        const auto done = distance < V(kBiquadRampEnd);
        if constexpr (std::is_same_v<V, double>)
        {
            for (int k = 0; k < 5; ++k)
                current[k][0] = done ? target[k][0] : next[k];
            ramping[0] = !done;
        }
        else
        {
            const int finished = done.lanes();
            if (finished == 0 && ramping[0] && ramping[1])
            {
                // Both channels mid-ramp: the common case of a sweep or a knob move.
                for (int k = 0; k < 5; ++k)
                    storePair(current[k], next[k]);
                return;
            }
            const LaneMask moving = laneMask(ramping[0], ramping[1]);
            for (int k = 0; k < 5; ++k)
            {
                const V value = select(done, loadPair<V>(target[k]), next[k]);
                storePair(current[k], select(moving, value, loadPair<V>(current[k])));
            }
            ramping[0] = ramping[0] && (finished & 1) == 0;
            ramping[1] = ramping[1] && (finished & 2) == 0;
        }
    }
};

} // namespace pomelu::dsp
