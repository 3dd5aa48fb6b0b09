// SPDX-License-Identifier: GPL-3.0-or-later
// What every step of one editor build shares: where controls go, the plug-in whose state they show
// and change, and the theme's colours and styles. Made once at the start of a build; controls copy
// what they need.
#pragma once

#include "IGraphics.h"

#include "PomeluRarorudIzad.h"
#include "Theme.h"

namespace pomelu::editor
{

struct LayoutContext
{
    igraphics::IGraphics& g;
    PomeluRarorudIzad& plug;
    ThemePalette palette;
    igraphics::IVStyle baseStyle;
    igraphics::IVStyle knobStyle;
    igraphics::IVStyle analyzerStyle;
    float right;  // the right margin line: page width - 18
    float bottom; // the bottom margin line: page height - 18

    LayoutContext(igraphics::IGraphics& graphics, PomeluRarorudIzad& p)
        : g(graphics), plug(p), palette(PaletteFor(p.GetParam(kTheme)->Value())),
          baseStyle(MakeBaseStyle(palette)), knobStyle(MakeKnobStyle(palette)),
          analyzerStyle(MakeAnalyzerStyle(palette)), right(static_cast<float>(graphics.Width()) - 18.0f),
          bottom(static_cast<float>(graphics.Height()) - 18.0f)
    {
    }
};

// The click of a page, sub-page or tab button: sets the plug-in's navigation field to value and asks
// for a rebuild, only when that changes what is shown.
template <class T> auto showOnClick(PomeluRarorudIzad& plug, T EditorNavigation::*field, T value)
{
    return [&plug, field, value]
    {
        T& current = plug.navigation().*field;
        if (current == value)
            return;
        current = value;
        plug.requestRebuild();
    };
}

} // namespace pomelu::editor
