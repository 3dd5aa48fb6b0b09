// SPDX-License-Identifier: GPL-3.0-or-later
// The EQ and compressor curves under the mouse and on the page, bound to the real plug-in whose host
// (the host library) records the edits as a DAW receives them.
#include "GraphsRig.h"

#include "CompCurveControl.h"
#include "EqCurveControl.h"
#include "GraphicsRig.h"

#include <gtest/gtest.h>

#include <map>

namespace pomelu::test
{
namespace
{

using namespace igraphics;
using namespace editor;
using Edit = host::ComponentHandler::Edit;

const IMouseMod kLeft{true};

void setFromHost(PomeluRarorudIzad& plug, int idx, double plain)
{
    plug.GetParam(idx)->Set(plain);
    plug.SendParameterValueFromDelegate(idx, plug.GetParam(idx)->GetNormalized());
}

void pressDragRelease(IGraphics& g, float x, float y, float toX, float toY)
{
    g.OnMouseDown(x, y, kLeft);
    g.OnMouseMove(0.5f * (x + toX), 0.5f * (y + toY), kLeft);
    g.OnMouseMove(toX, toY, kLeft);
    g.OnMouseUp(toX, toY, kLeft);
}

// Exactly the given parameters were edited, each in one gesture (begin first, end last) whose last
// perform is the value the plug-in holds.
void expectOneGestureEach(GraphsRig& rig, const std::vector<int>& params)
{
    std::map<int, std::vector<Edit>> byParam;
    for (const Edit& e : rig.hostEdits())
        byParam[static_cast<int>(e.id)].push_back(e);
    ASSERT_EQ(byParam.size(), params.size());
    for (int idx : params)
    {
        const std::vector<Edit>& list = byParam[idx];
        ASSERT_GE(list.size(), 3u) << idx;
        EXPECT_EQ(list.front().kind, Edit::Kind::Begin) << idx;
        EXPECT_EQ(list.back().kind, Edit::Kind::End) << idx;
        EXPECT_EQ(std::count_if(list.begin(), list.end(),
                                [](const Edit& e) { return e.kind == Edit::Kind::Perform; }),
                  static_cast<long>(list.size()) - 2)
            << idx;
        EXPECT_DOUBLE_EQ(list[list.size() - 2].value, rig.plug->GetParam(idx)->GetNormalized()) << idx;
    }
}

TEST(GraphControls, DraggingEachNodeToTheTopLeftCornerGivesItsLowestFrequencyAndPlusEighteen)
{
    GraphsRig rig;
    auto& eq = rig.editor->find<EqCurveControl>();
    const double lowestHz[] = {30.0, 80.0, 200.0, 500.0, 1000.0}; // the range's minimum, or 30 Hz
    for (int band = 0; band < kEqBands; ++band)
    {
        const EqBand b = eq.GetModel().bands[static_cast<std::size_t>(band)];
        const float x = static_cast<float>(eq.GetAxes().xForHz(b.hz)),
                    y = static_cast<float>(eq.GetAxes().yForDb(b.gainDb));
        rig.editor->g().OnMouseDown(x, y, kLeft);
        EXPECT_EQ(eq.GetHeldNode(), band);
        rig.editor->g().OnMouseMove(eq.GetRECT().L - 40.0f, eq.GetRECT().T - 30.0f, kLeft);
        rig.editor->g().OnMouseUp(eq.GetRECT().L - 40.0f, eq.GetRECT().T - 30.0f, kLeft);
        EXPECT_EQ(eq.GetHeldNode(), -1);
        const int hzParam = kEqCurveParams[eqBandHzIndex(band)],
                  gainParam = kEqCurveParams[eqBandGainIndex(band)];
        EXPECT_EQ(rig.plug->GetParam(hzParam)->Value(), lowestHz[band]) << "band " << band;
        EXPECT_EQ(rig.plug->GetParam(gainParam)->Value(), 18.0) << "band " << band;
        expectOneGestureEach(rig, {hzParam, gainParam});
    }
}

TEST(GraphControls, TwoNodesOnOneSpotGiveThePressToTheLowerBandAndADoubleClickResetsAllTwentyThree)
{
    GraphsRig rig;
    setFromHost(*rig.plug, kEqLowMidFrequency, 1000.0);
    setFromHost(*rig.plug, kEqMidFrequency, 1000.0);
    auto& eq = rig.editor->find<EqCurveControl>();
    const float x = static_cast<float>(eq.GetAxes().xForHz(1000.0)),
                y = static_cast<float>(eq.GetAxes().yForDb(0.0));
    pressDragRelease(rig.editor->g(), x, y, x + 60.0f, y - 13.0f); // up 13 of 65 units: +7.2 dB
    EXPECT_GT(rig.plug->GetParam(kEqLowMidFrequency)->Value(), 1000.0) << "node 2 moved";
    EXPECT_NEAR(rig.plug->GetParam(kEqLowMid)->Value(), 7.2, 1e-9);
    EXPECT_EQ(rig.plug->GetParam(kEqMidFrequency)->Value(), 1000.0) << "node 3 stayed";
    expectOneGestureEach(rig, {kEqLowMidFrequency, kEqLowMid});

    rig.editor->g().OnMouseDblClick(x, y, kLeft);
    for (int idx : kEqCurveParams)
        EXPECT_EQ(rig.plug->GetParam(idx)->Value(), rig.plug->GetParam(idx)->GetDefault()) << idx;
    EXPECT_EQ(rig.hostEdits().size(), 3u * kEqNumValues) << "one begin, perform and end per value";
}

TEST(GraphControls, APressOrDragSetsTheThresholdAndReachesTheHostAsOneEdit)
{
    GraphsRig rig;
    auto& comp = rig.editor->find<CompCurveControl>();
    const IRECT r = comp.GetRECT();
    struct Case
    {
        float pressX, dragX;
        double threshold;
    };
    const Case cases[] = {{r.L, r.L, -48.0}, {r.MW(), r.MW(), -30.0}, {r.L + 5.0f, r.R + 50.0f, 0.0}};
    for (const Case& c : cases)
    {
        pressDragRelease(rig.editor->g(), c.pressX, r.MH(), c.dragX, r.T - 20.0f); // y plays no part
        EXPECT_NEAR(rig.plug->GetParam(kCompThreshold)->Value(), c.threshold, 1e-9)
            << c.pressX << " to " << c.dragX;
        expectOneGestureEach(rig, {kCompThreshold});
    }
    rig.editor->g().OnMouseDblClick(r.MW(), r.MH(), kLeft);
    EXPECT_EQ(rig.plug->GetParam(kCompThreshold)->Value(), -18.0);
    EXPECT_EQ(rig.plug->GetParam(kCompRatio)->Value(), 3.0);
}

class GraphPixels : public testing::TestWithParam<float>
{
};

TEST_P(GraphPixels, TheEqCurvePassesThroughTheModelsResponseAndNodeThreeSitsOnItsGain)
{
    const float s = GetParam();
    GraphsRig rig(s);
    setFromHost(*rig.plug, kEqMid, 12.0);
    setFromHost(*rig.plug, kEqLowCutSlope, 1.0);
    setFromHost(*rig.plug, kEqLowCutFrequency, 200.0);
    rig.editor->g().DrawFrame();
    const auto& eq = rig.editor->find<EqCurveControl>();
    const EqAxes axes = eq.GetAxes();
    auto at = [&](double x, double y)
    { return PixelAt(rig.editor->g(), static_cast<int>(x * s), static_cast<int>(y * s)); };
    for (double hz : {45.0, 110.0, 700.0, 1700.0, 3500.0, 11000.0, 18000.0})
    {
        // The pinkest pixel of the column is the curve's.
        const double x = std::floor(axes.xForHz(hz)) + 0.5;
        double curveY = -1.0;
        for (double y = axes.T, pinkest = -1000.0; y < axes.B; y += 1.0 / s)
            if (const IColor c = at(x, y); c.R - c.G > pinkest)
                std::tie(pinkest, curveY) = std::pair(c.R - c.G, y);
        EXPECT_NEAR(curveY, axes.yForDb(eq.GetModel().responseDb(hz)), 1.5) << hz << " Hz";
    }
    // Node 3: its inner disc left of the number, its halo below, over the analyzer's background.
    const double cx = axes.xForHz(2800.0), cy = axes.yForDb(12.0);
    const IColor inner = at(cx - 4.0, cy), halo = at(cx, cy + 7.0);
    EXPECT_TRUE(std::abs(inner.R - 247) < 12 && std::abs(inner.G - 100) < 12 && std::abs(inner.B - 156) < 12);
    EXPECT_TRUE(std::abs(halo.R - 87) < 12 && std::abs(halo.G - 61) < 12 && std::abs(halo.B - 118) < 12);
}

INSTANTIATE_TEST_SUITE_P(Scales, GraphPixels, testing::Values(1.0f, 2.0f));

TEST(GraphControls, LevelsAloneRedrawTheDotAndReadoutAndValuesTheirLayer)
{
    GraphsRig rig;
    IGraphics& g = rig.editor->g();
    auto& comp = rig.editor->find<CompCurveControl>();
    const auto& eq = rig.editor->find<EqCurveControl>();
    g.DrawFrame();
    rig.play(std::vector<double>(512, 0.3), 512); // draws the spectrum under the EQ curve, moves the dot
    std::vector<IRECT> drawn;
    rig.play(std::vector<double>(512, 0.5), 512);
    EXPECT_EQ(eq.GetLayer().Redraws(), 1) << "the analyzer moved, not the curve";
    EXPECT_EQ(comp.GetLayer().Redraws(), 1);
    std::vector<double> x(512, 0.1);
    double* io[2] = {x.data(), x.data()};
    rig.plug->ProcessBlock(io, io, 512);
    ASSERT_TRUE(g.DrawFrame(&drawn));
    float area = 0.0f;
    for (const IRECT& d : drawn)
        area += d.W() * d.H();
    EXPECT_LT(area, 0.3f * comp.GetRECT().W() * comp.GetRECT().H()) << "the dot's places and the readout";
    EXPECT_FALSE(g.DrawFrame()) << "nothing new, nothing drawn";
    setFromHost(*rig.plug, kEqHigh, -6.0);
    setFromHost(*rig.plug, kCompRatio, 8.0);
    g.DrawFrame();
    EXPECT_EQ(eq.GetLayer().Redraws(), 2);
    EXPECT_EQ(comp.GetLayer().Redraws(), 2);
}

} // namespace
} // namespace pomelu::test
