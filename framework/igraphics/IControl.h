// SPDX-License-Identifier: GPL-3.0-or-later
// The base of every control: bounds, bound parameters, value, action, dirty state, hover, tooltip,
// mouse and key hooks, and the way user edits reach the host.
//
// Values are normalised (0..1), one per bound parameter ("value index" valIdx; a multi-value
// control such as an EQ curve binds many). A control may also hold values bound to no parameter.
//
// Edits: a user change goes through SetDirty(true, valIdx) (or SetValueFromUserInput), which sends
// the value to the plug-in (SendParameterValueFromUI: the audio thread has it at its next block)
// and runs the action. While the mouse is captured (down .. up) the changes form one gesture per
// value: the host hears beginEdit before the value's first change (or at mouse-down, for controls
// that call BeginGestureEdits there, as knobs do), performEdit per change and endEdit at mouse-up;
// a multi-value control only opens the values it touches. Outside a gesture (wheel notch,
// double-click, text entry, menu choice) each change is a complete begin/perform/end. Values
// arriving from the plug-in (SetValueFromDelegate) are never sent back.
//
// Threads: UI thread only.
#pragma once

#include "IGraphicsStructs.h"

#include <string>
#include <vector>

namespace iplug
{
class IParam;
class IPlugBase;
} // namespace iplug

namespace igraphics
{

class IGraphics;
class IPopupMenu;

class IControl
{
public:
    explicit IControl(const IRECT& bounds, int paramIdx = kNoParameter, IActionFunction action = nullptr);
    // A control bound to several parameters, one value each, in the given order.
    IControl(const IRECT& bounds, const std::vector<int>& paramIdxs, IActionFunction action = nullptr);
    virtual ~IControl() = default;
    IControl(const IControl&) = delete;
    IControl& operator=(const IControl&) = delete;

    // --- drawing and layout
    // Draws the control in logical units; the context is clipped to the region being redrawn.
    virtual void Draw(IGraphics& g) = 0;
    // The rectangle changed (SetRECT, SetTargetAndDrawRECTs): recompute inner rectangles.
    virtual void OnResize() {}
    // Attached to a graphics context; values are read from the parameters already.
    virtual void OnInit() {}
    // Asked once per frame. Override to animate (return true while moving).
    virtual bool IsDirty() { return mDirty; }
    // True when Draw covers every pixel wholly inside the rectangle with opaque colour, whatever
    // lies under it: a region inside it skips the clear and the controls beneath.
    virtual bool IsOpaque() const { return false; }
    // Marks the control for redrawing. With triggerAction, the value valIdx (all values for
    // kNoValIdx) is sent to the plug-in as a user edit and the action function runs.
    void SetDirty(bool triggerAction = true, int valIdx = kNoValIdx);
    void SetClean() { mDirty = false; }

    // --- mouse and keys (logical units). Defaults: double-click resets the bound parameters to
    // their defaults; over and out track the hover state; everything else does nothing.
    virtual void OnMouseDown(float x, float y, const IMouseMod& mod);
    virtual void OnMouseUp(float x, float y, const IMouseMod& mod);
    virtual void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod);
    virtual void OnMouseDblClick(float x, float y, const IMouseMod& mod);
    // d: wheel notches, positive away from the user.
    virtual void OnMouseWheel(float x, float y, const IMouseMod& mod, float d);
    virtual void OnMouseOver(float x, float y, const IMouseMod& mod);
    virtual void OnMouseOut();
    // A key while the pointer is over the control; true when used.
    virtual bool OnKeyDown(float x, float y, const IKeyPress& key);
    // Text typed into the text entry opened for this control. Default: the text is read as the
    // bound parameter's value (IParam::StringToValue); true when accepted, false refuses it.
    virtual bool OnTextEntryCompletion(const char* str, int valIdx);
    // A popup menu opened for this control closed; pSelectedMenu is the (sub)menu whose item was
    // chosen (its GetChosenItemIdx()), or nullptr when dismissed.
    virtual void OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int valIdx);
    // A message from the plug-in (IEditorDelegate::SendControlMsgFromDelegate to this control's tag).
    virtual void OnMsgFromDelegate(int msgTag, int dataSize, const void* pData);

    // --- values
    int NVals() const { return static_cast<int>(mVals.size()); }
    double GetValue(int valIdx = 0) const;
    // Stores a normalised value (clamped to 0..1) without marking or sending anything.
    void SetValue(double value, int valIdx = 0);
    // From the plug-in: store and redraw, never reported back.
    virtual void SetValueFromDelegate(double value, int valIdx = 0);
    // From the user: store, redraw, send to the plug-in and run the action.
    virtual void SetValueFromUserInput(double value, int valIdx = 0);
    // Every bound value (or only valIdx) to its parameter's default, as one user edit each.
    void SetValueToDefault(int valIdx = kNoValIdx);
    int GetParamIdx(int valIdx = 0) const;
    void SetParamIdx(int paramIdx, int valIdx = 0);
    // The parameter bound to value valIdx, or nullptr (none, or not attached yet).
    const iplug::IParam* GetParam(int valIdx = 0) const;
    // The value index bound to paramIdx, or kNoValIdx.
    int GetValIdxForParam(int paramIdx) const;
    // The bound parameter's display text with its unit ("-12.0 dB", "Hann"); empty when unbound.
    std::string GetParamValueText(int valIdx = 0) const;

    // --- geometry: the draw rectangle, and the target rectangle that takes the mouse
    const IRECT& GetRECT() const { return mRECT; }
    const IRECT& GetTargetRECT() const { return mTargetRECT; }
    void SetRECT(const IRECT& r);
    void SetTargetRECT(const IRECT& r) { mTargetRECT = r; }
    void SetTargetAndDrawRECTs(const IRECT& r);

    // --- state
    int GetTag() const { return mTag; }
    bool IsHidden() const { return mHidden; }
    void Hide(bool hide);
    bool IsDisabled() const { return mDisabled; }
    void SetDisabled(bool disable);
    bool GetMouseIsOver() const { return mMouseIsOver; }
    void SetTooltip(const char* text) { mTooltip = text != nullptr ? text : ""; }
    const char* GetTooltip() const { return mTooltip.empty() ? nullptr : mTooltip.c_str(); }
    void SetActionFunction(IActionFunction f) { mActionFunc = std::move(f); }
    const IActionFunction& GetActionFunction() const { return mActionFunc; }
    void SetBlend(const IBlend& blend) { mBlend = blend; }
    const IBlend& GetBlend() const { return mBlend; }

    IGraphics* GetUI() const { return mGraphics; }
    iplug::IPlugBase* GetDelegate() const;

    // Opens the text entry over r (default: the control) for the bound parameter's value.
    void PromptUserInput(int valIdx = 0);
    void PromptUserInput(const IRECT& r, int valIdx = 0);

protected:
    // Inside OnMouseDown: opens the host edit of value valIdx (every bound value for kNoValIdx) now,
    // so the host sees the touch before the first change.
    void BeginGestureEdits(int valIdx = kNoValIdx);

    bool mMouseIsOver = false;
    IBlend mBlend;

private:
    friend class IGraphics;
    void sendValue(int valIdx);
    void beginGesture();
    void endGesture();

    struct Val
    {
        int paramIdx = kNoParameter;
        double value = 0.0;
        bool editOpen = false; // the host was sent beginEdit in the current gesture
    };

    IRECT mRECT, mTargetRECT;
    std::vector<Val> mVals;
    IActionFunction mActionFunc;
    IGraphics* mGraphics = nullptr;
    int mTag = kNoTag;
    bool mDirty = true;
    bool mHidden = false;
    bool mDisabled = false;
    bool mInGesture = false;
    std::string mTooltip;
};

} // namespace igraphics
