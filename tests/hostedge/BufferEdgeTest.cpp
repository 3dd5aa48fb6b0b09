// SPDX-License-Identifier: GPL-3.0-or-later
// Buses as careless hosts hand them over: missing pointer arrays, missing channels, no input bus,
// no frames, more or fewer channels than the arrangement. Every call must return, write only inside
// the block, stay finite, and neither allocate nor lock.
#include "HostEdgeRig.h"

#include <cmath>
#include <limits>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace pomelu::test;

namespace
{

constexpr int kFrames = 256;

// 64- and 32-bit runs of the same bus shape.
template <class T> struct SampleSizeOf;
template <> struct SampleSizeOf<double>
{
    static constexpr int32 value = kSample64;
};
template <> struct SampleSizeOf<float>
{
    static constexpr int32 value = kSample32;
};

template <class T> class BufferEdge : public HostEdge
{
protected:
    void SetUp() override
    {
        HostEdge::SetUp();
        ASSERT_TRUE(host.setup(48000.0, kFrames, SampleSizeOf<T>::value));
        switchEverythingOn();
        // Fill the delay and reverb so that silence in still gives sound out.
        GuardedBuffers<T> in(2, kFrames), out(2, kFrames);
        in.fillSine(static_cast<T>(0.5));
        BlockData block = makeBlock();
        block.setInput(reinterpret_cast<void**>(in.pointers()), 2);
        block.setOutput(reinterpret_cast<void**>(out.pointers()), 2);
        for (int b = 0; b < 20; ++b)
            ASSERT_EQ(block.run(host.processor()), kResultOk);
    }

    BlockData makeBlock(int32 frames = kFrames) { return BlockData(SampleSizeOf<T>::value, frames); }

    // Runs the block under the real-time probe and checks the call's own promises.
    void runChecked(BlockData& block)
    {
        RealTimeProbe probe;
        EXPECT_EQ(block.run(host.processor()), kResultOk);
        EXPECT_EQ(probe.allocations(), 0u);
        EXPECT_EQ(probe.locks(), 0u);
    }
};

using SampleTypes = ::testing::Types<double, float>;
TYPED_TEST_SUITE(BufferEdge, SampleTypes);

} // namespace

TYPED_TEST(BufferEdge, NullPointerArraysAreSilenceInAndNothingOut)
{
    using T = TypeParam;
    GuardedBuffers<T> in(2, kFrames), out(2, kFrames, std::numeric_limits<T>::quiet_NaN());
    in.fillSine(static_cast<T>(0.5));

    BlockData noInputArray = this->makeBlock();
    noInputArray.setInput(nullptr, 2);
    noInputArray.setOutput(reinterpret_cast<void**>(out.pointers()), 2);
    this->runChecked(noInputArray);
    EXPECT_TRUE(out.allFinite()) << "a missing input array reads as silence and the tail still plays";
    EXPECT_GT(out.peak(0), 1e-4);
    EXPECT_TRUE(out.guardsIntact());

    BlockData noOutputArray = this->makeBlock();
    noOutputArray.setInput(reinterpret_cast<void**>(in.pointers()), 2);
    noOutputArray.setOutput(nullptr, 2);
    this->runChecked(noOutputArray);

    BlockData neither = this->makeBlock();
    neither.setInput(nullptr, 2);
    neither.setOutput(nullptr, 2);
    this->runChecked(neither);
    EXPECT_TRUE(in.guardsIntact());
}

TYPED_TEST(BufferEdge, NullChannelPointersAreSkipped)
{
    using T = TypeParam;
    GuardedBuffers<T> in(2, kFrames), out(2, kFrames, std::numeric_limits<T>::quiet_NaN());
    in.fillSine(static_cast<T>(0.5));
    T* ins[2] = {in.channel(0), nullptr};
    T* outs[2] = {nullptr, out.channel(1)};
    BlockData block = this->makeBlock();
    block.setInput(reinterpret_cast<void**>(ins), 2);
    block.setOutput(reinterpret_cast<void**>(outs), 2);
    this->runChecked(block);
    for (int i = 0; i < kFrames; ++i)
        ASSERT_TRUE(std::isfinite(out.channel(1)[i])) << i;
    EXPECT_GT(out.peak(1), 1e-4) << "the right channel hears the tail of what came before";
    EXPECT_TRUE(out.guardsIntact());
}

TYPED_TEST(BufferEdge, NoInputBusStillRendersTheTail)
{
    using T = TypeParam;
    GuardedBuffers<T> out(2, kFrames, std::numeric_limits<T>::quiet_NaN());
    BlockData block = this->makeBlock();
    block.setOutput(reinterpret_cast<void**>(out.pointers()), 2);
    ASSERT_EQ(block.data().numInputs, 0);
    this->runChecked(block);
    EXPECT_TRUE(out.allFinite());
    EXPECT_GT(out.peak(0), 1e-4) << "the delay and reverb tails keep sounding";
    EXPECT_TRUE(out.guardsIntact());

    // An input bus with zero channels is the same.
    GuardedBuffers<T> in(2, kFrames);
    BlockData empty = this->makeBlock();
    empty.setInput(reinterpret_cast<void**>(in.pointers()), 0);
    empty.setOutput(reinterpret_cast<void**>(out.pointers()), 2);
    this->runChecked(empty);
    EXPECT_TRUE(out.allFinite());

    // No output bus either: nothing to write, nothing to break.
    BlockData none = this->makeBlock();
    this->runChecked(none);
}

TYPED_TEST(BufferEdge, ZeroAndNegativeFrameCountsTouchNoSample)
{
    using T = TypeParam;
    GuardedBuffers<T> in(2, kFrames), out(2, kFrames, static_cast<T>(0.25));
    in.fillSine(static_cast<T>(0.5));
    for (int32 frames : {0, -1, -100000})
    {
        BlockData block = this->makeBlock(frames);
        block.setInput(reinterpret_cast<void**>(in.pointers()), 2);
        block.setOutput(reinterpret_cast<void**>(out.pointers()), 2);
        this->runChecked(block);
        EXPECT_TRUE(out.allEqual(0, static_cast<T>(0.25))) << frames;
        EXPECT_TRUE(out.allEqual(1, static_cast<T>(0.25))) << frames;
        EXPECT_TRUE(out.guardsIntact());
    }
}

TYPED_TEST(BufferEdge, MoreChannelsThanTheArrangementUseOnlyTheFirstTwo)
{
    using T = TypeParam;
    GuardedBuffers<T> in(8, kFrames), out(8, kFrames, static_cast<T>(0.25));
    in.fillSine(static_cast<T>(0.5));
    BlockData block = this->makeBlock();
    block.setInput(reinterpret_cast<void**>(in.pointers()), 8);
    block.setOutput(reinterpret_cast<void**>(out.pointers()), 8);
    this->runChecked(block);
    EXPECT_TRUE(out.allFinite());
    EXPECT_TRUE(out.guardsIntact());
    EXPECT_TRUE(in.guardsIntact());
    EXPECT_GT(out.peak(0), 1e-3);
    EXPECT_GT(out.peak(1), 1e-3);
    for (int c = 2; c < 8; ++c)
        EXPECT_TRUE(out.allEqual(c, static_cast<T>(0.25))) << "channel " << c << " is not the plug-in's";
}

TYPED_TEST(BufferEdge, FewerChannelsThanTheArrangementReadOnlyWhatIsThere)
{
    using T = TypeParam;
    // Exactly one pointer each: reading a second one would leave the arrays (ASan sees it).
    GuardedBuffers<T> in(1, kFrames), out(1, kFrames, std::numeric_limits<T>::quiet_NaN());
    in.fillSine(static_cast<T>(0.5));
    std::vector<T*> ins = {in.channel(0)}, outs = {out.channel(0)};
    BlockData block = this->makeBlock();
    block.setInput(reinterpret_cast<void**>(ins.data()), 1);
    block.setOutput(reinterpret_cast<void**>(outs.data()), 1);
    this->runChecked(block);
    EXPECT_TRUE(out.allFinite());
    EXPECT_GT(out.peak(0), 1e-3);
    EXPECT_TRUE(out.guardsIntact());
}

TYPED_TEST(BufferEdge, NonFiniteInputSamplesNeverReachTheOutput)
{
    using T = TypeParam;
    GuardedBuffers<T> in(2, kFrames), out(2, kFrames);
    in.fillSine(static_cast<T>(0.5));
    in.channel(0)[3] = std::numeric_limits<T>::quiet_NaN();
    in.channel(1)[7] = std::numeric_limits<T>::infinity();
    in.channel(0)[100] = -std::numeric_limits<T>::infinity();
    BlockData block = this->makeBlock();
    block.setInput(reinterpret_cast<void**>(in.pointers()), 2);
    block.setOutput(reinterpret_cast<void**>(out.pointers()), 2);
    for (int b = 0; b < 5; ++b)
        this->runChecked(block);
    EXPECT_TRUE(out.allFinite());
}

TEST_F(HostEdge, AMonoArrangementHandedTwoChannelsStaysFinite)
{
    ASSERT_TRUE(host.setup(48000.0, kFrames, kSample64, SpeakerArr::kMono));
    switchEverythingOn();
    GuardedBuffers<double> in(2, kFrames), out(2, kFrames, std::numeric_limits<double>::quiet_NaN());
    in.fillSine(0.5);
    BlockData block(kSample64, kFrames);
    block.setInput(reinterpret_cast<void**>(in.pointers()), 2);
    block.setOutput(reinterpret_cast<void**>(out.pointers()), 2);
    RealTimeProbe probe;
    for (int b = 0; b < 8; ++b)
        ASSERT_EQ(block.run(host.processor()), kResultOk);
    EXPECT_EQ(probe.allocations(), 0u);
    EXPECT_EQ(probe.locks(), 0u);
    EXPECT_TRUE(out.allFinite());
    EXPECT_TRUE(out.guardsIntact());
    EXPECT_GT(out.peak(0), 1e-3);
}
