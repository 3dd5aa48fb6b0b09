// SPDX-License-Identifier: GPL-3.0-or-later
// The three colour themes and the vector styles the layout derives from them. Constant data: the
// layout picks a palette from the "Theme" parameter at every build and hands colours to the
// controls by value, so a control keeps the colours it was built with.
#pragma once

#include "IGraphicsStructs.h"

#include <array>

namespace pomelu::editor
{

// Five colours by role.
struct ThemePalette
{
    igraphics::IColor background; // window background
    igraphics::IColor ink;        // text, outlines, frames, unselected button text
    igraphics::IColor accent;     // selected and "on" states, card titles
    igraphics::IColor accent2;    // pressed colour of vector controls, compare button, version line
    igraphics::IColor panel;      // fill of cards, buttons and widget backgrounds
};

// In the order of the "Theme" parameter's values: "POMELU" (light), "DARK", "COOL".
inline constexpr std::array<ThemePalette, 3> kPalettes = {{
    {{255, 253, 247, 252},
     {255, 53, 29, 69},
     {255, 255, 92, 145},
     {255, 170, 129, 245},
     {255, 255, 242, 248}},
    {{255, 31, 24, 43}, {255, 245, 233, 255}, {255, 255, 92, 145}, {255, 199, 143, 255}, {255, 55, 40, 69}},
    {{255, 33, 26, 45}, {255, 248, 246, 250}, {255, 47, 126, 165}, {255, 215, 154, 199}, {255, 48, 39, 63}},
}};
inline constexpr const char* kThemeNames[3] = {"POMELU", "DARK", "COOL"};

// Colours that no theme changes.
inline constexpr igraphics::IColor kShadowColor{50, 60, 30, 70};
inline constexpr igraphics::IColor kWhite{255, 255, 255, 255};
inline constexpr igraphics::IColor kAnalyzerBackground{255, 42, 28, 57};
inline constexpr igraphics::IColor kAnalyzerLabel{255, 255, 230, 242};
inline constexpr igraphics::IColor kCurveLight{255, 255, 236, 247}; // the compressor curve's grid and readout

// The theme index for a "Theme" value: truncated toward zero; 1 and 2 pick "DARK" and "COOL",
// anything else (NaN included) "POMELU".
int ThemeIndexFor(double themeValue);
inline const ThemePalette& PaletteFor(double themeValue)
{
    return kPalettes[static_cast<std::size_t>(ThemeIndexFor(themeValue))];
}

// The base style of buttons; the knob style (widget 0.78, 11 pt labels, 12 pt values) and the
// analyzer style (dark plot, light Roboto label) are built from it.
igraphics::IVStyle MakeBaseStyle(const ThemePalette& p);
igraphics::IVStyle MakeKnobStyle(const ThemePalette& p);
igraphics::IVStyle MakeAnalyzerStyle(const ThemePalette& p);

} // namespace pomelu::editor
