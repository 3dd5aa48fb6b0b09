#include "PresetContainer.h"

#include <cstring>

namespace pomelu::ardour
{
namespace
{
constexpr std::size_t kClassIdSize = 32;
constexpr std::size_t kHeaderSize = 4 + 4 + kClassIdSize + 8;
constexpr std::size_t kListEntrySize = 4 + 8 + 8;

std::int64_t readInt64(const std::vector<std::uint8_t>& bytes, std::size_t pos)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | bytes[pos + static_cast<std::size_t>(i)];
    return static_cast<std::int64_t>(value);
}

std::int32_t readInt32(const std::vector<std::uint8_t>& bytes, std::size_t pos)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | bytes[pos + static_cast<std::size_t>(i)];
    return static_cast<std::int32_t>(value);
}

std::string readId(const std::vector<std::uint8_t>& bytes, std::size_t pos)
{
    return std::string(reinterpret_cast<const char*>(bytes.data() + pos), 4);
}
} // namespace

std::optional<PresetContainer> parseContainer(const std::vector<std::uint8_t>& bytes, std::string& error)
{
    if (bytes.size() < kHeaderSize || readId(bytes, 0) != "VST3")
    {
        error = "no \"VST3\" preset header";
        return std::nullopt;
    }
    PresetContainer container;
    container.classId.assign(reinterpret_cast<const char*>(bytes.data() + 8), kClassIdSize);

    const std::int64_t listOffset = readInt64(bytes, 8 + kClassIdSize);
    if (listOffset < static_cast<std::int64_t>(kHeaderSize) ||
        static_cast<std::uint64_t>(listOffset) + 8 > bytes.size())
    {
        error = "chunk list offset " + std::to_string(listOffset) + " outside the " +
                std::to_string(bytes.size()) + " bytes";
        return std::nullopt;
    }
    const auto listPos = static_cast<std::size_t>(listOffset);
    if (readId(bytes, listPos) != "List")
    {
        error = "no \"List\" chunk at the list offset";
        return std::nullopt;
    }
    const std::int32_t count = readInt32(bytes, listPos + 4);
    if (count < 0 || listPos + 8 + static_cast<std::size_t>(count) * kListEntrySize > bytes.size())
    {
        error = "chunk list with " + std::to_string(count) + " entries does not fit";
        return std::nullopt;
    }
    for (std::int32_t i = 0; i < count; ++i)
    {
        const std::size_t pos = listPos + 8 + static_cast<std::size_t>(i) * kListEntrySize;
        ContainerEntry entry{readId(bytes, pos), readInt64(bytes, pos + 4), readInt64(bytes, pos + 12)};
        if (entry.offset < 0 || entry.size < 0 ||
            static_cast<std::uint64_t>(entry.offset + entry.size) > bytes.size())
        {
            error = "chunk \"" + entry.id + "\" reaches past the end";
            return std::nullopt;
        }
        container.entries.push_back(entry);
    }
    return container;
}

std::optional<std::vector<std::uint8_t>> entryBytes(const std::vector<std::uint8_t>& bytes,
                                                    const PresetContainer& container, const std::string& id)
{
    for (const auto& entry : container.entries)
        if (entry.id == id)
            return std::vector<std::uint8_t>(bytes.begin() + entry.offset,
                                             bytes.begin() + entry.offset + entry.size);
    return std::nullopt;
}
} // namespace pomelu::ardour
