// SPDX-License-Identifier: GPL-3.0-or-later
#include "Text.h"

#include "ValueText.h"

#include <charconv>
#include <cstdio>

namespace pomelu::tools
{

namespace
{
char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
} // namespace

std::string toLower(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = lowerAscii(c);
    return result;
}

std::string_view trim(std::string_view text)
{
    return iplug::TrimText(text);
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return iplug::EqualsIgnoringCase(a, b);
}

std::string foldName(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (!isSpace(c))
            result.push_back(lowerAscii(c));
    return result;
}

std::optional<double> parseNumber(std::string_view text)
{
    return iplug::ParseNumber(text);
}

std::optional<long long> parseInteger(std::string_view text)
{
    text = trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string formatNumber(double value)
{
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value);
    if (ec != std::errc())
        return "?";
    return std::string(buffer, end);
}

} // namespace pomelu::tools
