// SPDX-License-Identifier: GPL-3.0-or-later
// Controls under synthetic mouse and key events: what reaches the plug-in (and so the host) as
// begin / change / end, and what each control does with it.
#include "GraphicsRig.h"

#include "IControls.h"
#include "ITextEntryControl.h"

#include "IParam.h"

#include <gtest/gtest.h>

namespace pomelu::test
{
namespace
{

using namespace igraphics;
using Log = std::vector<std::string>;

const IMouseMod kLeft{true};
const IMouseMod kFine{true, false, false, true};

// A 100 x 100 knob at the page's top-left on "Gain" (-24 .. 24 dB, default 0), value box below it,
// gearing 4: a 400-unit drag sweeps the whole range.
struct KnobPage
{
    GestureRecordingPlug plug;
    IGraphics g{plug, 980, 680};
    IVKnobControl* knob;
    KnobPage(int param = kGain)
    {
        IVStyle style;
        style.showLabel = false;
        g.AttachPanelBackground(COLOR_WHITE);
        g.AttachTextEntryControl();
        knob = static_cast<IVKnobControl*>(
            g.AttachControl(new IVKnobControl(IRECT(0, 0, 100, 100), param, "GAIN", style, true)));
    }
    double gain() { return plug.GetParam(kGain)->Value(); }
    void drag(std::initializer_list<std::pair<float, IMouseMod>> moves)
    {
        float y = 50.0f;
        g.OnMouseDown(50, y, kLeft);
        for (const auto& [dy, mod] : moves)
            g.OnMouseMove(50, y += dy, mod);
        g.OnMouseUp(50, y, kLeft);
    }
    void type(const char* text)
    {
        for (const char* p = text; *p != '\0'; ++p)
            g.OnKeyDown(IKeyPress{EVirtualKey::Text, std::string(1, *p)});
        g.OnKeyDown(IKeyPress{EVirtualKey::Return, {}});
    }
};

TEST(Knob, DragsWithGearingAndFineModifierAsOneGesture)
{
    struct Case
    {
        const char* name;
        std::initializer_list<std::pair<float, IMouseMod>> moves;
        double expectDb;
        Log expectLog;
    };
    const Case cases[] = {
        // 40 units up = 0.1 of the range = 4.8 dB, in two steps.
        {"geared drag", {{-20.0f, kLeft}, {-20.0f, kLeft}}, 4.8, {"B0", "S0=0.5500", "S0=0.6000", "E0"}},
        // Fine: ten times less.
        {"fine drag", {{-40.0f, kFine}}, 0.48, {"B0", "S0=0.5100", "E0"}},
        // Switching to fine mid-drag goes on from where the coarse part ended.
        {"coarse then fine",
         {{-20.0f, kLeft}, {-20.0f, kFine}},
         2.64,
         {"B0", "S0=0.5500", "S0=0.5550", "E0"}},
        // Down past the end stops at the minimum.
        {"clamped", {{500.0f, kLeft}}, -24.0, {"B0", "S0=0.0000", "E0"}},
        // A click without a move still tells the host the knob was touched.
        {"click", {}, 0.0, {"B0", "E0"}},
    };
    for (const Case& c : cases)
    {
        KnobPage page;
        page.drag(c.moves);
        EXPECT_NEAR(page.gain(), c.expectDb, 1e-9) << c.name;
        EXPECT_EQ(page.plug.log, c.expectLog) << c.name;
    }
}

TEST(Knob, WheelNotchAndDoubleClickAreEachOneCompleteEdit)
{
    KnobPage page;
    page.g.OnMouseWheel(50, 50, {}, 1.0f); // 1 % of 48 dB
    EXPECT_NEAR(page.gain(), 0.48, 1e-9);
    page.g.OnMouseWheel(50, 50, kFine, -1.0f); // 0.1 %
    page.g.OnMouseDblClick(50, 50, kLeft);
    EXPECT_NEAR(page.gain(), 0.0, 1e-9) << "double-click gives the default";
    EXPECT_EQ(page.plug.log,
              (Log{"B0", "S0=0.5100", "E0", "B0", "S0=0.5090", "E0", "B0", "S0=0.5000", "E0"}));

    KnobPage mode(kMode); // stepped: one notch is one step
    mode.g.OnMouseWheel(50, 50, {}, 1.0f);
    EXPECT_EQ(mode.plug.GetParam(kMode)->Int(), 1);
}

TEST(Knob, ValueBoxTakesTypedValuesAndRefusesGarbage)
{
    struct Case
    {
        int param;
        const char* typed;
        bool accepted;
        double plain; // the parameter afterwards
    };
    const Case cases[] = {
        {kGain, "-6", true, -6.0},  {kGain, "12.34 dB", true, 12.34}, {kGain, "99", true, 24.0},
        {kGain, "abc", false, 0.0}, {kGain, "6 Hz", false, 0.0},      {kGain, " ", false, 0.0},
        {kGain, "nan", false, 0.0}, {kMode, "hard", true, 1.0},       {kMode, "2", true, 2.0},
        {kMode, "1.5", false, 0.0}, {kMode, "Loud", false, 0.0},
    };
    for (const Case& c : cases)
    {
        KnobPage page(c.param);
        const IRECT box = page.knob->GetValueBounds();
        page.g.OnMouseDown(box.MW(), box.MH(), kLeft);
        page.g.OnMouseUp(box.MW(), box.MH(), kLeft);
        ITextEntryControl* entry = page.g.GetTextEntryControl();
        ASSERT_TRUE(entry->IsOpen()) << c.typed;
        EXPECT_EQ(entry->GetText(), c.param == kGain ? "0.0 dB" : "Soft");
        page.type(c.typed);
        EXPECT_EQ(entry->IsOpen(), !c.accepted) << c.typed << ": a refused text stays for correcting";
        EXPECT_EQ(entry->IsRefused(), !c.accepted) << c.typed;
        EXPECT_NEAR(page.plug.GetParam(c.param)->Value(), c.plain, 1e-9) << c.typed;
        EXPECT_EQ(page.plug.log.size(), c.accepted ? 3u : 0u) << c.typed << ": one complete edit or none";
    }
}

TEST(Knob, ValuesFromThePlugInMoveItWithoutEchoingBack)
{
    KnobPage page;
    page.g.OnParameterValue(kGain, 0.75);
    EXPECT_DOUBLE_EQ(page.knob->GetValue(), 0.75);
    EXPECT_TRUE(page.plug.log.empty());
    EXPECT_EQ(page.knob->GetValueText(), "12.0 dB") << "the text follows the value, with its unit";
}

TEST(Controls, ButtonRunsItsActionAndOtherControlsOnTheParameterFollow)
{
    KnobPage page;
    int pressed = 0;
    auto* button = page.g.AttachControl(new IVButtonControl(
        IRECT(200, 0, 300, 40), [&](IControl*) { ++pressed; }, "RESET"));
    auto* twin = page.g.AttachControl(new IVKnobControl(IRECT(400, 0, 500, 100), kGain));
    page.g.OnMouseDown(250, 20, kLeft);
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(button->GetValue(), 1.0);
    page.g.OnMouseUp(250, 20, kLeft);
    EXPECT_EQ(button->GetValue(), 0.0);
    EXPECT_TRUE(page.plug.log.empty()) << "a button without a parameter edits nothing";
    page.drag({{-40.0f, kLeft}});
    EXPECT_DOUBLE_EQ(twin->GetValue(), page.knob->GetValue());
}

TEST(Controls, HoverFollowsThePointerAndTooltipsWaitForIt)
{
    KnobPage page;
    page.g.EnableTooltips(true);
    page.g.SetTooltipDelayFrames(3);
    page.knob->SetTooltip("Input gain");
    page.g.OnMouseMove(50, 40, {});
    EXPECT_TRUE(page.knob->GetMouseIsOver());
    EXPECT_FALSE(page.knob->GetValueMouseOver());
    page.g.OnMouseMove(50, page.knob->GetValueBounds().MH(), {});
    EXPECT_TRUE(page.knob->GetValueMouseOver()) << "the value box has its own hover";
    for (int frame = 0; frame < 2; ++frame)
        page.g.DrawFrame();
    EXPECT_EQ(page.g.GetShownTooltip(), nullptr);
    page.g.DrawFrame();
    ASSERT_NE(page.g.GetShownTooltip(), nullptr);
    EXPECT_STREQ(page.g.GetShownTooltip(), "Input gain");
    page.g.OnMouseMove(600, 600, {});
    EXPECT_FALSE(page.knob->GetMouseIsOver());
    EXPECT_EQ(page.g.GetShownTooltip(), nullptr);
}

} // namespace
} // namespace pomelu::test
