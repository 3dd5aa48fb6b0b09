// SPDX-License-Identifier: GPL-3.0-or-later
// Pure mappings shared by drawing and hit-testing: value <-> angle, frequency <-> x, dB <-> y.
// No Cairo and no widget state, so both paths compute from the current values alike.
#pragma once

#include <algorithm>
#include <cmath>

namespace igraphics
{

inline constexpr double kPi = 3.14159265358979323846;

// Angles in degrees, 0 at twelve o'clock, growing clockwise (screen y grows downwards).
inline double AngleForValue(double normalized, double a1, double a2)
{
    return a1 + std::clamp(normalized, 0.0, 1.0) * (a2 - a1);
}

struct IPoint
{
    float x = 0.0f, y = 0.0f;
};

inline IPoint PointOnCircle(float cx, float cy, float r, double angleDeg)
{
    const double rad = angleDeg * kPi / 180.0;
    return {static_cast<float>(cx + r * std::sin(rad)), static_cast<float>(cy - r * std::cos(rad))};
}

// Frequency axis over a plot width: logarithmic or linear between lo and hi (Hz).
struct FreqAxis
{
    double lo = 20.0, hi = 20000.0;
    double left = 0.0, width = 1.0;
    bool log = true;

    double ToX(double hz) const
    {
        if (log)
            return left + width * std::log(std::max(hz, 1e-9) / lo) / std::log(hi / lo);
        return left + width * (hz - lo) / (hi - lo);
    }
    double ToHz(double x) const
    {
        const double f = (x - left) / width;
        return log ? lo * std::pow(hi / lo, f) : lo + f * (hi - lo);
    }
};

// Level axis: lo dB at the bottom, hi dB at the top of [top, top + height].
struct DbAxis
{
    double lo = -90.0, hi = 0.0;
    double top = 0.0, height = 1.0;

    double ToY(double db) const { return top + height * (hi - std::clamp(db, lo, hi)) / (hi - lo); }
    double ToDb(double y) const { return hi - (y - top) / height * (hi - lo); }
};

// Linear amplitude to dB; silence and below give floorDb.
inline double AmpToDb(double amp, double floorDb)
{
    return amp > 0.0 ? std::max(20.0 * std::log10(amp), floorDb) : floorDb;
}

} // namespace igraphics
