// SPDX-License-Identifier: GPL-3.0-or-later
#include "Parameters.h"

#include "Errors.h"
#include "Text.h"

#include "ValueText.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace pomelu::tools
{

namespace
{
std::string rangeText(const ParameterDescription& p)
{
    if (p.kind == ParameterDescription::Kind::Double)
        return formatNumber(p.minValue) + " .. " + formatNumber(p.maxValue);
    std::string texts;
    for (std::size_t i = 0; i < p.texts.size(); ++i)
        texts += (i ? " | " : "") + std::to_string(i) + "=" + p.texts[i];
    return texts;
}

} // namespace

ParameterSetting splitSetting(std::string_view argument)
{
    const std::size_t equals = argument.find('=');
    if (equals == std::string_view::npos)
        throwUsageError("--set '" + std::string(argument) + "': expected \"Name=Value\"");
    ParameterSetting setting{std::string(trim(argument.substr(0, equals))),
                             std::string(trim(argument.substr(equals + 1)))};
    if (setting.name.empty())
        throwUsageError("--set '" + std::string(argument) + "': the parameter name is empty");
    return setting;
}

const ParameterDescription& findParameter(const std::vector<ParameterDescription>& parameters,
                                          std::string_view name)
{
    const std::string_view wanted = trim(name);
    for (const ParameterDescription& p : parameters)
        if (equalsIgnoreCase(p.name, wanted))
            return p;
    throwUsageError("unknown parameter '" + std::string(wanted) + "' (see --list-params)");
}

double parseParameterValue(const ParameterDescription& p, std::string_view rawText)
{
    const std::string_view text = trim(rawText);
    const std::string where = "--set \"" + p.name + "=" + std::string(text) + "\": ";
    if (text.empty())
        throwUsageError(where + "the value is empty");

    if (p.kind != ParameterDescription::Kind::Double)
        if (const auto index = iplug::FindValueText(p.texts, text))
            return static_cast<double>(*index);

    const auto number = iplug::ParseNumber(text, p.label);
    if (!number)
    {
        if (p.kind == ParameterDescription::Kind::Double)
            throwUsageError(where + "not a number");
        throwUsageError(where + "expected one of " + rangeText(p));
    }

    const double value = *number;
    if (value < p.minValue || value > p.maxValue)
        throwUsageError(where + "out of range " + formatNumber(p.minValue) + " .. " +
                        formatNumber(p.maxValue) + (p.label.empty() ? "" : " " + p.label));
    if (p.kind != ParameterDescription::Kind::Double && value != std::floor(value))
        throwUsageError(where + "expected a whole number or one of " + rangeText(p));
    return value;
}

std::string formatParameterValue(const ParameterDescription& p, double plain)
{
    if (p.kind != ParameterDescription::Kind::Double)
    {
        const auto i = static_cast<long long>(std::llround(plain));
        if (i >= 0 && static_cast<std::size_t>(i) < p.texts.size())
            return p.texts[static_cast<std::size_t>(i)];
        return formatNumber(plain);
    }
    return iplug::FormatDecimals(plain, iplug::DecimalsForStep(p.step));
}

std::string formatParameterList(const std::vector<ParameterDescription>& parameters)
{
    std::ostringstream out;
    out << "index  name                    range / values                default  unit\n";
    for (const ParameterDescription& p : parameters)
    {
        char head[80];
        std::snprintf(head, sizeof(head), "%5d  %-22s  ", p.index, p.name.c_str());
        std::string range = rangeText(p);
        if (range.size() < 28)
            range.resize(28, ' ');
        out << head << range << "  " << formatParameterValue(p, p.defaultValue);
        if (!p.label.empty())
            out << "  " << p.label;
        out << '\n';
    }
    return out.str();
}

} // namespace pomelu::tools
