// Finds a plug-in's saved state in an Ardour session file (.ardour, XML): Ardour keeps it as base64
// text in the <chunk> element of the plug-in's <Processor>.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace pomelu::ardour
{
struct ChunkText
{
    std::size_t begin = 0; // first character of the base64 text
    std::size_t end = 0;   // one past its last character
};

// The <chunk> text of the first <Processor> named `processorName`, or nullopt with a reason in `error`.
std::optional<ChunkText> findChunkText(const std::string& session, const std::string& processorName,
                                       std::string& error);

std::optional<std::string> readTextFile(const std::string& path, std::string& error);
bool writeTextFile(const std::string& path, const std::string& text, std::string& error);
} // namespace pomelu::ardour
