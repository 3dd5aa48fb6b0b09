// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pomelu::tools
{

// ASCII-only case folding: names and value texts the renderer matches are English.
std::string toLower(std::string_view text);
std::string_view trim(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// Lower case with every space removed, so "S CLEAR", "SClear" and "s clear" compare equal.
std::string foldName(std::string_view text);

// The whole text (after trimming) as a finite number, or nothing (iplug::ParseNumber without a unit).
// "1/8", "12dB", "nan" and "" are not numbers.
std::optional<double> parseNumber(std::string_view text);

// The whole text as a decimal integer, or nothing.
std::optional<long long> parseInteger(std::string_view text);

// Shortest text that reads back as the same double ("0.35", "-18", "1e-05").
std::string formatNumber(double value);

} // namespace pomelu::tools
