// SPDX-License-Identifier: GPL-3.0-or-later
#include "FittedText.h"

#include <algorithm>

namespace pomelu::editor
{

using namespace igraphics;

IText FitToWidth(IGraphics& g, const IText& text, const char* utf8, float width)
{
    const float w = g.MeasureText(text, utf8);
    if (w <= width || w <= 0.0f || text.size <= kMinFittedTextSize)
        return text;
    // Width grows in proportion to size; a hair less keeps rounding from tipping it over.
    return text.WithSize(std::max(kMinFittedTextSize, text.size * width / w * 0.995f));
}

void DrawFittedText(IGraphics& g, const IText& text, const char* utf8, const IRECT& r)
{
    g.DrawText(FitToWidth(g, text, utf8, r.W()), utf8, r);
}

} // namespace pomelu::editor
