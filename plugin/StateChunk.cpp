// SPDX-License-Identifier: GPL-3.0-or-later
// The saved state: header, both compare slots, the module orders, then the current values.
//
//   u32 magic "4REP" | u32 parameter count | u32 active slot | u8 captured
//   count x f64 slot A | count x f64 slot B
//   u32 11 | 11 x u8 current order | 11 x u8 slot A order | 11 x u8 slot B order
//   count x f64 current values
//
// Versions 1 to 3 are read too: "1REP" has no count field (41 parameters) and no orders, "2REP"
// has the count but no orders, "3REP" carries only the current order, which both slots then take.
// A chunk is taken whole or not at all: a short field, a count out of range, an order count other
// than 11 or an order that does not name every module once refuses it.
#include "StateChunk.h"
#include "CompareSlots.h"
#include "ModuleOrderStore.h"

#include "IByteChunk.h"
#include "IPlugBase.h"

#include <array>

namespace pomelu
{

bool writeStateChunk(iplug::IByteChunk& chunk, const iplug::IPlugBase& params, const CompareSlots& slots,
                     const ModuleOrderStore& order)
{
    const std::uint32_t magic = kStateMagicV4;
    const std::uint32_t count = kNumParams;
    const std::uint32_t active = static_cast<std::uint32_t>(slots.activeSlot());
    const std::uint8_t captured = slots.slotsCaptured() ? 1 : 0;
    chunk.Put(&magic);
    chunk.Put(&count);
    chunk.Put(&active);
    chunk.Put(&captured);

    for (const auto& slot : slots.valuesToWrite(liveValues(params)))
        for (double v : slot)
            chunk.Put(&v);

    const std::uint32_t modules = dsp::kNumModules;
    chunk.Put(&modules);
    for (const dsp::ModuleOrder& o : {order.get(), slots.slotOrders()[0], slots.slotOrders()[1]})
        chunk.PutBytes(o.data(), dsp::kNumModules);

    return params.SerializeParams(chunk);
}

namespace
{

// 1 to 4 for a known magic, 0 otherwise.
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

// What a chunk holds besides the current values, read and checked before any of it is applied.
struct StateHeader
{
    int version = 0;
    std::uint32_t count = 0; // values per slot and in the current block
    bool slotBActive = false;
    bool captured = false;
    std::array<CompareSlots::Values, 2> slots{}; // the first `count` of each
    std::array<dsp::ModuleOrder, 3> orders{};    // current, slot A, slot B (versions 3, 4)
};

// Eleven bytes that must name every module once, as setModuleOrder requires.
int readOrder(const iplug::IByteChunk& chunk, int pos, dsp::ModuleOrder& order)
{
    pos = chunk.GetBytes(order.data(), dsp::kNumModules, pos);
    return pos >= 0 && dsp::isValidModuleOrder(order) ? pos : -1;
}

// Reads up to the current values and checks that all of them are there. Returns their position,
// or -1 for anything but a whole chunk of a known version with a valid count and valid orders.
int readHeader(const iplug::IByteChunk& chunk, int pos, StateHeader& h)
{
    std::uint32_t magic = 0, active = 0, modules = 0;
    std::uint8_t captured = 0;
    if ((pos = chunk.Get(&magic, pos)) < 0 || (h.version = stateVersionFromMagic(magic)) == 0)
        return -1;
    h.count = kStateParamCountV1;
    if (h.version >= 2 && ((pos = chunk.Get(&h.count, pos)) < 0 || h.count == 0 ||
                           h.count > static_cast<std::uint32_t>(kNumParams)))
        return -1;
    if ((pos = chunk.Get(&active, pos)) < 0 || (pos = chunk.Get(&captured, pos)) < 0)
        return -1;
    h.slotBActive = active == 1;
    h.captured = captured != 0;
    for (auto& slot : h.slots)
        for (std::uint32_t i = 0; i < h.count && pos >= 0; ++i)
            pos = chunk.Get(&slot[i], pos);
    if (pos >= 0 && h.version >= 3)
    {
        if ((pos = chunk.Get(&modules, pos)) < 0 || modules != static_cast<std::uint32_t>(dsp::kNumModules))
            return -1;
        for (int k = 0; k < (h.version >= 4 ? 3 : 1) && pos >= 0; ++k)
            pos = readOrder(chunk, pos, h.orders[static_cast<std::size_t>(k)]);
        if (h.version == 3)
            h.orders[1] = h.orders[2] = h.orders[0];
    }
    const std::int64_t end = static_cast<std::int64_t>(pos) + 8 * static_cast<std::int64_t>(h.count);
    return pos >= 0 && end <= chunk.Size() ? pos : -1;
}

} // namespace

int readStateChunk(const iplug::IByteChunk& chunk, int startPos, iplug::IPlugBase& params,
                   CompareSlots& slots, ModuleOrderStore& order)
{
    StateHeader h;
    const int valuesPos = readHeader(chunk, startPos, h);
    if (valuesPos < 0)
        return -1;

    // Parameters the writing version did not have keep the current values in the slots.
    std::array<CompareSlots::Values, 2> values{};
    for (std::size_t s = 0; s < 2; ++s)
        for (int i = 0; i < kNumParams; ++i)
        {
            const iplug::IParam& param = *params.GetParam(i);
            values[s][static_cast<std::size_t>(i)] =
                static_cast<std::uint32_t>(i) < h.count
                    ? param.FiniteOrDefault(h.slots[s][static_cast<std::size_t>(i)])
                    : param.Value();
        }
    std::array<dsp::ModuleOrder, 2> slotOrders = slots.slotOrders(); // versions 1 and 2 keep them
    if (h.version >= 3)
    {
        order.set(h.orders[0], false);
        slotOrders = {h.orders[1], h.orders[2]};
    }
    slots.restore(h.slotBActive, h.captured, values, slotOrders);
    return params.UnserializeParams(chunk, valuesPos, static_cast<int>(h.count));
}

} // namespace pomelu
