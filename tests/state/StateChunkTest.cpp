// SPDX-License-Identifier: GPL-3.0-or-later
#include "StateChunk.h"
#include "ChunkBuilder.h"
#include "PluginInstance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

using namespace pomelu;
using namespace pomelu::test;

namespace
{
template <class T> T at(const iplug::IByteChunk& chunk, int pos)
{
    T v{};
    std::memcpy(&v, chunk.GetData() + pos, sizeof v);
    return v;
}

dsp::ModuleOrder orderOf(const std::array<std::uint8_t, 11>& bytes)
{
    dsp::ModuleOrder order{};
    for (int k = 0; k < 11; ++k)
        order[static_cast<std::size_t>(k)] = static_cast<dsp::ModuleId>(bytes[static_cast<std::size_t>(k)]);
    return order;
}
} // namespace

TEST(StateChunk, NewInstanceWritesExactly2186BytesInTheVersion4Layout)
{
    const auto plug = makePlugin();
    iplug::IByteChunk chunk;
    ASSERT_TRUE(plug->SerializeState(chunk));
    ASSERT_EQ(chunk.Size(), 2186);
    EXPECT_EQ(std::memcmp(chunk.GetData(), "4REP", 4), 0);
    EXPECT_EQ(at<std::uint32_t>(chunk, 4), 89u);
    EXPECT_EQ(at<std::uint32_t>(chunk, 8), 0u) << "slot A active";
    EXPECT_EQ(chunk.GetData()[12], 0) << "slots not captured";
    for (int i = 0; i < 2 * 89; ++i)
        ASSERT_EQ(at<double>(chunk, 13 + 8 * i), 0.0) << "slot value " << i;
    EXPECT_EQ(at<std::uint32_t>(chunk, 1437), 11u);
    for (int k = 0; k < 33; ++k)
        ASSERT_EQ(chunk.GetData()[1441 + k], k % 11) << "order byte " << k;
    for (int i = 0; i < 89; ++i)
        ASSERT_EQ(at<double>(chunk, 1474 + 8 * i), plug->GetParam(i)->GetDefault()) << "value " << i;
}

TEST(StateChunk, RoundTripRestoresValuesOrderSlotsAndWritesTheSameBytes)
{
    // Slot A: a threshold and the delay, the default order; slot B: a drive and the reversed order,
    // live on B with one more change.
    const auto source = makePlugin();
    source->GetParam(kCompThreshold)->Set(-27.5);
    source->switchCompareSlot(); // now on B, slots captured
    source->GetParam(kDrive)->Set(77.0);
    source->setModuleOrder(orderOf(kReversedOrder), true);
    source->switchCompareSlot();
    source->GetParam(kDelay)->Set(1.0);
    source->switchCompareSlot();
    source->GetParam(kCompMakeup)->Set(5.0);
    iplug::IByteChunk written;
    source->SerializeState(written);

    const auto target = makePlugin();
    EXPECT_EQ(target->UnserializeState(written, 0), 2186);
    EXPECT_EQ(liveValues(*target), liveValues(*source));
    EXPECT_EQ(target->getModuleOrder(), orderOf(kReversedOrder));
    const CompareSlots& slots = target->compareSlots();
    EXPECT_EQ(slots.activeSlot(), 1);
    EXPECT_TRUE(slots.slotsCaptured());
    EXPECT_EQ(slots.compareValues()[0], source->compareSlots().compareValues()[0]);
    EXPECT_EQ(slots.compareValues()[1], liveValues(*source)) << "the live side is written for B";
    EXPECT_EQ(slots.slotOrders()[0], dsp::defaultModuleOrder());
    EXPECT_EQ(slots.slotOrders()[1], orderOf(kReversedOrder));
    iplug::IByteChunk rewritten;
    target->SerializeState(rewritten);
    ASSERT_EQ(rewritten.Size(), written.Size());
    EXPECT_EQ(std::memcmp(rewritten.GetData(), written.GetData(), 2186), 0);
}

TEST(StateChunk, WritingOnSideBStoresTheLiveValuesInSlotB)
{
    const auto plug = makePlugin();
    plug->GetParam(kInput)->Set(3.0);
    plug->switchCompareSlot();
    plug->GetParam(kInput)->Set(-4.0);
    iplug::IByteChunk chunk;
    plug->SerializeState(chunk);
    EXPECT_EQ(at<std::uint32_t>(chunk, 8), 1u);
    EXPECT_EQ(at<double>(chunk, 13 + 8 * kInput), 3.0) << "slot A: what was live when A was left";
    EXPECT_EQ(at<double>(chunk, 13 + 8 * (89 + kInput)), -4.0) << "slot B: the live value";
    EXPECT_EQ(plug->compareSlots().compareValues()[1][kInput], 3.0)
        << "writing does not change the slots held";
}

TEST(StateChunk, Version1ChunkLoads41ValuesAndKeepsTheOrders)
{
    const auto plug = makePlugin();
    plug->setModuleOrder(orderOf(kReversedOrder), false);
    plug->GetParam(kTheme)->Set(2.0);
    ChunkBuilder b;
    b.u32(kStateMagicV1).u32(0).u8(1);
    b.values(defaultsWith(41, {{kInput, 5.0}})).values(defaultsWith(41, {{kInput, 6.0}}));
    b.values(defaultsWith(41, {{kOutput, -3.0}}));
    EXPECT_EQ(plug->UnserializeState(b.chunk, 0), b.chunk.Size()) << "complete by its own header";
    EXPECT_EQ(plug->GetParam(kOutput)->Value(), -3.0);
    EXPECT_EQ(plug->GetParam(kTheme)->Value(), 2.0) << "parameters the old version lacked keep their values";
    EXPECT_EQ(plug->compareSlots().compareValues()[0][kInput], 5.0);
    EXPECT_EQ(plug->compareSlots().compareValues()[1][kInput], 6.0);
    EXPECT_EQ(plug->compareSlots().compareValues()[1][kTheme], 2.0)
        << "slots take the current value past the old count";
    EXPECT_EQ(plug->getModuleOrder(), orderOf(kReversedOrder));
    EXPECT_TRUE(plug->compareSlots().slotsCaptured());
}

TEST(StateChunk, Version2ReadsTheCountAndLeavesAllThreeOrdersVersion3SetsThem)
{
    const auto plug = makePlugin();
    plug->setModuleOrder(orderOf(kReversedOrder), false);
    ChunkBuilder v2;
    v2.u32(kStateMagicV2).u32(60).u32(1).u8(0);
    v2.values(defaultsWith(60)).values(defaultsWith(60)).values(defaultsWith(60, {{kCompKnee, 3.0}}));
    EXPECT_EQ(plug->UnserializeState(v2.chunk, 0), v2.chunk.Size());
    EXPECT_EQ(plug->GetParam(kCompKnee)->Value(), 3.0);
    EXPECT_EQ(plug->compareSlots().activeSlot(), 1);
    EXPECT_EQ(plug->getModuleOrder(), orderOf(kReversedOrder));
    EXPECT_EQ(plug->compareSlots().slotOrders()[0], dsp::defaultModuleOrder());

    plug->setModuleOrder(dsp::defaultModuleOrder(), false);
    ChunkBuilder v3;
    v3.u32(kStateMagicV3).u32(89).u32(0).u8(0).values(defaultsWith(89)).values(defaultsWith(89));
    v3.u32(11).order(kReversedOrder).values(defaultsWith(89));
    EXPECT_EQ(plug->UnserializeState(v3.chunk, 0), v3.chunk.Size());
    EXPECT_EQ(plug->getModuleOrder(), orderOf(kReversedOrder));
    EXPECT_EQ(plug->compareSlots().slotOrders()[0], orderOf(kReversedOrder));
    EXPECT_EQ(plug->compareSlots().slotOrders()[1], orderOf(kReversedOrder));
}

namespace
{
// Everything a state read may touch.
struct Snapshot
{
    std::array<double, kNumParams> values;
    CompareSlots slots;
    dsp::ModuleOrder order, undo;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(const PomeluRarorudIzad& plug)
{
    return {liveValues(plug), plug.compareSlots(), plug.getModuleOrder(), plug.undoOrder()};
}

// A complete version 4 chunk whose order block is given byte by byte.
iplug::IByteChunk withOrders(std::uint32_t count, const std::array<std::uint8_t, 11>& current,
                             const std::array<std::uint8_t, 11>& slotA,
                             const std::array<std::uint8_t, 11>& slotB)
{
    ChunkBuilder b;
    b.u32(kStateMagicV4).u32(89).u32(1).u8(1).values(defaultsWith(89, {{kDrive, 42.0}}));
    b.values(defaultsWith(89)).u32(count).order(current).order(slotA).order(slotB);
    b.values(defaultsWith(89, {{kDrive, 42.0}}));
    return std::move(b.chunk);
}
} // namespace

TEST(StateChunk, RefusedChunksChangeNothing)
{
    const auto source = makePlugin();
    source->GetParam(kDrive)->Set(90.0);
    source->switchCompareSlot();
    iplug::IByteChunk full;
    source->SerializeState(full);

    std::vector<std::pair<std::string, iplug::IByteChunk>> cases;
    for (int cut : {0, 3, 12, 13, 700, 1440, 1460, 1474, 2185})
    {
        iplug::IByteChunk part;
        part.PutBytes(full.GetData(), cut);
        cases.emplace_back("cut at " + std::to_string(cut), std::move(part));
    }
    iplug::IByteChunk foreign = full;
    foreign.GetData()[0] = '5';
    cases.emplace_back("5REP", std::move(foreign));
    for (std::uint32_t count : {0u, 90u, 0xFFFFFFFFu})
    {
        ChunkBuilder b;
        b.u32(kStateMagicV4).u32(count).u32(1).u8(1).values(defaultsWith(89)).values(defaultsWith(89));
        b.u32(11).order(kIdentity).order(kIdentity).order(kIdentity).values(defaultsWith(89));
        cases.emplace_back("parameter count " + std::to_string(count), std::move(b.chunk));
    }
    const std::array<std::uint8_t, 11> repeated = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9};
    const std::array<std::uint8_t, 11> allPopCut = {};
    const std::array<std::uint8_t, 11> outOfRange = {200, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    cases.emplace_back("module count 12", withOrders(12, kIdentity, kIdentity, kIdentity));
    cases.emplace_back("module count 10", withOrders(10, kIdentity, kIdentity, kIdentity));
    cases.emplace_back("repeated current order", withOrders(11, repeated, kIdentity, kIdentity));
    cases.emplace_back("slot A all Pop Cut", withOrders(11, kIdentity, allPopCut, kIdentity));
    cases.emplace_back("slot B byte 200", withOrders(11, kIdentity, kIdentity, outOfRange));

    for (const auto& [name, chunk] : cases)
    {
        const auto plug = makePlugin();
        plug->GetParam(kCompThreshold)->Set(-30.0);
        plug->switchCompareSlot();
        plug->GetParam(kInput)->Set(4.0);
        plug->setModuleOrder(orderOf(kReversedOrder), true);
        const Snapshot before = snapshot(*plug);
        EXPECT_EQ(plug->UnserializeState(chunk, 0), -1) << name;
        EXPECT_TRUE(snapshot(*plug) == before) << name;
    }
    const auto plug = makePlugin();
    EXPECT_EQ(plug->UnserializeState(full, -5), -1) << "negative start";
}

TEST(StateChunk, NonFiniteValuesTakeTheParameterDefault)
{
    const auto plug = makePlugin();
    plug->GetParam(kCompRatio)->Set(9.0);
    plug->GetParam(kDelayTime)->Set(1500.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    ChunkBuilder b;
    b.u32(kStateMagicV4).u32(89).u32(0).u8(1);
    b.values(defaultsWith(89, {{kCompRatio, nan}})).values(defaultsWith(89, {{kDelayTime, -inf}}));
    b.u32(11).order(kIdentity).order(kIdentity).order(kIdentity);
    b.values(defaultsWith(89, {{kCompRatio, inf}, {kDelayTime, nan}}));
    EXPECT_EQ(plug->UnserializeState(b.chunk, 0), 2186);
    EXPECT_EQ(plug->GetParam(kCompRatio)->Value(), 3.0);
    EXPECT_EQ(plug->GetParam(kDelayTime)->Value(), 280.0);
    EXPECT_EQ(plug->compareSlots().compareValues()[0][kCompRatio], 3.0);
    EXPECT_EQ(plug->compareSlots().compareValues()[1][kDelayTime], 280.0);
}

// Through the real VST 3 interfaces, with the bundle loaded as a host loads it: the wrapper reads
// its host-bypass word where the reader of an older chunk stopped.
TEST(StateChunk, AnOlderChunkLoadsThroughTheWrapperWithTheBypassWordBehindIt)
{
    host::PluginInstance host;
    ASSERT_TRUE(host.open(POMELU_VST3_BUNDLE_DIR)) << host.lastError();
    const auto withBypassWord = [](const iplug::IByteChunk& chunk, std::uint32_t bypass)
    {
        std::vector<std::uint8_t> bytes(chunk.GetData(), chunk.GetData() + chunk.Size());
        bytes.resize(bytes.size() + 4);
        std::memcpy(bytes.data() + chunk.Size(), &bypass, 4);
        return bytes;
    };
    const Steinberg::Vst::ParamID hostBypass = kNumParams;
    ChunkBuilder v1;
    v1.u32(kStateMagicV1).u32(1).u8(1);
    v1.values(defaultsWith(41)).values(defaultsWith(41)).values(defaultsWith(41, {{kDrive, 64.0}}));
    EXPECT_TRUE(host.setState(withBypassWord(v1.chunk, 1)));
    EXPECT_NEAR(host.controller()->getParamNormalized(kDrive), 0.64, 1e-12);
    EXPECT_EQ(host.controller()->getParamNormalized(hostBypass), 1.0);

    ChunkBuilder v3;
    v3.u32(kStateMagicV3).u32(89).u32(0).u8(0).values(defaultsWith(89)).values(defaultsWith(89));
    v3.u32(11).order(kReversedOrder).values(defaultsWith(89));
    EXPECT_TRUE(host.setState(withBypassWord(v3.chunk, 0)));
    EXPECT_EQ(host.controller()->getParamNormalized(hostBypass), 0.0);
}
