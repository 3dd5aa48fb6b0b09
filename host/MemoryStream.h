// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HostObject.h"

#include "pluginterfaces/base/ibstream.h"

#include <cstdint>
#include <vector>

namespace pomelu::host
{

// A growable byte stream, as a host hands to getState/setState. Seeking past the end is allowed (as
// in a file): a read there returns no bytes and a write there fills the gap with zeros. Writing
// allocates; nothing else does. Lives on the caller's side: a plug-in must not keep it beyond the
// call.
class MemoryStream final : public HostObject<Steinberg::IBStream>
{
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : data(std::move(bytes)) {}

    // kInvalidArgument for a null buffer or a negative count; otherwise kResultOk with the count
    // done, which is short only at the end of the data.
    Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                       Steinberg::int32* numBytesRead) override;
    Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                        Steinberg::int32* numBytesWritten) override;
    // kInvalidArgument for a position before the start or an unknown mode, which move nothing.
    Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                       Steinberg::int64* result) override;
    Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;

    std::vector<std::uint8_t> data;
    std::size_t position = 0;
};

} // namespace pomelu::host
