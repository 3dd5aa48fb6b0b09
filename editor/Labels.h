// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's words: English knob labels with their Japanese sub-labels, the modules' Japanese
// taglines and the short names on the routing strip's chips. UTF-8 constants.
#pragma once

#include "dsp/ModuleId.h"

#include <array>

namespace pomelu::editor
{

struct BilingualLabel
{
    const char* english;
    const char* japanese;
};

// Every knob label the layout uses, in a fixed order (the first exact match wins).
extern const std::array<BilingualLabel, 49> kBilingualLabels;

// The Japanese sub-label of an English label: exact, case-sensitive, whole-string match; an unknown
// label comes back unchanged (it is then drawn twice), null as "".
const char* JapaneseLabelFor(const char* english);

// Subtitle of a module's cards ("音色を整える" for the EQ). Only the eleven modules have one; any
// other value gives "".
const char* ModuleTagline(dsp::ModuleId id);

// Chip label on the routing strip ("POP", "S CLEAR", ...); "?" for a value outside the eleven.
const char* ModuleShortName(dsp::ModuleId id);

} // namespace pomelu::editor
