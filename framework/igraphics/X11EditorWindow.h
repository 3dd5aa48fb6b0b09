// SPDX-License-Identifier: GPL-3.0-or-later
// An open editor as an X11 child window of a host's window, whatever the plug-in format: the part
// the VST 3 view and the LV2 UI share. The format's adapter drives it from the host's loop (its
// run loop's timer and descriptor, or the LV2 idle interface) and decides sizes with the host.
//
// Open(): opens its own X connection, creates the graphics context through the plug-in's editor
// factory, attaches it (AttachEditor), runs the layout hook and OnUIOpen, creates and maps the
// window. Close(): the reverse (OnUIClose, detach, destroy), promptly.
//
// Each frame drains the X events, shows the values the host changed, hands the adapter a resize the
// corner resizer asked for, draws the dirty regions into the back buffer and copies only those
// rectangles to the window. A frame with nothing dirty draws nothing, and nothing is drawn while the
// window cannot be seen (it or the host's parent unmapped, or fully obscured) or is gone (destroyed
// with the parent); what changed meanwhile is drawn when it shows again.
//
// SetSize() takes the host's size as it is: the window gets exactly that size, the editor is drawn
// at the largest scale that fits in it, and the margin is painted in the editor's background.
//
// Threads: the host's UI thread; every call into the plug-in holds the given UI mutex. No X error
// handler is installed; X errors stay visible to the host and to tests.
#pragma once

#include "IGraphicsStructs.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace iplug
{
class IPlugBase;
struct Config;
} // namespace iplug

namespace igraphics
{

class IGraphics;

class X11EditorWindow
{
public:
    X11EditorWindow(iplug::IPlugBase& plug, std::recursive_mutex& uiMutex);
    ~X11EditorWindow();
    X11EditorWindow(const X11EditorWindow&) = delete;
    X11EditorWindow& operator=(const X11EditorWindow&) = delete;

    // The editor's default size and the largest size of its aspect inside askW x askH, within the
    // plug-in's limits (a third to three times the default unless the plug-in says otherwise).
    static void DefaultSize(const iplug::Config& config, int& width, int& height);
    static void FitSize(const iplug::Config& config, std::int64_t askW, std::int64_t askH, int& width,
                        int& height);

    // False, with the reason on stderr and nothing left open, when the display, the editor or a
    // 24-bit TrueColor visual is missing.
    bool Open(unsigned long parent, int width, int height);
    void Close();
    bool IsOpen() const { return mX != nullptr; }

    // The connection's descriptor (readable when events wait), -1 while closed.
    int ConnectionFd() const;
    void DrainEvents();
    // The first half of a frame: the events our own requests read (what the server sends on its own
    // waits for DrainEvents from the connection's handler); true with the size the corner resizer
    // asked for (the adapter fits it and asks the host). The adapter shows the host's value changes
    // (IPlugBase::ShowHostValueChanges) once per tick, before it.
    bool BeginFrame(int& askWidth, int& askHeight);
    // The second half: draws what is dirty and copies it to the window, when the window shows.
    void EndFrame();
    void SetSize(int width, int height);
    // A key the host passed on; false when the editor does not use it.
    bool HandleKey(const IKeyPress& key);

    // The open editor's graphics, or nullptr while closed.
    IGraphics* GetGraphics() const { return mGraphics; }
    unsigned long GetWindow() const { return mWindow; }
    // Images copied to the window since it opened (one per rectangle a frame changed).
    long GetImagesPushed() const { return mImagesPushed; }

private:
    struct X; // Xlib state, kept out of this header
    void pushRects(const std::vector<IRECT>& pixelRects);
    bool visible() const { return mMapped && mParentMapped && !mObscured && !mWindowGone; }
    // A structure or visibility event of the window or its parent.
    void windowEvent(const void* xEvent);

    iplug::IPlugBase& mPlug;
    std::recursive_mutex& mUiMutex;
    IGraphics* mGraphics = nullptr;
    std::unique_ptr<X> mX;
    unsigned long mWindow = 0;
    unsigned long mParent = 0;
    bool mMapped = true, mParentMapped = true, mObscured = false, mWindowGone = false;
    long mImagesPushed = 0;
    int mWidth = 0, mHeight = 0; // window pixels
};

} // namespace igraphics
