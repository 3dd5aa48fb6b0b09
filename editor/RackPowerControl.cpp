// SPDX-License-Identifier: GPL-3.0-or-later
#include "RackPowerControl.h"

#include "FittedText.h"

#include "IGraphics.h"

#include "Theme.h"

#include <cstdio>

namespace pomelu::editor
{

using namespace igraphics;

RackPowerControl::RackPowerControl(const IRECT& bounds, int paramIdx, const char* label,
                                   const IColor& onColor, const IColor& offColor, const IColor& ink,
                                   ToggleFunc onToggle)
    : IControl(bounds, paramIdx), mLabel(label != nullptr ? label : ""), mOnColor(onColor),
      mOffColor(offColor), mInk(ink), mOnToggle(std::move(onToggle))
{
}

std::string RackPowerControl::GetText() const
{
    char text[64];
    std::snprintf(text, sizeof text, "%s  %s", mLabel.c_str(), IsOn() ? "ON" : "OFF");
    return text;
}

void RackPowerControl::Draw(IGraphics& g)
{
    const IRECT& r = GetRECT();
    const bool on = IsOn();
    g.FillRoundRect(on ? mOnColor : mOffColor, r, 10.0f);
    if (on)
        g.DrawRoundRect(mOnColor, r, 10.0f, nullptr, 2.0f);
    else
        g.DrawRoundRect(mInk.WithAlpha(95), r, 10.0f, nullptr, 1.0f);
    g.FillCircle(on ? kWhite : mInk.WithAlpha(130), r.L + 12.0f, r.MH(), 3.5f);
    // The text sits right of the dot, so a narrow toggle ("POWER  ON" in 72 units) never writes over it.
    DrawFittedText(g, IText(11.0f, on ? kWhite : mInk, "MPlusBold"), GetText().c_str(),
                   IRECT(r.L + 18.0f, r.T, r.R - 4.0f, r.B));
}

void RackPowerControl::OnMouseDown(float, float, const IMouseMod&)
{
    SetValue(IsOn() ? 0.0 : 1.0);
    SetDirty(true);
    if (mOnToggle)
        mOnToggle();
}

} // namespace pomelu::editor
