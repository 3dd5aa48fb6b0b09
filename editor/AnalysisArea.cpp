// SPDX-License-Identifier: GPL-3.0-or-later
#include "AnalysisArea.h"

#include "CompCurveControl.h"
#include "EqCurveControl.h"
#include "PomeluRarorudIzad.h"
#include "Theme.h"

#include "IGraphics.h"
#include "IVPeakAvgMeterControl.h"
#include "IVSpectrumAnalyzerControl.h"

namespace pomelu::editor
{

using namespace igraphics;

namespace
{

constexpr float kEqInset = 12.0f;

} // namespace

AnalysisAreaRects analysisAreaRects(float pageWidth)
{
    const float w = pageWidth;
    const IRECT analyzer(23.0f, 201.0f, w - 111.0f, 290.0f);
    return {analyzer, analyzer.GetPadded(-kEqInset), IRECT(23.0f, 294.0f, w - 111.0f, 366.0f),
            IRECT(w - 91.0f, 201.0f, w - 23.0f, 366.0f)};
}

void attachAnalysisArea(IGraphics& g, const PomeluRarorudIzad& plug, const IVStyle& analyzerStyle,
                        const IColor& accent, const IColor& accent2)
{
    const AnalysisAreaRects rects = analysisAreaRects(static_cast<float>(g.Width()));
    // Output spectrum: log frequency, dB levels, curve 2, grid 1, fill 0.25, attack 3 ms, decay 50 ms.
    g.AttachControl(new IVSpectrumAnalyzerControl(rects.analyzer, "SPECTRUM + EQ", analyzerStyle,
                                                  {COLOR_RED, COLOR_GREEN}, true, 2.0f, 1.0f, 0.25f, 3.0f,
                                                  50.0f),
                    kCtrlTagSpectrum);
    g.AttachControl(new EqCurveControl(rects.eqCurve));

    // The plug-in outlives every editor.
    g.AttachControl(new CompCurveControl(
        rects.compCurve, kCompThreshold, kCompRatio, [&plug] { return plug.inputPeak(); },
        [&plug] { return plug.outputPeak(); }, [&plug] { return plug.gainReduction(); }, accent, accent2,
        kCurveLight));

    // Two tracks over -60..+12 dB in 2 dB segments, marks at 0, -6, -12, -24 and -48 dB.
    g.AttachControl(new IVPeakAvgMeterControl(rects.meter, "OUT", analyzerStyle, EDirection::Vertical,
                                              {"L", "R"}, 36, true, -60.0f, 12.0f, {0, -6, -12, -24, -48},
                                              "%i dB"),
                    kCtrlTagMeter);
}

} // namespace pomelu::editor
