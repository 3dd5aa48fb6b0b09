// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GraphMath.h"
#include "GraphSupport.h"
#include "Parameters.h"

#include "ICachedLayer.h"
#include "IControl.h"
#include "Mappings.h"

#include <array>
#include <cstdint>

namespace pomelu::editor
{

// The parameters an EqCurveControl is bound to, in value-index order (see eqModelFromPlain).
inline constexpr std::array<int, kEqNumValues> kEqCurveParams = {
    kEqLowCut, kEqLowCutFrequency,  kEqLowCutQ,          kEqLowCutSlope, kEqLowFrequency,  kEqLow,
    kEqLowQ,   kEqLowMidFrequency,  kEqLowMid,           kEqLowMidQ,     kEqMidFrequency,  kEqMid,
    kEqMidQ,   kEqHighMidFrequency, kEqHighMid,          kEqHighMidQ,    kEqHighFrequency, kEqHigh,
    kEqHighQ,  kEqHighCut,          kEqHighCutFrequency, kEqHighCutQ,    kEqHighCutSlope};

// The equaliser's response drawn over the spectrum analyzer, with the five numbered band nodes to
// drag. A display model (GraphMath.h), not the engine's filters; it follows every change of the 23
// bound parameters (knobs, host automation, presets) at the next redraw, the same whether the EQ
// module is on or off.
//
// Mouse: a press takes the nearest node (the lower band on a tie), anywhere in the control, and
// moves it to the pointer; a drag moves it on, frequency along x and gain along y, each value held
// to its parameter's range and step. A press and its drag are one host edit per touched value
// (the framework's gesture); a double-click sets all 23 values to their defaults.
//
// Drawing: grid, curve and nodes are one cached layer, drawn anew only when a value changes, so a
// frame in which only the analyzer beneath moved costs one composite. UI thread only.
class EqCurveControl : public igraphics::IControl
{
public:
    // bounds: the analyzer's rectangle inset by 12 on every side (its border stays the analyzer's).
    explicit EqCurveControl(const igraphics::IRECT& bounds);

    void Draw(igraphics::IGraphics& g) override;
    void OnMouseDown(float x, float y, const igraphics::IMouseMod& mod) override;
    void OnMouseDrag(float x, float y, float dX, float dY, const igraphics::IMouseMod& mod) override;
    void OnMouseUp(float x, float y, const igraphics::IMouseMod& mod) override;

    // The band being dragged (0..4), or -1.
    int GetHeldNode() const { return mHeldNode; }
    EqAxes GetAxes() const;
    // The display model of the current values, in plain units.
    EqDisplayModel GetModel() const;
    const igraphics::ICachedLayer& GetLayer() const { return mLayer; }
    // Where band k's numbered node is drawn: at its frequency and gain, moved in so that the whole
    // node stays inside the plot.
    igraphics::IPoint GetNodeCentre(int k) const;

private:
    void moveHeldNode(float x, float y);

    std::int32_t mHeldNode = -1;
    igraphics::ICachedLayer mLayer;
};

} // namespace pomelu::editor
