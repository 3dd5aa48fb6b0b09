// SPDX-License-Identifier: GPL-3.0-or-later
#include "HostedEditor.h"

#include "EditorWindow.h"
#include "PlugFrame.h"
#include "RunLoop.h"

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace pomelu::host
{

using namespace Steinberg;

std::unique_ptr<HostedEditor> HostedEditor::open(IPlugView* view, RunLoop& loop, const std::string& title,
                                                 std::string& error, const char* displayName,
                                                 unsigned long embedIn)
{
    if (view == nullptr)
    {
        error = "the plug-in has no editor view";
        return nullptr;
    }
    ViewRect size;
    const char* refusal = nullptr;
    if (view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue)
        refusal = "the editor view cannot be embedded in an X11 window";
    else if (view->getSize(&size) != kResultOk || size.getWidth() <= 0 || size.getHeight() <= 0)
        refusal = "the editor view reports no size";
    if (refusal != nullptr)
    {
        error = refusal;
        view->release();
        return nullptr;
    }

    std::unique_ptr<HostedEditor> editor(new HostedEditor);
    editor->parent =
        EditorWindow::open(loop, size.getWidth(), size.getHeight(), title, error, displayName, embedIn);
    if (editor->parent == nullptr)
    {
        view->release();
        return nullptr;
    }
    editor->plugFrame = std::make_unique<PlugFrame>(loop, editor->parent.get());
    view->setFrame(editor->plugFrame.get());
    if (view->attached(editor->parent->parentHandle(), kPlatformTypeX11EmbedWindowID) != kResultOk)
    {
        error = "the editor view refused to attach to its window";
        view->setFrame(nullptr);
        view->release();
        return nullptr;
    }
    editor->plugView = view;
    // A view may settle its size only once attached.
    if (view->getSize(&size) == kResultOk && size.getWidth() > 0 && size.getHeight() > 0)
        editor->parent->resize(size.getWidth(), size.getHeight());
    HostedEditor* self = editor.get();
    editor->parent->onResized = [self](int width, int height) { self->windowResized(width, height); };
    return editor;
}

std::unique_ptr<HostedEditor> HostedEditor::open(Vst::IEditController* controller, RunLoop& loop,
                                                 const std::string& title, std::string& error,
                                                 const char* displayName, unsigned long embedIn)
{
    if (controller == nullptr)
    {
        error = "no edit controller";
        return nullptr;
    }
    return open(controller->createView(Vst::ViewType::kEditor), loop, title, error, displayName, embedIn);
}

HostedEditor::~HostedEditor()
{
    close();
}

bool HostedEditor::resize(int width, int height)
{
    if (plugView == nullptr || plugView->canResize() != kResultTrue)
        return false;
    ViewRect size(0, 0, width, height);
    if (plugView->checkSizeConstraint(&size) != kResultOk || size.getWidth() <= 0 || size.getHeight() <= 0)
        return false;
    parent->resize(size.getWidth(), size.getHeight());
    return plugView->onSize(&size) == kResultOk;
}

void HostedEditor::windowResized(int width, int height)
{
    if (resize(width, height))
        return;
    ViewRect size; // a size the view did not take: the window goes back to the view's
    if (plugView != nullptr && plugView->getSize(&size) == kResultOk)
        parent->resize(size.getWidth(), size.getHeight());
}

bool HostedEditor::closeRequested() const
{
    return parent != nullptr && parent->closeRequested();
}

void HostedEditor::close()
{
    if (plugView != nullptr)
    {
        parent->onResized = nullptr;
        plugView->removed();
        plugView->setFrame(nullptr);
        plugView->release();
        plugView = nullptr;
    }
    parent.reset();
    plugFrame.reset();
}

} // namespace pomelu::host
