// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dsp/ModuleId.h"

#include <atomic>
#include <cstdint>

namespace pomelu
{

// The processing order the engine runs, with one step of undo.
//
// Threads: get() may be called from any thread (the audio thread reads it once per block); every
// other operation runs on the UI thread. The order travels as one atomic 64-bit word
// (dsp::packModuleOrder), so a block never sees half of a change. Never allocates.
class ModuleOrderStore
{
public:
    // Takes an order that names every module once (the engine runs it from the next block), first
    // keeping the current one for undo if asked; refuses any other order (false) and changes nothing.
    bool set(const dsp::ModuleOrder& order, bool rememberForUndo);
    dsp::ModuleOrder get() const;
    const dsp::ModuleOrder& undoOrder() const { return mUndoOrder; }
    void reset(); // undo order <- current, current <- default
    void undo();  // swaps current and undo order

private:
    std::atomic<std::uint64_t> mModuleOrder{dsp::packModuleOrder(dsp::defaultModuleOrder())};
    dsp::ModuleOrder mUndoOrder = dsp::defaultModuleOrder();
};

} // namespace pomelu
