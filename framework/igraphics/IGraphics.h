// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's graphics context: the controls, their events, and a Cairo renderer that draws them
// into a persistent back buffer. A window (the VST 3 view) copies the buffer's dirty rectangles to
// the screen; tests and the snapshot tool write the same buffer to PNG, so what they see is what a
// user sees.
//
// Coordinates: the layout and every control work in logical units of a fixed page (980 x 680 for
// the product); the window may be any size, and the page is scaled once at the root. Events arrive
// in logical units too (the view divides by the scale).
//
// Threads: UI thread only. Nothing here is touched by the audio thread.
#pragma once

#include "Fonts.h"
#include "IGraphicsStructs.h"

#include "IEditorDelegate.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace iplug
{
class IPlugBase;
}

namespace igraphics
{

class IControl;
class ITextEntryControl;
class IPopupMenu;
class IPopupMenuControl;
class ICornerResizerControl;

// An image loaded from PNG, holding nFrames frames stacked vertically (or side by side). Copies
// share the pixels. An invalid bitmap (missing file) draws as a placeholder.
class IBitmap
{
public:
    IBitmap() = default;
    IBitmap(cairo_surface_t* surface, int nFrames, bool framesAreHorizontal);
    bool IsValid() const { return mSurface != nullptr; }
    int W() const { return mW; } // pixels of the whole image
    int H() const { return mH; }
    int N() const { return mN; }
    bool FramesAreHorizontal() const { return mHorizontal; }
    cairo_surface_t* GetSurface() const { return mSurface.get(); }

private:
    std::shared_ptr<cairo_surface_t> mSurface;
    int mW = 0, mH = 0, mN = 1;
    bool mHorizontal = false;
};

// Time spent drawing frames, for the 4 ms budget (milliseconds).
struct FrameStats
{
    double lastMs = 0.0;
    double worstMs = 0.0;
    long count = 0;
};

class IGraphics : public iplug::IEditorView
{
public:
    // plug: the delegate that owns the parameters (controls read and edit them through it).
    // width x height: the logical page; fps: frames per second of the window's timer; scale: the
    // initial window scale (window pixels per logical unit).
    IGraphics(iplug::IPlugBase& plug, int width, int height, int fps = 60, float scale = 1.0f);
    ~IGraphics() override;
    IGraphics(const IGraphics&) = delete;
    IGraphics& operator=(const IGraphics&) = delete;

    // --- IEditorView: what the plug-in side calls
    void OnControlMessage(int ctrlTag, int msgTag, int dataSize, const void* pData) override;
    // Updates every control bound to idx without reporting the change back as an edit, except the
    // control the user is holding: it keeps the user's value.
    void OnParameterValue(int idx, double normalized) override;
    bool InUserGesture() const override { return mCaptured != nullptr; }
    // Removes every control, the special ones (panel, resizer, text entry, menu) included.
    void RemoveAllControls() override;
    int Width() const override { return mWidth; }   // logical page width
    int Height() const override { return mHeight; } // logical page height

    iplug::IPlugBase& GetDelegate() { return mPlug; }
    int FPS() const { return mFPS; }
    IRECT GetBounds() const { return {0.0f, 0.0f, static_cast<float>(mWidth), static_cast<float>(mHeight)}; }

    // --- window size and scale
    // Window pixels per logical unit.
    float GetDrawScale() const { return mScale; }
    int WindowWidth() const { return mWindowW; }
    int WindowHeight() const { return mWindowH; }
    // Resizes the back buffer to the window's pixel size; the page scales by min(w/width, h/height)
    // (controls never move) from the top left corner, and the margin the other dimension leaves is
    // painted in the background panel's colour. Everything is redrawn at the next frame.
    void SetWindowSize(int pixelWidth, int pixelHeight);
    // The pixel size for a scale, aspect kept.
    void WindowSizeForScale(float scale, int& pixelWidth, int& pixelHeight) const;
    // A control (the corner resizer) asks for a new window size in pixels. Stored until the window's
    // next tick takes it (TakeResizeRequest): the host is never called from inside an event.
    void RequestResize(int pixelWidth, int pixelHeight);
    bool TakeResizeRequest(int& pixelWidth, int& pixelHeight);

    // --- controls (the graphics context owns every attached control)
    // Attaches pControl (drawn over and receiving the mouse before earlier controls) with an
    // optional tag, reads its bound parameters' current values and runs its OnInit. Returns it.
    IControl* AttachControl(IControl* pControl, int ctrlTag = kNoTag);
    IControl* GetControl(int idx) const;
    IControl* GetControlWithTag(int ctrlTag) const;
    int NControls() const { return static_cast<int>(mControls.size()); }
    void RemoveControl(IControl* pControl);
    // A solid background panel under everything attached so far (an IPanelControl).
    IControl* AttachPanelBackground(const IColor& color);
    // The corner resizer, drawn over every control; replaces an earlier one.
    void AttachCornerResizer(ICornerResizerControl* pResizer);
    ICornerResizerControl* GetCornerResizer() const { return mCornerResizer.get(); }
    // The text-entry control used by PromptUserInput / CreateTextEntry.
    void AttachTextEntryControl();
    ITextEntryControl* GetTextEntryControl() const { return mTextEntry.get(); }
    IPopupMenuControl* GetPopupMenuControl() const { return mPopupMenu.get(); }
    void EnableMouseOver(bool enable) { mMouseOverEnabled = enable; }
    void EnableTooltips(bool enable);
    bool TooltipsEnabled() const { return mTooltipsEnabled; }
    // Frames the pointer must rest on a control before its tooltip shows (30 = 0.5 s at 60 fps).
    void SetTooltipDelayFrames(int frames) { mTooltipDelayFrames = frames; }
    const IControl* GetMouseOverControl() const { return mMouseOver; }
    // The tooltip text drawn at the moment, or nullptr.
    const char* GetShownTooltip() const;

    // --- resources
    // Registers a font face by name from a file (resource name or path); see FontRegistry::Load.
    bool LoadFont(const char* name, const char* fileName);
    const FontRegistry& GetFonts() const { return mFonts; }
    // Loads a PNG (resource name or path) holding nFrames frames. A missing or unreadable file says
    // so once on stderr and gives an invalid bitmap, which DrawBitmap shows as a placeholder.
    IBitmap LoadBitmap(const char* fileName, int nFrames = 1, bool framesAreHorizontal = false);

    // --- drawing, logical units; valid inside a control's Draw (or between BeginOffscreenDraw and
    // EndOffscreenDraw). A null blend draws normally at full weight. Thickness in logical units.
    void FillRect(const IColor& color, const IRECT& r, const IBlend* pBlend = nullptr);
    void DrawRect(const IColor& color, const IRECT& r, const IBlend* pBlend = nullptr,
                  float thickness = 1.0f);
    void FillRoundRect(const IColor& color, const IRECT& r, float cornerRadius,
                       const IBlend* pBlend = nullptr);
    void DrawRoundRect(const IColor& color, const IRECT& r, float cornerRadius,
                       const IBlend* pBlend = nullptr, float thickness = 1.0f);
    void FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend = nullptr);
    void DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend = nullptr,
                    float thickness = 1.0f);
    void FillEllipse(const IColor& color, const IRECT& r, const IBlend* pBlend = nullptr);
    void DrawEllipse(const IColor& color, const IRECT& r, const IBlend* pBlend = nullptr,
                     float thickness = 1.0f);
    // Arc between two angles (degrees, 0 at twelve o'clock, clockwise).
    void DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                 const IBlend* pBlend = nullptr, float thickness = 1.0f);
    void DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend = nullptr,
                  float thickness = 1.0f);
    // Dashes of dashLen on and off.
    void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2,
                        const IBlend* pBlend = nullptr, float thickness = 1.0f, float dashLen = 2.0f);
    void DrawPolyline(const IColor& color, const float* x, const float* y, int n,
                      const IBlend* pBlend = nullptr, float thickness = 1.0f);
    void FillPolygon(const IColor& color, const float* x, const float* y, int n,
                     const IBlend* pBlend = nullptr);
    // Text into a rectangle with the style's font, size, colour, alignment and angle. UTF-8.
    void DrawText(const IText& text, const char* utf8, const IRECT& r, const IBlend* pBlend = nullptr);
    // Width of the text in logical units; bounds (optional) gets its box aligned in r as DrawText
    // would place it.
    float MeasureText(const IText& text, const char* utf8, const IRECT& r = {}, IRECT* bounds = nullptr);
    // Frame `frame` (1-based, clamped) scaled into r.
    void DrawBitmap(const IBitmap& bitmap, const IRECT& r, int frame = 1, const IBlend* pBlend = nullptr);

    // Paths: build, then stroke or fill (either clears the path).
    void PathClear();
    void PathMoveTo(float x, float y);
    void PathLineTo(float x, float y);
    void PathCurveTo(float x1, float y1, float x2, float y2, float x3, float y3);
    void PathArc(float cx, float cy, float r, float a1, float a2);
    void PathRect(const IRECT& r);
    void PathRoundRect(const IRECT& r, float cornerRadius);
    void PathEllipse(const IRECT& r);
    void PathClose();
    void PathStroke(const IColor& color, float thickness = 1.0f, const IStrokeOptions& options = {},
                    const IBlend* pBlend = nullptr);
    void PathFill(const IColor& color, const IBlend* pBlend = nullptr);
    // Restricts drawing to r until the current control's Draw returns.
    void PathClipRegion(const IRECT& r);
    // Whether drawing inside r can show: r meets the region being drawn (logical units).
    bool ClipMeets(const IRECT& r) const;
    // The raw Cairo context, scaled to logical units, for drawing the calls above do not cover.
    cairo_t* GetDrawContext() const { return mCr; }

    // --- events, logical units (the view converts window pixels)
    void OnMouseDown(float x, float y, const IMouseMod& mod);
    void OnMouseUp(float x, float y, const IMouseMod& mod);
    // Pointer moved: a drag while a button is down, hover tracking otherwise.
    void OnMouseMove(float x, float y, const IMouseMod& mod);
    void OnMouseDblClick(float x, float y, const IMouseMod& mod);
    // d: wheel notches, positive away from the user.
    void OnMouseWheel(float x, float y, const IMouseMod& mod, float d);
    // The pointer left the window.
    void OnMouseOut();
    // A key from the host or the window: the open text entry first, then the control under the
    // pointer. False when nothing used it, so the host keeps its shortcuts.
    bool OnKeyDown(const IKeyPress& key);
    IControl* GetCapturedControl() const { return mCaptured; }

    // --- text entry and menus
    // Opens the text entry over r with str, for caller's value valIdx; Return hands the text to
    // caller.OnTextEntryCompletion, which may refuse it (the entry then stays open). A press
    // elsewhere commits text the caller accepts and closes the entry either way.
    void CreateTextEntry(IControl& caller, const IText& text, const IRECT& r, const char* str,
                         int valIdx = 0);
    // Text entry for the value of a bound parameter, showing its current text.
    void PromptUserInput(IControl& caller, const IRECT& r, int valIdx = 0);
    // Shows the menu at (x, y); the choice (or nullptr when dismissed) goes to
    // caller.OnPopupMenuSelection. The menu must live until then (controls keep theirs as members).
    void CreatePopupMenu(IControl& caller, IPopupMenu& menu, float x, float y, int valIdx = 0);
    void CloseOverlays(); // text entry and menu, without a result

    // --- frames
    // Marks every control dirty (a full redraw at the next frame).
    void SetAllControlsDirty();
    // Marks r dirty although no control changed (an overlay closed).
    void SetRegionDirty(const IRECT& r);
    // One frame: asks each control IsDirty(), redraws the dirty regions into the back buffer (each
    // control that meets a region, inside save/clip/restore) and returns the changed rectangles in
    // window pixels. Nothing dirty: nothing is drawn and false is returned. Also advances the
    // tooltip clock.
    bool DrawFrame(std::vector<IRECT>* pixelRects = nullptr);
    // A full redraw, then the back buffer as PNG. False with a message on stderr when it cannot be
    // written.
    bool WritePNG(const char* path);
    // Every visible control drawn whole into cr (a vector surface such as SVG, WindowWidth() x
    // WindowHeight() units) by the same calls that draw the back buffer, which stays untouched.
    void DrawTo(cairo_t* cr);
    // The back buffer (ARGB32, premultiplied, WindowWidth() x WindowHeight()).
    cairo_surface_t* GetBackBuffer() const { return mBackBuffer; }
    // Debug: tint every repainted region, to see what a frame drew.
    void SetTintRepaints(bool tint) { mTintRepaints = tint; }
    const FrameStats& GetFrameStats() const { return mStats; }

    // The layout hook receives the IEditorView; an editor built by this framework is an IGraphics.
    static IGraphics* From(iplug::IEditorView& view) { return dynamic_cast<IGraphics*>(&view); }

private:
    friend class IControl;
    void setSourceColor(const IColor& color, const IBlend* pBlend);
    void applyBlend(const IBlend* pBlend);
    void finishPath(bool fill, const IColor& color, const IBlend* pBlend, float thickness,
                    const IStrokeOptions* options);
    // Width of utf8 in the text's face (with fallback runs, see FontRegistry::Runs), its box placed
    // in r and the face's ascent; leaves the runs in mRuns.
    float layoutText(const IText& text, const char* utf8, const IRECT& r, IRECT* bounds, float* ascent);
    void addDirty(const IRECT& r);
    // The whole window in logical units: the page and the margin beside or below it.
    IRECT windowArea() const;
    // Redraws the logical rectangle r; returns the window pixels it covers (empty: none).
    IRECT drawRegion(const IRECT& r);
    // c's Draw inside save, a clip to its rectangle and restore.
    void drawControl(IControl& c);
    void drawTooltip();
    IRECT tooltipRect() const;
    IControl* controlAt(float x, float y) const;
    void setMouseOver(IControl* pControl, float x, float y, const IMouseMod& mod);
    void endGestures();
    // Shows a parameter's normalized value in every control bound to it but `except`.
    void showParamValue(int idx, double normalized, const IControl* except);
    // Every control, then the resizer, text entry and menu: drawing order.
    void forEachControl(const std::function<void(IControl&)>& f) const;

    iplug::IPlugBase& mPlug;
    const int mWidth, mHeight, mFPS;
    float mScale = 1.0f;
    int mWindowW = 0, mWindowH = 0;
    cairo_surface_t* mBackBuffer = nullptr;
    cairo_t* mCr = nullptr;

    std::vector<std::unique_ptr<IControl>> mControls;
    std::unique_ptr<ICornerResizerControl> mCornerResizer;
    std::unique_ptr<ITextEntryControl> mTextEntry;
    std::unique_ptr<IPopupMenuControl> mPopupMenu;
    FontRegistry mFonts;
    std::vector<FontRegistry::Run> mRuns; // scratch of the text being measured or drawn
    std::string mRunText;

    IColor mBackground{0, 0, 0, 0}; // the background panel's; transparent without one
    std::vector<IRECT> mDirty;      // logical rectangles, merged as they are added
    FrameStats mStats;
    bool mTintRepaints = false;
    int mTintPhase = 0;

    IControl* mCaptured = nullptr;  // the control that got the mouse-down
    IControl* mMouseOver = nullptr; // hover
    float mMouseX = 0.0f, mMouseY = 0.0f;
    float mLastDragX = 0.0f, mLastDragY = 0.0f;
    bool mMouseOverEnabled = false;
    bool mTooltipsEnabled = false;
    int mTooltipDelayFrames = 30;
    int mHoverFrames = 0;
    bool mTooltipShown = false;
    IRECT mTooltipDrawn;

    int mPendingResizeW = 0, mPendingResizeH = 0;
};

} // namespace igraphics
