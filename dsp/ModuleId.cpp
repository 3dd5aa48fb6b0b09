// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModuleId.h"

namespace pomelu::dsp
{

namespace
{
constexpr const char* kNames[kNumModules] = {"PopCut",    "SClear",  "Eq",      "Distortion",
                                             "Phaser",    "Tremolo", "Leveler", "Comp",
                                             "ClipGuard", "Delay",   "Reverb"};
constexpr const char* kShortLabels[kNumModules] = {"POP",   "S CLEAR", "EQ",   "DIST",  "PHASER", "TREM",
                                                   "LEVEL", "COMP",    "CLIP", "DELAY", "REVERB"};
} // namespace

const char* moduleName(ModuleId id) noexcept
{
    const auto v = static_cast<unsigned>(id);
    return v < static_cast<unsigned>(kNumModules) ? kNames[v] : "";
}

const char* moduleShortLabel(ModuleId id) noexcept
{
    const auto v = static_cast<unsigned>(id);
    return v < static_cast<unsigned>(kNumModules) ? kShortLabels[v] : "";
}

} // namespace pomelu::dsp
