// SPDX-License-Identifier: GPL-3.0-or-later
// Distortion: eight waveshaping styles. Every sample is shaped twice, directly and averaged with
// the previous input, and the two are averaged: a cheap softening of aliasing without oversampling.
#pragma once

#include "DistortionShaper.h"
#include "FastMath.h"
#include "RackEngine.h"

#include <algorithm>
#include <cmath>

namespace pomelu::dsp
{

// The module switched on (off, the frame only records its input as the previous sample).
// p: the module's previous input.
template <class V> POMELU_ALWAYS_INLINE V RackEngine::distortionStep(V w, V p) const noexcept
{
    const DistortionShaper& shape = block.distortionShaper;
    const V g = block.distortionDrive;
    const V direct = g * w;
    const V averaged = g * V(0.5) * (p + w);
    V s;
    if (shape.isSoftBloom())
        s = V(0.5 * shape.softScale) * tanhSum(direct, averaged);
    else
        s = V(0.5) * (shape(direct) + shape(averaged));
    // Tone raises both the drive into the final saturation and its output level.
    const V wet = tanhFast(V(block.distortionFinalDrive) * s) * V(block.distortionFinalLevel);
    const V m = block.distortionMix;
    return m * wet + (V(1.0) - m) * w;
}

} // namespace pomelu::dsp
