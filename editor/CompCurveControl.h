// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GraphMath.h"
#include "GraphSupport.h"

#include "ICachedLayer.h"
#include "IControl.h"

#include <functional>

namespace pomelu::editor
{

// The compressor's static curve on a -60..0 dB square (a hard knee from threshold and ratio only:
// knee, expander, makeup and mix are not drawn), the threshold as a dotted line with a handle, a
// live dot at the current input and output level, and a readout of input, output and gain
// reduction. Bound to the threshold (value 0) and ratio (value 1) parameters.
//
// Mouse: a press or a drag anywhere sets the threshold to the input level under the pointer's x,
// held to -48..0 dB and the parameter's step; a press and its drag are one host edit. A
// double-click returns threshold and ratio to their defaults.
//
// Live data: the three level sources are read on the UI thread once a frame, without a lock (the
// engine's meter taps are atomics written after each block; a frame may mix two blocks). Background,
// grid, unity line, curve and threshold are one cached layer, drawn anew when threshold or ratio
// change; the dot and the readout are drawn over it. A frame in which only the levels moved redraws
// just the dot's old and new places and the readout line. UI thread only.
class CompCurveControl : public igraphics::IControl
{
public:
    // A level in dB; an empty source reads as -60 dB (levels) or 0 dB (gain reduction), and so does
    // a value that is not a finite number.
    using LevelSource = std::function<double()>;

    struct Levels
    {
        double inDb = kCompFloorDb, outDb = kCompFloorDb, gainReductionDb = 0.0;
        bool operator==(const Levels&) const = default;
    };

    CompCurveControl(const igraphics::IRECT& bounds, int thresholdParam, int ratioParam, LevelSource input,
                     LevelSource output, LevelSource gainReduction, const igraphics::IColor& curveColor,
                     const igraphics::IColor& markerColor, const igraphics::IColor& textColor);

    void Draw(igraphics::IGraphics& g) override;
    // True when the whole control needs drawing; news of the levels alone mark only their regions.
    bool IsDirty() override;
    void OnMouseDown(float x, float y, const igraphics::IMouseMod& mod) override;
    void OnMouseDrag(float x, float y, float dX, float dY, const igraphics::IMouseMod& mod) override;

    CompAxes GetAxes() const;
    Levels ReadLevels() const;
    // The readout as last drawn.
    const char* GetReadout() const { return mReadout; }
    const igraphics::ICachedLayer& GetLayer() const { return mLayer; }

private:
    igraphics::IRECT dotRect(const Levels& levels) const;
    igraphics::IRECT readoutRect() const;

    LevelSource mInput, mOutput, mGainReduction;
    igraphics::IColor mCurveColor, mMarkerColor, mTextColor;
    igraphics::ICachedLayer mLayer;
    Levels mSampled, mShown;
    char mReadout[128] = {};
};

} // namespace pomelu::editor
