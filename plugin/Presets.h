// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace iplug
{
class IPlugBase;
}

namespace pomelu
{

inline constexpr int kNumPresets = 5;

// Makes the five factory presets ("Natural", "Singing", "Narration", "Podcast", "Gentle"). A recalled
// preset sets its listed values and every other parameter to its default, except the theme, which
// is the user's and stays. Call after initParameters. UI thread, allocates.
void makeFactoryPresets(iplug::IPlugBase& plug);

} // namespace pomelu
