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
template <class V> POMELU_ALWAYS_INLINE V clipGuardWet(V p, V w, double c, double inverseC) noexcept
{
    return V(0.5 * c) * tanhSum((p + w) * V(0.5 * inverseC), w * V(inverseC));
}

// The guard switched on (off, the frame only records its input as the previous sample).
// p: the guard's previous input.
template <class V> V RackEngine::clipGuardStep(V w, V p) const noexcept
{
    const V a = block.clipAmount;
    return a * clipGuardWet(p, w, block.clipCeiling, block.clipCeilingInverse) + (V(1.0) - a) * w;
}

} // namespace pomelu::dsp
