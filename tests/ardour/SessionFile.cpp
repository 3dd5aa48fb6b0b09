#include "SessionFile.h"

#include <fstream>
#include <sstream>

namespace pomelu::ardour
{
std::optional<ChunkText> findChunkText(const std::string& session, const std::string& processorName,
                                       std::string& error)
{
    const std::string nameAttribute = "name=\"" + processorName + "\"";
    std::size_t pos = 0;
    while ((pos = session.find("<Processor ", pos)) != std::string::npos)
    {
        const std::size_t tagEnd = session.find('>', pos);
        if (tagEnd == std::string::npos)
            break;
        const std::string tag = session.substr(pos, tagEnd - pos);
        const std::size_t nextProcessor = session.find("<Processor ", tagEnd);
        if (tag.find(nameAttribute) != std::string::npos)
        {
            const std::size_t open = session.find("<chunk>", tagEnd);
            if (open == std::string::npos || open > nextProcessor)
            {
                error = "processor \"" + processorName + "\" has no <chunk> element";
                return std::nullopt;
            }
            const std::size_t close = session.find("</chunk>", open);
            if (close == std::string::npos)
            {
                error = "unterminated <chunk> element";
                return std::nullopt;
            }
            return ChunkText{open + 7, close};
        }
        pos = tagEnd;
    }
    error = "no processor named \"" + processorName + "\" in the session";
    return std::nullopt;
}

std::optional<std::string> readTextFile(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        error = "cannot open " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool writeTextFile(const std::string& path, const std::string& text, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
    {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
} // namespace pomelu::ardour
