// SPDX-License-Identifier: GPL-3.0-or-later
#include "CompCurveControl.h"

#include "IGraphics.h"
#include "IParam.h"

#include <cmath>

namespace pomelu::editor
{

using namespace igraphics;

namespace
{

constexpr IColor kBackground(235, 27, 22, 38); // the same in every theme
constexpr float kCornerRadius = 8.0f;
constexpr float kCurveThickness = 2.4f;
constexpr float kHandleHaloRadius = 8.0f;
constexpr float kHandleRadius = 4.8f;
constexpr float kDotRadius = 4.0f;

double read(const CompCurveControl::LevelSource& source, double fallback)
{
    if (!source)
        return fallback;
    const double v = source();
    return std::isfinite(v) ? v : fallback;
}

} // namespace

CompCurveControl::CompCurveControl(const IRECT& bounds, int thresholdParam, int ratioParam, LevelSource input,
                                   LevelSource output, LevelSource gainReduction, const IColor& curveColor,
                                   const IColor& markerColor, const IColor& textColor)
    : IControl(bounds, std::vector<int>{thresholdParam, ratioParam}), mInput(std::move(input)),
      mOutput(std::move(output)), mGainReduction(std::move(gainReduction)), mCurveColor(curveColor),
      mMarkerColor(markerColor), mTextColor(textColor)
{
    formatCompReadout(mReadout, mShown.inDb, mShown.outDb, mShown.gainReductionDb);
}

CompAxes CompCurveControl::GetAxes() const
{
    const IRECT& r = GetRECT();
    return {r.L, r.T, r.R, r.B};
}

CompCurveControl::Levels CompCurveControl::ReadLevels() const
{
    return {read(mInput, kCompFloorDb), read(mOutput, kCompFloorDb), read(mGainReduction, 0.0)};
}

IRECT CompCurveControl::dotRect(const Levels& levels) const
{
    const CompAxes axes = GetAxes();
    const float x = static_cast<float>(axes.xForDb(levels.inDb)),
                y = static_cast<float>(axes.yForDb(levels.outDb));
    return IRECT(x, y, x, y).GetPadded(kDotRadius + 1.0f); // and its antialiased rim
}

IRECT CompCurveControl::readoutRect() const
{
    const IRECT& r = GetRECT();
    return IRECT(r.L + 7.0f, r.T + 7.0f, r.R - 7.0f, r.T + 21.0f);
}

bool CompCurveControl::IsDirty()
{
    // The levels are sampled once a frame, here, and drawn as sampled.
    mSampled = ReadLevels();
    if (IControl::IsDirty())
        return true;
    if (mSampled == mShown || GetUI() == nullptr)
        return false;
    // Only the live parts changed: the dot's old and new places and the readout are redrawn, over
    // the cached layer, instead of the whole square.
    GetUI()->SetRegionDirty(dotRect(mShown));
    GetUI()->SetRegionDirty(dotRect(mSampled));
    GetUI()->SetRegionDirty(readoutRect());
    return false;
}

void CompCurveControl::Draw(IGraphics& g)
{
    const IRECT& r = GetRECT();
    const CompAxes axes = GetAxes();
    const double values[2] = {GetValue(0), GetValue(1)};
    mLayer.Paint(g, r, values,
                 [&]
                 {
                     const iplug::IParam* threshold = GetParam(0);
                     const iplug::IParam* ratio = GetParam(1);
                     const double t = threshold != nullptr ? threshold->FromNormalized(values[0]) : 0.0;
                     const double q = ratio != nullptr ? ratio->FromNormalized(values[1]) : 1.0;

                     g.FillRoundRect(kBackground, r, kCornerRadius);
                     for (double d : kCompGridDb)
                     {
                         const float x = static_cast<float>(axes.xForDb(d)),
                                     y = static_cast<float>(axes.yForDb(d));
                         g.DrawLine(mTextColor.WithAlpha(42), x, r.T, x, r.B);
                         g.DrawLine(mTextColor.WithAlpha(42), r.L, y, r.R, y);
                     }
                     g.DrawLine(mTextColor.WithAlpha(76), r.L, r.B, r.R, r.T);

                     strokeCurve(
                         g, kCompCurvePoints,
                         [&](int i)
                         {
                             const double in = compCurveInDb(i);
                             return std::pair(static_cast<float>(axes.xForDb(in)),
                                              static_cast<float>(axes.yForDb(compOutDb(in, t, q))));
                         },
                         mCurveColor, kCurveThickness);

                     const float tx = static_cast<float>(axes.xForDb(t)),
                                 ty = static_cast<float>(axes.yForDb(t));
                     g.DrawDottedLine(mMarkerColor, tx, r.T, tx, r.B, nullptr, 2.0f, 3.0f);
                     g.FillCircle(mCurveColor.WithAlpha(85), tx, ty, kHandleHaloRadius);
                     g.FillCircle(mCurveColor, tx, ty, kHandleRadius);
                 });

    mShown = mSampled;
    g.FillCircle(mMarkerColor, static_cast<float>(axes.xForDb(mShown.inDb)),
                 static_cast<float>(axes.yForDb(mShown.outDb)), kDotRadius);
    formatCompReadout(mReadout, mShown.inDb, mShown.outDb, mShown.gainReductionDb);
    // The dot's regions are redrawn apart from the readout's: laying out text there draws nothing.
    if (g.ClipMeets(readoutRect().GetPadded(2.0f)))
        g.DrawText(IText(9.0f, mTextColor, "Roboto", EAlign::Near, EVAlign::Middle), mReadout, readoutRect());
}

void CompCurveControl::OnMouseDown(float x, float, const IMouseMod&)
{
    setValueFromPointer(*this, 0, GetAxes().thresholdForX(x));
}

void CompCurveControl::OnMouseDrag(float x, float, float, float, const IMouseMod&)
{
    setValueFromPointer(*this, 0, GetAxes().thresholdForX(x));
}

} // namespace pomelu::editor
