// SPDX-License-Identifier: GPL-3.0-or-later
#include "GraphsRig.h"

#include "Editor.h"
#include "IPopupMenu.h"
#include "IVSpectrumAnalyzerControl.h"

#include <gtest/gtest.h>

namespace pomelu::test
{

using namespace igraphics;

OffscreenEditor::OffscreenEditor(PomeluRarorudIzad& p, float scale)
    : plug(p), graphics(p, 980, 680, 60, scale)
{
    plug.AttachEditor(&graphics);
    plug.LayoutEditor();
    plug.OnUIOpen();
}

void OffscreenEditor::chooseInAnalyzerMenu(const char* submenu, const char* item)
{
    auto& an = find<IVSpectrumAnalyzerControl>();
    const IRECT border = an.GetRECT().GetFromLeft(6.0f); // left of the EQ curve
    const IMouseMod left{true};
    graphics.OnMouseDown(border.MW(), border.MH(), left);
    graphics.OnMouseUp(border.MW(), border.MH(), left);
    IPopupMenuControl* menu = graphics.GetPopupMenuControl();
    ASSERT_TRUE(menu != nullptr && menu->IsOpen());
    const int sub = an.GetMenu().FindItem(submenu);
    IRECT r = menu->GetItemRECT(0, sub);
    graphics.OnMouseDown(r.MW(), r.MH(), left);
    r = menu->GetItemRECT(1, an.GetMenu().GetItem(sub)->GetSubmenu()->FindItem(item));
    graphics.OnMouseDown(r.MW(), r.MH(), left);
    ASSERT_FALSE(menu->IsOpen()) << submenu << " / " << item;
}

int OffscreenEditor::checkedIn(const char* submenu)
{
    IPopupMenu& m = find<IVSpectrumAnalyzerControl>().GetMenu();
    return m.GetItem(m.FindItem(submenu))->GetSubmenu()->GetCheckedIdx();
}

GraphsRig::GraphsRig(float scale, int blockSize)
    : block(blockSize), plug(new PomeluRarorudIzad(iplug::InstanceInfo{}))
{
    editor::InstallEditor(*plug);
    EXPECT_TRUE(instance.adopt(static_cast<Steinberg::Vst::IComponent*>(plug))) << instance.lastError();
    EXPECT_TRUE(instance.setup(48000.0, block));
    editor = std::make_unique<OffscreenEditor>(*plug, scale);
}

std::vector<host::ComponentHandler::Edit> GraphsRig::hostEdits()
{
    plug->RunIdleTick();
    auto edits = instance.componentHandler().edits();
    instance.componentHandler().clear();
    return edits;
}

void GraphsRig::play(const std::vector<double>& signal, std::size_t frames,
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
            editor->g().DrawFrame();
    }
    plug->RunIdleTick();
    editor->g().DrawFrame();
}

} // namespace pomelu::test
