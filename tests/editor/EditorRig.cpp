// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorRig.h"

#include "RackBilingualKnobControl.h"
#include "RackCardControl.h"
#include "RackModuleCardControl.h"
#include "RackNavButtonControl.h"
#include "RackPowerControl.h"
#include "RoutingStripControl.h"

#include "IControls.h"
#include "IVPeakAvgMeterControl.h"
#include "IVSpectrumAnalyzerControl.h"

namespace pomelu::test
{

using namespace igraphics;
using namespace pomelu::editor;

EditorRig::EditorRig(const std::function<void(PomeluRarorudIzad&)>& setup)
    : plug(new PomeluRarorudIzad(iplug::InstanceInfo{})), g(*plug, 980, 680)
{
    if (setup)
        setup(*plug);
    InstallEditor(*plug);
    iplug::IPlugBase::LayoutFunc layout = plug->GetLayoutFunc();
    plug->SetLayoutFunc(
        [this, layout](iplug::IEditorView& view)
        {
            ++builds;
            layout(view);
        });
    plug->AttachEditor(&g);
    plug->LayoutEditor();
    plug->OnRestoreState();
}

EditorRig::~EditorRig()
{
    plug->AttachEditor(nullptr);
}

void EditorRig::click(float x, float y)
{
    IMouseMod left;
    left.L = true;
    g.OnMouseDown(x, y, left);
    g.OnMouseUp(x, y, left);
}

void EditorRig::drag(const std::vector<IPoint>& points)
{
    IMouseMod left;
    left.L = true;
    g.OnMouseDown(points.front().x, points.front().y, left);
    for (std::size_t i = 1; i < points.size(); ++i)
        g.OnMouseMove(points[i].x, points[i].y, left);
    g.OnMouseUp(points.back().x, points.back().y, left);
}

std::string Describe(const IControl& c)
{
    if (auto* k = dynamic_cast<const RackBilingualKnobControl*>(&c))
        return "knob|" + k->GetEnglishLabel() + "|" + k->GetJapaneseLabel();
    if (auto* n = dynamic_cast<const RackNavButtonControl*>(&c))
        return std::string("nav|") + (n->IsSelected() ? "*" : "") + n->GetLabel();
    if (auto* p = dynamic_cast<const RackPowerControl*>(&c))
        return "power|" + p->GetLabel();
    if (auto* m = dynamic_cast<const RackModuleCardControl*>(&c))
        return "modcard|" + m->GetTitle() + "|" + m->GetTagline();
    if (auto* d = dynamic_cast<const RackCardControl*>(&c))
        return "card|" + d->GetTitle() + "|" + d->GetSubtitle();
    if (dynamic_cast<const RoutingStripControl*>(&c) != nullptr)
        return "strip|";
    if (auto* a = dynamic_cast<const IVSpectrumAnalyzerControl*>(&c))
        return std::string("analyzer|") + a->GetLabelStr();
    if (auto* m = dynamic_cast<const IVPeakAvgMeterControl*>(&c))
        return std::string("meter|") + m->GetLabelStr();
    if (auto* b = dynamic_cast<const IVButtonControl*>(&c))
        return std::string("button|") + b->GetLabelStr();
    if (auto* t = dynamic_cast<const ITextControl*>(&c))
        return std::string("text|") + t->GetStr();
    if (dynamic_cast<const IBitmapControl*>(&c) != nullptr)
        return "bitmap|";
    if (dynamic_cast<const IPanelControl*>(&c) != nullptr)
        return "panel|";
    return "other|";
}

} // namespace pomelu::test
