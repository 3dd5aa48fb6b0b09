// Base64 as Ardour writes binary plug-in state into its session files (RFC 4648 alphabet, '=' padding).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pomelu::ardour
{
std::string encodeBase64(const std::vector<std::uint8_t>& bytes);

// Whitespace (line breaks in XML text) is skipped; any other character outside the alphabet,
// or a length that is not a whole number of quads, gives nullopt.
std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text);
} // namespace pomelu::ardour
