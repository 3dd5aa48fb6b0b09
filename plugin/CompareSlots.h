// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ModuleOrderStore.h"
#include "Parameters.h"

#include "dsp/ModuleId.h"

#include <array>
#include <cstdint>

namespace iplug
{
class IPlugBase;
}

namespace pomelu
{

// The two A/B compare slots, A = 0 and B = 1, each holding every parameter's plain value (as stored,
// not constrained) and a module order. Once captured, the active side is the live state: its slot
// holds what was live when the user last left that side. UI thread only; never allocates.
class CompareSlots
{
public:
    using Values = std::array<double, kNumParams>;

    int activeSlot() const { return mActiveSlot; }
    bool slotsCaptured() const { return mSlotsCaptured; }
    const std::array<Values, 2>& compareValues() const { return mCompareValues; }
    const std::array<dsp::ModuleOrder, 2>& slotOrders() const { return mSlotOrders; }

    // The A/B button: stores the live state in the side being left (the first press fills both
    // sides, so it changes nothing audible), flips, then loads the other side: each value constrained
    // into the parameter through the host-notifying setter, all as one group edit, then the order.
    void switchSlot(iplug::IPlugBase& plug, ModuleOrderStore& order);

    // The slot values as the state writer stores them: once captured, the active slot holds the live
    // values. The slots held here do not change.
    std::array<Values, 2> valuesToWrite(const Values& live) const;
    // Takes the slots of a state chunk that was read and checked whole.
    void restore(bool slotBActive, bool captured, const std::array<Values, 2>& values,
                 const std::array<dsp::ModuleOrder, 2>& orders);

    bool operator==(const CompareSlots&) const = default;

private:
    std::array<Values, 2> mCompareValues{};
    std::array<dsp::ModuleOrder, 2> mSlotOrders{dsp::defaultModuleOrder(), dsp::defaultModuleOrder()};
    std::int32_t mActiveSlot = 0; // 0 or 1
    bool mSlotsCaptured = false;
};

// Every parameter's current plain value, in index order.
CompareSlots::Values liveValues(const iplug::IPlugBase& plug);

} // namespace pomelu
