// SPDX-License-Identifier: GPL-3.0-or-later
// Text that must stay inside a narrow box (a knob's label over a 53-unit column, a value such as
// "-18.0 dB", a toggle's "POWER  ON"): the face keeps its size where the text fits and shrinks
// just enough where it does not, so nothing is cut at the control's edge.
#pragma once

#include "IGraphics.h"

namespace pomelu::editor
{

// Smallest size a label is shrunk to; below it the text would stop being readable.
inline constexpr float kMinFittedTextSize = 7.0f;

// The style with its size reduced so utf8 is at most `width` wide (never below
// kMinFittedTextSize); unchanged when it fits. Inside Draw (it measures with g).
igraphics::IText FitToWidth(igraphics::IGraphics& g, const igraphics::IText& text, const char* utf8,
                            float width);

// DrawText with the style fitted to r's width.
void DrawFittedText(igraphics::IGraphics& g, const igraphics::IText& text, const char* utf8,
                    const igraphics::IRECT& r);

} // namespace pomelu::editor
