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

EqDisplayModel flat()
{
    EqDisplayModel m;
    const double hz[] = {180.0, 500.0, 2800.0, 5200.0, 7500.0};
    for (int k = 0; k < kEqBands; ++k)
        m.bands[static_cast<std::size_t>(k)] = {hz[k], 0.0, 1.0};
    return m;
}

EqDisplayModel withBand(int band, double hz, double gainDb, double q = 1.0)
{
    EqDisplayModel m = flat();
    m.bands[static_cast<std::size_t>(band)] = {hz, gainDb, q};
    return m;
}

EqDisplayModel withCut(bool low, double hz, bool steep)
{
    EqDisplayModel m = flat();
    (low ? m.lowCutOn : m.highCutOn) = true;
    (low ? m.lowCutHz : m.highCutHz) = hz;
    (low ? m.lowCutSteep : m.highCutSteep) = steep;
    return m;
}

} // namespace

TEST(EqAxes, ThirtyHertzToTwentyKilohertzAndPlusMinusEighteenDbFillTheRectangle)
{
    struct Case
    {
        double hz, x;
    };
    const Case xs[] = {{30.0, 35.0}, {20000.0, 857.0}, {10.0, 35.0}, {std::sqrt(30.0 * 20000.0), 446.0}};
    for (const Case& c : xs)
        EXPECT_NEAR(kEq.xForHz(c.hz), c.x, 1e-9) << c.hz << " Hz";
    struct Level
    {
        double db, y;
    };
    const Level ys[] = {{0.0, 245.5},  {18.0, 213.0},  {-18.0, 278.0},
                        {30.0, 213.0}, {-25.0, 278.0}, {9.0, 229.25}};
    for (const Level& c : ys)
        EXPECT_NEAR(kEq.yForDb(c.db), c.y, 1e-9) << c.db << " dB";
    // The pointer's inverse, pinned beyond the edges.
    const Case pointer[] = {{30.0, 35.0}, {20000.0, 857.0}, {30.0, -100.0}, {20000.0, 2000.0}};
    for (const Case& c : pointer)
        EXPECT_NEAR(kEq.hzForX(c.x), c.hz, 1e-9) << "x " << c.x;
    const Level pointerY[] = {{18.0, 213.0}, {-18.0, 278.0}, {18.0, 0.0}, {-18.0, 500.0}, {0.0, 245.5}};
    for (const Level& c : pointerY)
        EXPECT_NEAR(kEq.dbForY(c.y), c.db, 1e-9) << "y " << c.y;
}

TEST(EqDisplayModel, ShapesGiveTheirGainsAtTheNamedFrequencies)
{
    struct Case
    {
        const char* what;
        EqDisplayModel model;
        double hz, db;
    };
    const Case cases[] = {
        {"a bell's full gain at its centre", withBand(1, 500.0, 12.0), 500.0, 12.0},
        {"a bell's full gain at its centre", withBand(2, 2800.0, 12.0, 4.0), 2800.0, 12.0},
        {"a bell's full gain at its centre", withBand(3, 5200.0, -9.0), 5200.0, -9.0},
        {"a bell one octave off, Q 1", withBand(2, 1000.0, 12.0), 2000.0, 12.0 * std::exp(-1.1)},
        {"a low shelf's half gain at its corner", withBand(0, 180.0, 12.0), 180.0, 6.0},
        {"a high shelf's half gain at its corner", withBand(4, 7500.0, 12.0), 7500.0, 6.0},
        {"a low shelf far below its corner", withBand(0, 800.0, 12.0, 2.0), 50.0, 12.0},
        {"band frequencies below 20 Hz shape as 20 Hz", withBand(2, 5.0, 12.0), 20.0, 12.0},
        {"Q below 0.1 shapes as 0.1", withBand(2, 1000.0, 12.0, 0.0), 2000.0, 12.0 * std::exp(-0.011)},
        {"low cut 24 dB/oct one octave down", withCut(true, 200.0, true), 100.0, -24.0},
        {"low cut 24 dB/oct capped from 1.5 octaves down", withCut(true, 200.0, true),
         200.0 / std::pow(2.0, 1.5), -36.0},
        {"low cut 24 dB/oct capped further down", withCut(true, 200.0, true), 40.0, -36.0},
        {"low cut 12 dB/oct one octave down", withCut(true, 400.0, false), 200.0, -12.0},
        {"low cut 12 dB/oct capped from 3 octaves down", withCut(true, 400.0, false), 50.0, -36.0},
        {"low cut passes above its frequency", withCut(true, 400.0, true), 800.0, 0.0},
        {"high cut 24 dB/oct one octave up", withCut(false, 5000.0, true), 10000.0, -24.0},
        {"high cut passes below its frequency", withCut(false, 5000.0, true), 4000.0, 0.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(c.model.responseDb(c.hz), c.db, 1e-4) << c.what << " (" << c.hz << " Hz)";
}

TEST(EqDisplayModel, AllGainsAtZeroWithBothCutsOffIsTheFlatMiddleLine)
{
    const EqDisplayModel m = flat();
    for (int i = 0; i < kEqCurvePoints; ++i)
    {
        EXPECT_EQ(m.responseDb(eqCurveHz(i)), 0.0) << "point " << i;
        EXPECT_EQ(kEq.yForDb(m.responseDb(eqCurveHz(i))), 245.5);
    }
    EXPECT_NEAR(eqCurveHz(0), 30.0, 1e-9);
    EXPECT_NEAR(eqCurveHz(80), std::sqrt(30.0 * 20000.0), 1e-9);
    EXPECT_NEAR(eqCurveHz(160), 20000.0, 1e-9);
}

TEST(EqDisplayModel, SwitchesAboveHalfAndSlopesRoundingToOneReadFromThePlainValues)
{
    struct Case
    {
        double on, slope;
        bool expectOn, expectSteep;
    };
    const Case cases[] = {
        {1.0, 1.0, true, true}, {0.5, 0.6, false, true}, {0.51, 0.4, true, false}, {0.0, 0.0, false, false}};
    for (const Case& c : cases)
    {
        std::array<double, kEqNumValues> v{};
        v[0] = v[19] = c.on;
        v[3] = v[22] = c.slope;
        v[1] = 75.0;
        v[20] = 17000.0;
        v[eqBandHzIndex(2)] = 2800.0;
        v[eqBandGainIndex(2)] = 4.5;
        v[eqBandQIndex(2)] = 0.9;
        const EqDisplayModel m = eqModelFromPlain(v);
        EXPECT_EQ(m.lowCutOn, c.expectOn) << c.on;
        EXPECT_EQ(m.highCutOn, c.expectOn) << c.on;
        EXPECT_EQ(m.lowCutSteep, c.expectSteep) << c.slope;
        EXPECT_EQ(m.highCutSteep, c.expectSteep) << c.slope;
        EXPECT_EQ(m.bands[2].hz, 2800.0);
        EXPECT_EQ(m.bands[2].gainDb, 4.5);
        EXPECT_EQ(m.bands[2].q, 0.9);
        EXPECT_EQ(m.lowCutHz, 75.0);
        EXPECT_EQ(m.highCutHz, 17000.0);
    }
}

TEST(EqDisplayModel, ThePressTakesTheNearestNodeAndTheLowerBandOnATie)
{
    EqDisplayModel m = flat();
    m.bands[2] = m.bands[1] = {1000.0, 6.0, 1.0}; // nodes 2 and 3 drawn on the same spot
    const double x = kEq.xForHz(1000.0), y = kEq.yForDb(6.0);
    EXPECT_EQ(eqNearestBand(m, kEq, x, y), 1);
    EXPECT_EQ(eqNearestBand(m, kEq, x + 3.0, y + 30.0), 1) << "no distance limit";
    m.bands[2].hz = std::nextafter(1000.0, 2000.0); // the same spot through another parameter's range
    EXPECT_EQ(eqNearestBand(m, kEq, x + 1e-9, y), 1);
    EXPECT_EQ(eqNearestBand(m, kEq, kEq.xForHz(7500.0), 245.5), 4);
    EXPECT_EQ(eqNearestBand(m, kEq, 0.0, 0.0), 0);
}

TEST(CompCurve, HardKneeAboveTheThresholdAndUnityBelow)
{
    struct Case
    {
        double in, threshold, ratio, out;
    };
    const Case cases[] = {
        {0.0, -18.0, 3.0, -12.0},   {-30.0, -18.0, 3.0, -30.0},
        {-18.0, -18.0, 3.0, -18.0}, {-6.0, -18.0, 20.0, -17.4},
        {0.0, -18.0, 1.0, 0.0},     {0.0, -18.0, 0.5, 0.0}, // a ratio below 1 is 1
    };
    for (const Case& c : cases)
        EXPECT_NEAR(compOutDb(c.in, c.threshold, c.ratio), c.out, 1e-12)
            << c.in << " dB in, threshold " << c.threshold << ", ratio " << c.ratio;
    EXPECT_EQ(compCurveInDb(0), -60.0);
    EXPECT_EQ(compCurveInDb(1), -59.25);
    EXPECT_EQ(compCurveInDb(80), 0.0);
}

TEST(CompCurve, TheSquareMapsSixtyDecibelsAndAPressSetsTheThresholdInTheParameterRange)
{
    struct Case
    {
        double db, x, y;
    };
    const Case cases[] = {{-60.0, 23.0, 366.0},
                          {0.0, 869.0, 294.0},
                          {-30.0, 446.0, 330.0},
                          {-90.0, 23.0, 366.0},
                          {6.0, 869.0, 294.0}};
    for (const Case& c : cases)
    {
        EXPECT_NEAR(kComp.xForDb(c.db), c.x, 1e-9) << c.db;
        EXPECT_NEAR(kComp.yForDb(c.db), c.y, 1e-9) << c.db;
    }
    struct Press
    {
        double x, threshold;
    };
    const Press presses[] = {{23.0, -48.0}, {869.0, 0.0}, {446.0, -30.0}, {-50.0, -48.0}, {1000.0, 0.0}};
    for (const Press& p : presses)
        EXPECT_NEAR(kComp.thresholdForX(p.x), p.threshold, 1e-9) << "x " << p.x;
}

TEST(CompCurve, ReadoutPinsInputAndOutputToTheSquareAndPrintsGainReductionAsMeasured)
{
    char text[128];
    formatCompReadout(text, -60.0, -60.0, 0.0);
    EXPECT_EQ(std::string(text), "COMP I/O  IN -60.0 dB  OUT -60.0 dB  GR 0.0 dB  \xC2\xB7  drag threshold");
    formatCompReadout(text, -180.0, 2.5, 71.26);
    EXPECT_EQ(std::string(text), "COMP I/O  IN -60.0 dB  OUT 0.0 dB  GR 71.3 dB  \xC2\xB7  drag threshold");
}

TEST(PointerValues, LandOnTheParameterStepInsideItsRange)
{
    struct Case
    {
        double asked, min, max, step, held;
    };
    const Case cases[] = {{0.48, -18.0, 18.0, 0.1, 0.5},
                          {25.3, 30.0, 800.0, 1.0, 30.0},
                          {20000.4, 1000.0, 20000.0, 1.0, 20000.0},
                          {-47.96, -48.0, 0.0, 0.1, -48.0},
                          {1234.5678, 80.0, 4000.0, 1.0, 1235.0}};
    for (const Case& c : cases)
        EXPECT_NEAR(snapToParameter(c.asked, c.min, c.max, c.step), c.held, 1e-9) << c.asked;
}
