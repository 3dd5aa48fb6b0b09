// SPDX-License-Identifier: GPL-3.0-or-later
// The saved state: header, both compare slots, the module orders, then the current values.
//
//   u32 magic "4REP" | u32 parameter count | u32 active slot | u8 captured
//   count x f64 slot A | count x f64 slot B
//   u32 11 | 11 x u8 current order | 11 x u8 slot A order | 11 x u8 slot B order
//   count x f64 current values
//
// Versions 1 to 3 are read too: "1REP" has no count field (41 parameters) and no orders, "2REP"
// has the count but no orders, "3REP" carries only the current order.
#include "StateChunk.h"
#include "PomeluRarorudIzad.h"


namespace pomelu
{

int stateVersionFromMagic(std::uint32_t magic)
{
    switch (magic)
    {
    case kStateMagicV1:
        return 1;
    case kStateMagicV2:
        return 2;
    case kStateMagicV3:
        return 3;
    case kStateMagicV4:
        return 4;
    default:
        return 0;
    }
}

bool PomeluRarorudIzad::SerializeState(iplug::IByteChunk& chunk) const
{
    const std::uint32_t magic = kStateMagicV4;
    const std::uint32_t count = kNumParams;
    const std::uint32_t active = activeSlot == 1 ? 1u : 0u;
    const std::uint8_t captured = slotsCaptured ? 1 : 0;
    chunk.Put(&magic);
    chunk.Put(&count);
    chunk.Put(&active);
    chunk.Put(&captured);

    // Once captured, the active side is the live state: write it in its slot's place.
    auto slots = compareValues;
    if (slotsCaptured)
        for (int i = 0; i < kNumParams; ++i)
            slots[active][static_cast<std::size_t>(i)] = GetParam(i)->Value();
    for (const auto& slot : slots)
        for (double v : slot)
            chunk.Put(&v);

    const std::uint32_t modules = dsp::kNumModules;
    chunk.Put(&modules);
    for (const dsp::ModuleOrder& order : {getModuleOrder(), slotOrders[0], slotOrders[1]})
        chunk.PutBytes(order.data(), dsp::kNumModules);

    return SerializeParams(chunk);
}

int PomeluRarorudIzad::UnserializeState(const iplug::IByteChunk& chunk, int startPos)
{
    lastStateChunkEnd = -1;
    int pos = startPos;

    std::uint32_t magic = 0;
    if ((pos = chunk.Get(&magic, pos)) < 0)
        return -1;
    const int version = stateVersionFromMagic(magic);
    if (version == 0)
        return -1; // not ours: nothing changes
    std::uint32_t count = kStateParamCountV1;
    if (version >= 2)
    {
        if ((pos = chunk.Get(&count, pos)) < 0)
            return -1;
        if (count == 0 || count > static_cast<std::uint32_t>(kNumParams))
            return -1;
    }

    std::uint32_t active = 0;
    std::uint8_t captured = 0;
    if ((pos = chunk.Get(&active, pos)) < 0)
        return -1;
    activeSlot = active == 1 ? 1 : 0;
    if ((pos = chunk.Get(&captured, pos)) < 0)
        return -1;
    slotsCaptured = captured != 0;

    // Parameters the writing version did not have keep the current values in the slots.
    for (auto& slot : compareValues)
    {
        for (int i = 0; i < kNumParams; ++i)
            slot[static_cast<std::size_t>(i)] = GetParam(i)->Value();
        for (std::uint32_t i = 0; i < count; ++i)
        {
            double v = 0.0;
            if ((pos = chunk.Get(&v, pos)) < 0)
                return -1;
            slot[i] = GetParam(static_cast<int>(i))->FiniteOrDefault(v);
        }
    }

    if (version >= 3)
    {
        std::uint32_t modules = 0;
        if ((pos = chunk.Get(&modules, pos)) < 0)
            return -1;
        if (modules == static_cast<std::uint32_t>(dsp::kNumModules))
        {
            std::uint8_t bytes[dsp::kNumModules] = {};
            if ((pos = chunk.GetBytes(bytes, dsp::kNumModules, pos)) < 0)
                return -1;
            dsp::ModuleOrder candidate = dsp::defaultModuleOrder();
            bool valid = true;
            bool seen[dsp::kNumModules] = {};
            for (int k = 0; k < dsp::kNumModules; ++k)
            {
                if (bytes[k] >= dsp::kNumModules || seen[bytes[k]])
                {
                    valid = false;
                    continue;
                }
                seen[bytes[k]] = true;
                candidate[static_cast<std::size_t>(k)] = static_cast<dsp::ModuleId>(bytes[k]);
            }
            // A damaged order leaves the current one (and the slots' orders) as they were.
            if (valid)
            {
                setModuleOrder(candidate, false);
                slotOrders[0] = slotOrders[1] = candidate;
            }

            if (version >= 4)
            {
                std::uint8_t slotBytes[2 * dsp::kNumModules] = {};
                if ((pos = chunk.GetBytes(slotBytes, 2 * dsp::kNumModules, pos)) < 0)
                    return -1;
                for (int s = 0; s < 2; ++s)
                    for (int k = 0; k < dsp::kNumModules; ++k)
                    {
                        const std::uint8_t b = slotBytes[s * dsp::kNumModules + k];
                        slotOrders[static_cast<std::size_t>(s)][static_cast<std::size_t>(k)] =
                            static_cast<dsp::ModuleId>(b < dsp::kNumModules ? b : 0);
                    }
            }
        }
    }

    // By its own header the chunk ends behind `count` current values: a complete older chunk is
    // accepted by the host wrapper even though the parameter block below reports -1.
    const std::int64_t declaredEnd = static_cast<std::int64_t>(pos) + 8 * static_cast<std::int64_t>(count);
    if (declaredEnd <= chunk.Size())
        lastStateChunkEnd = static_cast<int>(declaredEnd);
    return UnserializeParams(chunk, pos);
}

} // namespace pomelu
