// SPDX-License-Identifier: GPL-3.0-or-later
#include "RackCardControl.h"

#include "IGraphics.h"

namespace pomelu::editor
{

using namespace igraphics;

RackCardControl::RackCardControl(const IRECT& bounds, const char* title, const char* subtitle,
                                 const IColor& fill, const IColor& accent, const IColor& ink)
    : IControl(bounds), mTitle(title != nullptr ? title : ""), mSubtitle(subtitle != nullptr ? subtitle : ""),
      mFill(fill), mAccent(accent), mInk(ink)
{
}

void RackCardControl::Draw(IGraphics& g)
{
    const IRECT& r = GetRECT();
    g.FillRoundRect(mFill, r, 15.0f);
    g.DrawRoundRect(mAccent.WithAlpha(75), r, 15.0f, nullptr, 1.2f);
    g.FillCircle(mAccent.WithAlpha(48), r.L + 16.0f, r.T + 19.0f, 6.0f);
    g.FillCircle(mAccent, r.L + 16.0f, r.T + 19.0f, 2.8f);
    g.DrawText(IText(16.0f, mAccent, "MPlusBold", EAlign::Near, EVAlign::Middle), mTitle.c_str(),
               IRECT(r.L + 27.0f, r.T + 9.0f, r.R - 9.0f, r.T + 29.0f));
    // The subtitle's line starts 16 units below the title's, clear of the title's baseline.
    if (!mSubtitle.empty())
        g.DrawText(IText(12.0f, mInk.WithAlpha(225), "MPlusBold", EAlign::Near, EVAlign::Middle),
                   mSubtitle.c_str(), IRECT(r.L + 27.0f, r.T + 25.0f, r.R - 9.0f, r.T + 42.0f));
}

} // namespace pomelu::editor
