// SPDX-License-Identifier: GPL-3.0-or-later
// Buses as careless hosts hand them over: missing pointer arrays, missing channels, no input bus,
// no frames, more or fewer channels than the arrangement, non-finite samples. Every call must
// return, write only inside the block, stay finite, and neither allocate nor lock.
#include "HostEdgeRig.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace pomelu::test;

namespace
{

constexpr int kFrames = 256;

// 64- and 32-bit runs of the same bus shape.
template <class T> class BufferEdge : public HostEdge
{
};

using SampleTypes = ::testing::Types<double, float>;
TYPED_TEST_SUITE(BufferEdge, SampleTypes);

// One bus shape: how many channels each side names, whether its pointer array is there, a channel
// handed as a null pointer (-1: none), the frame count, and non-finite input samples.
struct BusShape
{
    const char* what;
    int inChans;
    bool inArray;
    int outChans;
    bool outArray;
    int nullIn = -1, nullOut = -1;
    int frames = kFrames;
    bool poisoned = false;
    bool monoArrangement = false; // set up for a mono bus, then handed these channels
};

const BusShape kShapes[] = {
    {"no input array: silence in, the tail still plays", 2, false, 2, true},
    {"no output array", 2, true, 2, false},
    {"neither array", 2, false, 2, false},
    {"null channel pointers are skipped", 2, true, 2, true, 1, 0},
    {"no input bus", 0, false, 2, true},
    {"an input bus of zero channels", 0, true, 2, true},
    {"no bus at all", 0, false, 0, false},
    {"zero frames", 2, true, 2, true, -1, -1, 0},
    {"negative frames", 2, true, 2, true, -1, -1, -1},
    {"very negative frames", 2, true, 2, true, -1, -1, -100000},
    {"eight channels: only the first two are the plug-in's", 8, true, 8, true},
    {"one pointer each: reading a second would leave the arrays (ASan sees it)", 1, true, 1, true},
    {"NaN and infinities in", 2, true, 2, true, -1, -1, kFrames, true},
    {"a mono arrangement handed two channels", 2, true, 2, true, -1, -1, kFrames, false, true},
};

} // namespace

TYPED_TEST(BufferEdge, EveryBusShapeStaysInsideItsBuffersFiniteAndRealTime)
{
    using T = TypeParam;
    constexpr T kNaN = std::numeric_limits<T>::quiet_NaN();
    ASSERT_TRUE(this->host.setup(48000.0, kFrames, kSampleSizeOf<T>));
    this->switchEverythingOn();
    for (const BusShape& s : kShapes)
    {
        if (s.monoArrangement)
            ASSERT_TRUE(this->host.setup(48000.0, kFrames, kSampleSizeOf<T>, SpeakerArr::kMono));
        // Fill the delay and reverb so that silence in still gives sound out.
        SineBlock<T> warm(kFrames);
        for (int b = 0; b < 20; ++b)
            ASSERT_EQ(warm.data.run(this->host.processor()), kResultOk);

        GuardedBuffers<T> in(std::max(s.inChans, 1), kFrames), out(std::max(s.outChans, 1), kFrames, kNaN);
        in.fillSine(T(0.5));
        if (s.poisoned)
        {
            in.channel(0)[3] = kNaN;
            in.channel(1)[7] = std::numeric_limits<T>::infinity();
            in.channel(0)[100] = -std::numeric_limits<T>::infinity();
        }
        std::vector<T*> ins(in.pointers(), in.pointers() + in.channels());
        std::vector<T*> outs(out.pointers(), out.pointers() + out.channels());
        if (s.nullIn >= 0)
            ins[static_cast<std::size_t>(s.nullIn)] = nullptr;
        if (s.nullOut >= 0)
            outs[static_cast<std::size_t>(s.nullOut)] = nullptr;
        BlockData block(kSampleSizeOf<T>, s.frames);
        block.setInput(s.inArray ? reinterpret_cast<void**>(ins.data()) : nullptr, s.inChans);
        block.setOutput(s.outArray ? reinterpret_cast<void**>(outs.data()) : nullptr, s.outChans);
        {
            RealTimeProbe probe;
            for (int b = 0; b < (s.poisoned ? 5 : 1); ++b)
                EXPECT_EQ(block.run(this->host.processor()), kResultOk) << s.what;
            EXPECT_EQ(probe.allocations(), 0u) << s.what;
            EXPECT_EQ(probe.locks(), 0u) << s.what;
        }
        EXPECT_TRUE(in.guardsIntact()) << s.what;
        EXPECT_TRUE(out.guardsIntact()) << s.what;
        for (int c = 0; c < s.outChans; ++c)
        {
            const T* p = out.channel(c);
            if (s.outArray && c < 2 && c != s.nullOut && s.frames > 0)
            {
                EXPECT_TRUE(std::all_of(p, p + kFrames, [](T v) { return std::isfinite(v); }))
                    << s.what << ", channel " << c;
                EXPECT_GT(out.peak(c), 1e-4) << s.what << ", channel " << c;
            }
            else
                EXPECT_TRUE(std::all_of(p, p + kFrames, [](T v) { return std::isnan(v); }))
                    << s.what << ": channel " << c << " is not written";
        }
    }
}
