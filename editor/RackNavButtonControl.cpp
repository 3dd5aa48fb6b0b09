// SPDX-License-Identifier: GPL-3.0-or-later
#include "RackNavButtonControl.h"

#include "FittedText.h"

#include "IGraphics.h"

#include "Theme.h"

namespace pomelu::editor
{

using namespace igraphics;

RackNavButtonControl::RackNavButtonControl(const IRECT& bounds, const char* label, bool selected,
                                           ClickFunc onClick, const IColor& selectedColor,
                                           const IColor& idleColor, const IColor& ink)
    : IControl(bounds), mLabel(label != nullptr ? label : ""), mSelected(selected),
      mOnClick(std::move(onClick)), mSelectedColor(selectedColor), mIdleColor(idleColor), mInk(ink)
{
}

void RackNavButtonControl::Draw(IGraphics& g)
{
    const IRECT& r = GetRECT();
    const IColor fill = mSelected ? mSelectedColor : mMouseIsOver ? mSelectedColor.WithAlpha(35) : mIdleColor;
    g.FillRoundRect(fill, r, 12.0f);
    if (mSelected)
        g.DrawRoundRect(mSelectedColor, r, 12.0f, nullptr, 2.0f);
    else
        g.DrawRoundRect(mInk.WithAlpha(70), r, 12.0f, nullptr, 1.0f);
    // Kept off the rounded ends, so a long tab label ("SYNC + TONE") never touches the outline.
    DrawFittedText(g, IText(12.0f, mSelected ? kWhite : mInk, "MPlusBold"), mLabel.c_str(),
                   r.GetPadded(6.0f, 0.0f, -6.0f, 0.0f));
}

void RackNavButtonControl::OnMouseDown(float, float, const IMouseMod&)
{
    if (mOnClick)
        mOnClick();
}

} // namespace pomelu::editor
