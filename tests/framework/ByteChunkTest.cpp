// SPDX-License-Identifier: GPL-3.0-or-later
#include "IByteChunk.h"

#include <gtest/gtest.h>

#include <cstdint>

using iplug::IByteChunk;

TEST(ByteChunk, PutAppendsLittleEndianBytesAndReturnsTheNewSize)
{
    IByteChunk chunk;
    const std::uint32_t magic = 0x50455234;
    EXPECT_EQ(chunk.Put(&magic), 4);
    const std::uint8_t flag = 1;
    EXPECT_EQ(chunk.Put(&flag), 5);
    const double half = 0.5;
    EXPECT_EQ(chunk.Put(&half), 13);
    const std::uint8_t* bytes = chunk.GetData();
    EXPECT_EQ(bytes[0], 0x34); // "4REP"
    EXPECT_EQ(bytes[1], 0x52);
    EXPECT_EQ(bytes[2], 0x45);
    EXPECT_EQ(bytes[3], 0x50);
    EXPECT_EQ(bytes[4], 1);
    EXPECT_EQ(bytes[12], 0x3F); // 0.5 = 0x3FE0000000000000, top byte last
}

TEST(ByteChunk, GetReadsAtAPositionAndReturnsTheNextOne)
{
    IByteChunk chunk;
    const std::uint32_t a = 7;
    const double b = -18.25;
    chunk.Put(&a);
    chunk.Put(&b);
    std::uint32_t ra = 0;
    double rb = 0.0;
    EXPECT_EQ(chunk.Get(&ra, 0), 4);
    EXPECT_EQ(chunk.Get(&rb, 4), 12);
    EXPECT_EQ(ra, 7u);
    EXPECT_EQ(rb, -18.25);
    chunk.Resize(-3);
    EXPECT_EQ(chunk.Size(), 0) << "a negative size empties the chunk";
}

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
}
