// SPDX-License-Identifier: GPL-3.0-or-later
#include "CompareSlots.h"

#include "IPlugBase.h"

#include <algorithm>

namespace pomelu
{

CompareSlots::Values liveValues(const iplug::IPlugBase& plug)
{
    CompareSlots::Values values{};
    for (int i = 0; i < kNumParams; ++i)
        values[static_cast<std::size_t>(i)] = plug.GetParam(i)->Value();
    return values;
}

void CompareSlots::switchSlot(iplug::IPlugBase& plug, ModuleOrderStore& order)
{
    const Values live = liveValues(plug);
    const dsp::ModuleOrder liveOrder = order.get();
    if (!mSlotsCaptured)
    {
        mCompareValues = {live, live};
        mSlotOrders = {liveOrder, liveOrder};
        mSlotsCaptured = true;
    }
    mCompareValues[static_cast<std::size_t>(mActiveSlot)] = live;
    mSlotOrders[static_cast<std::size_t>(mActiveSlot)] = liveOrder;

    mActiveSlot = 1 - mActiveSlot;
    const Values& incoming = mCompareValues[static_cast<std::size_t>(mActiveSlot)];
    plug.BeginParamSet();  // blocks run all of the old side or all of the new, values and order
    plug.StartGroupEdit(); // one undo step in the host, not 89
    for (int i = 0; i < kNumParams; ++i)
    {
        const iplug::IParam& param = *plug.GetParam(i);
        const double plain = param.Constrain(param.FiniteOrDefault(incoming[static_cast<std::size_t>(i)]));
        plug.SetParameterValueFromPlugin(i, std::clamp(param.ToNormalized(plain), 0.0, 1.0));
    }
    plug.FinishGroupEdit();
    order.set(mSlotOrders[static_cast<std::size_t>(mActiveSlot)], false);
    plug.EndParamSet();
}

std::array<CompareSlots::Values, 2> CompareSlots::valuesToWrite(const Values& live) const
{
    std::array<Values, 2> values = mCompareValues;
    if (mSlotsCaptured)
        values[static_cast<std::size_t>(mActiveSlot)] = live;
    return values;
}

void CompareSlots::restore(bool slotBActive, bool captured, const std::array<Values, 2>& values,
                           const std::array<dsp::ModuleOrder, 2>& orders)
{
    mActiveSlot = slotBActive ? 1 : 0;
    mSlotsCaptured = captured;
    mCompareValues = values;
    mSlotOrders = orders;
}

} // namespace pomelu
