// SPDX-License-Identifier: GPL-3.0-or-later
// Tremolo: amplitude modulation by a sine, free-running in Hz or locked to the host tempo.
#pragma once

#include "RackEngine.h"

#include <cmath>

namespace pomelu::dsp
{

// The oscillator is a rotation of (sin, cos); renormalising every 256 samples holds its amplitude
// at 1 against rounding drift.
inline constexpr int kTremoloRenormaliseInterval = 256;

// The effective rate of a block: free, or from the tempo and division; kept below 0.45 x sample rate.
double tremoloRateHz(const RackSettings& settings, double sampleRate) noexcept;

// s: the oscillator's sine at this sample.
template <class V> V RackEngine::tremoloStep(V w, double s) const noexcept
{
    return V(1.0 - (0.5 * s + 0.5) * block.tremoloDepth) * w;
}

inline void RackEngine::rotateTremolo(double& sine, double& cosine, int sampleIndex) const noexcept
{
    const double s = sine;
    const double c = cosine;
    sine = s * block.tremoloCos + c * block.tremoloSin;
    cosine = c * block.tremoloCos - s * block.tremoloSin;
    if (sampleIndex % kTremoloRenormaliseInterval == kTremoloRenormaliseInterval - 1)
    {
        const double norm = std::sqrt(sine * sine + cosine * cosine);
        sine /= norm;
        cosine /= norm;
    }
}

} // namespace pomelu::dsp
