// SPDX-License-Identifier: GPL-3.0-or-later
#include "RoutingStripControl.h"

#include "IGraphics.h"

#include "Labels.h"
#include "Theme.h"

#include <algorithm>
#include <cmath>

namespace pomelu::editor
{

using namespace igraphics;

namespace
{

// Horizontal travel (units) beyond which a press becomes a drag rather than a click.
constexpr float kClickSlop = 4.0f;
// Share of the remaining distance the floating chip and the drop marker cover per drawn frame.
constexpr float kFloatEase = 0.34f;
constexpr float kMarkerEase = 0.28f;

} // namespace

RoutingStripControl::RoutingStripControl(const IRECT& bounds, const dsp::ModuleOrder& order,
                                         const PoweredList& powered, dsp::ModuleId selected,
                                         OrderChangedFunc onOrderChanged, SelectFunc onSelect,
                                         const IColor& accent, const IColor& panel, const IColor& ink)
    : IControl(bounds), mOrder(order), mPowered(powered), mSelected(selected),
      mOnOrderChanged(std::move(onOrderChanged)), mOnSelect(std::move(onSelect)), mAccent(accent),
      mPanel(panel), mInk(ink)
{
}

float RoutingStripControl::slotWidth() const
{
    return GetRECT().W() / static_cast<float>(dsp::kNumModules);
}

int RoutingStripControl::SlotAt(float x) const
{
    const float w = slotWidth();
    const float f = w > 0.0f ? (x - GetRECT().L) / w : 0.0f;
    if (!(f >= 1.0f)) // left of slot 1, or NaN
        return 0;
    return f >= static_cast<float>(dsp::kNumModules - 1) ? dsp::kNumModules - 1 : static_cast<int>(f);
}

IRECT RoutingStripControl::ChipRect(int slot) const
{
    const IRECT& r = GetRECT();
    const float w = slotWidth();
    return {r.L + slot * w + 4.0f, r.T + 5.0f, r.L + (slot + 1) * w - 4.0f, r.B - 5.0f};
}

bool RoutingStripControl::IsPowered(dsp::ModuleId id) const
{
    return std::find(mPowered.begin(), mPowered.end(), static_cast<std::uint8_t>(id)) != mPowered.end();
}

void RoutingStripControl::SetOrder(const dsp::ModuleOrder& order)
{
    mOrder = order;
    SetDirty(false);
}

bool RoutingStripControl::IsDirty()
{
    return mDragSlot >= 0 || IControl::IsDirty();
}

void RoutingStripControl::Draw(IGraphics& g)
{
    const IRECT& r = GetRECT();
    const float w = slotWidth();
    g.FillRoundRect(mAccent.WithAlpha(38), r, 13.0f);

    if (mDragSlot >= 0)
    {
        const int t = mTargetSlot;
        mMarkerX += (r.L + (t + 0.5f) * w - mMarkerX) * kMarkerEase;
        g.FillRoundRect(mAccent.WithAlpha(70),
                        IRECT(r.L + t * w + 2.0f, r.T + 2.0f, r.L + (t + 1) * w - 2.0f, r.B - 2.0f), 9.0f);
        const float lineX = mMarkerX - 0.5f * w + 2.0f;
        g.DrawLine(mAccent, lineX, r.T + 5.0f, lineX, r.B - 5.0f, nullptr, 3.0f);
    }

    const IText label(11.0f, mInk, "MPlusBold");
    const IText pill(8.0f, kWhite, "MPlusBold");
    const IText separator(10.0f, mInk.WithAlpha(155), "MPlusBold");
    for (int i = 0; i < dsp::kNumModules; ++i)
    {
        if (i == mDragSlot)
            continue;
        const dsp::ModuleId id = mOrder[static_cast<std::size_t>(i)];
        const bool selected = id == mSelected;
        const bool on = IsPowered(id);
        const IRECT c = ChipRect(i);
        g.FillRoundRect(selected ? mAccent.WithAlpha(48) : mPanel, c, 9.0f);
        if (selected)
            g.DrawRoundRect(mAccent, c, 9.0f, nullptr, 2.0f);
        else
            g.DrawRoundRect(mInk.WithAlpha(60), c, 9.0f, nullptr, 1.0f);
        g.DrawText(label.WithFGColor(selected ? mAccent : mInk), ModuleShortName(id),
                   IRECT(c.L, c.T, c.R, c.B - 12.0f));
        const IRECT p(c.L + 3.0f, c.B - 10.0f, c.R - 3.0f, c.B - 3.0f);
        g.FillRoundRect(on ? mAccent : mInk.WithAlpha(28), p, 5.0f);
        g.DrawText(pill.WithFGColor(on ? kWhite : mInk.WithAlpha(190)), on ? "ON" : "OFF", p);
        if (i < dsp::kNumModules - 1)
            g.DrawText(separator, "\u203A", IRECT(c.R - 5.0f, c.T, c.R + 10.0f, c.B));
    }

    if (mDragSlot >= 0)
    {
        mFloatingX += (mPointerX - mFloatingX) * kFloatEase;
        // Held inside the strip at either end, so the chip is never cut by the strip's edge.
        const float cx = std::clamp(mFloatingX, r.L + 0.46f * w, r.R - 0.46f * w);
        const IRECT chip(cx - 0.46f * w, r.T + 1.0f, cx + 0.46f * w, r.B - 1.0f);
        g.FillRoundRect(mAccent.WithAlpha(235), chip, 11.0f);
        g.DrawRoundRect(kWhite.WithAlpha(235), chip, 11.0f, nullptr, 1.5f);
        g.DrawText(IText(10.0f, IColor(255, 37, 24, 52), "Roboto"),
                   ModuleShortName(mOrder[static_cast<std::size_t>(mDragSlot)]), chip);
        SetDirty(false);
    }
}

void RoutingStripControl::OnMouseDown(float x, float, const IMouseMod&)
{
    const int p = SlotAt(x);
    mDragSlot = p;
    mTargetSlot = p;
    mPressX = mPointerX = mFloatingX = x;
    mMarkerX = GetRECT().L + (p + 0.5f) * slotWidth();
    mMoved = false;
    SetDirty(false);
}

void RoutingStripControl::OnMouseDrag(float x, float, float, float, const IMouseMod&)
{
    if (mDragSlot < 0)
        return;
    mPointerX = std::clamp(x, GetRECT().L, GetRECT().R);
    mTargetSlot = SlotAt(x);
    if (std::fabs(x - mPressX) > kClickSlop)
        mMoved = true;
    SetDirty(false);
}

void RoutingStripControl::OnMouseUp(float, float, const IMouseMod&)
{
    if (mDragSlot < 0)
        return;
    const int from = mDragSlot, to = mTargetSlot;
    if (mMoved && to != from)
    {
        // Moving one entry and letting the others close up keeps every id exactly once.
        auto first = mOrder.begin();
        if (to > from)
            std::rotate(first + from, first + from + 1, first + to + 1);
        else
            std::rotate(first + to, first + from, first + from + 1);
        if (mOnOrderChanged)
            mOnOrderChanged(mOrder);
    }
    else
    {
        mSelected = mOrder[static_cast<std::size_t>(from)];
        if (mOnSelect)
            mOnSelect(mSelected);
    }
    mDragSlot = -1;
    mMoved = false;
    SetDirty(false);
}

} // namespace pomelu::editor
