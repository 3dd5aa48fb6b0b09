// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace iplug
{

// The plug-in side's channel to whatever editor is open. Every call runs on the UI thread; with no
// editor attached the messages go nowhere.
class IEditorDelegate
{
public:
    virtual ~IEditorDelegate() = default;

    // Plug-in to the control carrying ctrlTag: message tag, byte size and data (copied by the callee
    // before it returns).
    virtual void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData) = 0;

    // Plug-in to every control bound to parameter idx.
    virtual void SendParameterValueFromDelegate(int idx, double normalized) = 0;

    // Editor to plug-in, UI thread. One gesture on a bound control is Begin, one Send per change,
    // End (a knob drag: Begin at mouse-down, End at mouse-up). Send stores the value at once, so the
    // audio thread runs with it from its next block; the host hears of the gesture as
    // beginEdit / performEdit / endEdit, delivered on its UI thread.
    virtual void BeginInformHostOfParamChangeFromUI(int /*idx*/) {}
    virtual void SendParameterValueFromUI(int /*idx*/, double /*normalized*/) {}
    virtual void EndInformHostOfParamChangeFromUI(int /*idx*/) {}

    // An editor control's message to the plug-in (message tag, control tag, byte size, data);
    // true when the plug-in handled it.
    virtual bool SendMessageFromUI(int /*msgTag*/, int /*ctrlTag*/, int /*dataSize*/, const void* /*pData*/)
    {
        return false;
    }
};

// What the framework needs of an open editor. The editor implementation derives from this; the
// plug-in reaches it through IPlugBase::GetEditor().
class IEditorView
{
public:
    virtual ~IEditorView() = default;

    virtual void OnControlMessage(int ctrlTag, int msgTag, int dataSize, const void* pData) = 0;
    virtual void OnParameterValue(int idx, double normalized) = 0;
    virtual void RemoveAllControls() = 0;
    // True while the user holds a control (from mouse-down to mouse-up): a rebuild now would take
    // it from under the pointer.
    virtual bool InUserGesture() const { return false; }
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};

} // namespace iplug
