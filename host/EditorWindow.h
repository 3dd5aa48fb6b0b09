// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace pomelu::host
{

class RunLoop;

// A top-level X11 window that a plug-in's view is embedded in (the parent window of
// IPlugView::attached with kPlatformTypeX11EmbedWindowID). It has its own connection to the X
// server, registered with the run loop, so its own events (close requests, resizes by the window
// manager) are handled whenever the loop runs. Xlib stays inside: the header needs no X headers.
//
// Threads: the UI thread that runs the loop, for every call.
class EditorWindow
{
public:
    // Connects to `displayName` (nullptr: $DISPLAY), creates and maps a window of width × height
    // pixels (at least 1 × 1) with the given UTF-8 title, and takes part in WM_DELETE_WINDOW. On
    // failure returns nullptr and says why in `error`. A non-zero `embedIn` makes it a child window
    // at (0, 0) of that X window (a program's own top-level, say), which then owns the title and
    // the close requests.
    static std::unique_ptr<EditorWindow> open(RunLoop& loop, int width, int height, const std::string& title,
                                              std::string& error, const char* displayName = nullptr,
                                              unsigned long embedIn = 0);
    // Unregisters from the loop, destroys the window and closes the connection.
    ~EditorWindow();
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // The X window id, and the same as the pointer-sized handle IPlugView::attached takes.
    unsigned long id() const { return window; }
    void* parentHandle() const { return reinterpret_cast<void*>(window); }

    void setTitle(const std::string& title);
    // Destroys the X window now, as a host does that closes its window before the view inside it;
    // the object stays for what remains of the teardown. UI thread.
    void destroy();
    // Asks the server for the new size (at least 1 × 1); width() and height() report it at once.
    void resize(int newWidth, int newHeight);
    int width() const { return currentWidth; }
    int height() const { return currentHeight; }

    // Set once the window manager (or anyone) has sent WM_DELETE_WINDOW; the window stays open
    // until it is destroyed, so the host can close the view first.
    bool closeRequested() const { return closeRequestedFlag; }

    // Called, from processEvents, with the new size when the window was resized by someone else
    // (the window manager, a user dragging its border); not for resize().
    std::function<void(int width, int height)> onResized;

    // Handles every event the connection holds. The run loop calls it when the connection's
    // descriptor is readable; a caller that waited on the server itself may call it too.
    void processEvents();

    // X protocol errors reported to this process since the first window opened, on any
    // connection. Opening the first window replaces Xlib's default handler (which ends the
    // process) with one that counts and prints the error.
    static std::size_t xErrorCount();

private:
    struct Connection;
    EditorWindow(RunLoop& loop, std::unique_ptr<Connection> connection);
    void configured(int newWidth, int newHeight);

    RunLoop& loop;
    std::unique_ptr<Connection> connection;
    unsigned long window = 0;
    bool destroyed = false;
    int currentWidth = 0;
    int currentHeight = 0;
    bool closeRequestedFlag = false;
    std::deque<std::pair<int, int>> pendingSizes; // asked for with resize(), not yet confirmed
};

} // namespace pomelu::host
