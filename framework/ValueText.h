// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace iplug
{

// Parameter value texts, read and written the same way whatever the process's locale: '.' is the
// decimal point and digits are never grouped, so a host running with a comma locale reads what the
// plug-in writes. The parameters' display and text entry, the host's string conversions and the
// renderer's command line all go through here.

// The text without the white space (space, tab, CR, LF) around it.
std::string_view TrimText(std::string_view text);
// Equal but for the case of ASCII letters: units and value texts are matched by their English.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Decimals shown for a parameter step: as many as the step's shortest decimal form has (0.1 one,
// 0.01 and 0.25 two, 1 and 10 none), at most 6; 2 for a continuous parameter (step 0).
int DecimalsForStep(double step);

// `value` rounded to `decimals` decimals ("-3.2", "7205"); a value that rounds to zero shows no
// minus sign.
std::string FormatDecimals(double value, int decimals);

// The text, white space around it ignored, as a finite decimal number (optional sign, digits with
// an optional point and exponent) followed by nothing or by `unit`, case-insensitive, with white
// space allowed before it. Nothing for anything else: "abc", "4,5", "1/8", "nan", "", "3 ms" when
// the unit is "dB".
std::optional<double> ParseNumber(std::string_view text, std::string_view unit = {});

// The index of the value text that `text` names, case-insensitive, white space around it ignored;
// of a two-language text such as "Soft Bloom / ふんわり" the part before " / " names it too.
std::optional<int> FindValueText(std::span<const std::string> texts, std::string_view text);

} // namespace iplug
