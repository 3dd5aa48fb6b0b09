// SPDX-License-Identifier: GPL-3.0-or-later
// The editor under synthetic pointer events: which buttons rebuild and what they change, the
// compare label, values from the host, and the routing strip's drags, clicks, undo and reset.
#include "EditorRig.h"

#include "GraphicsRig.h"
#include "RackBilingualKnobControl.h"
#include "RackPowerControl.h"
#include "RoutingStripControl.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Page, sub-page and tab buttons rebuild only when they change what is shown; a theme button always
// does, and writes the theme.
TEST(EditorBehaviour, NavigationButtonsRebuildWhenTheyChangeThePageThemeButtonsAlways)
{
    const struct
    {
        const char* press;
        bool routing, creative;
        int tab;
        IPoint at;
        bool rebuilds, routingAfter, creativeAfter;
        int tabAfter;
        double themeAfter = 0;
    } cases[] = {
        {"ROUTING on ROUTING", true, false, 0, {82, 175}, false, true, false, 0},
        {"STUDIO on ROUTING", true, false, 3, {216, 175}, true, false, false, 3},
        {"STUDIO on STUDIO", false, false, 0, {216, 175}, false, false, false, 0},
        {"ROUTING on STUDIO", false, true, 0, {82, 175}, true, true, true, 0},
        {"TONE on TONE", false, false, 0, {356, 175}, false, false, false, 0},
        {"CREATIVE on TONE", false, false, 0, {487, 175}, true, false, true, 0},
        {"TONE on CREATIVE", false, true, 0, {356, 175}, true, false, false, 0},
        {"CREATIVE's place on ROUTING: no button", true, true, 0, {487, 175}, false, true, true, 0},
        {"LOW on LOW", true, false, 0, {416, 391}, false, true, false, 0},
        {"MID on LOW", true, false, 0, {584, 391}, true, true, false, 2},
        {"HIGH CUT on MID", true, false, 2, {920, 391}, true, true, false, 6},
        {"POMELU on POMELU", true, false, 0, {447, 33}, true, true, false, 0, 0},
        {"COOL on POMELU", true, false, 0, {567, 33}, true, true, false, 0, 2},
    };
    for (const auto& c : cases)
    {
        EditorRig rig(
            [&](PomeluRarorudIzad& p)
            {
                p.navigation().routingPage = c.routing;
                p.navigation().creativePage = c.creative;
                p.navigation().detailTab = c.tab;
            });
        rig.click(c.at.x, c.at.y);
        rig.idle();
        EXPECT_EQ(rig.builds, c.rebuilds ? 2 : 1) << c.press;
        EXPECT_EQ(rig.plug->navigation().routingPage, c.routingAfter) << c.press;
        EXPECT_EQ(rig.plug->navigation().creativePage, c.creativeAfter) << c.press;
        EXPECT_EQ(rig.plug->navigation().detailTab, c.tabAfter) << c.press;
        EXPECT_EQ(rig.param(kTheme), c.themeAfter) << c.press;
    }
}

TEST(EditorBehaviour, PowerTogglesRebuildAndBypassDoesNot)
{
    EditorRig rig([](PomeluRarorudIzad& p) { p.navigation().routingPage = false; });
    ASSERT_TRUE(strip(rig).IsPowered(ModuleId::PopCut));
    rig.click(285, 397); // POP CUT's POWER on the STUDIO page
    EXPECT_EQ(rig.param(kPopCut), 0.0);
    rig.idle();
    EXPECT_EQ(rig.builds, 2);
    EXPECT_FALSE(strip(rig).IsPowered(ModuleId::PopCut)) << "the strip's mark follows at once";

    auto& bypass = dynamic_cast<editor::RackPowerControl&>(*rig.g.GetControl(4));
    rig.click(912, 53);
    EXPECT_EQ(rig.param(kBypass), 1.0);
    EXPECT_EQ(bypass.GetText(), "BYPASS  ON");
    rig.idle();
    EXPECT_EQ(rig.builds, 2);
    bypass.SetValue(0.5); // exactly half is off; a press turns it on
    EXPECT_FALSE(bypass.IsOn());
    rig.click(912, 53);
    EXPECT_EQ(bypass.GetValue(), 1.0);

    rig.plug->navigation().routingPage = true;
    rig.plug->requestRebuild();
    rig.idle();
    rig.click(85, 453); // the EQ card's POWER, slot 0
    EXPECT_EQ(rig.param(kEq), 0.0);
    rig.idle();
    EXPECT_EQ(rig.builds, 4);
}

TEST(EditorBehaviour, RequestsBetweenIdleCallsMakeOneRebuildAndAResizeMovesNothing)
{
    EditorRig rig;
    rig.setParam(kEqLow, 6.0); // unannounced: only the rebuild shows it
    rig.plug->requestRebuild();
    rig.plug->requestRebuild();
    rig.idle();
    rig.idle();
    EXPECT_EQ(rig.builds, 2);
    EXPECT_EQ(Describe(*rig.g.GetControl(0)), "panel|") << "a rebuild starts from an empty editor";
    EXPECT_EQ(rig.g.GetControl(rig.g.NControls() - 3)->GetValue(), rig.normalized(kEqLow, 6.0))
        << "and shows every value";
    const int n = rig.g.NControls();
    rig.plug->LayoutEditor(); // as after a window resize
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
}

// What the host sets through the controller shows at the next idle tick: a knob without a rebuild,
// the theme and the strip's power marks through one.
TEST(EditorBehaviour, HostValuesShowAtTheNextTickThemeAndMarksThroughARebuild)
{
    EditorRig rig;
    Steinberg::Vst::IEditController& host = *rig.instance.controller();
    host.setParamNormalized(kEqLow, 0.75);
    host.setParamNormalized(kDelay, 1.0);
    host.setParamNormalized(kTheme, 0.5); // "Dark"
    rig.plug->RunIdleTick();
    rig.g.DrawFrame();
    EXPECT_EQ(rig.builds, 2);
    EXPECT_TRUE(strip(rig).IsPowered(ModuleId::Delay));
    EXPECT_EQ(PixelAt(rig.g, 5, 5), IColor(255, 31, 24, 43));
    IControl& gain = *rig.g.GetControl(rig.g.NControls() - 3);
    ASSERT_EQ(gain.GetParamIdx(), kEqLow);
    EXPECT_EQ(gain.GetValue(), 0.75);
    host.setParamNormalized(kEqLow, 0.25);
    rig.plug->RunIdleTick();
    EXPECT_EQ(gain.GetValue(), 0.25);
    EXPECT_EQ(rig.builds, 2) << "a knob's value needs no rebuild";
}

// Slot centres on the strip (21 .. 959, 11 slots): 63.6, 148.9, 234.2, 319.5, ...
float slotX(int i)
{
    return 21.0f + (i + 0.5f) * 938.0f / 11.0f;
}

ModuleOrder orderOf(std::initializer_list<int> ids)
{
    ModuleOrder o{};
    std::transform(ids.begin(), ids.end(), o.begin(), [](int id) { return static_cast<ModuleId>(id); });
    return o;
}

TEST(EditorBehaviour, RoutingStripDragsReorderAndClicksSelect)
{
    const ModuleOrder popLast = orderOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0});
    const struct
    {
        const char* what;
        std::vector<std::vector<IPoint>> drags;
        ModuleOrder order;
        int selected; // the module a click selects; -1 for a reorder
    } cases[] = {
        // clang-format off
        {"first chip to the last slot", {{{slotX(0), 125}, {slotX(10), 125}}}, popLast, -1},
        {"and back", {{{slotX(0), 125}, {slotX(10), 125}}, {{slotX(10), 125}, {slotX(0), 125}}},
         orderOf({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), -1},
        {"past the right end, below the window", {{{slotX(0), 125}, {500, 400}, {2000, 900}}}, popLast, -1},
        {"past the left end, above the window", {{{slotX(10), 125}, {-300, -50}}},
         orderOf({10, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), -1},
        {"chip 5 to slot 2", {{{slotX(5), 125}, {slotX(2), 125}}}, orderOf({0, 1, 5, 2, 3, 4, 6, 7, 8, 9, 10}), -1},
        {"4 units into the next slot", {{{360, 125}, {364, 160}}}, dsp::defaultModuleOrder(), 3},
        {"out and back to its own slot", {{{slotX(3), 125}, {slotX(6), 125}, {slotX(3) + 2, 125}}},
         dsp::defaultModuleOrder(), 3},
        // clang-format on
    };
    for (const auto& c : cases)
    {
        EditorRig rig([](PomeluRarorudIzad& p) { p.navigation().detailTab = 4; });
        for (const std::vector<IPoint>& d : c.drags)
            rig.drag(d);
        rig.idle();
        EXPECT_EQ(rig.plug->getModuleOrder(), c.order) << c.what;
        EXPECT_TRUE(dsp::isValidModuleOrder(rig.plug->getModuleOrder())) << c.what;
        EXPECT_EQ(strip(rig).GetOrder(), c.order) << c.what;
        // A selection opens the module's first tab through a rebuild; a reorder rebuilds nothing.
        EXPECT_EQ(rig.builds, c.selected >= 0 ? 2 : 1) << c.what;
        EXPECT_EQ(rig.plug->navigation().selectedModule,
                  static_cast<ModuleId>(c.selected >= 0 ? c.selected : 2))
            << c.what;
        EXPECT_EQ(strip(rig).GetSelected(), rig.plug->navigation().selectedModule) << c.what;
        EXPECT_EQ(rig.plug->navigation().detailTab, c.selected >= 0 ? 0 : 4) << c.what;
    }
}

TEST(EditorBehaviour, UndoRouteSwapsBackAndResetCanBeUndone)
{
    const ModuleOrder d = dsp::defaultModuleOrder(), moved = orderOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0});
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
    rig.drag({{slotX(0), 125}, {slotX(10), 125}});
    for (const auto& s : steps)
    {
        rig.click(s.x, 175);
        rig.idle();
        EXPECT_EQ(rig.plug->getModuleOrder(), s.order) << s.press;
        EXPECT_EQ(rig.plug->undoOrder(), s.undo) << s.press;
        EXPECT_EQ(strip(rig).GetOrder(), s.order) << s.press << ": the strip shows it without a rebuild";
    }
    EXPECT_EQ(rig.builds, 1);
}

} // namespace
} // namespace pomelu::test
