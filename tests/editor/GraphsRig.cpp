// SPDX-License-Identifier: GPL-3.0-or-later
#include "GraphsRig.h"

#include "AnalysisArea.h"
#include "GraphicsRig.h"
#include "IPopupMenu.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace pomelu::test
{

using namespace igraphics;

void attachStandInAnalysisArea(IGraphics& g)
{
    // The analyzer style of the light theme: base colours, the analyzer's own background, accent.
    IVStyle style;
    style.colorSpec = {IColor(255, 255, 242, 248), kAccent,  kAccent2,
                       IColor(255, 53, 29, 69),    kAccent,  IColor(50, 60, 30, 70),
                       IColor(255, 53, 29, 69),    kAccent2, kAccent};
    style.colorSpec[kBG] = IColor(255, 42, 28, 57);
    style.labelText = IText(12.0f, IColor(255, 255, 230, 242), "Roboto");
    if (auto* plug = dynamic_cast<PomeluRarorudIzad*>(&g.GetDelegate()))
        editor::attachAnalysisArea(g, *plug, style, kAccent, kAccent2);
}

void analysisPageLayout(iplug::IEditorView& view)
{
    IGraphics* g = IGraphics::From(view);
    if (g == nullptr || g->NControls() > 0)
        return;
    LoadTestFonts(*g);
    g->AttachPanelBackground(kPageBackground);
    attachStandInAnalysisArea(*g);
}

OffscreenEditor::OffscreenEditor(PomeluRarorudIzad& p, float scale)
    : plug(p), graphics(std::make_unique<IGraphics>(p, 980, 680, 60, scale))
{
    plug.AttachEditor(graphics.get());
    plug.LayoutEditor();
    plug.OnUIOpen();
}

OffscreenEditor::~OffscreenEditor()
{
    plug.AttachEditor(nullptr);
}

template <class T> T& OffscreenEditor::find() const
{
    for (int i = 0; i < graphics->NControls(); ++i)
        if (auto* c = dynamic_cast<T*>(graphics->GetControl(i)))
            return *c;
    throw std::logic_error("the layout attached no such control");
}

IVSpectrumAnalyzerControl& OffscreenEditor::analyzer()
{
    return find<IVSpectrumAnalyzerControl>();
}
IVPeakAvgMeterControl& OffscreenEditor::meter()
{
    return find<IVPeakAvgMeterControl>();
}
editor::EqCurveControl& OffscreenEditor::eqCurve()
{
    return find<editor::EqCurveControl>();
}
editor::CompCurveControl& OffscreenEditor::compCurve()
{
    return find<editor::CompCurveControl>();
}

void OffscreenEditor::chooseInAnalyzerMenu(const char* submenu, const char* item)
{
    IGraphics& g = *graphics;
    IVSpectrumAnalyzerControl& an = analyzer();
    const IRECT border = an.GetRECT().GetFromLeft(6.0f); // left of the EQ curve
    const IMouseMod left{true};
    g.OnMouseDown(border.MW(), border.MH(), left);
    g.OnMouseUp(border.MW(), border.MH(), left);
    IPopupMenuControl* menu = g.GetPopupMenuControl();
    ASSERT_TRUE(menu != nullptr && menu->IsOpen());
    const int sub = an.GetMenu().FindItem(submenu);
    ASSERT_GE(sub, 0) << submenu;
    IRECT r = menu->GetItemRECT(0, sub);
    g.OnMouseDown(r.MW(), r.MH(), left);
    const int idx = an.GetMenu().GetItem(sub)->GetSubmenu()->FindItem(item);
    ASSERT_GE(idx, 0) << item;
    r = menu->GetItemRECT(1, idx);
    g.OnMouseDown(r.MW(), r.MH(), left);
    ASSERT_FALSE(menu->IsOpen());
}

int OffscreenEditor::checkedIn(const char* submenu)
{
    IPopupMenu& m = analyzer().GetMenu();
    return m.GetItem(m.FindItem(submenu))->GetSubmenu()->GetCheckedIdx();
}

} // namespace pomelu::test
