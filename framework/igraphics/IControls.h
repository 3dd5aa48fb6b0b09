// SPDX-License-Identifier: GPL-3.0-or-later
// The framework's standard controls: panel, bitmap, text, vector button and knob, corner resizer.
// The text entry, popup menu, spectrum analyzer and meter have headers of their own.
#pragma once

#include "IControl.h"
#include "IGraphics.h"

#include <string>

namespace igraphics
{

// A solid colour filling its rectangle; the editor's background.
class IPanelControl : public IControl
{
public:
    IPanelControl(const IRECT& bounds, const IColor& color, bool drawFrame = false);
    void Draw(IGraphics& g) override;
    void SetColor(const IColor& c);

private:
    IColor mColor;
    bool mDrawFrame;
};

// A bitmap scaled into the rectangle. Bound to a parameter, it shows the frame for the value
// (frame 1 at 0, the last at 1); unbound, frame 1.
class IBitmapControl : public IControl
{
public:
    IBitmapControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = kNoParameter,
                   const IBlend& blend = {});
    void Draw(IGraphics& g) override;
    const IBitmap& GetBitmap() const { return mBitmap; }

private:
    IBitmap mBitmap;
};

// Text in a rectangle with a style, over an optional background colour.
class ITextControl : public IControl
{
public:
    ITextControl(const IRECT& bounds, const char* str, const IText& text = {},
                 const IColor& bgColor = COLOR_TRANSPARENT);
    void Draw(IGraphics& g) override;
    void SetStr(const char* str);
    const char* GetStr() const { return mStr.c_str(); }
    void SetText(const IText& text);
    const IText& GetText() const { return mText; }

private:
    std::string mStr;
    IText mText;
    IColor mBgColor;
};

enum class EDirection
{
    Vertical,
    Horizontal
};

enum class EVShape
{
    Rectangle,
    Ellipse
};

// What the vector controls share: a style, a label, and three rectangles inside the control's:
// label (above), widget, value (below, or inside the widget). Subclasses may compute the three
// rectangles themselves in OnResize instead of calling MakeRects.
class IVectorBase
{
public:
    IVectorBase(const IVStyle& style, const char* label, bool labelInWidget = false,
                bool valueInWidget = false);
    virtual ~IVectorBase() = default;

    const IVStyle& GetStyle() const { return mStyle; }
    void SetStyle(const IVStyle& style) { mStyle = style; }
    const char* GetLabelStr() const { return mLabelStr.c_str(); }
    void SetLabelStr(const char* s) { mLabelStr = s != nullptr ? s : ""; }
    const char* GetValueStr() const { return mValueStr.c_str(); }
    void SetValueStr(const char* s) { mValueStr = s != nullptr ? s : ""; }
    const IRECT& GetLabelBounds() const { return mLabelBounds; }
    const IRECT& GetWidgetBounds() const { return mWidgetBounds; }
    const IRECT& GetValueBounds() const { return mValueBounds; }
    const IColor& GetColor(EVColor slot) const { return mStyle.GetColor(slot); }
    // Corner radius of a rectangle for the style's roundness (0 square .. 1 half the short side).
    float GetRoundedCornerRadius(const IRECT& r) const;

protected:
    // Default split of parent: the label on top (when shown and not in the widget), the value at the
    // bottom (when shown and not in the widget), the widget between them.
    void MakeRects(const IRECT& parent);
    void DrawLabel(IGraphics& g) const;
    void DrawValueText(IGraphics& g) const;
    // A rectangle or ellipse body with shadow, frame, pressed and hover states.
    void DrawPressableShape(IGraphics& g, EVShape shape, const IRECT& r, bool pressed, bool mouseOver) const;

    IVStyle mStyle;
    std::string mLabelStr;
    std::string mValueStr;
    bool mLabelInWidget, mValueInWidget;
    IRECT mLabelBounds, mWidgetBounds, mValueBounds;
};

// A push button: the action runs at mouse-down (value 1 until mouse-up). The label sits above the
// body or inside it; the value text (SetValueStr) inside the body or below it.
class IVButtonControl : public IControl, public IVectorBase
{
public:
    IVButtonControl(const IRECT& bounds, IActionFunction action = nullptr, const char* label = "",
                    const IVStyle& style = {}, bool labelInButton = true, bool valueInButton = true,
                    EVShape shape = EVShape::Rectangle);
    void Draw(IGraphics& g) override;
    void OnResize() override;
    void OnMouseDown(float x, float y, const IMouseMod& mod) override;
    void OnMouseUp(float x, float y, const IMouseMod& mod) override;
    void OnMouseDblClick(float x, float y, const IMouseMod& mod) override { OnMouseDown(x, y, mod); }

private:
    EVShape mShape;
};

// Knob mouse handling. A drag over gearing x the control's height (width for horizontal knobs)
// sweeps the whole range; the fine modifier (Ctrl or Shift) makes it ten times finer. The drag
// accumulates an unsnapped value and re-anchors on every motion, so switching the modifier never
// jumps and a stepped parameter moves a step only when the pointer went far enough. A wheel notch
// moves 1 % of the range (0.1 % fine), or one step of a stepped parameter.
class IKnobControlBase : public IControl
{
public:
    IKnobControlBase(const IRECT& bounds, int paramIdx, EDirection direction = EDirection::Vertical,
                     double gearing = 4.0);
    void OnMouseDown(float x, float y, const IMouseMod& mod) override;
    void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
    void OnMouseUp(float x, float y, const IMouseMod& mod) override;
    void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;
    double GetGearing() const { return mGearing; }
    void SetGearing(double g) { mGearing = g; }
    bool IsDragging() const { return mDragging; }

protected:
    EDirection mDirection;
    double mGearing;
    double mMouseDragValue = 0.0;
    bool mDragging = false;
};

// The vector knob: label above, knob (track, value arc from the anchor angle, pointer), value text
// below, which opens a text entry for the value when valueIsEditable (the entry refuses text that is
// not a value of the parameter). Angles in degrees, 0 at twelve o'clock, clockwise: the knob sweeps
// from a1 (value 0) to a2 (value 1); the value arc starts at aAnchor.
//
// Colours: the track in the frame colour at alpha 60, the value arc in extra 3, the body in the
// foreground (pressed colour while dragging), the frame and pointer in the frame colour, a
// highlight ring while the pointer is over the knob; the value box takes the highlight colour
// while the pointer is over it.
class IVKnobControl : public IKnobControlBase, public IVectorBase
{
public:
    IVKnobControl(const IRECT& bounds, int paramIdx, const char* label = "", const IVStyle& style = {},
                  bool valueIsEditable = false, bool valueInWidget = false, float a1 = -135.0f,
                  float a2 = 135.0f, float aAnchor = -135.0f, EDirection direction = EDirection::Vertical,
                  double gearing = 4.0, float trackSize = 2.0f);
    void Draw(IGraphics& g) override;
    void OnResize() override;
    void OnMouseDown(float x, float y, const IMouseMod& mod) override;
    void OnMouseOver(float x, float y, const IMouseMod& mod) override;
    void OnMouseOut() override;

    // The knob itself, in the widget rectangle. Subclasses with their own frame call it.
    void DrawWidget(IGraphics& g) const;
    // The value text of the bound parameter with its unit.
    std::string GetValueText() const;
    float GetAngle1() const { return mAngle1; }
    float GetAngle2() const { return mAngle2; }
    float GetAnchorAngle() const { return mAnchorAngle; }
    float GetTrackSize() const { return mTrackSize; }
    bool IsValueEditable() const { return mValueIsEditable; }
    // The pointer is over the value rectangle (the hover overlay there).
    bool GetValueMouseOver() const { return mValueMouseOver; }

protected:
    float mAngle1, mAngle2, mAnchorAngle, mTrackSize;
    bool mValueIsEditable;
    bool mValueMouseOver = false;
};

enum class EUIResizerMode
{
    Scale, // the page scales with the window
    Size   // reserved: the page would grow (the product never uses it)
};

// The handle at the bottom-right corner that resizes the window by dragging; the new size keeps the
// page's aspect and is requested through IGraphics::RequestResize (the window asks the host at its
// next tick). With layoutOnResize the layout function runs after every resize.
class ICornerResizerControl : public IControl
{
public:
    ICornerResizerControl(const IRECT& pageBounds, float size = 20.0f,
                          const IColor& color = COLOR_TRANSLUCENT, const IColor& mouseOverColor = COLOR_BLACK,
                          const IColor& dragColor = COLOR_BLACK, EUIResizerMode mode = EUIResizerMode::Scale,
                          bool layoutOnResize = false);
    void Draw(IGraphics& g) override;
    void OnMouseDown(float x, float y, const IMouseMod& mod) override;
    void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
    void OnMouseUp(float x, float y, const IMouseMod& mod) override;
    void OnMouseDblClick(float, float, const IMouseMod&) override {}
    EUIResizerMode GetMode() const { return mMode; }
    bool GetLayoutOnResize() const { return mLayoutOnResize; }
    float GetSize() const { return mSize; }

private:
    float mSize;
    IColor mColor, mMouseOverColor, mDragColor;
    EUIResizerMode mMode;
    bool mLayoutOnResize;
    bool mDragging = false;
    float mGrabOffsetX = 0.0f, mGrabOffsetY = 0.0f; // window pixels from the pointer to the corner
};

} // namespace igraphics
