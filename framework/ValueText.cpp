// SPDX-License-Identifier: GPL-3.0-or-later
#include "ValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace iplug
{

namespace
{
bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

std::string_view TrimText(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

int DecimalsForStep(double step)
{
    if (!(step > 0.0))
        return 2;
    int decimals = 0;
    // The margin keeps 0.1's binary error from asking for more decimals than it has.
    for (double scaled = step; decimals < 6 && std::fabs(scaled - std::round(scaled)) > 1e-9 * scaled;
         scaled *= 10.0)
        ++decimals;
    return decimals;
}

std::string FormatDecimals(double value, int decimals)
{
    char buffer[400]; // room for the largest double in fixed notation
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                                         std::clamp(decimals, 0, 17));
    std::string_view text(buffer, ec == std::errc() ? static_cast<std::size_t>(end - buffer) : 0);
    if (text.size() > 1 && text.front() == '-' && text.find_first_not_of("0.", 1) == std::string_view::npos)
        text.remove_prefix(1); // "-0.0" is "0.0"
    return std::string(text);
}

std::optional<double> ParseNumber(std::string_view text, std::string_view unit)
{
    text = TrimText(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || !std::isfinite(value))
        return std::nullopt;
    const std::string_view rest = TrimText(text.substr(static_cast<std::size_t>(end - text.data())));
    if (!rest.empty() && (unit.empty() || !EqualsIgnoringCase(rest, TrimText(unit))))
        return std::nullopt;
    return value;
}

std::optional<int> FindValueText(std::span<const std::string> texts, std::string_view text)
{
    text = TrimText(text);
    for (std::size_t i = 0; i < texts.size(); ++i)
    {
        const std::string_view full = texts[i];
        const std::size_t separator = full.find(" / ");
        if (EqualsIgnoringCase(full, text) || (separator != std::string_view::npos &&
                                               EqualsIgnoringCase(TrimText(full.substr(0, separator)), text)))
            return static_cast<int>(i);
    }
    return std::nullopt;
}

} // namespace iplug
