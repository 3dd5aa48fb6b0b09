// SPDX-License-Identifier: GPL-3.0-or-later
#include "StereoBiquad.h"

namespace pomelu::dsp
{

bool StereoBiquad::designedAs(int ch, FilterType newType, double newSampleRate, double newFrequency,
                              double newQ, double newGainDb) const noexcept
{
    return valid[ch] && newType == type[ch] && newSampleRate == sampleRate[ch] &&
           newFrequency == frequency[ch] && newQ == q[ch] && newGainDb == gainDb[ch];
}

void StereoBiquad::copyDesign(int from, int to) noexcept
{
    type[to] = type[from];
    sampleRate[to] = sampleRate[from];
    frequency[to] = frequency[from];
    q[to] = q[from];
    gainDb[to] = gainDb[from];
    amplitude[to] = amplitude[from];
    for (int k = 0; k < 5; ++k)
        target[k][to] = target[k][from];
    smoothing[to] = smoothing[from];
    valid[to] = true;
}

void StereoBiquad::update(int channels, bool primeNow, FilterType newType, double newSampleRate,
                          double newFrequency, double newQ, double newGainDb) noexcept
{
    resting = false;
    int designed = -1;
    for (int ch = 0; ch < channels; ++ch)
    {
        // An unchanged design starts no ramp; a prime always switches.
        if (!primeNow && designedAs(ch, newType, newSampleRate, newFrequency, newQ, newGainDb))
            continue;
        if (designed >= 0)
            copyDesign(designed, ch);
        else
        {
            // A sweep redesigns at one gain and rate: their exponentials carry over from the last design.
            if (!(valid[ch] && newGainDb == gainDb[ch]))
                amplitude[ch] = biquadAmplitude(newGainDb);
            if (!(valid[ch] && newSampleRate == sampleRate[ch]))
                smoothing[ch] = biquadRampFactor(newSampleRate);
            type[ch] = newType;
            sampleRate[ch] = newSampleRate;
            frequency[ch] = newFrequency;
            q[ch] = newQ;
            gainDb[ch] = newGainDb;
            const BiquadCoefficients c =
                designBiquadAt(newType, newSampleRate, newFrequency, newQ, amplitude[ch]);
            const double values[5] = {c.b0, c.b1, c.b2, c.a1, c.a2};
            for (int k = 0; k < 5; ++k)
                target[k][ch] = values[k];
            valid[ch] = true;
            designed = ch;
        }
        if (primeNow)
            for (int k = 0; k < 5; ++k)
                current[k][ch] = target[k][ch];
        ramping[ch] = !primeNow;
    }
}

void StereoBiquad::clear() noexcept
{
    resting = false;
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
