// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any byte string handed to the state reader leaves the plug-in in a state it can
// write and read back, with every parameter finite and in range and a valid module order.
#include "PomeluRarorudIzad.h"
#include "StateChunk.h"

#include <cmath>
#include <cstdint>
#include <cstring>

using namespace pomelu;

namespace
{
void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void checkInvariants(const PomeluRarorudIzad& plug)
{
    for (int i = 0; i < kNumParams; ++i)
    {
        const iplug::IParam& p = *plug.GetParam(i);
        const double v = p.Value();
        check(std::isfinite(v) && v >= p.GetMin() && v <= p.GetMax());
        for (const auto& slot : plug.compareSlots().compareValues())
            check(std::isfinite(slot[static_cast<std::size_t>(i)]));
    }
    check(dsp::isValidModuleOrder(plug.getModuleOrder()));
    for (const auto& order : plug.compareSlots().slotOrders())
        check(dsp::isValidModuleOrder(order));
    check(plug.compareSlots().activeSlot() == 0 || plug.compareSlots().activeSlot() == 1);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One instance for the whole run: constructing one plans the analyzer's FFT, which is slow.
    static PomeluRarorudIzad* plug = new PomeluRarorudIzad(iplug::InstanceInfo{});

    iplug::IByteChunk chunk, before, after;
    chunk.PutBytes(data, static_cast<int>(size));
    plug->SerializeState(before);
    const int result = plug->UnserializeState(chunk, 0);
    check(result == -1 || (result > 0 && result <= chunk.Size()));
    checkInvariants(*plug);
    // A refused chunk changes nothing.
    plug->SerializeState(after);
    check(result != -1 ||
          (after.Size() == before.Size() &&
           std::memcmp(after.GetData(), before.GetData(), static_cast<std::size_t>(after.Size())) == 0));

    // Whatever was read, the state written now reads back to the same bytes.
    iplug::IByteChunk written;
    check(plug->SerializeState(written) && written.Size() == kStateChunkSizeV4);
    check(plug->UnserializeState(written, 0) == kStateChunkSizeV4);
    iplug::IByteChunk rewritten;
    plug->SerializeState(rewritten);
    check(rewritten.Size() == written.Size() &&
          std::memcmp(rewritten.GetData(), written.GetData(), static_cast<std::size_t>(written.Size())) == 0);
    return 0;
}
