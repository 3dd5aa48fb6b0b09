// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

namespace Steinberg
{
class IPlugView;
namespace Vst
{
class IEditController;
}
} // namespace Steinberg

namespace pomelu::host
{

class EditorWindow;
class PlugFrame;
class RunLoop;

// A plug-in's editor view embedded in a top-level EditorWindow, as a Linux host shows it: the
// view's size sets the window's, the PlugFrame hands the view the run loop and resizes the window
// on the view's request, and a resize of the window by the user is passed to the view after its
// checkSizeConstraint (or undone for a view that cannot resize). UI thread only.
class HostedEditor
{
public:
    // Opens `view`, taking over the caller's reference: checks X11 embedding
    // (isPlatformTypeSupported), reads its size, opens the window, then setFrame and attached.
    // On failure the view is released and nullptr returned with the reason in `error`. `embedIn`:
    // see EditorWindow::open.
    static std::unique_ptr<HostedEditor> open(Steinberg::IPlugView* view, RunLoop& loop,
                                              const std::string& title, std::string& error,
                                              const char* displayName = nullptr, unsigned long embedIn = 0);
    // The same for the view `controller` creates for "editor".
    static std::unique_ptr<HostedEditor> open(Steinberg::Vst::IEditController* controller, RunLoop& loop,
                                              const std::string& title, std::string& error,
                                              const char* displayName = nullptr, unsigned long embedIn = 0);
    ~HostedEditor();
    HostedEditor(const HostedEditor&) = delete;
    HostedEditor& operator=(const HostedEditor&) = delete;

    // The view, its window and its frame, until close(); view() is nullptr afterwards.
    Steinberg::IPlugView* view() const { return plugView; }
    EditorWindow& window() { return *parent; }
    PlugFrame& frame() { return *plugFrame; }

    // Resizes as a user dragging the window's corner does: the view constrains the size, the window
    // takes the constrained size, the view hears onSize. False, changing nothing, for a view that
    // cannot resize or refuses the size.
    bool resize(int width, int height);

    // The window manager asked to close the window (WM_DELETE_WINDOW).
    bool closeRequested() const;

    // removed(), setFrame(nullptr) and the last release of the view, then the window closes.
    // Also done by the destructor; a second call does nothing.
    void close();

private:
    HostedEditor() = default;
    void windowResized(int width, int height);

    Steinberg::IPlugView* plugView = nullptr;
    std::unique_ptr<EditorWindow> parent;
    std::unique_ptr<PlugFrame> plugFrame;
};

} // namespace pomelu::host
