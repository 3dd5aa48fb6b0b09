// SPDX-License-Identifier: GPL-3.0-or-later
// Component state through streams that are empty, short, broken, endless or slow, and chunks of
// garbage (truncated and inconsistent chunks are the plug-in's own refusals: tests/state). Failures
// are reported and leave the instance as it was and usable; successes are reported as such.
#include "HostEdgeRig.h"
#include "Parameters.h"
#include "PomeluRarorudIzad.h"

#include <algorithm>
#include <cstring>
#include <random>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace pomelu::test;

namespace
{

// Hands out at most `piece` bytes per read, as a file or pipe may; or, when endless, fills every
// read whole and never ends.
class PieceStream final : public IBStream
{
public:
    PieceStream(std::vector<std::uint8_t> bytes, int piece) : inner(std::move(bytes)), piece(piece) {}
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override
    {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
    tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override
    {
        const bool failing = failAfter >= 0 && static_cast<long>(inner.position) >= failAfter;
        const int32 n = failing ? 0 : endless ? std::max(numBytes, 0) : std::min(numBytes, piece);
        if (failing || endless)
        {
            std::memset(buffer, 0x34, static_cast<std::size_t>(n));
            total += n;
            if (numBytesRead != nullptr)
                *numBytesRead = n;
            return failing ? kInternalError : kResultOk;
        }
        return inner.read(buffer, n, numBytesRead);
    }
    tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) override
    {
        // Takes what still fits before failAfter, then refuses.
        const long room = failAfter < 0 ? piece : failAfter - static_cast<long>(inner.data.size());
        const int32 n = static_cast<int32>(std::min<long>(std::min(numBytes, piece), std::max(room, 0l)));
        if (n <= 0 && numBytes > 0)
        {
            if (numBytesWritten != nullptr)
                *numBytesWritten = 0;
            return kInternalError;
        }
        return inner.write(buffer, n, numBytesWritten);
    }
    tresult PLUGIN_API seek(int64 pos, int32 mode, int64* result) override
    {
        return inner.seek(pos, mode, result);
    }
    tresult PLUGIN_API tell(int64* pos) override { return inner.tell(pos); }

    MemoryStream inner;
    int piece;
    long failAfter = -1; // reads fail, and writes stop, once this many bytes have passed
    bool endless = false;
    long long total = 0; // bytes an endless stream handed out
};

class StateEdge : public HostEdge
{
protected:
    void SetUp() override
    {
        HostEdge::SetUp();
        ASSERT_TRUE(host.setup(48000.0, 256, kSample64));
        // A state that differs from a new instance's in values, program and host bypass.
        ASSERT_EQ(host.controller()->setParamNormalized(kProgramId, 0.25), kResultOk);
        ASSERT_EQ(host.controller()->setParamNormalized(kHostBypassId, 1.0), kResultOk);
        ASSERT_EQ(host.controller()->setParamNormalized(pomelu::kInput, 0.8), kResultOk);
        ASSERT_EQ(host.controller()->setParamNormalized(pomelu::kReverb, 1.0), kResultOk);
        ASSERT_EQ(host.controller()->setParamNormalized(pomelu::kReverbWet, 0.4), kResultOk);
        ASSERT_TRUE(host.getState(before));
        valuesBefore = normalizedValues();

        // Another complete state, to load in pieces or over broken streams: compare slots captured,
        // slot B active, another order, so that any field taken from a broken stream shows.
        auto* plug = new pomelu::PomeluRarorudIzad(iplug::InstanceInfo{});
        plug->GetParam(pomelu::kOutput)->Set(-6.0);
        plug->GetParam(pomelu::kDelay)->Set(1.0);
        plug->switchCompareSlot();
        plug->GetParam(pomelu::kInput)->Set(3.0);
        plug->setModuleOrder(
            {pomelu::dsp::ModuleId::Reverb, pomelu::dsp::ModuleId::Delay, pomelu::dsp::ModuleId::ClipGuard,
             pomelu::dsp::ModuleId::Comp, pomelu::dsp::ModuleId::Leveler, pomelu::dsp::ModuleId::Tremolo,
             pomelu::dsp::ModuleId::Phaser, pomelu::dsp::ModuleId::Distortion, pomelu::dsp::ModuleId::Eq,
             pomelu::dsp::ModuleId::SClear, pomelu::dsp::ModuleId::PopCut},
            false);
        MemoryStream out;
        const tresult written = plug->getState(&out);
        plug->release();
        ASSERT_EQ(written, kResultOk);
        other = out.data;
        ASSERT_NE(other, before);
    }

    tresult setState(IBStream* stream) { return host.component()->setState(stream); }
    tresult setState(std::vector<std::uint8_t> bytes)
    {
        MemoryStream stream(std::move(bytes));
        return setState(&stream);
    }

    // Nothing changed, and the instance still saves, loads and processes.
    void expectUnchangedAndUsable()
    {
        EXPECT_EQ(normalizedValues(), valuesBefore);
        std::vector<std::uint8_t> now;
        ASSERT_TRUE(host.getState(now));
        EXPECT_EQ(now, before);
        expectUsable();
    }

    void expectUsable()
    {
        std::vector<std::uint8_t> now;
        ASSERT_TRUE(host.getState(now));
        EXPECT_EQ(now.size(), 2194u);
        GuardedBuffers<double> in(2, 256), out(2, 256);
        in.fillSine(0.5);
        ASSERT_EQ(host.process64(in.pointers(), out.pointers(), 2, 2, 256), kResultOk);
        EXPECT_TRUE(out.allFinite());
        EXPECT_GT(out.peak(0), 1e-3);
        // A complete state still loads exactly.
        ASSERT_EQ(setState(other), kResultOk);
        ASSERT_TRUE(host.getState(now));
        EXPECT_EQ(now, other);
        ASSERT_EQ(setState(before), kResultOk);
    }

    std::vector<std::uint8_t> before, other;
    std::vector<double> valuesBefore;
};

} // namespace

TEST_F(StateEdge, NullEmptyGarbageHugeEndlessAndFailingStreamsAreRefusedAndChangeNothing)
{
    EXPECT_EQ(host.component()->setState(nullptr), kInvalidArgument);
    EXPECT_EQ(host.component()->getState(nullptr), kInvalidArgument);
    EXPECT_NE(setState(std::vector<std::uint8_t>{}), kResultOk) << "empty";
    expectUnchangedAndUsable();

    std::mt19937 random(20261206);
    for (std::size_t size : {2u, 5u, 2194u, 70000u})
    {
        std::vector<std::uint8_t> junk(size);
        for (auto& b : junk)
            b = static_cast<std::uint8_t>(random());
        junk[0] = 'X'; // never a valid magic
        EXPECT_NE(setState(junk), kResultOk) << size << " bytes of garbage";
        expectUnchangedAndUsable();
    }

    EXPECT_NE(setState(std::vector<std::uint8_t>(50u * 1024u * 1024u, 0xA5)), kResultOk) << "50 MB";
    PieceStream endless({}, 0);
    endless.endless = true;
    EXPECT_NE(setState(&endless), kResultOk);
    EXPECT_LE(endless.total, 256ll * 1024 * 1024) << "reading stops at a sane size";
    expectUnchangedAndUsable();

    for (long failAfter : {0l, 100l, 1500l})
    {
        PieceStream stream(other, 100);
        stream.failAfter = failAfter;
        EXPECT_NE(setState(&stream), kResultOk) << "read failing after " << failAfter << " bytes";
        expectUnchangedAndUsable();
    }
}

TEST_F(StateEdge, StatesMovedInSmallPiecesArriveWholeAndAFailedWriteIsReported)
{
    for (int piece : {1, 100, 2193})
    {
        PieceStream stream(other, piece);
        EXPECT_EQ(setState(&stream), kResultOk) << piece << "-byte reads";
        std::vector<std::uint8_t> now;
        ASSERT_TRUE(host.getState(now));
        EXPECT_EQ(now, other) << piece << "-byte reads";
        ASSERT_EQ(setState(before), kResultOk);
    }
    for (int piece : {1, 7, 1000})
    {
        PieceStream stream({}, piece);
        EXPECT_EQ(host.component()->getState(&stream), kResultOk) << piece << "-byte writes";
        EXPECT_EQ(stream.inner.data, before) << piece << "-byte writes";
    }
    for (long failAfter : {0l, 1000l, 2193l})
    {
        PieceStream stream({}, 1 << 20);
        stream.failAfter = failAfter;
        EXPECT_NE(host.component()->getState(&stream), kResultOk)
            << "write failing after " << failAfter << " bytes";
    }
    expectUnchangedAndUsable();
}
