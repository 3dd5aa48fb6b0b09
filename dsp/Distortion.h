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

inline double RackEngine::distortionStep(int ch, double w) noexcept
{
    const double p = distortionPrev[ch];
    distortionPrev[ch] = w; // remembered whether or not the module is on
    if (!settings.distortionOn)
        return w;
    const DistortionShaper& shape = block.distortionShaper;
    const double g = block.distortionDrive;
    const double direct = g * w;
    const double averaged = g * 0.5 * (p + w);
    const double s = 0.5 * (shape(direct) + shape(averaged));
    // Tone raises both the drive into the final saturation and its output level.
    const double wet = tanhFast(block.distortionFinalDrive * s) * block.distortionFinalLevel;
    const double m = block.distortionMix;
    return m * wet + (1.0 - m) * w;
}

} // namespace pomelu::dsp
