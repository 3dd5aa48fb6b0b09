// SPDX-License-Identifier: GPL-3.0-or-later
#include "EqCurveControl.h"

#include "IGraphics.h"
#include "IParam.h"

#include <algorithm>

namespace pomelu::editor
{

using namespace igraphics;

namespace
{

// The same in every theme: the curve sits on the analyzer's fixed dark background.
constexpr IColor kGridColor(55, 255, 225, 244);
constexpr IColor kCurveColor(235, 255, 102, 158);
constexpr IColor kNodeHaloColor(80, 184, 132, 250);
constexpr IColor kNodeLabelColor(230, 255, 240, 249);
constexpr float kCurveThickness = 2.2f;
constexpr float kNodeHaloRadius = 9.0f;
constexpr float kNodeRadius = 5.5f;
constexpr float kNodeLabelHalf = 8.0f;

} // namespace

EqCurveControl::EqCurveControl(const IRECT& bounds)
    : IControl(bounds, std::vector<int>(kEqCurveParams.begin(), kEqCurveParams.end()))
{
}

EqAxes EqCurveControl::GetAxes() const
{
    const IRECT& r = GetRECT();
    return {r.L, r.T, r.R, r.B};
}

EqDisplayModel EqCurveControl::GetModel() const
{
    std::array<double, kEqNumValues> plain{};
    for (int i = 0; i < kEqNumValues; ++i)
        if (const iplug::IParam* p = GetParam(i))
            plain[static_cast<std::size_t>(i)] = p->FromNormalized(GetValue(i));
    return eqModelFromPlain(plain);
}

void EqCurveControl::Draw(IGraphics& g)
{
    std::array<double, kEqNumValues> values{};
    for (int i = 0; i < kEqNumValues; ++i)
        values[static_cast<std::size_t>(i)] = GetValue(i);
    mLayer.Paint(g, GetRECT(), values,
                 [&]
                 {
                     const EqAxes axes = GetAxes();
                     const EqDisplayModel model = GetModel();
                     const IRECT& r = GetRECT();
                     for (double db : kEqGridDb)
                     {
                         const float y = static_cast<float>(axes.yForDb(db));
                         g.DrawLine(kGridColor, r.L, y, r.R, y);
                     }
                     for (double hz : kEqGridHz)
                     {
                         const float x = static_cast<float>(axes.xForHz(hz));
                         g.DrawLine(kGridColor, x, r.T, x, r.B);
                     }

                     strokeCurve(
                         g, kEqCurvePoints,
                         [&](int i)
                         {
                             const double hz = eqCurveHz(i);
                             return std::pair(static_cast<float>(axes.xForHz(hz)),
                                              static_cast<float>(axes.yForDb(model.responseDb(hz))));
                         },
                         kCurveColor, kCurveThickness);

                     const IText label(9.0f, kNodeLabelColor, "Roboto", EAlign::Center, EVAlign::Middle);
                     for (int k = 0; k < kEqBands; ++k)
                     {
                         const auto [cx, cy] = GetNodeCentre(k);
                         g.FillCircle(kNodeHaloColor, cx, cy, kNodeHaloRadius);
                         g.FillCircle(kCurveColor, cx, cy, kNodeRadius);
                         const char number[2] = {static_cast<char>('1' + k), '\0'};
                         g.DrawText(label, number,
                                    IRECT(cx - kNodeLabelHalf, cy - kNodeLabelHalf, cx + kNodeLabelHalf,
                                          cy + kNodeLabelHalf));
                     }
                 });
}

IPoint EqCurveControl::GetNodeCentre(int k) const
{
    const EqDisplayModel model = GetModel();
    const EqBand& b = model.bands[static_cast<std::size_t>(std::clamp(k, 0, kEqBands - 1))];
    const EqAxes axes = GetAxes();
    const IRECT& r = GetRECT();
    return {
        std::clamp(static_cast<float>(axes.xForHz(b.hz)), r.L + kNodeHaloRadius, r.R - kNodeHaloRadius),
        std::clamp(static_cast<float>(axes.yForDb(b.gainDb)), r.T + kNodeHaloRadius, r.B - kNodeHaloRadius)};
}

void EqCurveControl::OnMouseDown(float x, float y, const IMouseMod&)
{
    mHeldNode = eqNearestBand(GetModel(), GetAxes(), x, y);
    moveHeldNode(x, y);
}

void EqCurveControl::OnMouseDrag(float x, float y, float, float, const IMouseMod&)
{
    if (mHeldNode >= 0)
        moveHeldNode(x, y);
}

void EqCurveControl::OnMouseUp(float, float, const IMouseMod&)
{
    mHeldNode = -1;
}

void EqCurveControl::moveHeldNode(float x, float y)
{
    const EqAxes axes = GetAxes();
    setValueFromPointer(*this, eqBandHzIndex(mHeldNode), axes.hzForX(x));
    setValueFromPointer(*this, eqBandGainIndex(mHeldNode), axes.dbForY(y));
}

} // namespace pomelu::editor
