// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContentArea.h"

#include "Labels.h"
#include "RackBilingualKnobControl.h"
#include "RackCardControl.h"
#include "RackModuleCardControl.h"
#include "RackNavButtonControl.h"
#include "RackPowerControl.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace pomelu::editor
{

using namespace igraphics;
using dsp::ModuleId;

namespace
{

static_assert(std::size(kModulePowerParams) == dsp::kNumModules);

// Detail card row: 8 slots across (27, 431, R0 - 9, B0 - 9).
constexpr float kSlotLeft = 27.0f;
constexpr int kSlots = 8;
constexpr float kTabWidth = 84.0f;

// One control on the detail card's slot row.
struct SlotEntry
{
    int slot;
    int param;
    const char* label;
    bool toggle = false;
};

// A module's detail card: title, tab labels, and per tab the controls after the power toggle in
// slot 0. A tab beyond the last shows the last variant.
struct DetailSpec
{
    const char* title;
    std::vector<const char*> tabs;
    std::vector<std::vector<SlotEntry>> variants;
};

const std::vector<DetailSpec>& detailSpecs()
{
    static const std::vector<DetailSpec> specs = []
    {
        std::vector<std::vector<SlotEntry>> eq;
        const int gains[5] = {kEqLow, kEqLowMid, kEqMid, kEqHighMid, kEqHigh};
        const int freqs[5] = {kEqLowFrequency, kEqLowMidFrequency, kEqMidFrequency, kEqHighMidFrequency,
                              kEqHighFrequency};
        const int qs[5] = {kEqLowQ, kEqLowMidQ, kEqMidQ, kEqHighMidQ, kEqHighQ};
        for (int b = 0; b < 5; ++b) // slot 1 stays free: the cut tabs put their switch there
            eq.push_back({{2, gains[b], "GAIN"}, {3, freqs[b], "FREQUENCY"}, {4, qs[b], "Q"}});
        eq.push_back({{1, kEqLowCut, "LOW CUT", true},
                      {2, kEqLowCutFrequency, "FREQUENCY"},
                      {3, kEqLowCutQ, "Q"},
                      {4, kEqLowCutSlope, "SLOPE"}});
        eq.push_back({{1, kEqHighCut, "HIGH CUT", true},
                      {2, kEqHighCutFrequency, "FREQUENCY"},
                      {3, kEqHighCutQ, "Q"},
                      {4, kEqHighCutSlope, "SLOPE"}});

        std::vector<DetailSpec> s(dsp::kNumModules);
        s[0] = {"POP CUT", {}, {{{1, kPopCutFrequency, "FREQUENCY"}, {7, kInput, "INPUT"}}}};
        s[1] = {"S CLEAR", {}, {{{1, kSClearAmount, "AMOUNT"}, {2, kSClearFocus, "FOCUS"}}}};
        s[2] = {"VOICE EQ", {"LOW", "LOW MID", "MID", "HIGH MID", "HIGH", "LOW CUT", "HIGH CUT"}, eq};
        s[3] = {"DISTORTION",
                {},
                {{{1, kDrive, "DRIVE"},
                  {2, kDistortionTone, "TONE"},
                  {3, kDistortionMix, "MIX"},
                  {4, kDistortionStyle, "STYLE"}}}};
        s[4] = {"PHASER",
                {},
                {{{1, kPhaserRate, "RATE"},
                  {2, kPhaserDepth, "DEPTH"},
                  {3, kPhaserFeedback, "FEEDBACK"},
                  {4, kPhaserMix, "MIX"}}}};
        s[5] = {"TREMOLO",
                {},
                {{{1, kTremoloRate, "RATE"},
                  {2, kTremoloDepth, "DEPTH"},
                  {3, kTremoloSync, "SYNC", true},
                  {4, kTremoloDivision, "DIVISION"}}}};
        s[6] = {"LEVELER",
                {},
                {{{1, kLevelTarget, "TARGET"},
                  {2, kLevelRange, "RANGE"},
                  {3, kLevelerSpeed, "SPEED"},
                  {4, kLevelerSensitivity, "SENSITIVITY"}}}};
        s[7] = {"COMP",
                {"MAIN", "DETAIL"},
                {{{1, kCompThreshold, "THRESHOLD"},
                  {2, kCompRatio, "RATIO"},
                  {3, kCompAttack, "ATTACK"},
                  {4, kCompRelease, "RELEASE"},
                  {5, kCompMakeup, "MAKEUP"},
                  {6, kCompMix, "MIX"}},
                 {{1, kCompKnee, "KNEE"},
                  {2, kCompExpander, "EXPANDER"},
                  {3, kCompMakeup, "MAKEUP"},
                  {4, kCompMix, "MIX"}}}};
        s[8] = {"CLIP GUARD",
                {},
                {{{1, kCeiling, "CEILING"}, {2, kClipGuardAmount, "AMOUNT"}, {7, kOutput, "OUTPUT"}}}};
        s[9] = {"DELAY",
                {"MAIN", "STEREO L/R", "SYNC + TONE"},
                {{{1, kDelayTime, "TIME"},
                  {2, kDelayFeedback, "FEEDBACK"},
                  {3, kDelayWet, "WET"},
                  {4, kDelayLowCut, "LOW CUT"},
                  {5, kDelayHighCut, "HIGH CUT"},
                  {6, kDelayWidth, "WIDTH"},
                  {7, kDelayStereo, "STEREO", true}},
                 {{1, kDelayStereo, "STEREO", true},
                  {2, kDelayLeftTime, "LEFT TIME"},
                  {3, kDelayRightTime, "RIGHT TIME"},
                  {4, kDelayLeftFeedback, "LEFT FB"},
                  {5, kDelayRightFeedback, "RIGHT FB"},
                  {6, kDelayLeftMix, "LEFT MIX"},
                  {7, kDelayRightMix, "RIGHT MIX"}},
                 {{1, kDelaySync, "DAW SYNC", true},
                  {2, kDelayDivision, "DIVISION"},
                  {3, kDelayFeel, "FEEL"},
                  {4, kDelayCrossFeedback, "CROSS FB"},
                  {5, kDelayLowCut, "LOW CUT"},
                  {6, kDelayHighCut, "HIGH CUT"},
                  {7, kDelayWidth, "WIDTH"}}}};
        s[10] = {"REVERB",
                 {},
                 {{{1, kReverbSize, "SIZE"},
                   {2, kReverbDecay, "DECAY"},
                   {3, kReverbPreDelay, "PRE-DELAY"},
                   {4, kReverbTone, "TONE"},
                   {5, kReverbWet, "WET"}}}};
        return s;
    }();
    return specs;
}

// The detail card's entry of a module; null for a value outside the eleven.
const DetailSpec* detailSpecFor(ModuleId id)
{
    const auto v = static_cast<unsigned>(id);
    return v < static_cast<unsigned>(dsp::kNumModules) ? &detailSpecs()[v] : nullptr;
}

// A module card of the STUDIO page: module and knobs, left to right. The title is the module's
// detail card title.
struct ModuleCardSpec
{
    ModuleId id;
    std::vector<KnobEntry> knobs;
};

const std::vector<ModuleCardSpec>& toneCards()
{
    static const std::vector<ModuleCardSpec> cards = {
        {ModuleId::PopCut, {{kPopCutFrequency, "FREQUENCY"}, {kInput, "INPUT"}}},
        {ModuleId::Eq,
         {{kEqLow, "LOW"},
          {kEqLowMid, "LOW MID"},
          {kEqMid, "MID"},
          {kEqHighMid, "HIGH MID"},
          {kEqHigh, "HIGH"}}},
        {ModuleId::Leveler,
         {{kLevelTarget, "TARGET"},
          {kLevelRange, "RANGE"},
          {kLevelerSpeed, "SPEED"},
          {kLevelerSensitivity, "SENSITIVITY"}}},
        {ModuleId::SClear, {{kSClearAmount, "AMOUNT"}, {kSClearFocus, "FOCUS"}}},
        {ModuleId::Comp,
         {{kCompThreshold, "THRESHOLD"},
          {kCompRatio, "RATIO"},
          {kCompAttack, "ATTACK"},
          {kCompRelease, "RELEASE"},
          {kCompMix, "MIX"}}},
        {ModuleId::ClipGuard, {{kCeiling, "CEILING"}, {kClipGuardAmount, "AMOUNT"}, {kOutput, "OUTPUT"}}},
    };
    return cards;
}

const std::vector<ModuleCardSpec>& creativeCards()
{
    static const std::vector<ModuleCardSpec> cards = {
        {ModuleId::Distortion,
         {{kDrive, "DRIVE"},
          {kDistortionTone, "TONE"},
          {kDistortionMix, "MIX"},
          {kDistortionStyle, "STYLE"}}},
        {ModuleId::Phaser,
         {{kPhaserRate, "RATE"},
          {kPhaserDepth, "DEPTH"},
          {kPhaserFeedback, "FEEDBACK"},
          {kPhaserMix, "MIX"}}},
        {ModuleId::Tremolo,
         {{kTremoloRate, "RATE"}, {kTremoloDepth, "DEPTH"}, {kTremoloDivision, "DIVISION"}}},
        {ModuleId::Delay,
         {{kDelayTime, "TIME"},
          {kDelayFeedback, "FEEDBACK"},
          {kDelayWet, "WET"},
          {kDelayLowCut, "LOW CUT"},
          {kDelayHighCut, "HIGH CUT"},
          {kDelayWidth, "WIDTH"}}},
        {ModuleId::Reverb,
         {{kReverbSize, "SIZE"},
          {kReverbDecay, "DECAY"},
          {kReverbPreDelay, "PRE-DELAY"},
          {kReverbWet, "WET"}}},
    };
    return cards;
}

// Slot s of the detail card's row, from the top of the knobs (436) to a given bottom.
IRECT slotRect(const LayoutContext& c, int slot, float bottom)
{
    const float w = (c.right - 36.0f) / kSlots;
    return {kSlotLeft + slot * w + 5.0f, 436.0f, kSlotLeft + (slot + 1) * w - 5.0f, bottom};
}

void addKnob(const LayoutContext& c, const IRECT& r, int param, const char* label)
{
    c.g.AttachControl(
        new RackBilingualKnobControl(r, param, label, JapaneseLabelFor(label), c.knobStyle, true));
}

void addToggle(const LayoutContext& c, const IRECT& r, int param, const char* label)
{
    PomeluRarorudIzad& plug = c.plug;
    c.g.AttachControl(new RackPowerControl(r, param, label, c.palette.accent, c.palette.panel, c.palette.ink,
                                           [&plug] { plug.requestRebuild(); }));
}

} // namespace

int PowerParamFor(ModuleId id)
{
    const auto v = static_cast<unsigned>(id);
    return v < static_cast<unsigned>(dsp::kNumModules) ? kModulePowerParams[v] : -1;
}

void AddModuleCard(const LayoutContext& c, const IRECT& cell, int powerParam, const char* title,
                   const char* tagline, const std::vector<KnobEntry>& knobs)
{
    const ThemePalette& p = c.palette;
    c.g.AttachControl(new RackModuleCardControl(cell.GetPadded(-4.0f), powerParam, title, tagline, p.accent,
                                                p.panel, p.ink));
    addToggle(c, IRECT(cell.R - 83.0f, cell.T + 9.0f, cell.R - 11.0f, cell.T + 34.0f), powerParam, "POWER");
    if (knobs.empty())
        return;
    const float kw = (cell.W() - 18.0f) / static_cast<float>(knobs.size());
    for (std::size_t i = 0; i < knobs.size(); ++i)
        addKnob(c,
                IRECT(cell.L + 9.0f + i * kw + 3.0f, cell.T + 56.0f, cell.L + 9.0f + (i + 1) * kw - 3.0f,
                      cell.B - 12.0f),
                knobs[i].param, knobs[i].label);
}

void AddSlotKnob(const LayoutContext& c, int slot, int param, const char* label)
{
    addKnob(c, slotRect(c, slot, c.bottom - 14.0f), param, label);
}

void AddSlotToggle(const LayoutContext& c, int slot, int param, const char* label)
{
    addToggle(c, slotRect(c, slot, 470.0f), param, label);
}

void AddTabRow(const LayoutContext& c, const std::vector<const char*>& labels)
{
    PomeluRarorudIzad& plug = c.plug;
    const float x0 = c.right - kTabWidth * static_cast<float>(labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i)
    {
        const auto tab = static_cast<std::int32_t>(i);
        c.g.AttachControl(new RackNavButtonControl(
            IRECT(x0 + kTabWidth * i + 2.0f, 378.0f, x0 + kTabWidth * (i + 1) - 2.0f, 404.0f), labels[i],
            plug.navigation().detailTab == tab, showOnClick(plug, &EditorNavigation::detailTab, tab),
            c.palette.accent, c.palette.panel, c.palette.ink));
    }
}

std::string DetailCardTitle(ModuleId id, double hostTempoBpm)
{
    if (id == ModuleId::Delay)
    {
        char title[64];
        std::snprintf(title, sizeof title, "DELAY · HOST %.1f BPM",
                      hostTempoBpm > 1.0 ? hostTempoBpm : 120.0);
        return title;
    }
    const DetailSpec* spec = detailSpecFor(id);
    return spec != nullptr ? spec->title : "";
}

void AddDetailCard(const LayoutContext& c)
{
    const ModuleId m = c.plug.navigation().selectedModule;
    const DetailSpec* spec = detailSpecFor(m);
    if (spec == nullptr)
        return;
    const ThemePalette& p = c.palette;
    c.g.AttachControl(new RackCardControl(IRECT(22.0f, 380.0f, c.right - 4.0f, c.bottom - 4.0f),
                                          DetailCardTitle(m, c.plug.GetTempo()).c_str(), ModuleTagline(m),
                                          p.panel, p.accent, p.ink));
    if (!spec->tabs.empty())
        AddTabRow(c, spec->tabs);
    AddSlotToggle(c, 0, PowerParamFor(m), "POWER");
    const int last = static_cast<int>(spec->variants.size()) - 1;
    for (const SlotEntry& e :
         spec->variants[static_cast<std::size_t>(std::clamp(c.plug.navigation().detailTab, 0, last))])
    {
        if (e.toggle)
            AddSlotToggle(c, e.slot, e.param, e.label);
        else
            AddSlotKnob(c, e.slot, e.param, e.label);
    }
}

void AddStudioPage(const LayoutContext& c, bool creative)
{
    const IRECT area(18.0f, 376.0f, c.right, c.bottom);
    const float cw = area.W() / 3.0f, ch = area.H() / 2.0f;
    auto cell = [&](int col, int row)
    { return IRECT(area.L + col * cw, area.T + row * ch, area.L + (col + 1) * cw, area.T + (row + 1) * ch); };
    const std::vector<ModuleCardSpec>& cards = creative ? creativeCards() : toneCards();
    for (std::size_t i = 0; i < cards.size(); ++i)
    {
        IRECT r = cell(static_cast<int>(i % 3), static_cast<int>(i / 3));
        if (creative && i == 3) // the second row splits 2 : 1
            r = IRECT(area.L, area.MH(), area.L + 2.0f * cw, area.B);
        else if (creative && i == 4)
            r = IRECT(area.L + 2.0f * cw, area.MH(), area.R, area.B);
        const ModuleCardSpec& card = cards[i];
        AddModuleCard(c, r, PowerParamFor(card.id), detailSpecFor(card.id)->title, ModuleTagline(card.id),
                      card.knobs);
    }
}

} // namespace pomelu::editor
