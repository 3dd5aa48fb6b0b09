// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Effect.h"
#include "Parameters.h"
#include "dsp/ModuleId.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pomelu::tools
{

// What --state, --preset, --set and --order ask of the plug-in. Every tool takes these four the
// same way, checked for form while parsing and against the plug-in in applySettings.
struct PluginSettings
{
    std::optional<std::string> statePath;
    std::optional<std::string> presetName;
    std::vector<ParameterSetting> settings; // in command-line order
    std::optional<dsp::ModuleOrder> order;
};

// Takes one of the four options with its value and returns true; false for any other option.
// Throws ToolError (usage) for a repeated --state, --preset or --order, a --set without '=' and a
// malformed --order.
bool takePluginSetting(PluginSettings& settings, const std::string& option, const std::string& value);

// The help lines of the four options, for every tool's usage text.
const char* pluginSettingsHelp();

// The preset index for a name, case-insensitive; throws ToolError (usage) listing the names.
int findPreset(const std::vector<std::string>& names, const std::string& name);

// Applies the settings in host order: state, preset, each --set, order. Every name and value is
// checked before the effect is touched. Throws ToolError: usage for unknown names or bad values,
// I/O for an unreadable or refused state.
void applySettings(Effect& effect, const PluginSettings& settings);

// A whole file's bytes; throws ToolError (I/O) naming the file and the system's reason.
std::vector<std::uint8_t> readStateFile(const std::string& path);

} // namespace pomelu::tools
