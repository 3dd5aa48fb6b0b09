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

    bool isSoftBloom() const noexcept { return style < 1 || style > 7; } // other indices shape like it

    // The curve of the style at y, for one value or two lanes. Tanh and exp take their two-lane
    // forms; atan, sin, fmod and round go lane by lane through the C library.
    template <class V> V operator()(V y) const noexcept
    {
        switch (static_cast<DistortionStyle>(style))
        {
        case DistortionStyle::WarmBite:
            return perLane(V(1.25) * y, [](double v) { return std::atan(v); }) * V(biteScale) +
                   V(0.12) * max(tanhFast(y), V(0.0));
        case DistortionStyle::HardEdge:
            return min(max(y, V(-1.0)), V(1.0));
        case DistortionStyle::VelvetFuzz:
            return copysign(V(1.0) - expFast(V(-1.8) * abs(y)), y);
        case DistortionStyle::WaveFold:
            return perLane(y,
                           [](double v)
                           {
                               // Triangle fold with period 4: small signals come out inverted.
                               double r = std::fmod(v + 1.0, 4.0);
                               if (r < 0.0)
                                   r += 4.0;
                               return std::abs(r - 2.0) - 1.0;
                           });
        case DistortionStyle::PixelCrush: // halves away from zero
            return perLane(min(max(y, V(-1.0)), V(1.0)) * V(steps), [](double v) { return std::round(v); }) /
                   V(steps);
        case DistortionStyle::Rectify:
            return tanhFast(V(1.6) * (V(0.65) * abs(y) + V(0.35) * y));
        case DistortionStyle::ChaosRing:
            return V(0.72) * perLane(V(chaosRate) * y, [](double v) { return std::sin(v); }) +
                   V(0.28) * tanhFast(V(2.0) * y);
        case DistortionStyle::SoftBloom:
        default: // any other index shapes like Soft Bloom
            return tanhFast(y) * V(softScale);
        }
    }
};

} // namespace pomelu::dsp
