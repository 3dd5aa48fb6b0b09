// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IByteChunk.h"
#include "PomeluRarorudIzad.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace pomelu::test
{

// A plug-in instance made the way a tool makes one (no host, no idle timer).
std::unique_ptr<PomeluRarorudIzad> makePlugin();

// Hand-made state chunks of every version, field by field.
struct ChunkBuilder
{
    iplug::IByteChunk chunk;

    ChunkBuilder& u32(std::uint32_t v)
    {
        chunk.Put(&v);
        return *this;
    }
    ChunkBuilder& u8(std::uint8_t v)
    {
        chunk.Put(&v);
        return *this;
    }
    ChunkBuilder& f64(double v)
    {
        chunk.Put(&v);
        return *this;
    }
    ChunkBuilder& values(const std::vector<double>& vs)
    {
        for (double v : vs)
            f64(v);
        return *this;
    }
    ChunkBuilder& order(const std::array<std::uint8_t, 11>& bytes)
    {
        chunk.PutBytes(bytes.data(), 11);
        return *this;
    }
};

// The first `count` parameter defaults, with some values changed by index.
std::vector<double> defaultsWith(int count, std::initializer_list<std::pair<int, double>> changes = {});

inline constexpr std::array<std::uint8_t, 11> kIdentity = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
inline constexpr std::array<std::uint8_t, 11> kReversedOrder = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};

} // namespace pomelu::test
