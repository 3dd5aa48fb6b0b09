// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlugFrame.h"

#include "EditorWindow.h"
#include "RunLoop.h"

namespace pomelu::host
{

using namespace Steinberg;

tresult PLUGIN_API PlugFrame::queryInterface(const TUID iid, void** obj)
{
    if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid))
    {
        *obj = static_cast<Linux::IRunLoop*>(&loop);
        return kResultOk;
    }
    return HostObject<IPlugFrame>::queryInterface(iid, obj);
}

tresult PLUGIN_API PlugFrame::resizeView(IPlugView* view, ViewRect* newSize)
{
    if (view == nullptr || newSize == nullptr || newSize->getWidth() <= 0 || newSize->getHeight() <= 0)
        return kInvalidArgument;
    if (resizing)
        return kResultFalse;
    resizing = true;
    if (window != nullptr)
        window->resize(newSize->getWidth(), newSize->getHeight());
    const tresult result = view->onSize(newSize);
    resizing = false;
    ++resizes;
    return result;
}

} // namespace pomelu::host
