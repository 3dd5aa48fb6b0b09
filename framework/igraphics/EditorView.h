// SPDX-License-Identifier: GPL-3.0-or-later
// The editor as a VST 3 view on Linux: a child X11 window of the host's window, driven by the
// host's run loop (Steinberg::Linux::IRunLoop, taken from the frame). The window itself is an
// X11EditorWindow, shared with the other formats; this class adds what VST 3 asks of a view.
//
// attached(): opens its own X connection, creates the graphics context through the plug-in's
// editor factory, attaches it (AttachEditor), runs the layout hook and OnUIOpen, creates and maps
// the window, registers the connection's descriptor and a 16 ms timer with the run loop, and tells
// the wrapper (ViewAttached) that this timer runs its idle tick from now on: one timer wakes the
// process. removed(): the reverse (ViewRemoved, unregister, OnUIClose, detach, destroy), promptly.
//
// Every tick runs the wrapper's idle tick (the values the host changed, the senders drained, the
// deferred host calls), drains the X events, takes a resize the corner
// resizer asked for (and asks the host through IPlugFrame::resizeView: never from inside an X
// event), draws the dirty regions into the back buffer and copies only those rectangles to the
// window. A tick with nothing dirty draws nothing, and nothing is drawn while the window cannot be
// seen (it or the host's parent unmapped, or fully obscured) or is gone (destroyed with the
// parent); what changed meanwhile is drawn when it shows again.
//
// Sizes: the default is the plug-in's editor size. checkSizeConstraint gives the largest size of
// the editor's aspect that fits the rectangle, within the plug-in's limits, whatever the current
// size. onSize takes the host's rectangle as it is: the child window gets exactly that size, the
// editor is drawn at the largest scale that fits in it, and the margin is painted in the editor's
// background. A resize scales the drawing and never re-lays controls out.
//
// Teardown: removed() unregisters from the run loop it registered with, whatever setFrame said
// since, and leaves alone a window the host has destroyed with its parent.
//
// Threads: the host's UI thread (the one running its run loop). No X error handler is installed;
// X errors stay visible to the host and to tests.
#pragma once

#include "IGraphicsStructs.h"
#include "X11EditorWindow.h"

#include "pluginterfaces/gui/iplugview.h"

#include <atomic>
#include <memory>
#include <vector>

namespace iplug
{
class IPlugVST3;
}

namespace igraphics
{

class IGraphics;

class EditorView : public Steinberg::IPlugView,
                   public Steinberg::Linux::IEventHandler,
                   public Steinberg::Linux::ITimerHandler
{
public:
    // Holds a reference to plug for its lifetime. Created with a reference count of 1.
    explicit EditorView(iplug::IPlugVST3& plug);
    virtual ~EditorView();

    static constexpr Steinberg::Linux::TimerInterval kTimerMs = 16; // ~60 frames per second

    // The open editor's graphics, or nullptr while not attached (tests and tools).
    IGraphics* GetGraphics() const { return mWindow.GetGraphics(); }
    // The X window id of the editor's child window, 0 while not attached.
    unsigned long GetWindow() const { return mWindow.GetWindow(); }
    // Images copied to the window since it opened (one per rectangle a frame changed).
    long GetImagesPushed() const { return mWindow.GetImagesPushed(); }

    // --- FUnknown
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

    // --- IPlugView
    Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API removed() override;
    Steinberg::tresult PLUGIN_API onWheel(float distance) override;
    // Keys from the host reach the same handler as the window's X key events; a key the editor does
    // not use answers kResultFalse so the host keeps its shortcuts.
    Steinberg::tresult PLUGIN_API onKeyDown(Steinberg::char16 key, Steinberg::int16 keyCode,
                                            Steinberg::int16 modifiers) override;
    Steinberg::tresult PLUGIN_API onKeyUp(Steinberg::char16 key, Steinberg::int16 keyCode,
                                          Steinberg::int16 modifiers) override;
    Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
    Steinberg::tresult PLUGIN_API onFocus(Steinberg::TBool state) override;
    Steinberg::tresult PLUGIN_API setFrame(Steinberg::IPlugFrame* frame) override;
    Steinberg::tresult PLUGIN_API canResize() override;
    Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;

    // --- IEventHandler, ITimerHandler (the host's run loop)
    void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor fd) override;
    void PLUGIN_API onTimer() override;

private:
    void tick();
    // Unregisters from the loop that serves the view and releases it.
    void leaveRunLoop();

    std::atomic<Steinberg::uint32> mRefCount{1};
    iplug::IPlugVST3& mPlug;
    Steinberg::IPlugFrame* mFrame = nullptr;
    Steinberg::Linux::IRunLoop* mRunLoop = nullptr;     // the frame's, while there is a frame
    Steinberg::Linux::IRunLoop* mServingLoop = nullptr; // the one our handlers are registered with
    X11EditorWindow mWindow;
    int mWidth, mHeight; // window pixels
    bool mAttached = false;
};

} // namespace igraphics
