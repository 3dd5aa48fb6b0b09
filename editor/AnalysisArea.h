// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IGraphicsStructs.h"

namespace igraphics
{
class IGraphics;
}

namespace pomelu
{
class PomeluRarorudIzad;
}

namespace pomelu::editor
{

// Where the analysis area's four displays sit on a page of the given width (logical units).
struct AnalysisAreaRects
{
    igraphics::IRECT analyzer;  // tag 100; its 12-unit border opens the options menu
    igraphics::IRECT eqCurve;   // the analyzer inset by 12
    igraphics::IRECT compCurve; // below the analyzer
    igraphics::IRECT meter;     // tag 101, right of both
};
AnalysisAreaRects analysisAreaRects(float pageWidth);

// Attaches the permanent analysis area, in drawing order: the spectrum analyzer (tag 100) showing
// the plug-in's output, the EQ curve over it, the compressor curve reading the plug-in's meter taps,
// and the output meter (tag 101). analyzerStyle dresses the analyzer and the meter; the compressor
// curve is drawn in accent with its marker in accent2. The plug-in's OnIdle feeds the analyzer and
// the meter; its OnUIOpen (and every rebuild and reset) sends the analyzer the sender's settings.
// UI thread, inside the layout function.
void attachAnalysisArea(igraphics::IGraphics& g, const PomeluRarorudIzad& plug,
                        const igraphics::IVStyle& analyzerStyle, const igraphics::IColor& accent,
                        const igraphics::IColor& accent2);

} // namespace pomelu::editor
