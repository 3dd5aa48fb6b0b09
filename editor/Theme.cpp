// SPDX-License-Identifier: GPL-3.0-or-later
#include "Theme.h"

#include <cmath>

namespace pomelu::editor
{

using namespace igraphics;

int ThemeIndexFor(double themeValue)
{
    if (!std::isfinite(themeValue))
        return 0;
    const double t = std::trunc(themeValue);
    return t == 1.0 ? 1 : t == 2.0 ? 2 : 0;
}

IVStyle MakeBaseStyle(const ThemePalette& p)
{
    IVStyle s;
    s.showLabel = true;
    s.showValue = true;
    s.hideCursor = true;
    s.drawFrame = true;
    s.drawShadows = true;
    s.emboss = false;
    s.roundness = 0.0f;
    s.frameThickness = 1.0f;
    s.shadowOffset = 3.0f;
    s.widgetFrac = 1.0f;
    s.angle = 0.0f;
    s.colorSpec = {p.panel, p.accent, p.accent2, p.ink, p.accent, kShadowColor, p.ink, p.accent2, p.accent};
    s.labelText = IText(14.0f, p.ink, "MPlusBold", EAlign::Center, EVAlign::Middle);
    return s;
}

IVStyle MakeKnobStyle(const ThemePalette& p)
{
    IVStyle s = MakeBaseStyle(p);
    s.widgetFrac = 0.78f;
    s.labelText = IText(11.0f, p.ink, "MPlusBold", EAlign::Center, EVAlign::Middle);
    s.valueText = IText(12.0f, p.ink, "MPlusBold", EAlign::Center, EVAlign::Middle);
    return s;
}

IVStyle MakeAnalyzerStyle(const ThemePalette& p)
{
    IVStyle s = MakeBaseStyle(p);
    s.colorSpec[kBG] = kAnalyzerBackground;
    s.colorSpec[kFG] = p.accent;
    s.labelText = IText(12.0f, kAnalyzerLabel, "Roboto", EAlign::Center, EVAlign::Middle);
    return s;
}

} // namespace pomelu::editor
