// SPDX-License-Identifier: GPL-3.0-or-later
#include "StereoBiquad.h"

namespace pomelu::dsp
{

void StereoBiquad::design(int ch, FilterType newType, double newSampleRate, double newFrequency, double newQ,
                          double newGainDb) noexcept
{
    type[ch] = newType;
    sampleRate[ch] = newSampleRate;
    frequency[ch] = newFrequency;
    q[ch] = newQ;
    gainDb[ch] = newGainDb;
    const BiquadCoefficients c = designBiquad(newType, newSampleRate, newFrequency, newQ, newGainDb);
    const double values[5] = {c.b0, c.b1, c.b2, c.a1, c.a2};
    for (int k = 0; k < 5; ++k)
        target[k][ch] = values[k];
    smoothing[ch] = biquadRampFactor(newSampleRate);
    valid[ch] = true;
}

void StereoBiquad::prime(int ch, FilterType newType, double newSampleRate, double newFrequency, double newQ,
                         double newGainDb) noexcept
{
    design(ch, newType, newSampleRate, newFrequency, newQ, newGainDb);
    for (int k = 0; k < 5; ++k)
        current[k][ch] = target[k][ch];
    ramping[ch] = false;
}

void StereoBiquad::setTarget(int ch, FilterType newType, double newSampleRate, double newFrequency,
                             double newQ, double newGainDb) noexcept
{
    if (valid[ch] && newType == type[ch] && newSampleRate == sampleRate[ch] &&
        newFrequency == frequency[ch] && newQ == q[ch] && newGainDb == gainDb[ch])
        return;
    design(ch, newType, newSampleRate, newFrequency, newQ, newGainDb);
    ramping[ch] = true;
}

void StereoBiquad::clear() noexcept
{
    for (int ch = 0; ch < 2; ++ch)
    {
        z1[ch] = z2[ch] = 0.0;
        for (int k = 0; k < 5; ++k)
            current[k][ch] = target[k][ch] = k == B0 ? 1.0 : 0.0;
        valid[ch] = ramping[ch] = false;
    }
}

BiquadSection StereoBiquad::channel(int ch) const noexcept
{
    BiquadSection s;
    s.z1 = z1[ch];
    s.z2 = z2[ch];
    s.smoothing = smoothing[ch];
    s.current = {current[B0][ch], current[B1][ch], current[B2][ch], current[A1][ch], current[A2][ch]};
    s.target = {target[B0][ch], target[B1][ch], target[B2][ch], target[A1][ch], target[A2][ch]};
    s.type = type[ch];
    s.sampleRate = sampleRate[ch];
    s.frequency = frequency[ch];
    s.q = q[ch];
    s.gainDb = gainDb[ch];
    s.valid = valid[ch];
    s.ramping = ramping[ch];
    return s;
}

} // namespace pomelu::dsp
