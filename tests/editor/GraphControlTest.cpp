// SPDX-License-Identifier: GPL-3.0-or-later
// The EQ and compressor curves under the mouse and on the page, bound to the real plug-in class whose
// host (the host library) records the edits as a DAW would receive them.
#include "GraphsRig.h"

#include "GraphicsRig.h"
#include "PluginInstance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace pomelu::test
{
namespace
{

using namespace igraphics;
using namespace editor;
using Edit = host::ComponentHandler::Edit;

const IMouseMod kLeft{true};

class GraphControls : public testing::Test
{
protected:
    void SetUp() override
    {
        plug = new PomeluRarorudIzad(iplug::InstanceInfo{});
        plug->SetLayoutFunc(analysisPageLayout);
        ASSERT_TRUE(instance.adopt(static_cast<Steinberg::Vst::IComponent*>(plug))) << instance.lastError();
        editor = std::make_unique<OffscreenEditor>(*plug, scale());
    }
    void TearDown() override { editor.reset(); }
    virtual float scale() const { return 1.0f; }

    // The edits the host received since the last call (the idle tick delivers them).
    std::vector<Edit> hostEdits()
    {
        plug->RunIdleTick();
        std::vector<Edit> edits = instance.componentHandler().edits();
        instance.componentHandler().clear();
        return edits;
    }
    double plain(int idx) const { return plug->GetParam(idx)->Value(); }
    void setFromHost(int idx, double plainValue)
    {
        plug->GetParam(idx)->Set(plainValue);
        plug->SendParameterValueFromDelegate(idx, plug->GetParam(idx)->GetNormalized());
    }
    void pressDragRelease(float x, float y, float toX, float toY)
    {
        editor->g().OnMouseDown(x, y, kLeft);
        editor->g().OnMouseMove(0.5f * (x + toX), 0.5f * (y + toY), kLeft);
        editor->g().OnMouseMove(toX, toY, kLeft);
        editor->g().OnMouseUp(toX, toY, kLeft);
    }

    host::PluginInstance instance;
    PomeluRarorudIzad* plug = nullptr;
    std::unique_ptr<OffscreenEditor> editor;
};

// Per parameter: one gesture, begin first and end last, performs between, the last one the value
// the plug-in holds.
void expectOneGesturePerParameter(const std::vector<Edit>& edits, const std::vector<int>& params,
                                  const PomeluRarorudIzad& plug)
{
    std::map<int, std::vector<Edit>> byParam;
    for (const Edit& e : edits)
        byParam[static_cast<int>(e.id)].push_back(e);
    ASSERT_EQ(byParam.size(), params.size());
    for (int idx : params)
    {
        const std::vector<Edit>& list = byParam[idx];
        ASSERT_GE(list.size(), 3u) << idx;
        EXPECT_EQ(list.front().kind, Edit::Kind::Begin) << idx;
        EXPECT_EQ(list.back().kind, Edit::Kind::End) << idx;
        EXPECT_EQ(std::count_if(list.begin(), list.end(),
                                [](const Edit& e) { return e.kind != Edit::Kind::Perform; }),
                  2)
            << idx << ": one begin and one end";
        EXPECT_DOUBLE_EQ(list[list.size() - 2].value, plug.GetParam(idx)->GetNormalized()) << idx;
    }
}

TEST_F(GraphControls, DraggingANodeToTheTopLeftCornerGivesItsLowestFrequencyAndPlusEighteen)
{
    struct Case
    {
        int band;
        double lowestHz; // the parameter's minimum or 30 Hz, whichever is higher
    };
    const Case cases[] = {{0, 30.0}, {1, 80.0}, {2, 200.0}, {3, 500.0}, {4, 1000.0}};
    EqCurveControl& eq = editor->eqCurve();
    const IRECT r = eq.GetRECT();
    for (const Case& c : cases)
    {
        const EqBand band = eq.GetModel().bands[static_cast<std::size_t>(c.band)];
        const int hzParam = kEqCurveParams[eqBandHzIndex(c.band)];
        const int gainParam = kEqCurveParams[eqBandGainIndex(c.band)];
        const float x = static_cast<float>(eq.GetAxes().xForHz(band.hz));
        const float y = static_cast<float>(eq.GetAxes().yForDb(band.gainDb));
        editor->g().OnMouseDown(x, y, kLeft);
        EXPECT_EQ(eq.GetHeldNode(), c.band);
        editor->g().OnMouseMove(r.L - 40.0f, r.T - 30.0f, kLeft);
        editor->g().OnMouseUp(r.L - 40.0f, r.T - 30.0f, kLeft);
        EXPECT_EQ(eq.GetHeldNode(), -1);
        EXPECT_DOUBLE_EQ(plain(hzParam), c.lowestHz) << "band " << c.band;
        EXPECT_DOUBLE_EQ(plain(gainParam), 18.0) << "band " << c.band;
        expectOneGesturePerParameter(hostEdits(), {hzParam, gainParam}, *plug);
    }
}

TEST_F(GraphControls, TwoNodesOnOneSpotGiveThePressToTheLowerBand)
{
    setFromHost(kEqLowMidFrequency, 1000.0);
    setFromHost(kEqMidFrequency, 1000.0);
    EqCurveControl& eq = editor->eqCurve();
    const float x = static_cast<float>(eq.GetAxes().xForHz(1000.0)),
                y = static_cast<float>(eq.GetAxes().yForDb(0.0));
    pressDragRelease(x, y, x + 60.0f, y - 13.0f); // up by 13 of 65 units: +7.2 dB
    EXPECT_GT(plain(kEqLowMidFrequency), 1000.0) << "node 2 moved";
    EXPECT_NEAR(plain(kEqLowMid), 7.2, 1e-9);
    EXPECT_EQ(plain(kEqMidFrequency), 1000.0) << "node 3 stayed";
    EXPECT_EQ(plain(kEqMid), 0.0);
    expectOneGesturePerParameter(hostEdits(), {kEqLowMidFrequency, kEqLowMid}, *plug);
}

TEST_F(GraphControls, DoubleClickReturnsAllTwentyThreeEqValuesToTheirDefaults)
{
    for (int idx : {kEqLowCut, kEqLowCutSlope, kEqMid, kEqHighFrequency, kEqHighCutQ, kEqLowQ})
        setFromHost(idx, plug->GetParam(idx)->GetMax());
    EqCurveControl& eq = editor->eqCurve();
    editor->g().OnMouseDblClick(eq.GetRECT().MW(), eq.GetRECT().MH(), kLeft);
    for (int idx : kEqCurveParams)
        EXPECT_EQ(plain(idx), plug->GetParam(idx)->GetDefault()) << plug->GetParam(idx)->GetName();
    const std::vector<Edit> edits = hostEdits();
    ASSERT_EQ(edits.size(), 3u * kEqNumValues) << "one complete edit per value";
    for (std::size_t i = 0; i < edits.size(); i += 3)
    {
        EXPECT_EQ(edits[i].kind, Edit::Kind::Begin);
        EXPECT_EQ(edits[i + 1].kind, Edit::Kind::Perform);
        EXPECT_EQ(edits[i + 2].kind, Edit::Kind::End);
        EXPECT_EQ(edits[i].id, static_cast<unsigned>(kEqCurveParams[i / 3]));
    }
}

TEST_F(GraphControls, APressOrDragSetsTheThresholdAndReachesTheHostAsOneEdit)
{
    CompCurveControl& comp = editor->compCurve();
    const IRECT r = comp.GetRECT();
    struct Case
    {
        float pressX, dragX;
        double threshold;
    };
    const Case cases[] = {
        {r.L, r.L, -48.0},                   // the left edge is -48 dB, not -60
        {r.MW(), r.MW(), -30.0},             // halfway
        {r.L + 5.0f, r.R + 50.0f, 0.0},      // dragged past the right edge
        {r.MW(), r.L + 0.1f * r.W(), -48.0}, // -54 dB asked, the range holds
    };
    for (const Case& c : cases)
    {
        const double ratioBefore = plain(kCompRatio);
        pressDragRelease(c.pressX, r.MH(), c.dragX, r.T - 20.0f); // the vertical position plays no part
        EXPECT_NEAR(plain(kCompThreshold), c.threshold, 1e-9) << c.pressX << " to " << c.dragX;
        EXPECT_EQ(plain(kCompRatio), ratioBefore);
        expectOneGesturePerParameter(hostEdits(), {kCompThreshold}, *plug);
    }
    editor->g().OnMouseDblClick(r.MW(), r.MH(), kLeft);
    EXPECT_EQ(plain(kCompThreshold), -18.0);
    EXPECT_EQ(plain(kCompRatio), 3.0);
}

// The page at 1x and 2x: what is drawn lands where the mappings say.
class GraphPixels : public GraphControls, public testing::WithParamInterface<float>
{
protected:
    float scale() const override { return GetParam(); }
    IColor at(double x, double y) const
    {
        return PixelAt(editor->g(), static_cast<int>(x * GetParam()), static_cast<int>(y * GetParam()));
    }
};

TEST_P(GraphPixels, TheEqCurvePassesThroughTheModelsResponse)
{
    setFromHost(kEqMid, 12.0);
    setFromHost(kEqLowCutSlope, 1.0);
    setFromHost(kEqLowCutFrequency, 200.0);
    editor->g().SetAllControlsDirty();
    editor->g().DrawFrame();
    const EqCurveControl& eq = editor->eqCurve();
    const EqAxes axes = eq.GetAxes();
    const EqDisplayModel model = eq.GetModel();
    for (double hz : {45.0, 110.0, 700.0, 1700.0, 3500.0, 11000.0, 18000.0})
    {
        // The pinkest pixel of the column is the curve's.
        const double x = std::floor(axes.xForHz(hz)) + 0.5;
        double bestY = -1.0;
        int best = -1000;
        for (double y = axes.T; y < axes.B; y += 1.0 / GetParam())
        {
            const IColor c = at(x, y);
            if (c.R - c.G > best)
            {
                best = c.R - c.G;
                bestY = y;
            }
        }
        EXPECT_NEAR(bestY, axes.yForDb(model.responseDb(hz)), 1.5) << hz << " Hz";
    }
    // Node 3 at +12 dB: the inner disc in the curve colour left of its number, the halo below it,
    // both over the analyzer's background.
    const double cx = axes.xForHz(2800.0), cy = axes.yForDb(12.0);
    struct Spot
    {
        double dx, dy;
        IColor colour;
    };
    const Spot spots[] = {{-4.0, 0.0, IColor(255, 247, 100, 156)}, {0.0, 7.0, IColor(255, 87, 61, 118)}};
    for (const Spot& s : spots)
    {
        const IColor c = at(cx + s.dx, cy + s.dy);
        EXPECT_NEAR(c.R, s.colour.R, 12) << s.dx << ", " << s.dy;
        EXPECT_NEAR(c.G, s.colour.G, 12) << s.dx << ", " << s.dy;
        EXPECT_NEAR(c.B, s.colour.B, 12) << s.dx << ", " << s.dy;
    }
}

TEST_P(GraphPixels, WithNoAudioTheCompressorDotSitsInTheBottomLeftCornerAndTheHandleOnTheThreshold)
{
    editor->g().SetAllControlsDirty();
    editor->g().DrawFrame();
    const CompCurveControl& comp = editor->compCurve();
    EXPECT_STREQ(comp.GetReadout(),
                 "COMP I/O  IN -60.0 dB  OUT -60.0 dB  GR 0.0 dB  \xC2\xB7  drag threshold");
    const IRECT r = comp.GetRECT();
    const IColor dot = at(r.L + 1.5, r.B - 1.5);
    EXPECT_NEAR(dot.R, kAccent2.R, 10);
    EXPECT_NEAR(dot.G, kAccent2.G, 10);
    EXPECT_NEAR(dot.B, kAccent2.B, 10);
    const CompAxes axes = comp.GetAxes();
    const IColor handle = at(axes.xForDb(-18.0) + 0.5, axes.yForDb(-18.0) + 0.5);
    EXPECT_EQ(handle, IColor(255, kAccent.R, kAccent.G, kAccent.B))
        << "the handle's inner disc in the curve colour";
}

INSTANTIATE_TEST_SUITE_P(Scales, GraphPixels, testing::Values(1.0f, 2.0f));

TEST_F(GraphControls, CurvesRedrawTheirLayerOnlyWhenTheirValuesChange)
{
    IGraphics& g = editor->g();
    g.DrawFrame();
    const EqCurveControl& eq = editor->eqCurve();
    CompCurveControl& comp = editor->compCurve();
    ASSERT_EQ(eq.GetLayer().Redraws(), 1);
    ASSERT_EQ(comp.GetLayer().Redraws(), 1);
    EXPECT_FALSE(g.DrawFrame()) << "levels unchanged: nothing to draw";

    // A spectrum arrives: the analyzer and the curve over it are drawn, the curve from its layer.
    static iplug::SpectrumFrame frame;
    frame.ctrlTag = kCtrlTagSpectrum;
    frame.nChans = 2;
    frame.fftSize = 1024;
    frame.bins[0][40] = 0.5f;
    for (int i = 0; i < 5; ++i)
    {
        g.OnControlMessage(kCtrlTagSpectrum, 0, sizeof frame, &frame);
        EXPECT_TRUE(g.DrawFrame());
    }
    EXPECT_EQ(eq.GetLayer().Redraws(), 1);

    // A block of audio moves the compressor's dot and readout, not its curve: a frame redraws the
    // dot's two places and the readout line, far less than the whole square.
    std::vector<double> x(512, 0.3), o0(512), o1(512);
    double* ins[2] = {x.data(), x.data()};
    double* outs[2] = {o0.data(), o1.data()};
    plug->ProcessBlock(ins, outs, 512);
    std::vector<IRECT> drawn;
    ASSERT_TRUE(g.DrawFrame(&drawn));
    float area = 0.0f;
    for (const IRECT& r : drawn)
        area += r.W() * r.H();
    EXPECT_LT(area, 0.3f * comp.GetRECT().W() * comp.GetRECT().H());
    EXPECT_EQ(comp.GetLayer().Redraws(), 1);
    char expected[128];
    formatCompReadout(expected, plug->getEngine().inputPeak(), plug->getEngine().outputPeak(),
                      plug->getEngine().gainReduction());
    EXPECT_STREQ(comp.GetReadout(), expected);
    EXPECT_FALSE(g.DrawFrame()) << "nothing new, nothing drawn";

    setFromHost(kEqHigh, -6.0);
    setFromHost(kCompRatio, 8.0);
    g.DrawFrame();
    EXPECT_EQ(eq.GetLayer().Redraws(), 2);
    EXPECT_EQ(comp.GetLayer().Redraws(), 2);
}

} // namespace
} // namespace pomelu::test
