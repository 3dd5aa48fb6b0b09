// SPDX-License-Identifier: GPL-3.0-or-later
// The content area below the analysis area: on the ROUTING page the detail card of the selected
// module (its controls on an 8-slot row, tabs for EQ, Comp and Delay), on the STUDIO page a grid of
// module cards with their power toggles and main knobs. Every control attached here is untagged.
#pragma once

#include "LayoutContext.h"

#include "dsp/ModuleId.h"

#include <string>
#include <vector>

namespace pomelu::editor
{

// The power switch of each module, by ModuleId; -1 for a value outside the eleven.
int PowerParamFor(dsp::ModuleId id);

// One knob of a module card: its parameter and English label.
struct KnobEntry
{
    int param;
    const char* label;
};

// A module card (STUDIO page) in cell (cL, cT, cR, cB): the card on the power parameter, its
// "POWER" toggle in the top-right corner, and the knobs side by side in equal columns.
void AddModuleCard(const LayoutContext& c, const igraphics::IRECT& cell, int powerParam, const char* title,
                   const char* tagline, const std::vector<KnobEntry>& knobs);
// A knob in slot 0..7 of the detail card's row; the Japanese sub-label comes from the label table.
void AddSlotKnob(const LayoutContext& c, int slot, int param, const char* label);
// An on/off toggle in slot 0..7 of the detail card's row; a press rebuilds the editor.
void AddSlotToggle(const LayoutContext& c, int slot, int param, const char* label);
// Tab buttons 84 units wide ending at the right margin, overlapping the detail card's top edge; tab
// i selects detailTab i.
void AddTabRow(const LayoutContext& c, const std::vector<const char*>& labels);

// The detail card's title: the module's name; for Delay with the host tempo ("DELAY · HOST 98.5
// BPM", 120.0 when the host reports none).
std::string DetailCardTitle(dsp::ModuleId id, double hostTempoBpm);
// The whole detail card of the plug-in's selectedModule and detailTab.
void AddDetailCard(const LayoutContext& c);
// The STUDIO sub-page: "CREATIVE + SPACE" when creative, else "TONE + DYNAMICS".
void AddStudioPage(const LayoutContext& c, bool creative);

} // namespace pomelu::editor
