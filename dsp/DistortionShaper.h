// SPDX-License-Identifier: GPL-3.0-or-later
// The eight waveshaping curves of the Distortion module, with their per-block constants.
#pragma once

#include <algorithm>
#include <cmath>

#include "FastMath.h"

namespace pomelu::dsp
{

enum class DistortionStyle : int
{
    SoftBloom = 0,
    WarmBite = 1,
    HardEdge = 2,
    VelvetFuzz = 3,
    WaveFold = 4,
    PixelCrush = 5,
    Rectify = 6,
    ChaosRing = 7,
};

// Per-block constants of the shaper; `drive` is the raw percentage, `gain` = 1 + 0.25 x drive.
struct DistortionShaper
{
    int style = 0;
    double drive = 0.0;
    double softScale = 1.0; // 1 / max(tanh(gain), 0.15)
    double biteScale = 1.0; // 1 / atan(max(gain, 1))
    double steps = 64.0;    // Pixel Crush levels per unit
    double chaosRate = 1.5; // Chaos Ring frequency in y

    static DistortionShaper make(int style, double drive) noexcept
    {
        DistortionShaper s;
        s.style = style;
        s.drive = drive;
        const double gain = 1.0 + 0.25 * drive;
        s.softScale = 1.0 / std::max(tanhFast(gain), 0.15);
        s.biteScale = 1.0 / std::atan(std::max(gain, 1.0));
        s.steps = std::max(64.0 - 0.58 * drive, 4.0);
        s.chaosRate = 1.5 + 0.035 * drive;
        return s;
    }

    double operator()(double y) const noexcept
    {
        switch (static_cast<DistortionStyle>(style))
        {
        case DistortionStyle::WarmBite:
            return std::atan(1.25 * y) * biteScale + 0.12 * std::max(tanhFast(y), 0.0);
        case DistortionStyle::HardEdge:
            return std::clamp(y, -1.0, 1.0);
        case DistortionStyle::VelvetFuzz:
            return std::copysign(1.0 - std::exp(-1.8 * std::abs(y)), y);
        case DistortionStyle::WaveFold:
        {
            // Triangle fold with period 4: small signals come out inverted.
            double r = std::fmod(y + 1.0, 4.0);
            if (r < 0.0)
                r += 4.0;
            return std::abs(r - 2.0) - 1.0;
        }
        case DistortionStyle::PixelCrush:
            return std::round(std::clamp(y, -1.0, 1.0) * steps) / steps; // halves away from zero
        case DistortionStyle::Rectify:
            return tanhFast(1.6 * (0.65 * std::abs(y) + 0.35 * y));
        case DistortionStyle::ChaosRing:
            return 0.72 * std::sin(chaosRate * y) + 0.28 * tanhFast(2.0 * y);
        case DistortionStyle::SoftBloom:
        default: // any other index shapes like Soft Bloom
            return tanhFast(y) * softScale;
        }
    }
};

} // namespace pomelu::dsp
