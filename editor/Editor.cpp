// SPDX-License-Identifier: GPL-3.0-or-later
#include "Editor.h"

#include "AnalysisArea.h"
#include "ContentArea.h"
#include "LayoutContext.h"
#include "RackNavButtonControl.h"
#include "RackPowerControl.h"
#include "RoutingStripControl.h"

#include "IControls.h"

namespace pomelu::editor
{

using namespace igraphics;

namespace
{

void addHeader(const LayoutContext& c)
{
    const ThemePalette& p = c.palette;
    PomeluRarorudIzad& plug = c.plug;
    const float r0 = c.right;
    c.g.AttachControl(new IBitmapControl(IRECT(21, 7, 79, 71), c.g.LoadBitmap("pomelu-rec-logo.png", 1),
                                         kNoParameter, IBlend{EBlend::Default, 1.0f}));
    c.g.AttachControl(new ITextControl(IRECT(90, 18, r0, 53), "Pomelu Rarorud Izad",
                                       IText(29, p.ink, "Roboto", EAlign::Near, EVAlign::Middle)));
    c.g.AttachControl(new ITextControl(IRECT(18, 64, r0, 88), "1.0.0",
                                       IText(12, p.accent2, "Roboto", EAlign::Near, EVAlign::Middle)));
    c.g.AttachControl(
        new RackPowerControl(IRECT(r0 - 100, 18, r0, 88), kBypass, "BYPASS", p.accent, p.panel, p.ink));
    c.g.AttachControl(new RackNavButtonControl(
        IRECT(r0 - 212, 18, r0 - 126, 88), plug.compareSlots().activeSlot() == 0 ? "A ACTIVE" : "B ACTIVE",
        true, [&plug] { plug.switchCompareSlot(); }, p.accent2, p.panel, p.ink));

    // The theme is written straight into the parameter, without telling the host: it travels with
    // the saved state, and the rebuild repaints everything in the new palette. An editor that
    // models the plug-in elsewhere writes it through the host, which holds it in a port.
    const int current = ThemeIndexFor(plug.GetParam(kTheme)->Value());
    const float x0 = r0 - 545;
    for (int i = 0; i < 3; ++i)
    {
        auto pick = [&plug, i]
        {
            plug.GetParam(kTheme)->Set(static_cast<double>(i));
            if (plug.IsEditorModel())
                plug.SetParameterValueFromPlugin(kTheme, plug.GetParam(kTheme)->GetNormalized());
            plug.OnRestoreState();
            plug.requestRebuild();
        };
        c.g.AttachControl(new RackNavButtonControl(IRECT(x0 + 60 * i + 2, 20, x0 + 60 * (i + 1) - 2, 46),
                                                   kThemeNames[i], i == current, pick, p.accent, p.panel,
                                                   p.ink));
    }
}

void addRoutingStrip(const LayoutContext& c)
{
    PomeluRarorudIzad& plug = c.plug;
    RoutingStripControl::PoweredList powered;
    powered.fill(RoutingStripControl::kNotPowered);
    std::size_t n = 0;
    for (int id = 0; id < dsp::kNumModules; ++id)
        if (plug.GetParam(PowerParamFor(static_cast<dsp::ModuleId>(id)))->Value() >= 0.5)
            powered[n++] = static_cast<std::uint8_t>(id);
    auto reorder = [&plug](const dsp::ModuleOrder& order) { plug.setModuleOrder(order, true); };
    auto select = [&plug](dsp::ModuleId id)
    {
        plug.navigation().selectedModule = id;
        plug.navigation().detailTab = 0;
        plug.requestRebuild();
    };
    c.g.AttachControl(new RoutingStripControl(IRECT(21, 99, c.right - 3, 151), plug.getModuleOrder(), powered,
                                              plug.navigation().selectedModule, reorder, select,
                                              c.palette.accent, c.palette.panel, c.palette.ink),
                      kCtrlTagRoutingStrip);
}

void addNavigation(const LayoutContext& c)
{
    const ThemePalette& p = c.palette;
    PomeluRarorudIzad& plug = c.plug;
    auto nav = [&](const IRECT& r, const char* label, bool selected, RackNavButtonControl::ClickFunc f) {
        c.g.AttachControl(
            new RackNavButtonControl(r, label, selected, std::move(f), p.accent, p.panel, p.ink));
    };
    const EditorNavigation& shown = plug.navigation();
    nav(IRECT(18, 158, 146, 192), "\u21E2  ROUTING", shown.routingPage,
        showOnClick(plug, &EditorNavigation::routingPage, true));
    nav(IRECT(152, 158, 280, 192), "\u25EB  STUDIO", !shown.routingPage,
        showOnClick(plug, &EditorNavigation::routingPage, false));
    if (!shown.routingPage)
    {
        nav(IRECT(294, 158, 419, 192), "TONE + DYNAMICS", !shown.creativePage,
            showOnClick(plug, &EditorNavigation::creativePage, false));
        nav(IRECT(425, 158, 550, 192), "CREATIVE + SPACE", shown.creativePage,
            showOnClick(plug, &EditorNavigation::creativePage, true));
    }

    // Undo and reset change the order without a rebuild: the strip is told the new order.
    auto routeAction = [&plug](void (PomeluRarorudIzad::*op)())
    {
        return [&plug, op](IControl* button)
        {
            (plug.*op)();
            if (auto* strip = dynamic_cast<RoutingStripControl*>(
                    button->GetUI()->GetControlWithTag(kCtrlTagRoutingStrip)))
                strip->SetOrder(plug.getModuleOrder());
        };
    };
    const float r0 = c.right;
    c.g.AttachControl(new IVButtonControl(IRECT(r0 - 188, 158, r0 - 98, 192),
                                          routeAction(&PomeluRarorudIzad::undoModuleOrder), "UNDO ROUTE",
                                          c.baseStyle, false, true, EVShape::Rectangle));
    c.g.AttachControl(new IVButtonControl(IRECT(r0 - 90, 158, r0, 192),
                                          routeAction(&PomeluRarorudIzad::resetModuleOrder), "RESET",
                                          c.baseStyle, false, true, EVShape::Rectangle));
}

} // namespace

void BuildEditor(IGraphics& g, PomeluRarorudIzad& plug)
{
    if (g.NControls() > 0)
        return;
    g.AttachCornerResizer(new ICornerResizerControl(g.GetBounds(), 20.0f, COLOR_TRANSLUCENT, COLOR_BLACK,
                                                    COLOR_BLACK, EUIResizerMode::Scale, true));
    g.EnableMouseOver(true);
    g.EnableTooltips(true);
    g.AttachTextEntryControl();
    g.LoadFont("Roboto", "Roboto-Regular.ttf");
    g.LoadFont("NotoJP", "NotoSansJP.ttf");
    g.LoadFont("MPlusBold", "MPLUSRounded1c-Bold.ttf");

    const LayoutContext c(g, plug);
    g.AttachPanelBackground(c.palette.background);
    addHeader(c);
    addRoutingStrip(c);
    attachAnalysisArea(c.g, c.plug, c.analyzerStyle, c.palette.accent, c.palette.accent2);
    addNavigation(c);
    if (plug.navigation().routingPage)
        AddDetailCard(c);
    else
        AddStudioPage(c, plug.navigation().creativePage);
}

void InstallEditor(PomeluRarorudIzad& plug)
{
    plug.SetLayoutFunc(
        [&plug](iplug::IEditorView& view)
        {
            if (IGraphics* g = IGraphics::From(view))
                BuildEditor(*g, plug);
        });
}

} // namespace pomelu::editor
