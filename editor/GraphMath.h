// SPDX-License-Identifier: GPL-3.0-or-later
// Pure mappings and shapes of the analysis area's two graphs, shared by drawing and hit-testing:
// the EQ display's frequency and level axes and its closed-form response model, and the compressor
// display's level square and its static curve. No Cairo and no widget state: every function is a
// function of the values it is given, so both paths compute from the current parameter values.
//
// The EQ response here is a display model of simple shapes, deliberately not the engine's filters:
// it is cheap enough to evaluate 161 times per redraw and reads the way a user thinks of a band.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

namespace pomelu::editor
{

// ------------------------------------------------------------------ EQ display

inline constexpr double kEqLowHz = 30.0;          // left edge of the frequency axis
inline constexpr double kEqSpan = 2000.0 / 3.0;   // 30 Hz * 2000/3 = 20 kHz at the right edge
inline constexpr double kEqRangeDb = 18.0;        // +18 dB at the top, -18 dB at the bottom
inline constexpr double kEqCutCapDb = 36.0;       // the most a cut shape ever subtracts
inline constexpr double kEqShapeFloorHz = 20.0;   // band frequencies below this are shaped as 20 Hz
inline constexpr double kEqShapeFloorQ = 0.1;     // Q values below this are shaped as 0.1
inline constexpr double kEqBellWidth = 0.5 * 2.2; // Gaussian bell: exp(-1.1 q^2 octaves^2)
inline constexpr double kEqShelfSlope = 4.0;      // logistic shelf: 1 / (1 + exp(4 q octaves))
inline constexpr int kEqCurvePoints = 161;
inline constexpr int kEqBands = 5;
inline constexpr std::array<double, 5> kEqGridDb = {-12.0, -6.0, 0.0, 6.0, 12.0};
inline constexpr std::array<double, 9> kEqGridHz = {60.0,   120.0,  250.0,  500.0,  1000.0,
                                                    2000.0, 4000.0, 8000.0, 16000.0};

// Frequency of curve point i (0..160): 30 Hz to 20 kHz in equal ratios.
inline double eqCurveHz(int i)
{
    return kEqLowHz * std::pow(kEqSpan, static_cast<double>(i) / (kEqCurvePoints - 1));
}

// The EQ display's axes over its rectangle (left, top, right, bottom; logical units).
struct EqAxes
{
    double L = 0.0, T = 0.0, R = 1.0, B = 1.0;

    // Below 30 Hz the axis holds at its left edge.
    double xForHz(double hz) const
    {
        return L + std::log(std::max(hz, kEqLowHz) / kEqLowHz) / std::log(kEqSpan) * (R - L);
    }
    // 0 dB on the middle line; levels beyond +-18 dB sit on the edge, never wrap.
    double yForDb(double db) const
    {
        return 0.5 * (T + B) - std::clamp(db, -kEqRangeDb, kEqRangeDb) / (2.0 * kEqRangeDb) * (B - T);
    }
    // The pointer's frequency and gain: a position beyond an edge reads as the edge's value.
    double hzForX(double x) const
    {
        const double u = std::clamp((x - L) / (R - L), 0.0, 1.0);
        return kEqLowHz * std::pow(kEqSpan, u);
    }
    double dbForY(double y) const
    {
        return std::clamp((1.0 - 2.0 * (y - T) / (B - T)) * kEqRangeDb, -kEqRangeDb, kEqRangeDb);
    }
};

enum class EqShape
{
    LowShelf,
    Bell,
    HighShelf
};

struct EqBand
{
    double hz = 1000.0;
    double gainDb = 0.0;
    double q = 1.0;
};

// One band's contribution in dB at frequency hz. Shelves reach half their gain at the corner.
inline double eqBandDb(EqShape shape, const EqBand& band, double hz)
{
    const double q = std::max(band.q, kEqShapeFloorQ);
    const double octaves = std::log2(hz / std::max(band.hz, kEqShapeFloorHz));
    switch (shape)
    {
    case EqShape::LowShelf:
        return band.gainDb / (1.0 + std::exp(kEqShelfSlope * q * octaves));
    case EqShape::HighShelf:
        return band.gainDb / (1.0 + std::exp(-kEqShelfSlope * q * octaves));
    case EqShape::Bell:
    default:
        return band.gainDb * std::exp(-kEqBellWidth * q * q * octaves * octaves);
    }
}

// What a cut subtracts `octaves` beyond its corner (0 inside the pass band): 12 or 24 dB per octave,
// capped at 36 dB.
inline double eqCutDb(double octaves, bool steep)
{
    return octaves > 0.0 ? std::min(kEqCutCapDb, (steep ? 24.0 : 12.0) * octaves) : 0.0;
}

// The display model: the five bands (low shelf, three bells, high shelf) and the two cuts.
struct EqDisplayModel
{
    std::array<EqBand, kEqBands> bands{};
    bool lowCutOn = false, lowCutSteep = false;
    double lowCutHz = 75.0;
    bool highCutOn = false, highCutSteep = false;
    double highCutHz = 17000.0;

    static EqShape shapeOf(int band)
    {
        return band == 0 ? EqShape::LowShelf : band == kEqBands - 1 ? EqShape::HighShelf : EqShape::Bell;
    }

    // The summed response in dB, not limited (the axis clamps it).
    double responseDb(double hz) const
    {
        double db = 0.0;
        for (int k = 0; k < kEqBands; ++k)
            db += eqBandDb(shapeOf(k), bands[static_cast<std::size_t>(k)], hz);
        if (lowCutOn && hz < lowCutHz)
            db -= eqCutDb(std::log2(lowCutHz / hz), lowCutSteep);
        if (highCutOn && hz > highCutHz)
            db -= eqCutDb(std::log2(hz / highCutHz), highCutSteep);
        return db;
    }
};

// The control's 23 values in plain units, in value-index order: low cut on, frequency, Q (unused),
// slope; then frequency, gain and Q of each band; then high cut on, frequency, Q (unused), slope.
inline constexpr int kEqNumValues = 23;
inline constexpr int eqBandHzIndex(int band)
{
    return 3 * band + 4;
}
inline constexpr int eqBandGainIndex(int band)
{
    return 3 * band + 5;
}
inline constexpr int eqBandQIndex(int band)
{
    return 3 * band + 6;
}

inline EqDisplayModel eqModelFromPlain(const std::array<double, kEqNumValues>& v)
{
    // A switch is on above 0.5; a slope is the steep one unless it rounds to choice 0.
    EqDisplayModel m;
    m.lowCutOn = v[0] > 0.5;
    m.lowCutHz = v[1];
    m.lowCutSteep = std::lround(v[3]) != 0;
    for (int k = 0; k < kEqBands; ++k)
        m.bands[static_cast<std::size_t>(k)] = {v[eqBandHzIndex(k)], v[eqBandGainIndex(k)],
                                                v[eqBandQIndex(k)]};
    m.highCutOn = v[19] > 0.5;
    m.highCutHz = v[20];
    m.highCutSteep = std::lround(v[22]) != 0;
    return m;
}

// The band whose node, as drawn, is nearest to (x, y) by squared distance; the lower band wins a
// tie. Any position takes a band: there is no distance limit. Distances within a millionth of a
// square unit are a tie: two nodes on one spot come from values of different ranges whose round
// trips through the normalised value differ in the last bits.
inline int eqNearestBand(const EqDisplayModel& m, const EqAxes& axes, double x, double y)
{
    constexpr double kTie = 1e-6;
    int nearest = 0;
    double best = std::numeric_limits<double>::infinity();
    for (int k = 0; k < kEqBands; ++k)
    {
        const EqBand& b = m.bands[static_cast<std::size_t>(k)];
        const double dx = axes.xForHz(b.hz) - x, dy = axes.yForDb(b.gainDb) - y;
        if (dx * dx + dy * dy < best - kTie)
        {
            best = dx * dx + dy * dy;
            nearest = k;
        }
    }
    return nearest;
}

// ------------------------------------------------------------------ compressor display

inline constexpr double kCompFloorDb = -60.0;        // bottom-left corner of the level square
inline constexpr double kCompThresholdMinDb = -48.0; // the threshold parameter's range
inline constexpr int kCompCurvePoints = 81;          // -60 .. 0 dB in 0.75 dB steps
inline constexpr std::array<double, 5> kCompGridDb = {-48.0, -36.0, -24.0, -12.0, 0.0};

// The hard-knee static curve: unity below the threshold, 1/ratio above it (a ratio below 1 is 1).
inline double compOutDb(double inDb, double thresholdDb, double ratio)
{
    return inDb <= thresholdDb ? inDb : thresholdDb + (inDb - thresholdDb) / std::max(ratio, 1.0);
}

inline double compCurveInDb(int i)
{
    return kCompFloorDb - kCompFloorDb * static_cast<double>(i) / (kCompCurvePoints - 1);
}

// The compressor display's square: input -60..0 dB left to right, output -60..0 dB bottom to top.
struct CompAxes
{
    double L = 0.0, T = 0.0, R = 1.0, B = 1.0;

    static double pin(double db) { return std::clamp(db, kCompFloorDb, 0.0); }
    double xForDb(double db) const { return L + (pin(db) - kCompFloorDb) / -kCompFloorDb * (R - L); }
    double yForDb(double db) const { return B - (pin(db) - kCompFloorDb) / -kCompFloorDb * (B - T); }
    // The threshold a press at x asks for: the input level there, held to the parameter's range
    // (so the left edge gives -48 dB, not -60).
    double thresholdForX(double x) const
    {
        return std::clamp((x - L) * -kCompFloorDb / (R - L) + kCompFloorDb, kCompThresholdMinDb, 0.0);
    }
};

// The readout line. IN and OUT are pinned to the square like the dot; GR prints as measured.
inline void formatCompReadout(char (&text)[128], double inDb, double outDb, double grDb)
{
    std::snprintf(text, sizeof text,
                  "COMP I/O  IN %.1f dB  OUT %.1f dB  GR %.1f dB  \xC2\xB7  drag threshold",
                  CompAxes::pin(inDb), CompAxes::pin(outDb), grDb);
}

// ------------------------------------------------------------------ editing

// A value the pointer asks for as the parameter can hold it: rounded to its step, then held to its
// range, so a drag lands on the values a knob or the host would show (0.5 dB, not 0.48 dB).
inline double snapToParameter(double plain, double minValue, double maxValue, double step)
{
    const double stepped = step > 0.0 ? std::round(plain / step) * step : plain;
    return std::clamp(stepped, minValue, maxValue);
}

} // namespace pomelu::editor
