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
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};

} // namespace iplug
