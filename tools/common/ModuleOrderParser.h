// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dsp/ModuleId.h"

#include <optional>
#include <string>
#include <string_view>

namespace pomelu::tools
{

// A module named by its enumerator name ("PopCut") or the routing strip's label ("POP"), case and
// spaces ignored, so "S CLEAR", "sclear" and "SClear" all name the sibilance shelf.
std::optional<dsp::ModuleId> findModule(std::string_view name);

// A comma-separated list naming each of the eleven modules exactly once, first to run first.
// Throws ToolError (usage) naming the unknown, repeated or missing modules.
dsp::ModuleOrder parseModuleOrder(std::string_view list);

// "PopCut,SClear,..." as --order takes it.
std::string formatModuleOrder(const dsp::ModuleOrder& order);

} // namespace pomelu::tools
