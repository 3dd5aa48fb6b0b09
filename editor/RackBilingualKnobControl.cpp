// SPDX-License-Identifier: GPL-3.0-or-later
#include "RackBilingualKnobControl.h"

#include "FittedText.h"

#include <algorithm>

namespace pomelu::editor
{

using namespace igraphics;

RackBilingualKnobControl::RackBilingualKnobControl(const IRECT& bounds, int paramIdx,
                                                   const char* englishLabel, const char* japaneseLabel,
                                                   const IVStyle& style, bool valueIsEditable)
    : IVKnobControl(bounds, paramIdx, englishLabel, style, valueIsEditable, false, -135.0f, 135.0f, -135.0f,
                    EDirection::Vertical, 4.0, 2.0f),
      mEnglish(englishLabel != nullptr ? englishLabel : ""),
      mJapanese(japaneseLabel != nullptr ? japaneseLabel : ""), mLabelColor(style.labelText.fgColor)
{
}

void RackBilingualKnobControl::OnResize()
{
    const IRECT& r = GetRECT();
    mLabelBounds = IRECT(r.L, r.T, r.R, r.T + 29.0f);
    mValueBounds = IRECT(r.L + 5.0f, r.B - 18.0f, r.R - 5.0f, r.B);
    const float top = r.T + 32.0f, bottom = r.B - 21.0f;
    const float side = std::max(1.0f, std::min(r.W(), bottom - top));
    mWidgetBounds =
        IRECT(r.MW(), 0.5f * (top + bottom), r.MW(), 0.5f * (top + bottom)).GetCentredInside(side, side);
    mMouseIsOver = false;
    mValueMouseOver = false;
    SetTargetRECT(r);
    SetDirty(false);
}

void RackBilingualKnobControl::Draw(IGraphics& g)
{
    const IRECT& r = GetRECT();
    g.FillRect(GetColor(kBG), r, &mBlend);
    DrawFittedText(g, IText(11.0f, mLabelColor, "MPlusBold"), mEnglish.c_str(),
                   IRECT(r.L, r.T, r.R, r.T + 13.0f));
    DrawFittedText(g, IText(11.0f, mLabelColor.WithAlpha(230), "MPlusBold"), mJapanese.c_str(),
                   IRECT(r.L, r.T + 16.0f, r.R, r.T + 29.0f));
    DrawWidget(g);
    g.FillRoundRect(mLabelColor.WithAlpha(24), mValueBounds, 7.0f);
    g.DrawRoundRect(mLabelColor.WithAlpha(52), mValueBounds, 7.0f, nullptr, 1.0f);
    if (mValueMouseOver)
        g.FillRoundRect(IColor(10, 0, 0, 0), mValueBounds, 7.0f);
    if (mStyle.showValue)
        drawValue(g);
}

void RackBilingualKnobControl::drawValue(IGraphics& g) const
{
    const std::string text = GetValueText();
    const IRECT box = mValueBounds.GetPadded(3.0f, 0.0f, -3.0f, 0.0f);
    const IText fitted = FitToWidth(g, mStyle.valueText, text.c_str(), box.W());
    // A bilingual choice ("Soft Bloom / ふんわり") too long for one readable line goes on two, the
    // English over the Japanese.
    const std::size_t slash = text.find(" / ");
    if (fitted.size >= kMinReadableValueSize || slash == std::string::npos)
    {
        g.DrawText(fitted, text.c_str(), box);
        return;
    }
    const std::string english = text.substr(0, slash), japanese = text.substr(slash + 3);
    const IText line = mStyle.valueText.WithSize(std::min(mStyle.valueText.size, 0.5f * box.H()));
    DrawFittedText(g, line, english.c_str(), IRECT(box.L, box.T, box.R, box.MH()));
    DrawFittedText(g, line, japanese.c_str(), IRECT(box.L, box.MH(), box.R, box.B));
}

} // namespace pomelu::editor
