// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorRig.h"

#include "CompCurveControl.h"
#include "EqCurveControl.h"
#include "RackBilingualKnobControl.h"
#include "RackCardControl.h"
#include "RackModuleCardControl.h"
#include "RackNavButtonControl.h"
#include "RackPowerControl.h"
#include "RoutingStripControl.h"

#include "IControls.h"
#include "IPopupMenu.h"
#include "IVPeakAvgMeterControl.h"
#include "IVSpectrumAnalyzerControl.h"

#include <gtest/gtest.h>

namespace pomelu::test
{

using namespace igraphics;
using namespace pomelu::editor;

EditorRig::EditorRig(const std::function<void(PomeluRarorudIzad&)>& setup, float scale, int blockSize)
    : block(blockSize), plug(new PomeluRarorudIzad(iplug::InstanceInfo{})), g(*plug, 980, 680, 60, scale)
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
    EXPECT_TRUE(instance.adopt(static_cast<Steinberg::Vst::IComponent*>(plug))) << instance.lastError();
    EXPECT_TRUE(instance.setup(48000.0, block));
    open();
}

EditorRig::~EditorRig()
{
    plug->AttachEditor(nullptr);
}

void EditorRig::open()
{
    plug->AttachEditor(&g);
    plug->LayoutEditor();
    plug->OnRestoreState();
    plug->OnUIOpen();
}

void EditorRig::reopen()
{
    plug->AttachEditor(nullptr);
    g.RemoveAllControls();
    open();
}

void EditorRig::chooseInAnalyzerMenu(const char* submenu, const char* item)
{
    auto& an = find<IVSpectrumAnalyzerControl>();
    const IRECT border = an.GetRECT().GetFromLeft(6.0f); // left of the EQ curve
    const IMouseMod left{true};
    g.OnMouseDown(border.MW(), border.MH(), left);
    g.OnMouseUp(border.MW(), border.MH(), left);
    IPopupMenuControl* menu = g.GetPopupMenuControl();
    ASSERT_TRUE(menu != nullptr && menu->IsOpen());
    const int sub = an.GetMenu().FindItem(submenu);
    IRECT r = menu->GetItemRECT(0, sub);
    g.OnMouseDown(r.MW(), r.MH(), left);
    r = menu->GetItemRECT(1, an.GetMenu().GetItem(sub)->GetSubmenu()->FindItem(item));
    g.OnMouseDown(r.MW(), r.MH(), left);
    ASSERT_FALSE(menu->IsOpen()) << submenu << " / " << item;
}

int EditorRig::checkedIn(const char* submenu)
{
    IPopupMenu& m = find<IVSpectrumAnalyzerControl>().GetMenu();
    return m.GetItem(m.FindItem(submenu))->GetSubmenu()->GetCheckedIdx();
}

std::vector<host::ComponentHandler::Edit> EditorRig::hostEdits()
{
    plug->RunIdleTick();
    auto edits = instance.componentHandler().edits();
    instance.componentHandler().clear();
    return edits;
}

void EditorRig::play(const std::vector<double>& signal, std::size_t frames,
                     const std::vector<host::ParamChange>& changes)
{
    lastOut[0].assign(static_cast<std::size_t>(block), 0.0);
    lastOut[1] = lastOut[0];
    double* outs[2] = {lastOut[0].data(), lastOut[1].data()};
    const std::vector<host::ParamChange> none;
    for (std::size_t pos = 0, n = 0; pos + static_cast<std::size_t>(block) <= frames;
         pos += static_cast<std::size_t>(block), ++n)
    {
        double* ins[2] = {const_cast<double*>(signal.data() + pos), const_cast<double*>(signal.data() + pos)};
        ASSERT_EQ(instance.process64(ins, outs, 2, 2, block, n == 0 ? changes : none), Steinberg::kResultOk);
        if (n % 2 == 1)
            plug->RunIdleTick();
        if (n % 3 == 2)
            g.DrawFrame();
    }
    plug->RunIdleTick();
    g.DrawFrame();
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
    if (dynamic_cast<const editor::EqCurveControl*>(&c) != nullptr)
        return "eqcurve|";
    if (dynamic_cast<const editor::CompCurveControl*>(&c) != nullptr)
        return "compcurve|";
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
