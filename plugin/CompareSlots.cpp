// SPDX-License-Identifier: GPL-3.0-or-later
// The A/B compare switch: store the side being left, load the other.
#include "PomeluRarorudIzad.h"

#include <algorithm>

namespace pomelu
{

void PomeluRarorudIzad::switchCompareSlot()
{
    activeSlot = activeSlot == 1 ? 1 : 0;
    const auto live = [this](std::array<double, kNumParams>& slot)
    {
        for (int i = 0; i < kNumParams; ++i)
            slot[static_cast<std::size_t>(i)] = GetParam(i)->Value();
    };

    // The first press fills both slots with the live state, so it changes nothing audible.
    if (!slotsCaptured)
    {
        live(compareValues[0]);
        live(compareValues[1]);
        slotOrders[0] = slotOrders[1] = getModuleOrder();
        slotsCaptured = true;
    }
    live(compareValues[static_cast<std::size_t>(activeSlot)]);
    slotOrders[static_cast<std::size_t>(activeSlot)] = getModuleOrder();

    activeSlot = 1 - activeSlot;
    const auto& incoming = compareValues[static_cast<std::size_t>(activeSlot)];
    StartGroupEdit(); // one undo step in the host, not 89
    for (int i = 0; i < kNumParams; ++i)
    {
        const iplug::IParam& param = *GetParam(i);
        const double stored = incoming[static_cast<std::size_t>(i)];
        const double plain = param.Constrain(param.FiniteOrDefault(stored));
        SetParameterValueFromPlugin(i, std::clamp(param.ToNormalized(plain), 0.0, 1.0));
    }
    FinishGroupEdit();
    // The order arrives whole; a block that overlaps the switch may still mix old and new values.
    setModuleOrder(slotOrders[static_cast<std::size_t>(activeSlot)], false);

    OnRestoreState();
    requestRebuild();
}

} // namespace pomelu
