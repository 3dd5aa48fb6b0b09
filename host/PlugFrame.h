// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HostObject.h"

#include "pluginterfaces/gui/iplugview.h"

namespace pomelu::host
{

class EditorWindow;
class RunLoop;

// The host side of a plug-in view (IPlugFrame, handed over with IPlugView::setFrame). The view asks
// it for the host's run loop (queryInterface for Steinberg::Linux::IRunLoop) and for a new size
// (resizeView). UI thread only; not reference counted, like every HostObject.
class PlugFrame final : public HostObject<Steinberg::IPlugFrame>
{
public:
    // `window` is the parent window to resize with the view; nullptr for a view without one (an
    // off-screen view), where resizeView only tells the view.
    explicit PlugFrame(RunLoop& loop, EditorWindow* window = nullptr) : loop(loop), window(window) {}

    // IPlugFrame and FUnknown, and the run loop for Steinberg::Linux::IRunLoop.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;

    // Resizes the parent window to `newSize`'s width and height, then calls view->onSize(newSize)
    // and returns its result. kInvalidArgument for a null view or size or an empty size;
    // kResultFalse for a call made from inside the view's onSize (the size is being set already).
    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                             Steinberg::ViewRect* newSize) override;

    // resizeView calls that reached the view.
    int resizeCount() const { return resizes; }

private:
    RunLoop& loop;
    EditorWindow* window;
    int resizes = 0;
    bool resizing = false;
};

} // namespace pomelu::host
