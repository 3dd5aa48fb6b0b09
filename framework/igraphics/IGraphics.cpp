// SPDX-License-Identifier: GPL-3.0-or-later
#include "IGraphics.h"

#include "IControl.h"
#include "IControls.h"
#include "IPopupMenu.h"
#include "ITextEntryControl.h"
#include "Mappings.h"
#include "Resources.h"

#include "IParam.h"
#include "IPlugBase.h"

#include <cairo.h>

#include <chrono>
#include <cmath>
#include <cstdio>

namespace igraphics
{

namespace
{

// More separate dirty rectangles than this are drawn as their bounding box: one large clip costs
// less than many small passes over the control list.
constexpr std::size_t kMaxDirtyRects = 8;

cairo_operator_t cairoOperator(EBlend method)
{
    switch (method)
    {
    case EBlend::Clobber:
        return CAIRO_OPERATOR_SOURCE;
    case EBlend::Add:
        return CAIRO_OPERATOR_ADD;
    case EBlend::Multiply:
        return CAIRO_OPERATOR_MULTIPLY;
    case EBlend::Screen:
        return CAIRO_OPERATOR_SCREEN;
    case EBlend::Default:
        break;
    }
    return CAIRO_OPERATOR_OVER;
}

double rad(float deg)
{
    // Our 0 degrees is twelve o'clock; Cairo's is three o'clock.
    return (deg - 90.0) * kPi / 180.0;
}

// A new path through the n points (n >= 1), left open.
void tracePolyline(cairo_t* cr, const float* x, const float* y, int n)
{
    cairo_new_path(cr);
    cairo_move_to(cr, x[0], y[0]);
    for (int i = 1; i < n; ++i)
        cairo_line_to(cr, x[i], y[i]);
}

// Unhinted metrics: text keeps its logical size and place at every scale.
void setTextOptions(cairo_t* cr)
{
    cairo_font_options_t* fo = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, fo);
    cairo_font_options_destroy(fo);
}

} // namespace

IBitmap::IBitmap(cairo_surface_t* surface, int nFrames, bool framesAreHorizontal)
    : mSurface(surface, cairo_surface_destroy), mW(cairo_image_surface_get_width(surface)),
      mH(cairo_image_surface_get_height(surface)), mN(std::max(1, nFrames)), mHorizontal(framesAreHorizontal)
{
}

IGraphics::IGraphics(iplug::IPlugBase& plug, int width, int height, int fps, float scale)
    : mPlug(plug), mWidth(std::max(1, width)), mHeight(std::max(1, height)), mFPS(std::max(1, fps))
{
    int w = 0, h = 0;
    WindowSizeForScale(scale > 0.0f ? scale : 1.0f, w, h);
    SetWindowSize(w, h);
}

IGraphics::~IGraphics()
{
    RemoveAllControls();
    if (mCr != nullptr)
        cairo_destroy(mCr);
    if (mBackBuffer != nullptr)
        cairo_surface_destroy(mBackBuffer);
}

// ------------------------------------------------------------------ plug-in side

void IGraphics::OnControlMessage(int ctrlTag, int msgTag, int dataSize, const void* pData)
{
    if (ctrlTag == kNoTag)
        return;
    if (IControl* c = GetControlWithTag(ctrlTag))
        c->OnMsgFromDelegate(msgTag, dataSize, pData);
}

void IGraphics::OnParameterValue(int idx, double normalized)
{
    showParamValue(idx, normalized, mCaptured);
}

void IGraphics::showParamValue(int idx, double normalized, const IControl* except)
{
    forEachControl(
        [&](IControl& c)
        {
            if (&c != except)
                if (const int v = c.GetValIdxForParam(idx); v != kNoValIdx)
                    c.SetValueFromDelegate(normalized, v);
        });
}

void IGraphics::RemoveAllControls()
{
    endGestures();
    mCaptured = nullptr;
    mMouseOver = nullptr;
    mTooltipShown = false;
    mHoverFrames = 0;
    mPopupMenu.reset();
    mTextEntry.reset();
    mCornerResizer.reset();
    mControls.clear();
    mBackground = IColor(0, 0, 0, 0);
    SetRegionDirty(windowArea());
}

// ------------------------------------------------------------------ size

void IGraphics::WindowSizeForScale(float scale, int& pixelWidth, int& pixelHeight) const
{
    pixelWidth = std::max(1, static_cast<int>(std::lround(mWidth * scale)));
    pixelHeight = std::max(1, static_cast<int>(std::lround(mHeight * scale)));
}

void IGraphics::SetWindowSize(int pixelWidth, int pixelHeight)
{
    pixelWidth = std::max(1, pixelWidth);
    pixelHeight = std::max(1, pixelHeight);
    if (mBackBuffer != nullptr && pixelWidth == mWindowW && pixelHeight == mWindowH)
        return;
    mWindowW = pixelWidth;
    mWindowH = pixelHeight;
    mScale = std::min(static_cast<float>(pixelWidth) / mWidth, static_cast<float>(pixelHeight) / mHeight);
    if (mCr != nullptr)
        cairo_destroy(mCr);
    if (mBackBuffer != nullptr)
        cairo_surface_destroy(mBackBuffer);
    mBackBuffer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, mWindowW, mWindowH);
    mCr = cairo_create(mBackBuffer);
    setTextOptions(mCr);
    mDirty.clear();
    SetRegionDirty(windowArea());
    mTooltipShown = false;
}

void IGraphics::RequestResize(int pixelWidth, int pixelHeight)
{
    mPendingResizeW = pixelWidth;
    mPendingResizeH = pixelHeight;
}

bool IGraphics::TakeResizeRequest(int& pixelWidth, int& pixelHeight)
{
    if (mPendingResizeW <= 0 || mPendingResizeH <= 0)
        return false;
    pixelWidth = mPendingResizeW;
    pixelHeight = mPendingResizeH;
    mPendingResizeW = mPendingResizeH = 0;
    return true;
}

// ------------------------------------------------------------------ controls

void IGraphics::forEachControl(const std::function<void(IControl&)>& f) const
{
    for (const auto& c : mControls)
        f(*c);
    if (mCornerResizer)
        f(*mCornerResizer);
    if (mTextEntry)
        f(*mTextEntry);
    if (mPopupMenu)
        f(*mPopupMenu);
}

IControl* IGraphics::AttachControl(IControl* pControl, int ctrlTag)
{
    if (pControl == nullptr)
        return nullptr;
    pControl->mGraphics = this;
    pControl->mTag = ctrlTag;
    for (int v = 0; v < pControl->NVals(); ++v)
        if (const iplug::IParam* p = mPlug.GetParam(pControl->GetParamIdx(v)))
            pControl->SetValue(p->GetNormalized(), v);
    mControls.emplace_back(pControl);
    pControl->OnResize();
    pControl->OnInit();
    pControl->SetDirty(false);
    return pControl;
}

IControl* IGraphics::GetControl(int idx) const
{
    return idx >= 0 && idx < NControls() ? mControls[static_cast<std::size_t>(idx)].get() : nullptr;
}

IControl* IGraphics::GetControlWithTag(int ctrlTag) const
{
    if (ctrlTag == kNoTag)
        return nullptr;
    for (const auto& c : mControls)
        if (c->GetTag() == ctrlTag)
            return c.get();
    return nullptr;
}

void IGraphics::RemoveControl(IControl* pControl)
{
    for (auto it = mControls.begin(); it != mControls.end(); ++it)
        if (it->get() == pControl)
        {
            if (mCaptured == pControl)
            {
                pControl->endGesture();
                mCaptured = nullptr;
            }
            if (mMouseOver == pControl)
                mMouseOver = nullptr;
            SetRegionDirty(pControl->GetRECT());
            mControls.erase(it);
            return;
        }
}

IControl* IGraphics::AttachPanelBackground(const IColor& color)
{
    auto* panel = new IPanelControl(GetBounds(), color);
    AttachControl(panel);
    mBackground = color;
    SetRegionDirty(windowArea());
    // Under everything attached before it.
    std::rotate(mControls.begin(), mControls.end() - 1, mControls.end());
    return panel;
}

void IGraphics::AttachCornerResizer(ICornerResizerControl* pResizer)
{
    if (mCaptured == mCornerResizer.get())
        mCaptured = nullptr;
    mCornerResizer.reset(pResizer);
    if (pResizer != nullptr)
    {
        pResizer->mGraphics = this;
        pResizer->OnResize();
        pResizer->SetDirty(false);
    }
}

void IGraphics::AttachTextEntryControl()
{
    if (!mTextEntry)
    {
        mTextEntry = std::make_unique<ITextEntryControl>();
        mTextEntry->mGraphics = this;
    }
}

void IGraphics::EnableTooltips(bool enable)
{
    mTooltipsEnabled = enable;
    if (enable)
        mMouseOverEnabled = true;
}

const char* IGraphics::GetShownTooltip() const
{
    return mTooltipShown && mMouseOver != nullptr ? mMouseOver->GetTooltip() : nullptr;
}

// ------------------------------------------------------------------ resources

bool IGraphics::LoadFont(const char* name, const char* fileName)
{
    const bool ok = mFonts.Load(name, fileName);
    SetAllControlsDirty();
    return ok;
}

IBitmap IGraphics::LoadBitmap(const char* fileName, int nFrames, bool framesAreHorizontal)
{
    const std::string file = fileName != nullptr ? fileName : "";
    const std::string path = FindResource(file.c_str());
    if (path.empty())
    {
        WarnOnce("image \"" + file + "\" not found; a placeholder is drawn in its place");
        return {};
    }
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS)
    {
        WarnOnce("image \"" + path + "\" is not a readable PNG (" +
                 cairo_status_to_string(cairo_surface_status(s)) + "); a placeholder is drawn in its place");
        cairo_surface_destroy(s);
        return {};
    }
    return IBitmap(s, nFrames, framesAreHorizontal);
}

// ------------------------------------------------------------------ drawing

void IGraphics::setSourceColor(const IColor& color, const IBlend* pBlend)
{
    const double weight = pBlend != nullptr ? std::clamp(pBlend->weight, 0.0f, 1.0f) : 1.0;
    cairo_set_source_rgba(mCr, color.R / 255.0, color.G / 255.0, color.B / 255.0, color.A / 255.0 * weight);
    applyBlend(pBlend);
}

void IGraphics::applyBlend(const IBlend* pBlend)
{
    cairo_set_operator(mCr, cairoOperator(pBlend != nullptr ? pBlend->method : EBlend::Default));
}

void IGraphics::finishPath(bool fill, const IColor& color, const IBlend* pBlend, float thickness,
                           const IStrokeOptions* options)
{
    setSourceColor(color, pBlend);
    if (fill)
        cairo_fill(mCr);
    else
    {
        cairo_set_line_width(mCr, thickness);
        if (options != nullptr)
        {
            static constexpr cairo_line_join_t joins[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND,
                                                          CAIRO_LINE_JOIN_BEVEL};
            static constexpr cairo_line_cap_t caps[] = {CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_ROUND,
                                                        CAIRO_LINE_CAP_SQUARE};
            cairo_set_line_join(mCr, joins[static_cast<int>(options->join)]);
            cairo_set_line_cap(mCr, caps[static_cast<int>(options->cap)]);
            cairo_set_miter_limit(mCr, options->miterLimit);
            double dash[8];
            const int n = std::clamp(options->dashCount, 0, 8);
            for (int i = 0; i < n; ++i)
                dash[i] = options->dash[static_cast<std::size_t>(i)];
            cairo_set_dash(mCr, dash, n, options->dashOffset);
        }
        cairo_stroke(mCr);
        cairo_set_dash(mCr, nullptr, 0, 0.0);
        cairo_set_line_join(mCr, CAIRO_LINE_JOIN_MITER);
        cairo_set_line_cap(mCr, CAIRO_LINE_CAP_BUTT);
    }
    cairo_set_operator(mCr, CAIRO_OPERATOR_OVER);
}

void IGraphics::PathClear()
{
    cairo_new_path(mCr);
}

void IGraphics::PathMoveTo(float x, float y)
{
    cairo_move_to(mCr, x, y);
}

void IGraphics::PathLineTo(float x, float y)
{
    cairo_line_to(mCr, x, y);
}

void IGraphics::PathCurveTo(float x1, float y1, float x2, float y2, float x3, float y3)
{
    cairo_curve_to(mCr, x1, y1, x2, y2, x3, y3);
}

void IGraphics::PathArc(float cx, float cy, float r, float a1, float a2)
{
    if (a2 >= a1)
        cairo_arc(mCr, cx, cy, r, rad(a1), rad(a2));
    else
        cairo_arc_negative(mCr, cx, cy, r, rad(a1), rad(a2));
}

void IGraphics::PathRect(const IRECT& r)
{
    cairo_rectangle(mCr, r.L, r.T, r.W(), r.H());
}

void IGraphics::PathRoundRect(const IRECT& r, float cornerRadius)
{
    const float cr = std::clamp(cornerRadius, 0.0f, 0.5f * std::min(r.W(), r.H()));
    if (cr <= 0.0f)
    {
        PathRect(r);
        return;
    }
    cairo_new_sub_path(mCr);
    cairo_arc(mCr, r.R - cr, r.T + cr, cr, -kPi / 2, 0.0);
    cairo_arc(mCr, r.R - cr, r.B - cr, cr, 0.0, kPi / 2);
    cairo_arc(mCr, r.L + cr, r.B - cr, cr, kPi / 2, kPi);
    cairo_arc(mCr, r.L + cr, r.T + cr, cr, kPi, 1.5 * kPi);
    cairo_close_path(mCr);
}

void IGraphics::PathClose()
{
    cairo_close_path(mCr);
}

void IGraphics::PathStroke(const IColor& color, float thickness, const IStrokeOptions& options,
                           const IBlend* pBlend)
{
    finishPath(false, color, pBlend, thickness, &options);
}

void IGraphics::PathFill(const IColor& color, const IBlend* pBlend)
{
    finishPath(true, color, pBlend, 0.0f, nullptr);
}

bool IGraphics::ClipMeets(const IRECT& r) const
{
    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
    cairo_clip_extents(mCr, &x1, &y1, &x2, &y2);
    return r.Intersects(IRECT(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                              static_cast<float>(y2)));
}

void IGraphics::PathClipRegion(const IRECT& r)
{
    cairo_new_path(mCr);
    PathRect(r);
    cairo_clip(mCr);
}

void IGraphics::FillRect(const IColor& color, const IRECT& r, const IBlend* pBlend)
{
    cairo_new_path(mCr);
    PathRect(r);
    finishPath(true, color, pBlend, 0.0f, nullptr);
}

void IGraphics::DrawRect(const IColor& color, const IRECT& r, const IBlend* pBlend, float thickness)
{
    cairo_new_path(mCr);
    PathRect(r.GetPadded(-0.5f * thickness));
    finishPath(false, color, pBlend, thickness, nullptr);
}

void IGraphics::FillRoundRect(const IColor& color, const IRECT& r, float cornerRadius, const IBlend* pBlend)
{
    cairo_new_path(mCr);
    PathRoundRect(r, cornerRadius);
    finishPath(true, color, pBlend, 0.0f, nullptr);
}

void IGraphics::DrawRoundRect(const IColor& color, const IRECT& r, float cornerRadius, const IBlend* pBlend,
                              float thickness)
{
    cairo_new_path(mCr);
    // The stroke stays inside the rectangle, so a clip to the control never cuts it.
    PathRoundRect(r.GetPadded(-0.5f * thickness), std::max(0.0f, cornerRadius - 0.5f * thickness));
    finishPath(false, color, pBlend, thickness, nullptr);
}

void IGraphics::FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend)
{
    cairo_new_path(mCr);
    cairo_arc(mCr, cx, cy, std::max(0.0f, r), 0.0, 2.0 * kPi);
    finishPath(true, color, pBlend, 0.0f, nullptr);
}

void IGraphics::DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend,
                           float thickness)
{
    cairo_new_path(mCr);
    cairo_arc(mCr, cx, cy, std::max(0.0f, r), 0.0, 2.0 * kPi);
    finishPath(false, color, pBlend, thickness, nullptr);
}

void IGraphics::PathEllipse(const IRECT& r)
{
    cairo_save(mCr);
    cairo_translate(mCr, r.MW(), r.MH());
    cairo_scale(mCr, 0.5 * r.W(), 0.5 * r.H());
    cairo_new_sub_path(mCr);
    cairo_arc(mCr, 0.0, 0.0, 1.0, 0.0, 2.0 * kPi);
    cairo_restore(mCr); // the path keeps its shape; a stroke gets an unscaled pen
}

void IGraphics::FillEllipse(const IColor& color, const IRECT& r, const IBlend* pBlend)
{
    if (r.Empty())
        return;
    cairo_new_path(mCr);
    PathEllipse(r);
    finishPath(true, color, pBlend, 0.0f, nullptr);
}

void IGraphics::DrawEllipse(const IColor& color, const IRECT& r, const IBlend* pBlend, float thickness)
{
    if (r.Empty())
        return;
    cairo_new_path(mCr);
    PathEllipse(r);
    finishPath(false, color, pBlend, thickness, nullptr);
}

void IGraphics::DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                        const IBlend* pBlend, float thickness)
{
    cairo_new_path(mCr);
    PathArc(cx, cy, r, a1, a2);
    finishPath(false, color, pBlend, thickness, nullptr);
}

void IGraphics::DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend,
                         float thickness)
{
    cairo_new_path(mCr);
    cairo_move_to(mCr, x1, y1);
    cairo_line_to(mCr, x2, y2);
    finishPath(false, color, pBlend, thickness, nullptr);
}

void IGraphics::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2,
                               const IBlend* pBlend, float thickness, float dashLen)
{
    cairo_new_path(mCr);
    cairo_move_to(mCr, x1, y1);
    cairo_line_to(mCr, x2, y2);
    const IStrokeOptions dots = IStrokeOptions::Dotted(dashLen, dashLen);
    finishPath(false, color, pBlend, thickness, &dots);
}

void IGraphics::DrawPolyline(const IColor& color, const float* x, const float* y, int n, const IBlend* pBlend,
                             float thickness)
{
    if (n < 2)
        return;
    tracePolyline(mCr, x, y, n);
    IStrokeOptions round;
    round.join = ELineJoin::Round;
    finishPath(false, color, pBlend, thickness, &round);
}

void IGraphics::FillPolygon(const IColor& color, const float* x, const float* y, int n, const IBlend* pBlend)
{
    if (n < 3)
        return;
    tracePolyline(mCr, x, y, n);
    cairo_close_path(mCr);
    finishPath(true, color, pBlend, 0.0f, nullptr);
}

float IGraphics::layoutText(const IText& text, const char* utf8, const IRECT& r, IRECT* bounds, float* ascent)
{
    // Metrics and baseline come from the text's own face, so a run drawn in a fallback face never
    // moves the line.
    mFonts.Runs(text.fontName, utf8, mRuns);
    cairo_set_font_size(mCr, text.size);
    cairo_set_font_face(mCr, mFonts.FaceFor(text.fontName, ""));
    cairo_font_extents_t fe;
    cairo_font_extents(mCr, &fe);
    float w = 0.0f;
    for (const FontRegistry::Run& run : mRuns)
    {
        mRunText.assign(utf8 + run.begin, run.length);
        cairo_set_font_face(mCr, run.face);
        cairo_text_extents_t te;
        cairo_text_extents(mCr, mRunText.c_str(), &te);
        w += static_cast<float>(te.x_advance);
    }
    if (bounds != nullptr)
    {
        float x = r.L;
        if (text.align == EAlign::Center)
            x = r.MW() - 0.5f * w;
        else if (text.align == EAlign::Far)
            x = r.R - w;
        float baseline = r.MH() + static_cast<float>(0.5 * (fe.ascent - fe.descent));
        if (text.valign == EVAlign::Top)
            baseline = r.T + static_cast<float>(fe.ascent);
        else if (text.valign == EVAlign::Bottom)
            baseline = r.B - static_cast<float>(fe.descent);
        *bounds = {x, baseline - static_cast<float>(fe.ascent), x + w,
                   baseline + static_cast<float>(fe.descent)};
    }
    if (ascent != nullptr)
        *ascent = static_cast<float>(fe.ascent);
    return w;
}

float IGraphics::MeasureText(const IText& text, const char* utf8, const IRECT& r, IRECT* bounds)
{
    return layoutText(text, utf8 != nullptr ? utf8 : "", r, bounds, nullptr);
}

void IGraphics::DrawText(const IText& text, const char* utf8, const IRECT& r, const IBlend* pBlend)
{
    if (utf8 == nullptr || *utf8 == '\0' || text.size <= 0.0f)
        return;
    IRECT box;
    float ascent = 0.0f;
    layoutText(text, utf8, r, &box, &ascent);
    cairo_save(mCr);
    if (text.angle != 0.0f)
    {
        cairo_translate(mCr, r.MW(), r.MH());
        cairo_rotate(mCr, text.angle * kPi / 180.0);
        cairo_translate(mCr, -r.MW(), -r.MH());
    }
    cairo_move_to(mCr, box.L, box.T + ascent);
    setSourceColor(text.fgColor, pBlend);
    // Each run advances the current point by its own width.
    for (const FontRegistry::Run& run : mRuns)
    {
        mRunText.assign(utf8 + run.begin, run.length);
        cairo_set_font_face(mCr, run.face);
        cairo_show_text(mCr, mRunText.c_str());
    }
    cairo_restore(mCr);
    cairo_new_path(mCr);
}

void IGraphics::DrawBitmap(const IBitmap& bitmap, const IRECT& r, int frame, const IBlend* pBlend)
{
    if (r.Empty())
        return;
    if (!bitmap.IsValid())
    {
        // A missing image still shows where it belongs: a soft frame with a cross.
        const IRECT in = r.GetPadded(-2.0f);
        FillRoundRect(IColor(60, 128, 128, 128), in, 6.0f, pBlend);
        DrawRoundRect(IColor(160, 128, 128, 128), in, 6.0f, pBlend, 1.5f);
        DrawLine(IColor(160, 128, 128, 128), in.L + 6, in.T + 6, in.R - 6, in.B - 6, pBlend, 1.5f);
        DrawLine(IColor(160, 128, 128, 128), in.R - 6, in.T + 6, in.L + 6, in.B - 6, pBlend, 1.5f);
        return;
    }
    const int n = bitmap.N();
    const int f = std::clamp(frame, 1, n) - 1;
    const double fw = bitmap.FramesAreHorizontal() ? static_cast<double>(bitmap.W()) / n : bitmap.W();
    const double fh = bitmap.FramesAreHorizontal() ? bitmap.H() : static_cast<double>(bitmap.H()) / n;
    const double ox = bitmap.FramesAreHorizontal() ? f * fw : 0.0;
    const double oy = bitmap.FramesAreHorizontal() ? 0.0 : f * fh;
    cairo_save(mCr);
    cairo_new_path(mCr);
    PathRect(r);
    cairo_clip(mCr);
    cairo_translate(mCr, r.L, r.T);
    cairo_scale(mCr, r.W() / fw, r.H() / fh);
    cairo_set_source_surface(mCr, bitmap.GetSurface(), -ox, -oy);
    // Downscaling a 3x source: a good filter keeps the edges smooth at every window scale.
    cairo_pattern_set_filter(cairo_get_source(mCr), CAIRO_FILTER_GOOD);
    applyBlend(pBlend);
    cairo_paint_with_alpha(mCr, pBlend != nullptr ? std::clamp(pBlend->weight, 0.0f, 1.0f) : 1.0);
    cairo_restore(mCr);
}

// ------------------------------------------------------------------ frames

void IGraphics::SetAllControlsDirty()
{
    forEachControl([](IControl& c) { c.SetDirty(false); });
    SetRegionDirty(windowArea());
}

void IGraphics::SetRegionDirty(const IRECT& r)
{
    addDirty(r);
}

void IGraphics::addDirty(const IRECT& rect)
{
    IRECT r = rect.Intersect(windowArea());
    if (r.Empty())
        return;
    // Merge with every rectangle it meets, repeatedly, so the list stays disjoint.
    for (bool merged = true; merged;)
    {
        merged = false;
        for (auto it = mDirty.begin(); it != mDirty.end(); ++it)
            if (it->Intersects(r.GetPadded(1.0f)))
            {
                r = r.Union(*it);
                mDirty.erase(it);
                merged = true;
                break;
            }
    }
    mDirty.push_back(r);
    if (mDirty.size() > kMaxDirtyRects)
    {
        IRECT all;
        for (const IRECT& d : mDirty)
            all = all.Union(d);
        mDirty.assign(1, all);
    }
}

IRECT IGraphics::tooltipRect() const
{
    const char* tip = mMouseOver != nullptr ? mMouseOver->GetTooltip() : nullptr;
    if (tip == nullptr)
        return {};
    const IText style(12.0f, COLOR_BLACK);
    const float w = const_cast<IGraphics*>(this)->MeasureText(style, tip) + 12.0f;
    const float h = 20.0f;
    float x = std::min(mMouseX + 12.0f, static_cast<float>(mWidth) - w);
    float y = mMouseY + 18.0f;
    if (y + h > mHeight)
        y = mMouseY - h - 4.0f;
    return IRECT::MakeXYWH(std::max(0.0f, x), std::max(0.0f, y), w, h);
}

void IGraphics::drawTooltip()
{
    const IRECT r = mTooltipDrawn;
    FillRoundRect(IColor(240, 255, 255, 240), r, 3.0f);
    DrawRoundRect(IColor(255, 90, 90, 90), r, 3.0f, nullptr, 1.0f);
    DrawText(IText(12.0f, COLOR_BLACK), mMouseOver->GetTooltip(), r);
}

IRECT IGraphics::drawRegion(const IRECT& r)
{
    const IRECT px = r.GetScaled(mScale).GetPixelAligned().Intersect(
        {0.0f, 0.0f, static_cast<float>(mWindowW), static_cast<float>(mWindowH)});
    if (px.Empty())
        return px;
    const IRECT area = px.GetScaled(1.0f / mScale); // the logical area that pixel rectangle covers
    cairo_save(mCr);
    cairo_identity_matrix(mCr);
    cairo_new_path(mCr);
    cairo_rectangle(mCr, px.L, px.T, px.W(), px.H());
    cairo_clip(mCr);
    // The topmost opaque control holding the whole region hides the clear and everything under it
    // (an animated graph over the unchanging page).
    const IControl* cover = nullptr;
    for (const auto& c : mControls)
        if (!c->IsHidden() && c->IsOpaque() && c->GetRECT().Contains(area))
            cover = c.get();
    if (cover == nullptr)
    {
        // Cleared to the background panel's colour, which is also the margin's where the window's
        // aspect differs from the page's; with no panel, to transparent, so an image written from
        // the buffer keeps the alpha of what was drawn.
        if (mBackground.A > 0)
        {
            cairo_set_operator(mCr, CAIRO_OPERATOR_SOURCE);
            setSourceColor(mBackground, nullptr);
        }
        else
            cairo_set_operator(mCr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(mCr);
        cairo_set_operator(mCr, CAIRO_OPERATOR_OVER);
    }
    cairo_scale(mCr, mScale, mScale);
    bool hidden = cover != nullptr;
    forEachControl(
        [&](IControl& c)
        {
            hidden = hidden && &c != cover;
            if (!hidden && !c.IsHidden() && c.GetRECT().Intersects(area))
                drawControl(c);
        });
    if (mTooltipShown && mTooltipDrawn.Intersects(area))
        drawTooltip();
    if (mTintRepaints)
    {
        static constexpr IColor tints[] = {IColor(50, 255, 0, 0), IColor(50, 0, 255, 0),
                                           IColor(50, 0, 0, 255)};
        FillRect(tints[mTintPhase % 3], area);
    }
    cairo_restore(mCr);
    return px;
}

void IGraphics::drawControl(IControl& c)
{
    cairo_save(mCr);
    cairo_new_path(mCr);
    PathRect(c.GetRECT());
    cairo_clip(mCr);
    c.Draw(*this);
    cairo_restore(mCr);
    cairo_new_path(mCr);
}

bool IGraphics::DrawFrame(std::vector<IRECT>* pixelRects)
{
    const auto start = std::chrono::steady_clock::now();
    if (pixelRects != nullptr)
        pixelRects->clear();

    // Tooltip clock: counted in frames, the window's timer being the only clock.
    const bool wantTip = mTooltipsEnabled && mMouseOver != nullptr && mMouseOver->GetTooltip() != nullptr &&
                         mCaptured == nullptr && ++mHoverFrames >= mTooltipDelayFrames;
    if (wantTip != mTooltipShown)
    {
        if (mTooltipShown)
            addDirty(mTooltipDrawn);
        mTooltipShown = wantTip;
        if (wantTip)
        {
            mTooltipDrawn = tooltipRect();
            addDirty(mTooltipDrawn);
        }
    }

    forEachControl(
        [&](IControl& c)
        {
            if (!c.IsHidden() && c.IsDirty())
                addDirty(c.GetRECT());
        });
    if (mDirty.empty())
        return false;

    ++mTintPhase;
    // Taken out first: a control that marks something dirty while drawing gets it next frame.
    const std::vector<IRECT> regions = std::move(mDirty);
    mDirty.clear();
    for (const IRECT& r : regions)
    {
        const IRECT px = drawRegion(r);
        if (pixelRects != nullptr)
            pixelRects->push_back(px);
    }
    forEachControl([](IControl& c) { c.SetClean(); });
    cairo_surface_flush(mBackBuffer);

    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    mStats.lastMs = ms;
    mStats.worstMs = std::max(mStats.worstMs, ms);
    ++mStats.count;
    return true;
}

bool IGraphics::WritePNG(const char* path)
{
    SetAllControlsDirty();
    DrawFrame();
    const cairo_status_t st = cairo_surface_write_to_png(mBackBuffer, path);
    if (st != CAIRO_STATUS_SUCCESS)
    {
        std::fprintf(stderr, "pomelu: cannot write \"%s\": %s\n", path, cairo_status_to_string(st));
        return false;
    }
    return true;
}

void IGraphics::DrawTo(cairo_t* cr)
{
    cairo_t* const backBuffer = mCr;
    mCr = cr;
    cairo_save(mCr);
    setTextOptions(mCr);
    cairo_scale(mCr, mScale, mScale);
    forEachControl(
        [&](IControl& c)
        {
            if (!c.IsHidden())
                drawControl(c);
        });
    cairo_restore(mCr);
    mCr = backBuffer;
}

// ------------------------------------------------------------------ events

IRECT IGraphics::windowArea() const
{
    return {0.0f, 0.0f, std::max(static_cast<float>(mWidth), mWindowW / mScale),
            std::max(static_cast<float>(mHeight), mWindowH / mScale)};
}

IControl* IGraphics::controlAt(float x, float y) const
{
    if (mCornerResizer && !mCornerResizer->IsHidden() && mCornerResizer->GetTargetRECT().Contains(x, y))
        return mCornerResizer.get();
    for (auto it = mControls.rbegin(); it != mControls.rend(); ++it)
    {
        IControl* c = it->get();
        if (!c->IsHidden() && !c->IsDisabled() && c->GetTargetRECT().Contains(x, y))
            return c;
    }
    return nullptr;
}

void IGraphics::setMouseOver(IControl* pControl, float x, float y, const IMouseMod& mod)
{
    if (pControl != mMouseOver)
    {
        if (mMouseOver != nullptr)
            mMouseOver->OnMouseOut();
        mMouseOver = pControl;
        mHoverFrames = 0;
    }
    if (mMouseOver != nullptr)
        mMouseOver->OnMouseOver(x, y, mod);
}

void IGraphics::endGestures()
{
    if (mCaptured != nullptr)
        mCaptured->endGesture();
}

void IGraphics::OnMouseDown(float x, float y, const IMouseMod& mod)
{
    mMouseX = x;
    mMouseY = y;
    if (mPopupMenu && mPopupMenu->IsOpen())
    {
        mPopupMenu->OnMouseDown(x, y, mod);
        return;
    }
    if (mTextEntry && mTextEntry->IsOpen())
    {
        if (mTextEntry->GetRECT().Contains(x, y))
        {
            mTextEntry->OnMouseDown(x, y, mod);
            return;
        }
        mTextEntry->Commit(); // a click elsewhere commits valid text and closes
        if (mTextEntry->IsOpen())
            mTextEntry->Close();
    }
    endGestures();
    mCaptured = controlAt(x, y);
    mLastDragX = x;
    mLastDragY = y;
    if (mCaptured != nullptr)
    {
        mCaptured->beginGesture();
        mCaptured->OnMouseDown(x, y, mod);
    }
}

void IGraphics::OnMouseUp(float x, float y, const IMouseMod& mod)
{
    mMouseX = x;
    mMouseY = y;
    IControl* c = mCaptured;
    mCaptured = nullptr;
    if (c != nullptr)
    {
        c->OnMouseUp(x, y, mod);
        c->endGesture();
    }
}

void IGraphics::OnMouseMove(float x, float y, const IMouseMod& mod)
{
    mMouseX = x;
    mMouseY = y;
    if (mCaptured != nullptr && (mod.L || mod.R))
    {
        const float dX = x - mLastDragX, dY = y - mLastDragY;
        mLastDragX = x;
        mLastDragY = y;
        if (dX != 0.0f || dY != 0.0f)
            mCaptured->OnMouseDrag(x, y, dX, dY, mod);
        return;
    }
    if (mPopupMenu && mPopupMenu->IsOpen())
    {
        mPopupMenu->OnMouseOver(x, y, mod);
        return;
    }
    if (mMouseOverEnabled)
        setMouseOver(controlAt(x, y), x, y, mod);
}

void IGraphics::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
    if ((mPopupMenu && mPopupMenu->IsOpen()) || (mTextEntry && mTextEntry->IsOpen()))
    {
        OnMouseDown(x, y, mod);
        return;
    }
    endGestures();
    mCaptured = nullptr;
    if (IControl* c = controlAt(x, y))
        c->OnMouseDblClick(x, y, mod);
}

void IGraphics::OnMouseWheel(float x, float y, const IMouseMod& mod, float d)
{
    if ((mPopupMenu && mPopupMenu->IsOpen()) || mCaptured != nullptr)
        return;
    if (IControl* c = controlAt(x, y))
        c->OnMouseWheel(x, y, mod, d);
}

void IGraphics::OnMouseOut()
{
    if (mMouseOver != nullptr)
        mMouseOver->OnMouseOut();
    mMouseOver = nullptr;
    mHoverFrames = 0;
}

bool IGraphics::OnKeyDown(const IKeyPress& key)
{
    if (mTextEntry && mTextEntry->IsOpen())
        return mTextEntry->OnKeyDown(mMouseX, mMouseY, key);
    if (mPopupMenu && mPopupMenu->IsOpen())
        return mPopupMenu->OnKeyDown(mMouseX, mMouseY, key);
    if (mMouseOver != nullptr)
        return mMouseOver->OnKeyDown(mMouseX, mMouseY, key);
    return false;
}

// ------------------------------------------------------------------ text entry and menus

void IGraphics::CreateTextEntry(IControl& caller, const IText& text, const IRECT& r, const char* str,
                                int valIdx)
{
    AttachTextEntryControl();
    if (mPopupMenu)
        mPopupMenu->Close();
    mTextEntry->Open(caller, text, r, str, valIdx);
}

void IGraphics::PromptUserInput(IControl& caller, const IRECT& r, int valIdx)
{
    IText style(std::clamp(r.H() * 0.6f, 10.0f, 14.0f), COLOR_BLACK);
    CreateTextEntry(caller, style, r, caller.GetParamValueText(valIdx).c_str(), valIdx);
}

void IGraphics::CreatePopupMenu(IControl& caller, IPopupMenu& menu, float x, float y, int valIdx)
{
    if (!mPopupMenu)
    {
        mPopupMenu = std::make_unique<IPopupMenuControl>();
        mPopupMenu->mGraphics = this;
    }
    if (mTextEntry)
        mTextEntry->Close();
    mPopupMenu->Open(caller, menu, x, y, valIdx);
}

void IGraphics::CloseOverlays()
{
    if (mTextEntry)
        mTextEntry->Close();
    if (mPopupMenu)
        mPopupMenu->Close();
}

} // namespace igraphics
