// SPDX-License-Identifier: GPL-3.0-or-later
#include "MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace pomelu::host
{

using namespace Steinberg;

tresult PLUGIN_API MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead)
{
    if (numBytesRead != nullptr)
        *numBytesRead = 0;
    if (buffer == nullptr || numBytes < 0)
        return kInvalidArgument;
    const std::size_t left = data.size() - std::min(position, data.size());
    const std::size_t n = std::min(left, static_cast<std::size_t>(numBytes));
    if (n > 0)
        std::memcpy(buffer, data.data() + position, n);
    position += n;
    if (numBytesRead != nullptr)
        *numBytesRead = static_cast<int32>(n);
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten)
{
    if (numBytesWritten != nullptr)
        *numBytesWritten = 0;
    if (buffer == nullptr || numBytes < 0)
        return kInvalidArgument;
    const std::size_t end = position + static_cast<std::size_t>(numBytes);
    try
    {
        if (end > data.size())
            data.resize(end);
    }
    catch (const std::exception&) // a write far past the end, after a seek there
    {
        return kOutOfMemory;
    }
    if (numBytes > 0)
        std::memcpy(data.data() + position, buffer, static_cast<std::size_t>(numBytes));
    position = end;
    if (numBytesWritten != nullptr)
        *numBytesWritten = numBytes;
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::seek(int64 pos, int32 mode, int64* result)
{
    int64 base = 0;
    if (mode == kIBSeekCur)
        base = static_cast<int64>(position);
    else if (mode == kIBSeekEnd)
        base = static_cast<int64>(data.size());
    else if (mode != kIBSeekSet)
        return kInvalidArgument;
    int64 target = 0;
    if (__builtin_add_overflow(base, pos, &target) || target < 0)
        return kInvalidArgument;
    position = static_cast<std::size_t>(target);
    if (result != nullptr)
        *result = target;
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::tell(int64* pos)
{
    if (pos == nullptr)
        return kInvalidArgument;
    *pos = static_cast<int64>(position);
    return kResultOk;
}

} // namespace pomelu::host
