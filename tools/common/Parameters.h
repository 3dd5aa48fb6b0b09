// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pomelu::tools
{

// What the renderer needs to know of one host parameter, copied from the plug-in's parameter objects.
struct ParameterDescription
{
    enum class Kind
    {
        Bool,
        Enum,
        Double
    };

    int index = 0;
    std::string name;
    Kind kind = Kind::Double;
    double minValue = 0.0; // plain units
    double maxValue = 1.0;
    double step = 0.0;
    double defaultValue = 0.0;
    std::string label;              // unit text ("dB", "ms", "%"), may be empty
    std::vector<std::string> texts; // value texts of bool and enum parameters, value 0 first
};

// One --set argument, "Name=Value", split at the first '='; both sides trimmed.
struct ParameterSetting
{
    std::string name;
    std::string value;
};

// Throws ToolError (usage) when there is no '=' or the name is empty.
ParameterSetting splitSetting(std::string_view argument);

// The parameter with this display name, case-insensitive. Throws ToolError (usage) when none has it.
const ParameterDescription& findParameter(const std::vector<ParameterDescription>& parameters,
                                          std::string_view name);

// The plain value a --set text asks for. Numbers are plain units and may carry the parameter's unit
// ("-20", "-20 dB", "280ms"); bool and enum parameters also take their value texts ("on", "Dotted",
// "1/8", and for two-language texts such as "Soft Bloom / ふんわり" the English half alone).
// Throws ToolError (usage) for unparsable text, values outside [min, max] and non-whole enum values:
// nothing is clamped.
double parseParameterValue(const ParameterDescription& parameter, std::string_view text);

// "index  name  range or texts  default  unit" lines for --list-params.
std::string formatParameterList(const std::vector<ParameterDescription>& parameters);

// The value as the parameter shows it: value text for bool/enum, decimals from the step otherwise.
std::string formatParameterValue(const ParameterDescription& parameter, double plain);

} // namespace pomelu::tools
