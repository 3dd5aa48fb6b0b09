// SPDX-License-Identifier: GPL-3.0-or-later
#include "IControls.h"

#include "Mappings.h"

#include "IParam.h"

#include <cmath>

namespace igraphics
{

// ------------------------------------------------------------------ panel, bitmap, text

IPanelControl::IPanelControl(const IRECT& bounds, const IColor& color, bool drawFrame)
    : IControl(bounds), mColor(color), mDrawFrame(drawFrame)
{
}

void IPanelControl::Draw(IGraphics& g)
{
    g.FillRect(mColor, GetRECT(), &mBlend);
    if (mDrawFrame)
        g.DrawRect(COLOR_BLACK, GetRECT(), &mBlend);
}

void IPanelControl::SetColor(const IColor& c)
{
    mColor = c;
    SetDirty(false);
}

IBitmapControl::IBitmapControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx, const IBlend& blend)
    : IControl(bounds, paramIdx), mBitmap(bitmap)
{
    mBlend = blend;
}

void IBitmapControl::Draw(IGraphics& g)
{
    const int frame = 1 + static_cast<int>(std::lround(GetValue() * (mBitmap.N() - 1)));
    g.DrawBitmap(mBitmap, GetRECT(), frame, &mBlend);
}

ITextControl::ITextControl(const IRECT& bounds, const char* str, const IText& text, const IColor& bgColor)
    : IControl(bounds), mStr(str != nullptr ? str : ""), mText(text), mBgColor(bgColor)
{
}

void ITextControl::Draw(IGraphics& g)
{
    if (mBgColor.A > 0)
        g.FillRect(mBgColor, GetRECT(), &mBlend);
    g.DrawText(mText, mStr.c_str(), GetRECT(), &mBlend);
}

void ITextControl::SetStr(const char* str)
{
    const std::string s = str != nullptr ? str : "";
    if (s != mStr)
    {
        mStr = s;
        SetDirty(false);
    }
}

void ITextControl::SetText(const IText& text)
{
    mText = text;
    SetDirty(false);
}

// ------------------------------------------------------------------ vector base

IVectorBase::IVectorBase(const IVStyle& style, const char* label, bool labelInWidget, bool valueInWidget)
    : mStyle(style), mLabelStr(label != nullptr ? label : ""), mLabelInWidget(labelInWidget),
      mValueInWidget(valueInWidget)
{
}

float IVectorBase::GetRoundedCornerRadius(const IRECT& r) const
{
    return std::clamp(mStyle.roundness, 0.0f, 1.0f) * 0.5f * std::min(r.W(), r.H());
}

void IVectorBase::MakeRects(const IRECT& parent)
{
    IRECT rest = parent;
    mLabelBounds = {};
    mValueBounds = {};
    if (mStyle.showLabel && !mLabelStr.empty() && !mLabelInWidget)
    {
        mLabelBounds = rest.GetFromTop(mStyle.labelText.size + 4.0f);
        rest = rest.GetReducedFromTop(mLabelBounds.H());
    }
    if (mStyle.showValue && !mValueInWidget)
    {
        mValueBounds = rest.GetFromBottom(mStyle.valueText.size + 6.0f);
        rest = rest.GetReducedFromBottom(mValueBounds.H());
    }
    mWidgetBounds = rest;
    if (mLabelInWidget)
        mLabelBounds = mWidgetBounds;
    if (mValueInWidget)
        mValueBounds = mWidgetBounds;
}

void IVectorBase::DrawLabel(IGraphics& g) const
{
    if (mStyle.showLabel && !mLabelStr.empty())
        g.DrawText(mStyle.labelText, mLabelStr.c_str(), mLabelBounds);
}

void IVectorBase::DrawValueText(IGraphics& g) const
{
    if (mStyle.showValue && !mValueStr.empty())
        g.DrawText(mStyle.valueText, mValueStr.c_str(), mValueBounds);
}

void IVectorBase::DrawPressableShape(IGraphics& g, EVShape shape, const IRECT& bounds, bool pressed,
                                     bool mouseOver) const
{
    const float off = mStyle.drawShadows ? mStyle.shadowOffset : 0.0f;
    IRECT body = bounds.GetReducedFromRight(off).GetReducedFromBottom(off);
    if (pressed)
        body = body.GetTranslated(off, off);
    const float cr = GetRoundedCornerRadius(body);
    auto fill = [&](const IColor& c, const IRECT& r)
    {
        if (shape == EVShape::Ellipse)
            g.FillEllipse(c, r);
        else
            g.FillRoundRect(c, r, cr);
    };
    if (mStyle.drawShadows && !pressed)
        fill(GetColor(kSH), body.GetTranslated(off, off));
    fill(GetColor(pressed ? kPR : kFG), body);
    if (mouseOver)
        fill(GetColor(kHL).WithAlpha(std::min(GetColor(kHL).A, 60)), body);
    if (mStyle.drawFrame && mStyle.frameThickness > 0.0f)
    {
        if (shape == EVShape::Ellipse)
            g.DrawEllipse(GetColor(kFR), body, nullptr, mStyle.frameThickness);
        else
            g.DrawRoundRect(GetColor(kFR), body, cr, nullptr, mStyle.frameThickness);
    }
}

// ------------------------------------------------------------------ button

IVButtonControl::IVButtonControl(const IRECT& bounds, IActionFunction action, const char* label,
                                 const IVStyle& style, bool labelInButton, bool valueInButton, EVShape shape)
    : IControl(bounds, kNoParameter, std::move(action)),
      IVectorBase(style, label, labelInButton, valueInButton), mShape(shape)
{
}

void IVButtonControl::OnResize()
{
    MakeRects(GetRECT());
    // No value text: the body takes the value's place.
    if (mValueStr.empty() && !mValueInWidget)
        mWidgetBounds = mWidgetBounds.Union(mValueBounds);
    if (mLabelInWidget)
        mLabelBounds = mWidgetBounds;
    SetDirty(false);
}

void IVButtonControl::Draw(IGraphics& g)
{
    DrawPressableShape(g, mShape, mWidgetBounds, GetValue() > 0.5, mMouseIsOver);
    DrawLabel(g);
    DrawValueText(g);
}

void IVButtonControl::OnMouseDown(float, float, const IMouseMod&)
{
    SetValue(1.0);
    SetDirty(true);
}

void IVButtonControl::OnMouseUp(float, float, const IMouseMod&)
{
    SetValue(0.0);
    SetDirty(false);
}

// ------------------------------------------------------------------ knob

IKnobControlBase::IKnobControlBase(const IRECT& bounds, int paramIdx, EDirection direction, double gearing)
    : IControl(bounds, paramIdx), mDirection(direction), mGearing(gearing > 0.0 ? gearing : 1.0)
{
}

void IKnobControlBase::OnMouseDown(float, float, const IMouseMod&)
{
    BeginGestureEdits();
    mMouseDragValue = GetValue();
    mDragging = true;
    SetDirty(false);
}

void IKnobControlBase::OnMouseDrag(float, float, float dX, float dY, const IMouseMod& mod)
{
    const double gearing = mod.Fine() ? mGearing * 10.0 : mGearing;
    const double span = mDirection == EDirection::Vertical ? GetRECT().H() : GetRECT().W();
    const double delta = mDirection == EDirection::Vertical ? -dY : dX;
    mMouseDragValue = std::clamp(mMouseDragValue + delta / (std::max(1.0, span) * gearing), 0.0, 1.0);
    if (mMouseDragValue != GetValue())
        SetValueFromUserInput(mMouseDragValue, 0);
}

void IKnobControlBase::OnMouseUp(float, float, const IMouseMod&)
{
    mDragging = false;
    SetDirty(false);
}

void IKnobControlBase::OnMouseWheel(float, float, const IMouseMod& mod, float d)
{
    double step = mod.Fine() ? 0.001 : 0.01;
    if (const iplug::IParam* p = GetParam(); p != nullptr && p->GetStepped() && p->GetRange() > 0.0)
        step = p->GetStep() / p->GetRange();
    const double v = std::clamp(GetValue() + d * step, 0.0, 1.0);
    if (v != GetValue())
        SetValueFromUserInput(v, 0);
}

IVKnobControl::IVKnobControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                             bool valueIsEditable, bool valueInWidget, float a1, float a2, float aAnchor,
                             EDirection direction, double gearing, float trackSize)
    : IKnobControlBase(bounds, paramIdx, direction, gearing), IVectorBase(style, label, false, valueInWidget),
      mAngle1(a1), mAngle2(a2), mAnchorAngle(aAnchor), mTrackSize(trackSize),
      mValueIsEditable(valueIsEditable)
{
}

void IVKnobControl::OnResize()
{
    MakeRects(GetRECT());
    SetDirty(false);
}

std::string IVKnobControl::GetValueText() const
{
    return GetParam() != nullptr ? GetParamValueText() : mValueStr;
}

void IVKnobControl::DrawWidget(IGraphics& g) const
{
    const IRECT& w = mWidgetBounds;
    const float cx = w.MW(), cy = w.MH();
    const float outer = 0.5f * std::min(w.W(), w.H()) * std::clamp(mStyle.widgetFrac, 0.05f, 1.0f);
    const float arcR = std::max(1.0f, outer - 0.5f * mTrackSize);
    const float bodyR = std::max(1.0f, arcR - mTrackSize - 0.12f * outer);
    const float angle = static_cast<float>(AngleForValue(GetValue(), mAngle1, mAngle2));

    g.DrawArc(GetColor(kFR).WithAlpha(60), cx, cy, arcR, mAngle1, mAngle2, nullptr, mTrackSize);
    g.DrawArc(GetColor(kX3), cx, cy, arcR, std::min(mAnchorAngle, angle), std::max(mAnchorAngle, angle),
              nullptr, mTrackSize);
    if (mStyle.drawShadows)
        g.FillCircle(GetColor(kSH), cx + 0.5f * mStyle.shadowOffset, cy + 0.5f * mStyle.shadowOffset, bodyR);
    g.FillCircle(GetColor(mDragging ? kPR : kFG), cx, cy, bodyR);
    if (mMouseIsOver && !mValueMouseOver)
        g.DrawCircle(GetColor(kHL), cx, cy, bodyR + 1.0f, nullptr, 2.0f);
    if (mStyle.drawFrame && mStyle.frameThickness > 0.0f)
        g.DrawCircle(GetColor(kFR), cx, cy, bodyR, nullptr, mStyle.frameThickness);
    const IPoint tip = PointOnCircle(cx, cy, bodyR * 0.85f, angle);
    const IPoint base = PointOnCircle(cx, cy, bodyR * 0.3f, angle);
    IStrokeOptions round;
    round.cap = ELineCap::Round;
    g.PathClear();
    g.PathMoveTo(base.x, base.y);
    g.PathLineTo(tip.x, tip.y);
    g.PathStroke(GetColor(kFR), std::max(1.5f, mTrackSize), round);
}

void IVKnobControl::Draw(IGraphics& g)
{
    DrawLabel(g);
    DrawWidget(g);
    if (mStyle.showValue)
    {
        if (mValueMouseOver && mValueIsEditable)
            g.FillRoundRect(GetColor(kHL).WithAlpha(std::min(GetColor(kHL).A, 60)), mValueBounds, 3.0f);
        const std::string text = GetValueText();
        g.DrawText(mStyle.valueText, text.c_str(), mValueBounds);
    }
}

void IVKnobControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
    if (mValueIsEditable && mStyle.showValue && mValueBounds.Contains(x, y))
    {
        PromptUserInput(mValueBounds);
        return;
    }
    IKnobControlBase::OnMouseDown(x, y, mod);
}

void IVKnobControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
    const bool overValue = mStyle.showValue && mValueBounds.Contains(x, y);
    if (overValue != mValueMouseOver)
        SetDirty(false);
    mValueMouseOver = overValue;
    IControl::OnMouseOver(x, y, mod);
}

void IVKnobControl::OnMouseOut()
{
    mValueMouseOver = false;
    IControl::OnMouseOut();
}

// ------------------------------------------------------------------ corner resizer

ICornerResizerControl::ICornerResizerControl(const IRECT& pageBounds, float size, const IColor& color,
                                             const IColor& mouseOverColor, const IColor& dragColor,
                                             EUIResizerMode mode, bool layoutOnResize)
    : IControl(pageBounds.GetFromBottom(size).GetFromRight(size)), mSize(size), mColor(color),
      mMouseOverColor(mouseOverColor), mDragColor(dragColor), mMode(mode), mLayoutOnResize(layoutOnResize)
{
}

void ICornerResizerControl::Draw(IGraphics& g)
{
    const IRECT& r = GetRECT();
    const IColor& c = mDragging ? mDragColor : (mMouseIsOver ? mMouseOverColor : mColor);
    const float x[3] = {r.R, r.R, r.L};
    const float y[3] = {r.T, r.B, r.B};
    g.FillPolygon(c, x, y, 3);
}

void ICornerResizerControl::OnMouseDown(float x, float y, const IMouseMod&)
{
    IGraphics* ui = GetUI();
    const float s = ui->GetDrawScale();
    mGrabOffsetX = static_cast<float>(ui->WindowWidth()) - x * s;
    mGrabOffsetY = static_cast<float>(ui->WindowHeight()) - y * s;
    mDragging = true;
    SetDirty(false);
}

void ICornerResizerControl::OnMouseDrag(float x, float y, float, float, const IMouseMod&)
{
    IGraphics* ui = GetUI();
    const float s = ui->GetDrawScale();
    // The corner follows the pointer; the larger of the two proposed scales wins, aspect kept.
    const float wantW = x * s + mGrabOffsetX, wantH = y * s + mGrabOffsetY;
    const float scale =
        std::max(wantW / static_cast<float>(ui->Width()), wantH / static_cast<float>(ui->Height()));
    int w = 0, h = 0;
    ui->WindowSizeForScale(std::max(scale, 0.05f), w, h);
    if (w != ui->WindowWidth() || h != ui->WindowHeight())
        ui->RequestResize(w, h);
}

void ICornerResizerControl::OnMouseUp(float, float, const IMouseMod&)
{
    mDragging = false;
    SetDirty(false);
}

} // namespace igraphics
