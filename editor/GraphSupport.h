// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IControl.h"
#include "IGraphics.h"

#include <utility>

namespace pomelu::editor
{

// Sets value valIdx of c from a plain value the pointer asks for, held to the bound parameter's
// range and step (snapToParameter), and sends it to the plug-in as a user edit: what a graph's
// press or drag does. Nothing for a value bound to no parameter.
void setValueFromPointer(igraphics::IControl& c, int valIdx, double plain);

// Strokes the line through the n points point(i) (an (x, y) pair, logical units) with mitred joins
// (limit 10) and butt ends: how both graphs draw their curves.
template <class PointFn>
void strokeCurve(igraphics::IGraphics& g, int n, PointFn&& point, const igraphics::IColor& color,
                 float thickness)
{
    g.PathClear();
    for (int i = 0; i < n; ++i)
    {
        const std::pair<float, float> p = point(i);
        if (i == 0)
            g.PathMoveTo(p.first, p.second);
        else
            g.PathLineTo(p.first, p.second);
    }
    g.PathStroke(color, thickness, igraphics::IStrokeOptions{});
}

} // namespace pomelu::editor
