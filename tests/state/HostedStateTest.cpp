// SPDX-License-Identifier: GPL-3.0-or-later
// The saved state through the real VST 3 interfaces: a bundle loaded with dlopen, as a host does.
#include "ChunkBuilder.h"
#include "MemoryStream.h"
#include "PluginInstance.h"
#include "StateChunk.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace pomelu;
using namespace pomelu::test;

namespace
{
class HostedState : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(host.open(POMELU_VST3_BUNDLE_DIR)) << host.lastError(); }

    std::vector<std::uint8_t> withBypassWord(const iplug::IByteChunk& chunk, std::uint32_t bypass)
    {
        std::vector<std::uint8_t> bytes(chunk.GetData(), chunk.GetData() + chunk.Size());
        bytes.resize(bytes.size() + 4);
        std::memcpy(bytes.data() + chunk.Size(), &bypass, 4);
        return bytes;
    }

    host::PluginInstance host;
};

constexpr Steinberg::Vst::ParamID kHostBypassId = kNumParams;
} // namespace

TEST_F(HostedState, AStateSavedOnSideBReopensOnSideBInAHostedInstance)
{
    const auto plug = makePlugin();
    plug->GetParam(kReverbWet)->Set(10.0);
    plug->switchCompareSlot();
    plug->GetParam(kReverbWet)->Set(40.0);
    host::MemoryStream saved;
    ASSERT_EQ(static_cast<Steinberg::Vst::IComponent*>(plug.get())->getState(&saved), Steinberg::kResultOk);
    ASSERT_EQ(saved.data.size(), 2186u + 4u);

    ASSERT_TRUE(host.setState(saved.data));
    std::vector<std::uint8_t> reopened;
    ASSERT_TRUE(host.getState(reopened));
    EXPECT_EQ(reopened, saved.data) << "slots, active side B, orders and values all come back";
    EXPECT_NEAR(host.controller()->getParamNormalized(kReverbWet), 0.4, 1e-12);
}

TEST_F(HostedState, SetStateReportsRefusedAndCutShortChunksAsErrors)
{
    const auto plug = makePlugin();
    iplug::IByteChunk good;
    plug->SerializeState(good);
    auto foreign = withBypassWord(good, 0);
    std::memcpy(foreign.data(), "5REP", 4);
    EXPECT_FALSE(host.setState(foreign));

    ChunkBuilder zeroCount;
    zeroCount.u32(kStateMagicV4).u32(0).u32(0).u8(0);
    EXPECT_FALSE(host.setState(withBypassWord(zeroCount.chunk, 0)));

    iplug::IByteChunk cut;
    cut.PutBytes(good.GetData(), 2000);
    EXPECT_FALSE(host.setState(withBypassWord(cut, 0))) << "the values its header declares are missing";
    EXPECT_FALSE(host.setState({}));
}

TEST_F(HostedState, ACompleteOlderChunkLoadsAndItsBypassWordIsRead)
{
    ChunkBuilder v1;
    v1.u32(kStateMagicV1).u32(1).u8(1);
    v1.values(defaultsWith(41)).values(defaultsWith(41)).values(defaultsWith(41, {{kDrive, 64.0}}));
    EXPECT_TRUE(host.setState(withBypassWord(v1.chunk, 1)));
    EXPECT_NEAR(host.controller()->getParamNormalized(kDrive), 0.64, 1e-12);
    EXPECT_EQ(host.controller()->getParamNormalized(kHostBypassId), 1.0)
        << "the bypass word behind the chunk";

    ChunkBuilder v3;
    v3.u32(kStateMagicV3).u32(89).u32(0).u8(0).values(defaultsWith(89)).values(defaultsWith(89));
    v3.u32(11).order(kReversedOrder).values(defaultsWith(89));
    EXPECT_TRUE(host.setState(withBypassWord(v3.chunk, 0)));
    EXPECT_EQ(host.controller()->getParamNormalized(kHostBypassId), 0.0);
}
