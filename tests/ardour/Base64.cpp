#include "Base64.h"

#include <array>

namespace pomelu::ardour
{
namespace
{
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int sextetOf(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}
} // namespace

std::string encodeBase64(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3)
    {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t triple = static_cast<std::uint32_t>(bytes[i]) << 16;
        if (n > 1)
            triple |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
        if (n > 2)
            triple |= bytes[i + 2];
        text += kAlphabet[(triple >> 18) & 63];
        text += kAlphabet[(triple >> 12) & 63];
        text += n > 1 ? kAlphabet[(triple >> 6) & 63] : '=';
        text += n > 2 ? kAlphabet[triple & 63] : '=';
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text)
{
    std::vector<std::uint8_t> bytes;
    std::array<int, 4> quad{};
    int filled = 0;
    int padding = 0;
    for (const char c : text)
    {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t')
            continue;
        if (c == '=')
        {
            if (filled < 2)
                return std::nullopt;
            quad[filled++] = 0;
            ++padding;
        }
        else
        {
            const int sextet = sextetOf(c);
            if (sextet < 0 || padding > 0)
                return std::nullopt;
            quad[filled++] = sextet;
        }
        if (filled == 4)
        {
            const std::uint32_t triple =
                (static_cast<std::uint32_t>(quad[0]) << 18) | (static_cast<std::uint32_t>(quad[1]) << 12) |
                (static_cast<std::uint32_t>(quad[2]) << 6) | static_cast<std::uint32_t>(quad[3]);
            bytes.push_back(static_cast<std::uint8_t>(triple >> 16));
            if (padding < 2)
                bytes.push_back(static_cast<std::uint8_t>(triple >> 8));
            if (padding < 1)
                bytes.push_back(static_cast<std::uint8_t>(triple));
            filled = 0;
        }
    }
    if (filled != 0)
        return std::nullopt;
    return bytes;
}
} // namespace pomelu::ardour
