// SPDX-License-Identifier: GPL-3.0-or-later
// Clip Guard: a soft clipper under a ceiling, blending a half-sample-averaged clip with a direct one.
#pragma once

#include "FastMath.h"
#include "RackEngine.h"

#include <cmath>

namespace pomelu::dsp
{

// The clipped value for the current sample w and the previous input p, at linear ceiling c
// (1/c passed in: a multiplication per sample instead of two divisions).
inline double clipGuardWet(double p, double w, double c, double inverseC) noexcept
{
    return 0.5 * (c * tanhFast((p + w) * (0.5 * inverseC)) + c * tanhFast(w * inverseC));
}

inline double RackEngine::clipGuardStep(int ch, double w) noexcept
{
    const double p = clipGuardPrev[ch];
    clipGuardPrev[ch] = w; // remembered whether or not the guard is on
    if (!settings.clipGuardOn)
        return w;
    const double a = block.clipAmount;
    return a * clipGuardWet(p, w, block.clipCeiling, block.clipCeilingInverse) + (1.0 - a) * w;
}

} // namespace pomelu::dsp
