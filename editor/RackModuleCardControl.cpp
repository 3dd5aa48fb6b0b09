// SPDX-License-Identifier: GPL-3.0-or-later
#include "RackModuleCardControl.h"

#include "IGraphics.h"

namespace pomelu::editor
{

using namespace igraphics;

RackModuleCardControl::RackModuleCardControl(const IRECT& bounds, int powerParamIdx, const char* title,
                                             const char* tagline, const IColor& accent, const IColor& fill,
                                             const IColor& ink)
    : IControl(bounds, powerParamIdx), mTitle(title != nullptr ? title : ""),
      mTagline(tagline != nullptr ? tagline : ""), mAccent(accent), mFill(fill), mInk(ink)
{
}

void RackModuleCardControl::Draw(IGraphics& g)
{
    const IRECT& r = GetRECT();
    const bool on = IsOn();
    g.FillRoundRect(on ? mAccent.WithAlpha(28) : mFill, r, 14.0f);
    if (on)
        g.DrawRoundRect(mAccent, r, 14.0f, nullptr, 1.8f);
    else
        g.DrawRoundRect(mInk.WithAlpha(58), r, 14.0f, nullptr, 1.0f);
    g.FillCircle(on ? mAccent : mInk.WithAlpha(100), r.L + 13.0f, r.T + 17.5f, 3.2f);
    g.DrawText(IText(15.0f, on ? mAccent : mInk, "MPlusBold", EAlign::Near, EVAlign::Middle), mTitle.c_str(),
               IRECT(r.L + 22.0f, r.T + 8.0f, r.R - 8.0f, r.T + 27.0f));
    // The tagline's line starts 15 units below the title's, clear of the title's baseline.
    g.DrawText(IText(11.0f, mInk.WithAlpha(225), "MPlusBold", EAlign::Near, EVAlign::Middle),
               mTagline.c_str(), IRECT(r.L + 22.0f, r.T + 23.0f, r.R - 8.0f, r.T + 39.0f));
}

} // namespace pomelu::editor
