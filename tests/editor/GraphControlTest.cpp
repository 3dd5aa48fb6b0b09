// SPDX-License-Identifier: GPL-3.0-or-later
// The EQ and compressor curves under the mouse and on the page, bound to the real plug-in whose host
// (the host library) records the edits as a DAW receives them.
#include "EditorRig.h"

#include "CompCurveControl.h"
#include "EqCurveControl.h"
#include "GraphicsRig.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

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

// Exactly the given parameters were edited, each as begin, performs, end, the last perform being
// the value the plug-in holds: "B" "P"... "E" per parameter.
void expectOneGestureEach(EditorRig& rig, const std::vector<int>& params)
{
    std::map<int, std::string> kinds;
    std::map<int, double> last;
    for (const Edit& e : rig.hostEdits())
    {
        kinds[static_cast<int>(e.id)] += "BPE"[static_cast<int>(e.kind)];
        if (e.kind == Edit::Kind::Perform)
            last[static_cast<int>(e.id)] = e.value;
    }
    ASSERT_EQ(kinds.size(), params.size());
    for (int idx : params)
    {
        EXPECT_TRUE(std::regex_match(kinds[idx], std::regex("BP+E"))) << idx << ": " << kinds[idx];
        EXPECT_DOUBLE_EQ(last[idx], rig.plug->GetParam(idx)->GetNormalized()) << idx;
    }
}

TEST(GraphControls, DraggingEachNodeToTheTopLeftCornerGivesItsLowestFrequencyAndPlusEighteen)
{
    EditorRig rig;
    auto& eq = rig.find<EqCurveControl>();
    const double lowestHz[] = {30.0, 80.0, 200.0, 500.0, 1000.0}; // the range's minimum, or 30 Hz
    for (int band = 0; band < kEqBands; ++band)
    {
        const EqBand b = eq.GetModel().bands[static_cast<std::size_t>(band)];
        const float x = static_cast<float>(eq.GetAxes().xForHz(b.hz)),
                    y = static_cast<float>(eq.GetAxes().yForDb(b.gainDb));
        rig.g.OnMouseDown(x, y, kLeft);
        EXPECT_EQ(eq.GetHeldNode(), band);
        rig.g.OnMouseMove(eq.GetRECT().L - 40.0f, eq.GetRECT().T - 30.0f, kLeft);
        rig.g.OnMouseUp(eq.GetRECT().L - 40.0f, eq.GetRECT().T - 30.0f, kLeft);
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
    EditorRig rig;
    setFromHost(*rig.plug, kEqLowMidFrequency, 1000.0);
    setFromHost(*rig.plug, kEqMidFrequency, 1000.0);
    auto& eq = rig.find<EqCurveControl>();
    const float x = static_cast<float>(eq.GetAxes().xForHz(1000.0)),
                y = static_cast<float>(eq.GetAxes().yForDb(0.0));
    pressDragRelease(rig.g, x, y, x + 60.0f, y - 13.0f); // up 13 of 65 units: +7.2 dB
    EXPECT_GT(rig.plug->GetParam(kEqLowMidFrequency)->Value(), 1000.0) << "node 2 moved";
    EXPECT_NEAR(rig.plug->GetParam(kEqLowMid)->Value(), 7.2, 1e-9);
    EXPECT_EQ(rig.plug->GetParam(kEqMidFrequency)->Value(), 1000.0) << "node 3 stayed";
    expectOneGestureEach(rig, {kEqLowMidFrequency, kEqLowMid});

    rig.g.OnMouseDblClick(x, y, kLeft);
    for (int idx : kEqCurveParams)
        EXPECT_EQ(rig.plug->GetParam(idx)->Value(), rig.plug->GetParam(idx)->GetDefault()) << idx;
    EXPECT_EQ(rig.hostEdits().size(), 3u * kEqNumValues) << "one begin, perform and end per value";
}

TEST(GraphControls, APressOrDragSetsTheThresholdAndReachesTheHostAsOneEdit)
{
    EditorRig rig;
    auto& comp = rig.find<CompCurveControl>();
    const IRECT r = comp.GetRECT();
    struct Case
    {
        float pressX, dragX;
        double threshold;
    };
    const Case cases[] = {{r.L, r.L, -48.0}, {r.MW(), r.MW(), -30.0}, {r.L + 5.0f, r.R + 50.0f, 0.0}};
    for (const Case& c : cases)
    {
        pressDragRelease(rig.g, c.pressX, r.MH(), c.dragX, r.T - 20.0f); // y plays no part
        EXPECT_NEAR(rig.plug->GetParam(kCompThreshold)->Value(), c.threshold, 1e-9)
            << c.pressX << " to " << c.dragX;
        expectOneGestureEach(rig, {kCompThreshold});
    }
    rig.g.OnMouseDblClick(r.MW(), r.MH(), kLeft);
    EXPECT_EQ(rig.plug->GetParam(kCompThreshold)->Value(), -18.0);
    EXPECT_EQ(rig.plug->GetParam(kCompRatio)->Value(), 3.0);
}

// Every node stays whole inside the plot, at the ends of the gain and frequency ranges too.
TEST(EqCurveNodes, StayInsideThePlotAtTheEndsOfTheRanges)
{
    EditorRig rig;
    const auto& eq = rig.find<EqCurveControl>();
    for (const double gain : {18.0, -18.0})
    {
        for (const int idx : {kEqLow, kEqLowMid, kEqMid, kEqHighMid, kEqHigh})
            setFromHost(*rig.plug, idx, gain);
        setFromHost(*rig.plug, kEqLowFrequency, rig.plug->GetParam(kEqLowFrequency)->GetMin());
        setFromHost(*rig.plug, kEqHighFrequency, rig.plug->GetParam(kEqHighFrequency)->GetMax());
        for (int k = 0; k < 5; ++k)
        {
            const IPoint c = eq.GetNodeCentre(k);
            EXPECT_TRUE(eq.GetRECT().Contains(IRECT(c.x - 9, c.y - 9, c.x + 9, c.y + 9)))
                << gain << " dB, node " << k + 1;
        }
    }
}

class GraphPixels : public testing::TestWithParam<float>
{
};

TEST_P(GraphPixels, TheEqCurvePassesThroughTheModelsResponse)
{
    const float s = GetParam();
    EditorRig rig({}, s);
    setFromHost(*rig.plug, kEqMid, 12.0);
    setFromHost(*rig.plug, kEqLowCutSlope, 1.0);
    setFromHost(*rig.plug, kEqLowCutFrequency, 200.0);
    rig.g.DrawFrame();
    const auto& eq = rig.find<EqCurveControl>();
    const EqAxes axes = eq.GetAxes();
    auto at = [&](double x, double y)
    { return PixelAt(rig.g, static_cast<int>(x * s), static_cast<int>(y * s)); };
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
}

INSTANTIATE_TEST_SUITE_P(Scales, GraphPixels, testing::Values(1.0f, 2.0f));

} // namespace
} // namespace pomelu::test
