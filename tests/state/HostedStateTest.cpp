// SPDX-License-Identifier: GPL-3.0-or-later
// The saved state through the real VST 3 interfaces: a bundle loaded with dlopen, as a host does.
#include "ChunkBuilder.h"
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
