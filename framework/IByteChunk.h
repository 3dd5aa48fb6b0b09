// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

namespace iplug
{

static_assert(std::endian::native == std::endian::little,
              "the chunk stores values in native little-endian order");

// Growable little-endian byte buffer for saved state. Appending allocates (UI thread only); reading
// never does. Positions are signed byte offsets; every read checks that the whole field lies inside.
class IByteChunk
{
public:
    IByteChunk() = default;

    // Appends sizeof(T) bytes and returns the new size.
    template <class T> int Put(const T* pVal)
    {
        static_assert(std::is_trivially_copyable_v<T>, "only plain values go into a chunk");
        return PutBytes(pVal, static_cast<int>(sizeof(T)));
    }

    int PutBytes(const void* pData, int size)
    {
        if (pData == nullptr || size <= 0)
            return Size();
        const auto old = mBytes.size();
        mBytes.resize(old + static_cast<std::size_t>(size));
        std::memcpy(mBytes.data() + old, pData, static_cast<std::size_t>(size));
        return Size();
    }

    // Reads sizeof(T) bytes at startPos. Returns the position behind the field, or -1 (and leaves
    // *pDst untouched) when startPos is negative or the field does not lie wholly inside.
    template <class T> int Get(T* pDst, int startPos) const
    {
        static_assert(std::is_trivially_copyable_v<T>, "only plain values come out of a chunk");
        return GetBytes(pDst, static_cast<int>(sizeof(T)), startPos);
    }

    int GetBytes(void* pDst, int size, int startPos) const
    {
        if (pDst == nullptr || size < 0 || startPos < 0)
            return -1;
        const auto end = static_cast<std::int64_t>(startPos) + size;
        if (end > static_cast<std::int64_t>(mBytes.size()))
            return -1;
        if (size > 0)
            std::memcpy(pDst, mBytes.data() + startPos, static_cast<std::size_t>(size));
        return static_cast<int>(end);
    }

    int Size() const { return static_cast<int>(mBytes.size()); }
    void Clear() { mBytes.clear(); }
    void Resize(int newSize) { mBytes.resize(newSize > 0 ? static_cast<std::size_t>(newSize) : 0u); }
    std::uint8_t* GetData() { return mBytes.data(); }
    const std::uint8_t* GetData() const { return mBytes.data(); }

private:
    std::vector<std::uint8_t> mBytes;
};

} // namespace iplug
