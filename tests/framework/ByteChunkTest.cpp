// SPDX-License-Identifier: GPL-3.0-or-later
#include "IByteChunk.h"

#include <gtest/gtest.h>

#include <cstdint>

using iplug::IByteChunk;

TEST(ByteChunk, GetRefusesAFieldNotWhollyInsideAndLeavesTheTargetAlone)
{
    IByteChunk chunk;
    const std::uint32_t a = 7;
    chunk.Put(&a);
    double d = 3.0;
    EXPECT_EQ(chunk.Get(&d, 0), -1); // 8 bytes wanted, 4 there
    EXPECT_EQ(d, 3.0);
    std::uint32_t v = 9;
    EXPECT_EQ(chunk.Get(&v, -1), -1);
    EXPECT_EQ(chunk.Get(&v, 1), -1);
    EXPECT_EQ(chunk.Get(&v, 4), -1);
    EXPECT_EQ(v, 9u);
    std::uint8_t last = 0;
    EXPECT_EQ(chunk.Get(&last, 3), 4);
    EXPECT_EQ(chunk.GetBytes(&last, 0, 4), 4) << "zero bytes at the end";
    EXPECT_EQ(chunk.GetBytes(&last, 0, 5), -1) << "but not past it";
    EXPECT_EQ(chunk.GetBytes(nullptr, 1, 0), -1);
    chunk.Resize(-3);
    EXPECT_EQ(chunk.Size(), 0) << "a negative size empties the chunk";
}
