// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModuleOrderStore.h"

namespace pomelu
{

bool ModuleOrderStore::set(const dsp::ModuleOrder& order, bool rememberForUndo)
{
    if (!dsp::isValidModuleOrder(order))
        return false;
    if (rememberForUndo)
        mUndoOrder = get();
    mModuleOrder.store(dsp::packModuleOrder(order), std::memory_order_release);
    return true;
}

dsp::ModuleOrder ModuleOrderStore::get() const
{
    return dsp::unpackModuleOrder(mModuleOrder.load(std::memory_order_acquire));
}

void ModuleOrderStore::reset()
{
    set(dsp::defaultModuleOrder(), true);
}

void ModuleOrderStore::undo()
{
    const dsp::ModuleOrder previous = mUndoOrder;
    set(previous, true);
}

} // namespace pomelu
