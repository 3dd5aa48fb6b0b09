// SPDX-License-Identifier: GPL-3.0-or-later
// The editor under synthetic pointer events: which buttons rebuild, what they change, the compare
// label, values from the host, and the routing strip's drags, clicks, undo and reset.
#include "EditorRig.h"

#include "GraphicsRig.h"
#include "RackBilingualKnobControl.h"
#include "RackNavButtonControl.h"
#include "RackPowerControl.h"
#include "RoutingStripControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace pomelu::test
{
namespace
{

using namespace igraphics;
using dsp::ModuleId;
using dsp::ModuleOrder;

editor::RoutingStripControl& strip(EditorRig& rig)
{
    return *dynamic_cast<editor::RoutingStripControl*>(rig.g.GetControlWithTag(kCtrlTagRoutingStrip));
}

struct PageCase
{
    const char* press;
    bool routing, creative;
    int tab;
    float x, y;
    bool rebuilds;
    bool routingAfter, creativeAfter;
    int tabAfter;
};

TEST(EditorBehaviour, PageSubPageAndTabButtonsRebuildOnlyWhenTheyChangeThePage)
{
    const PageCase cases[] = {
        {"ROUTING on ROUTING", true, false, 0, 82, 175, false, true, false, 0},
        {"STUDIO on ROUTING", true, false, 3, 216, 175, true, false, false, 3},
        {"STUDIO on STUDIO", false, false, 0, 216, 175, false, false, false, 0},
        {"ROUTING on STUDIO", false, true, 0, 82, 175, true, true, true, 0},
        {"TONE on TONE", false, false, 0, 356, 175, false, false, false, 0},
        {"CREATIVE on TONE", false, false, 0, 487, 175, true, false, true, 0},
        {"TONE on CREATIVE", false, true, 0, 356, 175, true, false, false, 0},
        {"CREATIVE's place on ROUTING: no button", true, true, 0, 487, 175, false, true, true, 0},
        {"LOW on LOW", true, false, 0, 416, 391, false, true, false, 0},
        {"MID on LOW", true, false, 0, 584, 391, true, true, false, 2},
        {"HIGH CUT on MID", true, false, 2, 920, 391, true, true, false, 6},
    };
    for (const PageCase& c : cases)
    {
        EditorRig rig(
            [&](PomeluRarorudIzad& p)
            {
                p.routingPage = c.routing;
                p.creativePage = c.creative;
                p.detailTab = c.tab;
            });
        rig.click(c.x, c.y);
        rig.idle();
        EXPECT_EQ(rig.builds, c.rebuilds ? 2 : 1) << c.press;
        EXPECT_EQ(rig.plug->routingPage, c.routingAfter) << c.press;
        EXPECT_EQ(rig.plug->creativePage, c.creativeAfter) << c.press;
        EXPECT_EQ(rig.plug->detailTab, c.tabAfter) << c.press;
    }
}

TEST(EditorBehaviour, ThemeButtonsWriteTheThemeAndAlwaysRebuild)
{
    const IColor backgrounds[3] = {{255, 253, 247, 252}, {255, 31, 24, 43}, {255, 33, 26, 45}};
    EditorRig rig;
    for (const int t : {0, 2, 1, 1})
    {
        const int builds = rig.builds;
        rig.click(447.0f + 60.0f * t, 33);
        EXPECT_EQ(rig.param(kTheme), t);
        rig.idle();
        EXPECT_EQ(rig.builds, builds + 1) << "theme " << t;
        rig.g.DrawFrame();
        EXPECT_EQ(PixelAt(rig.g, 5, 5), backgrounds[t]) << "theme " << t;
    }
}

TEST(EditorBehaviour, PowerTogglesRebuildAndBypassDoesNot)
{
    EditorRig rig([](PomeluRarorudIzad& p) { p.routingPage = false; });
    ASSERT_TRUE(strip(rig).IsPowered(ModuleId::PopCut));
    rig.click(285, 397); // POP CUT's POWER on the STUDIO page
    EXPECT_EQ(rig.param(kPopCut), 0.0);
    rig.idle();
    EXPECT_EQ(rig.builds, 2);
    EXPECT_FALSE(strip(rig).IsPowered(ModuleId::PopCut)) << "the strip's mark follows at once";

    rig.click(912, 53); // BYPASS
    EXPECT_EQ(rig.param(kBypass), 1.0);
    auto* bypass = dynamic_cast<editor::RackPowerControl*>(rig.g.GetControl(4));
    ASSERT_NE(bypass, nullptr);
    EXPECT_EQ(bypass->GetText(), "BYPASS  ON");
    rig.idle();
    EXPECT_EQ(rig.builds, 2);

    // Exactly half is off, and a press turns it on.
    bypass->SetValue(0.5);
    EXPECT_FALSE(bypass->IsOn());
    rig.click(912, 53);
    EXPECT_EQ(bypass->GetValue(), 1.0);

    rig.plug->routingPage = true;
    rig.plug->requestRebuild();
    rig.idle();
    rig.click(85, 453); // the EQ card's POWER, slot 0
    EXPECT_EQ(rig.param(kEq), 0.0);
    rig.idle();
    EXPECT_EQ(rig.builds, 4);
}

TEST(EditorBehaviour, RequestsBetweenIdleCallsMakeOneRebuildAndNoneWithoutAnEditor)
{
    EditorRig rig;
    rig.plug->requestRebuild();
    rig.plug->requestRebuild();
    rig.idle();
    rig.idle();
    EXPECT_EQ(rig.builds, 2);
    EXPECT_EQ(Describe(*rig.g.GetControl(0)), "panel|") << "the rebuild starts from an empty editor";

    rig.plug->AttachEditor(nullptr);
    rig.plug->requestRebuild();
    rig.idle();
    rig.plug->AttachEditor(&rig.g);
    rig.idle();
    EXPECT_EQ(rig.builds, 2) << "a request without an editor is consumed";

    // A second layout run on a built editor (after a resize) keeps every control where it is.
    const int n = rig.g.NControls();
    rig.plug->LayoutEditor();
    EXPECT_EQ(rig.g.NControls(), n);
}

TEST(EditorBehaviour, TheCompareLabelFollowsTheActiveSlot)
{
    EditorRig rig;
    for (const char* label : {"nav|*B ACTIVE", "nav|*A ACTIVE", "nav|*B ACTIVE"})
    {
        rig.click(793, 53);
        rig.idle();
        EXPECT_EQ(Describe(*rig.g.GetControl(5)), label);
    }
    EXPECT_EQ(rig.builds, 4);
}

// Knobs and toggles follow the host at once; the theme and the strip's power marks wait for the
// next rebuild.
TEST(EditorBehaviour, HostValuesMoveControlsAtOnceThemeAndMarksAtTheNextBuild)
{
    EditorRig rig;
    auto* gain = dynamic_cast<editor::RackBilingualKnobControl*>(rig.g.GetControl(rig.g.NControls() - 3));
    ASSERT_NE(gain, nullptr);
    ASSERT_EQ(gain->GetParamIdx(), kEqLow);
    rig.plug->SetParameterValueFromPlugin(kEqLow, 0.75);
    rig.plug->SetParameterValueFromPlugin(kDelay, 1.0);
    rig.plug->SetParameterValueFromPlugin(kTheme, 0.5); // "Dark"
    EXPECT_EQ(gain->GetValue(), 0.75);
    EXPECT_FALSE(strip(rig).IsPowered(ModuleId::Delay));
    rig.g.DrawFrame();
    EXPECT_EQ(PixelAt(rig.g, 5, 5), IColor(255, 253, 247, 252));
    rig.idle();
    EXPECT_EQ(rig.builds, 1);

    rig.plug->requestRebuild();
    rig.idle();
    rig.g.DrawFrame();
    EXPECT_TRUE(strip(rig).IsPowered(ModuleId::Delay));
    EXPECT_EQ(PixelAt(rig.g, 5, 5), IColor(255, 31, 24, 43));
}

// Slot centres on the strip (21 .. 959, slots 85.27 wide): 63.6, 148.9, 234.2, 319.5, 404.8, 490.1, ...
float slotX(int i)
{
    return 21.0f + (i + 0.5f) * 938.0f / 11.0f;
}

struct DragCase
{
    const char* drag;
    std::vector<std::array<float, 3>> path; // press x, then points moved to (x, y), released at the last
    ModuleOrder order;
    int selected; // the module a click selected, or -1 for a reorder
};

TEST(EditorBehaviour, RoutingStripDragsReorderAndClicksSelect)
{
    const ModuleOrder d = dsp::defaultModuleOrder();
    auto order = [](std::initializer_list<int> ids)
    {
        ModuleOrder o{};
        std::size_t i = 0;
        for (int id : ids)
            o[i++] = static_cast<ModuleId>(id);
        return o;
    };
    const DragCase cases[] = {
        {"first chip to the last slot",
         {{slotX(0), 125, 0}, {slotX(10), 125, 0}},
         order({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}),
         -1},
        {"and back",
         {{slotX(0), 125, 0}, {slotX(10), 125, 0}, {slotX(10), 125, 1}, {slotX(0), 125, 1}},
         d,
         -1},
        {"past the right end, below the window",
         {{slotX(0), 125, 0}, {2000, 900, 0}},
         order({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}),
         -1},
        {"past the left end, above the window",
         {{slotX(10), 125, 0}, {-300, -50, 0}},
         order({10, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}),
         -1},
        {"chip 5 to slot 2",
         {{slotX(5), 125, 0}, {slotX(2), 125, 0}},
         order({0, 1, 5, 2, 3, 4, 6, 7, 8, 9, 10}),
         -1},
        {"4 units into the next slot", {{360, 125, 0}, {364, 160, 0}}, d, 3},
        {"out and back to its own slot",
         {{slotX(3), 125, 0}, {slotX(6), 125, 0}, {slotX(3) + 2, 125, 0}},
         d,
         3},
    };
    for (const DragCase& c : cases)
    {
        EditorRig rig;
        IMouseMod left;
        left.L = true;
        std::size_t i = 0;
        while (i < c.path.size())
        {
            const float press = c.path[i][2];
            rig.g.OnMouseDown(c.path[i][0], c.path[i][1], left);
            for (++i; i < c.path.size() && c.path[i][2] == press; ++i)
            {
                rig.g.OnMouseMove(c.path[i][0], c.path[i][1], left);
                if (i + 1 == c.path.size() || c.path[i + 1][2] != press)
                    rig.g.OnMouseUp(c.path[i][0], c.path[i][1], left);
            }
        }
        rig.idle();
        EXPECT_EQ(rig.plug->getModuleOrder(), c.order) << c.drag;
        EXPECT_TRUE(dsp::isValidModuleOrder(rig.plug->getModuleOrder())) << c.drag;
        EXPECT_EQ(strip(rig).GetOrder(), c.order) << c.drag;
        EXPECT_EQ(strip(rig).GetDragSlot(), -1) << c.drag;
        if (c.selected >= 0)
        {
            EXPECT_EQ(rig.builds, 2) << c.drag << ": a selection rebuilds";
            EXPECT_EQ(static_cast<int>(rig.plug->selectedModule), c.selected) << c.drag;
            EXPECT_EQ(static_cast<int>(strip(rig).GetSelected()), c.selected) << c.drag;
        }
        else
        {
            EXPECT_EQ(rig.builds, 1) << c.drag << ": a reorder does not rebuild";
            EXPECT_EQ(rig.plug->selectedModule, ModuleId::Eq) << c.drag;
        }
    }
}

TEST(EditorBehaviour, SelectingAModuleOpensItsFirstTab)
{
    EditorRig rig([](PomeluRarorudIzad& p) { p.detailTab = 4; });
    rig.click(slotX(9), 125);
    rig.idle();
    EXPECT_EQ(rig.plug->selectedModule, ModuleId::Delay);
    EXPECT_EQ(rig.plug->detailTab, 0);
    EXPECT_EQ(Describe(*rig.g.GetControl(rig.g.NControls() - 11)), "nav|*MAIN");
}

TEST(EditorBehaviour, AReopenedEditorShowsThePageAndModuleLastShown)
{
    EditorRig rig;
    rig.click(slotX(7), 125); // COMP
    rig.idle();
    rig.click(216, 175); // STUDIO
    rig.idle();
    rig.plug->AttachEditor(nullptr);
    IGraphics reopened(*rig.plug, 980, 680);
    rig.plug->AttachEditor(&reopened);
    rig.plug->LayoutEditor();
    int studio = 0;
    for (int i = 0; i < reopened.NControls(); ++i)
        studio += Describe(*reopened.GetControl(i)) == "nav|*\u25EB  STUDIO";
    EXPECT_EQ(studio, 1);
    const auto* s =
        dynamic_cast<editor::RoutingStripControl*>(reopened.GetControlWithTag(kCtrlTagRoutingStrip));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetSelected(), ModuleId::Comp);
    rig.plug->AttachEditor(&rig.g);
}

TEST(EditorBehaviour, UndoRouteSwapsBackAndResetCanBeUndone)
{
    const ModuleOrder d = dsp::defaultModuleOrder();
    ModuleOrder moved = d;
    std::rotate(moved.begin(), moved.begin() + 1, moved.end());
    const struct
    {
        const char* press;
        float x;
        ModuleOrder order, undo;
    } steps[] = {
        {"UNDO ROUTE", 819, d, moved}, {"UNDO ROUTE again", 819, moved, d},
        {"RESET", 917, d, moved},      {"UNDO ROUTE after RESET", 819, moved, d},
        {"RESET", 917, d, moved},      {"RESET on the default order", 917, d, d},
    };
    EditorRig rig;
    rig.drag(slotX(0), slotX(10));
    ASSERT_EQ(rig.plug->getModuleOrder(), moved);
    for (const auto& s : steps)
    {
        rig.click(s.x, 175);
        rig.idle();
        EXPECT_EQ(rig.plug->getModuleOrder(), s.order) << s.press;
        EXPECT_EQ(rig.plug->undoOrder, s.undo) << s.press;
        EXPECT_EQ(strip(rig).GetOrder(), s.order) << s.press << ": the strip shows it without a rebuild";
    }
    EXPECT_EQ(rig.builds, 1);
}

TEST(EditorBehaviour, TheStripAnimatesOnlyWhileAPressLasts)
{
    EditorRig rig;
    rig.g.DrawFrame();
    EXPECT_FALSE(strip(rig).IsDirty());
    IMouseMod left;
    left.L = true;
    rig.g.OnMouseDown(slotX(2), 125, left);
    rig.g.OnMouseMove(slotX(7), 125, left);
    for (int frame = 0; frame < 3; ++frame)
    {
        rig.g.DrawFrame();
        EXPECT_TRUE(strip(rig).IsDirty()) << frame;
    }
    EXPECT_EQ(strip(rig).GetTargetSlot(), 7);
    rig.g.OnMouseUp(slotX(7), 125, left);
    rig.g.DrawFrame();
    EXPECT_FALSE(strip(rig).IsDirty());
}

} // namespace
} // namespace pomelu::test
