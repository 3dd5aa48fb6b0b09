// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IControl.h"

#include "dsp/ModuleId.h"

#include <functional>

namespace pomelu::editor
{

// The processing order as eleven chips in equal slots. Dragging a chip (more than 4 units
// sideways) moves it to the slot under the pointer, the others closing up, and reports the new
// order; a press that moves 4 units or less, or drops on its own slot, selects the chip's module.
// While a press lasts the chip floats under the pointer and a marker shows the target slot, both
// eased once per drawn frame (0.34 and 0.28 of the remaining distance). The strip holds a copy of
// the order for display; the plug-in owns the real one. Bound to nothing. UI thread.
class RoutingStripControl : public igraphics::IControl
{
public:
    using OrderChangedFunc = std::function<void(const dsp::ModuleOrder&)>;
    using SelectFunc = std::function<void(dsp::ModuleId)>;
    // Ids of the powered modules, ascending, then 255.
    using PoweredList = std::array<std::uint8_t, dsp::kNumModules>;
    static constexpr std::uint8_t kNotPowered = 255;

    RoutingStripControl(const igraphics::IRECT& bounds, const dsp::ModuleOrder& order,
                        const PoweredList& powered, dsp::ModuleId selected, OrderChangedFunc onOrderChanged,
                        SelectFunc onSelect, const igraphics::IColor& accent, const igraphics::IColor& panel,
                        const igraphics::IColor& ink);

    void Draw(igraphics::IGraphics& g) override;
    void OnMouseDown(float x, float y, const igraphics::IMouseMod& mod) override;
    void OnMouseDrag(float x, float y, float dX, float dY, const igraphics::IMouseMod& mod) override;
    void OnMouseUp(float x, float y, const igraphics::IMouseMod& mod) override;
    // Always dirty while a press lasts, so the easing runs every frame.
    bool IsDirty() override;

    // Shows another order (after "UNDO ROUTE" or "RESET"); redrawn at the next frame.
    void SetOrder(const dsp::ModuleOrder& order);
    const dsp::ModuleOrder& GetOrder() const { return mOrder; }
    dsp::ModuleId GetSelected() const { return mSelected; }
    bool IsPowered(dsp::ModuleId id) const;
    // The slot under x: 0 left of the strip, 10 right of it.
    int SlotAt(float x) const;
    // Slot i's chip rectangle.
    igraphics::IRECT ChipRect(int slot) const;
    int GetDragSlot() const { return mDragSlot; }
    int GetTargetSlot() const { return mTargetSlot; }

private:
    float slotWidth() const;

    dsp::ModuleOrder mOrder;
    PoweredList mPowered;
    dsp::ModuleId mSelected;
    OrderChangedFunc mOnOrderChanged;
    SelectFunc mOnSelect;
    igraphics::IColor mAccent, mPanel, mInk;
    int mDragSlot = -1;
    int mTargetSlot = 0;
    float mPressX = 0.0f;
    float mPointerX = 0.0f;
    float mFloatingX = 0.0f;
    float mMarkerX = 0.0f;
    bool mMoved = false;
};

} // namespace pomelu::editor
