// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in class with an editor holding the analysis area, as the graphs' tests and benchmarks
// use it: a layout standing in for the product's (background and analysis area in the "POMELU"
// colours) and an off-screen editor attached the way the VST 3 view attaches its own.
#pragma once

#include "IGraphics.h"
#include "IVPeakAvgMeterControl.h"
#include "IVSpectrumAnalyzerControl.h"
#include "PomeluRarorudIzad.h"

#include "CompCurveControl.h"
#include "EqCurveControl.h"

#include <memory>

namespace pomelu::test
{

inline constexpr igraphics::IColor kPageBackground{255, 253, 247, 252};
inline constexpr igraphics::IColor kAccent{255, 255, 92, 145};
inline constexpr igraphics::IColor kAccent2{255, 170, 129, 245};

// The analysis area in the light theme's colours, for the plug-in that g belongs to.
void attachStandInAnalysisArea(igraphics::IGraphics& g);
// The layout hook: background panel and analysis area, on an empty editor only.
void analysisPageLayout(iplug::IEditorView& view);

// An off-screen editor on plug for the lifetime of the object: attach, layout, OnUIOpen; then
// detach. The plug-in must use analysisPageLayout (or another layout attaching the analysis area).
class OffscreenEditor
{
public:
    explicit OffscreenEditor(PomeluRarorudIzad& plug, float scale = 1.0f);
    ~OffscreenEditor();
    OffscreenEditor(const OffscreenEditor&) = delete;
    OffscreenEditor& operator=(const OffscreenEditor&) = delete;

    igraphics::IGraphics& g() { return *graphics; }
    igraphics::IVSpectrumAnalyzerControl& analyzer();
    igraphics::IVPeakAvgMeterControl& meter();
    editor::EqCurveControl& eqCurve();
    editor::CompCurveControl& compCurve();

    // Chooses `item` of `submenu` in the analyzer's options menu with the mouse, as a user does:
    // a press on the analyzer's border, one on the submenu, one on the item.
    void chooseInAnalyzerMenu(const char* submenu, const char* item);
    // The checked item's index in one of the analyzer's submenus.
    int checkedIn(const char* submenu);

private:
    template <class T> T& find() const;
    PomeluRarorudIzad& plug;
    std::unique_ptr<igraphics::IGraphics> graphics;
};

} // namespace pomelu::test
