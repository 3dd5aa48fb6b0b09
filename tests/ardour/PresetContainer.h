// The container Ardour wraps a VST 3 plug-in's state in before it base64-encodes it into the session
// file: the SDK's preset-file layout ("VST3" header with the class ID, then the component state
// chunk "Comp", the controller state chunk "Cont" and a chunk list "List" at the end).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pomelu::ardour
{
struct ContainerEntry
{
    std::string id;          // four characters: "Comp", "Cont", ...
    std::int64_t offset = 0; // bytes from the start of the container
    std::int64_t size = 0;
};

struct PresetContainer
{
    std::string classId; // 32 ASCII hex characters
    std::vector<ContainerEntry> entries;
};

// nullopt with a reason in `error` when the bytes are not such a container or an entry
// reaches past its end.
std::optional<PresetContainer> parseContainer(const std::vector<std::uint8_t>& bytes, std::string& error);

// The bytes of the entry with the given id, or nullopt when there is none.
std::optional<std::vector<std::uint8_t>> entryBytes(const std::vector<std::uint8_t>& bytes,
                                                    const PresetContainer& container, const std::string& id);
} // namespace pomelu::ardour
