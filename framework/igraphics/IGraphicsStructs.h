// SPDX-License-Identifier: GPL-3.0-or-later
// Plain value types of the graphics toolkit: colours, rectangles, text and vector styles, blends,
// stroke options, mouse modifiers and key presses. No Cairo here: every type is a value record.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>

namespace igraphics
{

inline constexpr int kNoParameter = -1; // a control bound to no parameter
inline constexpr int kNoTag = -1;       // a control attached without a tag
inline constexpr int kNoValIdx = -1;    // "every value of the control"

class IControl;
// A control's action, run on the UI thread after a user change (SetDirty with the action).
using IActionFunction = std::function<void(IControl*)>;

// Colour as four integers 0..255: alpha, red, green, blue.
struct IColor
{
    int A = 255, R = 0, G = 0, B = 0;

    constexpr IColor() = default;
    constexpr IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}
    constexpr bool operator==(const IColor&) const = default;

    // The same colour at another alpha (0..255).
    constexpr IColor WithAlpha(int alpha) const { return {alpha, R, G, B}; }
    // Alpha scaled by f (0..1), e.g. a fill opacity.
    IColor WithOpacity(float f) const
    {
        return {static_cast<int>(std::lround(A * std::clamp(f, 0.0f, 1.0f))), R, G, B};
    }
};

// The one colour that paints like `top` painted over `bottom` (Porter-Duff "over").
inline IColor Over(const IColor& top, const IColor& bottom)
{
    const double at = top.A / 255.0, ab = bottom.A / 255.0 * (1.0 - top.A / 255.0), a = at + ab;
    if (a <= 0.0)
        return {0, 0, 0, 0};
    auto mix = [&](int t, int b) { return static_cast<int>(std::lround((t * at + b * ab) / a)); };
    return {static_cast<int>(std::lround(255.0 * a)), mix(top.R, bottom.R), mix(top.G, bottom.G),
            mix(top.B, bottom.B)};
}

inline constexpr IColor COLOR_TRANSPARENT{0, 0, 0, 0};
inline constexpr IColor COLOR_BLACK{255, 0, 0, 0};
inline constexpr IColor COLOR_WHITE{255, 255, 255, 255};
inline constexpr IColor COLOR_GRAY{255, 127, 127, 127};
inline constexpr IColor COLOR_RED{255, 255, 0, 0};
inline constexpr IColor COLOR_GREEN{255, 0, 255, 0};
inline constexpr IColor COLOR_BLUE{255, 0, 0, 255};
// The corner resizer's default handle: black at alpha 10.
inline constexpr IColor COLOR_TRANSLUCENT{10, 0, 0, 0};

// Rectangle (left, top, right, bottom) in logical units (floats).
struct IRECT
{
    float L = 0.0f, T = 0.0f, R = 0.0f, B = 0.0f;

    constexpr IRECT() = default;
    constexpr IRECT(float l, float t, float r, float b) : L(l), T(t), R(r), B(b) {}
    static constexpr IRECT MakeXYWH(float x, float y, float w, float h) { return {x, y, x + w, y + h}; }
    constexpr bool operator==(const IRECT&) const = default;

    constexpr float W() const { return R - L; }
    constexpr float H() const { return B - T; }
    constexpr float MW() const { return 0.5f * (L + R); }
    constexpr float MH() const { return 0.5f * (T + B); }
    constexpr bool Empty() const { return !(R > L && B > T); }

    // Half-open in x and y: a point on the right or bottom edge is outside.
    constexpr bool Contains(float x, float y) const { return x >= L && x < R && y >= T && y < B; }
    constexpr bool Contains(const IRECT& r) const { return r.L >= L && r.R <= R && r.T >= T && r.B <= B; }
    constexpr bool Intersects(const IRECT& r) const { return r.L < R && r.R > L && r.T < B && r.B > T; }
    constexpr IRECT Intersect(const IRECT& r) const
    {
        return Intersects(r) ? IRECT{std::max(L, r.L), std::max(T, r.T), std::min(R, r.R), std::min(B, r.B)}
                             : IRECT{};
    }
    // The smallest rectangle holding both; an empty operand is ignored.
    constexpr IRECT Union(const IRECT& r) const
    {
        if (Empty())
            return r;
        if (r.Empty())
            return *this;
        return {std::min(L, r.L), std::min(T, r.T), std::max(R, r.R), std::max(B, r.B)};
    }

    // Grown by p on every side (negative p shrinks).
    constexpr IRECT GetPadded(float p) const { return {L - p, T - p, R + p, B + p}; }
    constexpr IRECT GetPadded(float l, float t, float r, float b) const
    {
        return {L + l, T + t, R + r, B + b};
    }
    constexpr IRECT GetTranslated(float x, float y) const { return {L + x, T + y, R + x, B + y}; }
    constexpr IRECT GetScaled(float s) const { return {L * s, T * s, R * s, B * s}; }
    // Slices from one edge.
    constexpr IRECT GetFromTop(float h) const { return {L, T, R, T + h}; }
    constexpr IRECT GetFromBottom(float h) const { return {L, B - h, R, B}; }
    constexpr IRECT GetFromLeft(float w) const { return {L, T, L + w, B}; }
    constexpr IRECT GetFromRight(float w) const { return {R - w, T, R, B}; }
    constexpr IRECT GetReducedFromTop(float h) const { return {L, T + h, R, B}; }
    constexpr IRECT GetReducedFromBottom(float h) const { return {L, T, R, B - h}; }
    constexpr IRECT GetReducedFromLeft(float w) const { return {L + w, T, R, B}; }
    constexpr IRECT GetReducedFromRight(float w) const { return {L, T, R - w, B}; }
    // A centred rectangle of the given size.
    constexpr IRECT GetCentredInside(float w, float h) const
    {
        return {MW() - 0.5f * w, MH() - 0.5f * h, MW() + 0.5f * w, MH() + 0.5f * h};
    }
    // The largest centred square inside.
    constexpr IRECT GetCentredSquare() const
    {
        const float s = std::min(W(), H());
        return GetCentredInside(s, s);
    }
    // Cell (row, col) of an nRows x nCols grid of equal cells.
    constexpr IRECT GetGridCell(int row, int col, int nRows, int nCols) const
    {
        const float w = W() / static_cast<float>(nCols), h = H() / static_cast<float>(nRows);
        return {L + w * col, T + h * row, L + w * (col + 1), T + h * (row + 1)};
    }
    // Outward to whole numbers (for pixel-exact clipping and copying).
    IRECT GetPixelAligned() const { return {std::floor(L), std::floor(T), std::ceil(R), std::ceil(B)}; }
};

enum class EAlign
{
    Near,
    Center,
    Far
};

enum class EVAlign
{
    Top,
    Middle,
    Bottom
};

// Text style. size is in logical units (the font's em height); angle in degrees, clockwise, about
// the centre of the target rectangle. fontName names a face registered with IGraphics::LoadFont;
// an unknown or broken face falls back to another registered face, then to a generic sans-serif.
struct IText
{
    float size = 14.0f;
    IColor fgColor = COLOR_BLACK;
    std::string fontName = "Roboto";
    EAlign align = EAlign::Center;
    EVAlign valign = EVAlign::Middle;
    float angle = 0.0f;

    IText() = default;
    IText(float sz, const IColor& color, const char* font = "Roboto", EAlign a = EAlign::Center,
          EVAlign va = EVAlign::Middle, float ang = 0.0f)
        : size(sz), fgColor(color), fontName(font != nullptr ? font : ""), align(a), valign(va), angle(ang)
    {
    }
    IText WithFGColor(const IColor& c) const
    {
        IText t = *this;
        t.fgColor = c;
        return t;
    }
    IText WithSize(float s) const
    {
        IText t = *this;
        t.size = s;
        return t;
    }
    IText WithAlign(EAlign a) const
    {
        IText t = *this;
        t.align = a;
        return t;
    }
};

// How a drawing is composited onto what is below it.
enum class EBlend
{
    Default, // source over
    Clobber, // replace
    Add,
    Multiply,
    Screen
};

// Blend method and weight (0..1, multiplies the source's alpha).
struct IBlend
{
    EBlend method = EBlend::Default;
    float weight = 1.0f;
};

enum class ELineJoin
{
    Miter,
    Round,
    Bevel
};

enum class ELineCap
{
    Butt,
    Round,
    Square
};

// Stroke options for paths. dash: up to 8 on/off lengths in logical units, empty for solid.
struct IStrokeOptions
{
    ELineJoin join = ELineJoin::Miter;
    ELineCap cap = ELineCap::Butt;
    float miterLimit = 10.0f;
    std::array<float, 8> dash{};
    int dashCount = 0;
    float dashOffset = 0.0f;

    static IStrokeOptions Dotted(float on, float off)
    {
        IStrokeOptions o;
        o.dash[0] = on;
        o.dash[1] = off;
        o.dashCount = 2;
        return o;
    }
};

// Colour slots of a vector style, in their fixed order.
enum EVColor
{
    kBG, // background
    kFG, // foreground: the body of a widget
    kPR, // pressed
    kFR, // frame
    kHL, // highlight: hover and value arcs
    kSH, // shadow
    kX1, // extra 1: track
    kX2, // extra 2
    kX3, // extra 3
    kNumVColors
};

using IVColorSpec = std::array<IColor, kNumVColors>;

inline constexpr IVColorSpec kDefaultVColors = {
    IColor{255, 220, 220, 220}, // background
    IColor{255, 200, 200, 200}, // foreground
    IColor{255, 240, 240, 240}, // pressed
    IColor{255, 70, 70, 70},    // frame
    IColor{30, 0, 0, 0},        // highlight
    IColor{60, 0, 0, 0},        // shadow
    IColor{255, 249, 206, 34},  // extra 1
    IColor{255, 48, 166, 186},  // extra 2
    IColor{255, 249, 206, 34},  // extra 3
};

// The vector controls' style record.
struct IVStyle
{
    bool showLabel = true;
    bool showValue = true;
    bool hideCursor = true; // while dragging
    bool drawFrame = true;
    bool drawShadows = true;
    bool emboss = false;
    float roundness = 0.0f;      // 0 square corners .. 1 fully rounded
    float frameThickness = 1.0f; // logical units
    float shadowOffset = 3.0f;   // logical units
    float widgetFrac = 1.0f;     // share of the widget rectangle the widget fills
    float angle = 0.0f;          // degrees
    IVColorSpec colorSpec = kDefaultVColors;
    IText labelText{14.0f, COLOR_BLACK, "Roboto", EAlign::Center, EVAlign::Top};
    IText valueText{12.0f, COLOR_BLACK, "Roboto", EAlign::Center, EVAlign::Bottom};

    const IColor& GetColor(EVColor slot) const { return colorSpec[slot]; }
    // Styles are plain records: copy one and set fields (`IVStyle knob = base; knob.widgetFrac = 0.78f;`).
    IVStyle WithColor(EVColor slot, const IColor& c) const
    {
        IVStyle s = *this;
        s.colorSpec[slot] = c;
        return s;
    }
};

// Mouse buttons and modifier keys of one mouse event.
struct IMouseMod
{
    bool L = false, R = false;            // left, right button
    bool S = false, C = false, A = false; // shift, control, alt

    // The fine-adjust modifier of knobs and drags: control or shift.
    constexpr bool Fine() const { return C || S; }
};

// Keys the text entry and controls understand besides printable text.
enum class EVirtualKey
{
    Text, // a printable character (utf8 holds it)
    Backspace,
    Delete,
    Return,
    Escape,
    Tab,
    Left,
    Right,
    Up,
    Down,
    Home,
    End,
    Other // anything else: never handled by the editor, so host shortcuts keep working
};

// One key press: a virtual key, or composed UTF-8 text for a printable character.
struct IKeyPress
{
    EVirtualKey vk = EVirtualKey::Text;
    std::string utf8;
    bool S = false, C = false, A = false;
};

} // namespace igraphics
