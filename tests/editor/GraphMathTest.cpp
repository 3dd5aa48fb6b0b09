// SPDX-License-Identifier: GPL-3.0-or-later
// The graphs' pure mappings and shapes against the numbers they are built on.
#include "GraphMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace pomelu::editor;

namespace
{

const EqAxes kEq{35.0, 213.0, 857.0, 278.0}; // the analyzer inset by 12 on a 980-wide page
const CompAxes kComp{23.0, 294.0, 869.0, 366.0};

EqDisplayModel model(int band = 2, double hz = 1000.0, double gainDb = 0.0, double q = 1.0)
{
    EqDisplayModel m;
    const double corners[] = {180.0, 500.0, 2800.0, 5200.0, 7500.0};
    for (int k = 0; k < kEqBands; ++k)
        m.bands[static_cast<std::size_t>(k)] = {corners[k], 0.0, 1.0};
    m.bands[static_cast<std::size_t>(band)] = {hz, gainDb, q};
    return m;
}

EqDisplayModel cut(bool low, double hz, bool steep)
{
    EqDisplayModel m = model();
    (low ? m.lowCutOn : m.highCutOn) = true;
    (low ? m.lowCutSteep : m.highCutSteep) = steep;
    (low ? m.lowCutHz : m.highCutHz) = hz;
    return m;
}

} // namespace

TEST(GraphMath, MappingsHitTheirNumbersAndHoldTheirEdges)
{
    struct Row
    {
        const char* what;
        double got, expected;
    };
    const Row rows[] = {
        {"30 Hz at the left edge", kEq.xForHz(30.0), 35.0},
        {"20 kHz at the right edge", kEq.xForHz(20000.0), 857.0},
        {"10 Hz held at the left edge", kEq.xForHz(10.0), 35.0},
        {"the geometric middle in the middle", kEq.xForHz(std::sqrt(30.0 * 20000.0)), 446.0},
        {"0 dB on the middle line", kEq.yForDb(0.0), 245.5},
        {"+18 dB at the top", kEq.yForDb(18.0), 213.0},
        {"-25 dB held at the bottom", kEq.yForDb(-25.0), 278.0},
        {"a pointer left of the edge asks 30 Hz", kEq.hzForX(-100.0), 30.0},
        {"a pointer right of it asks 20 kHz", kEq.hzForX(2000.0), 20000.0},
        {"a pointer above the top asks +18 dB", kEq.dbForY(0.0), 18.0},
        {"a pointer at the bottom asks -18 dB", kEq.dbForY(278.0), -18.0},
        {"curve point 0 at 30 Hz", eqCurveHz(0), 30.0},
        {"curve point 160 at 20 kHz", eqCurveHz(160), 20000.0},
        {"-60 dB in at the left", kComp.xForDb(-60.0), 23.0},
        {"-90 dB in held at the left", kComp.xForDb(-90.0), 23.0},
        {"0 dB out at the top", kComp.yForDb(0.0), 294.0},
        {"-30 dB out halfway up", kComp.yForDb(-30.0), 330.0},
        {"a press at the left edge: -48 dB, not -60", kComp.thresholdForX(23.0), -48.0},
        {"a press at the right edge: 0 dB", kComp.thresholdForX(869.0), 0.0},
        {"a press halfway: -30 dB", kComp.thresholdForX(446.0), -30.0},
        {"threshold -18 dB, ratio 3: 0 dB in gives -12 dB out", compOutDb(0.0, -18.0, 3.0), -12.0},
        {"unity below the threshold", compOutDb(-30.0, -18.0, 3.0), -30.0},
        {"ratio 20 above it", compOutDb(-6.0, -18.0, 20.0), -17.4},
        {"ratio 1: the unity line", compOutDb(0.0, -18.0, 1.0), 0.0},
        {"a ratio below 1 drawn as 1", compOutDb(0.0, -18.0, 0.5), 0.0},
        {"curve input steps of 0.75 dB", compCurveInDb(1), -59.25},
        {"a pointer's 0.48 dB lands on the 0.1 dB step", snapToParameter(0.48, -18.0, 18.0, 0.1), 0.5},
        {"a pointer's 25 Hz held at the band's 30 Hz", snapToParameter(25.3, 30.0, 800.0, 1.0), 30.0},
    };
    for (const Row& r : rows)
        EXPECT_NEAR(r.got, r.expected, 1e-9) << r.what;
}

TEST(GraphMath, ShapesGiveTheirGainsWhereTheyAreDefined)
{
    struct Case
    {
        const char* what;
        EqDisplayModel m;
        double hz, db;
    };
    const Case cases[] = {
        {"a bell's full gain at its centre", model(1, 500.0, 12.0), 500.0, 12.0},
        {"a narrow bell's full gain at its centre", model(3, 5200.0, -9.0, 4.0), 5200.0, -9.0},
        {"a bell one octave off at Q 1", model(2, 1000.0, 12.0), 2000.0, 12.0 * std::exp(-1.1)},
        {"a low shelf's half gain at its corner", model(0, 180.0, 12.0), 180.0, 6.0},
        {"a high shelf's half gain at its corner", model(4, 7500.0, 12.0), 7500.0, 6.0},
        {"band frequencies below 20 Hz shaped as 20 Hz", model(2, 5.0, 12.0), 20.0, 12.0},
        {"Q below 0.1 shaped as 0.1", model(2, 1000.0, 12.0, 0.0), 2000.0, 12.0 * std::exp(-0.011)},
        {"low cut 24 dB/oct one octave down", cut(true, 200.0, true), 100.0, -24.0},
        {"low cut 24 dB/oct capped at 36 from 1.5 octaves", cut(true, 200.0, true),
         200.0 / std::pow(2.0, 1.5), -36.0},
        {"low cut 24 dB/oct capped further down", cut(true, 200.0, true), 40.0, -36.0},
        {"low cut 12 dB/oct one octave down", cut(true, 400.0, false), 200.0, -12.0},
        {"low cut 12 dB/oct capped from 3 octaves", cut(true, 400.0, false), 50.0, -36.0},
        {"low cut passing above its frequency", cut(true, 400.0, true), 800.0, 0.0},
        {"high cut 24 dB/oct one octave up", cut(false, 5000.0, true), 10000.0, -24.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(c.m.responseDb(c.hz), c.db, 1e-4) << c.what;
    // All gains at 0 dB and both cuts off: the flat middle line.
    for (int i = 0; i < kEqCurvePoints; ++i)
        EXPECT_EQ(kEq.yForDb(model().responseDb(eqCurveHz(i))), 245.5) << "point " << i;
}

TEST(GraphMath, PlainValuesSwitchOnAboveHalfAndSlopesAreSteepUnlessTheyRoundToZero)
{
    std::array<double, kEqNumValues> v{};
    v[0] = 0.51, v[3] = 0.6, v[19] = 0.5, v[22] = 0.4, v[eqBandHzIndex(2)] = 2800.0,
    v[eqBandGainIndex(2)] = 4.5;
    const EqDisplayModel m = eqModelFromPlain(v);
    EXPECT_TRUE(m.lowCutOn && m.lowCutSteep && !m.highCutOn && !m.highCutSteep);
    EXPECT_TRUE(m.bands[2].hz == 2800.0 && m.bands[2].gainDb == 4.5);
}

TEST(GraphMath, APressTakesTheNearestNodeAndTheLowerBandOnATie)
{
    EqDisplayModel m = model(2, 1000.0, 6.0);
    m.bands[1] = m.bands[2]; // nodes 2 and 3 drawn on one spot
    const double x = kEq.xForHz(1000.0), y = kEq.yForDb(6.0);
    EXPECT_EQ(eqNearestBand(m, kEq, x, y), 1);
    EXPECT_EQ(eqNearestBand(m, kEq, x + 3.0, y + 30.0), 1) << "no distance limit";
    m.bands[2].hz = std::nextafter(1000.0, 2000.0); // the same spot through another parameter's range
    EXPECT_EQ(eqNearestBand(m, kEq, x + 1e-9, y), 1);
    EXPECT_EQ(eqNearestBand(m, kEq, kEq.xForHz(7500.0), 245.5), 4);
}

TEST(GraphMath, TheReadoutPinsInputAndOutputAndPrintsGainReductionAsMeasured)
{
    char text[128];
    formatCompReadout(text, -180.0, 2.5, 71.26);
    EXPECT_EQ(std::string(text), "COMP I/O  IN -60.0 dB  OUT 0.0 dB  GR 71.3 dB  \xC2\xB7  drag threshold");
}
