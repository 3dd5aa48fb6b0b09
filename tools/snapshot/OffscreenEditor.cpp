// SPDX-License-Identifier: GPL-3.0-or-later
#include "OffscreenEditor.h"

#include "Errors.h"
#include "IGraphics.h"
#include "PomeluRarorudIzad.h"

#include <cairo.h>

#include <cstdio>
#include <mutex>

namespace pomelu::tools
{

OffscreenEditor::OffscreenEditor(PomeluRarorudIzad& plugin, float scale) : plug(plugin)
{
    const auto& factory = plug.GetEditorFactory();
    iplug::IEditorView* editor = factory ? factory() : nullptr;
    g = editor != nullptr ? igraphics::IGraphics::From(*editor) : nullptr;
    if (g == nullptr)
    {
        delete editor;
        throwIoError("the plug-in made no graphics editor");
    }
    int width = 0, height = 0;
    g->WindowSizeForScale(scale, width, height);
    std::lock_guard lock(plug.GetUiMutex());
    g->SetWindowSize(width, height);
    plug.AttachEditor(g);
    plug.LayoutEditor();
    plug.OnUIOpen();
}

OffscreenEditor::~OffscreenEditor()
{
    std::lock_guard lock(plug.GetUiMutex());
    plug.OnUIClose();
    plug.AttachEditor(nullptr);
    delete g;
}

void OffscreenEditor::tick(bool draw)
{
    plug.RunIdleTick();
    if (draw)
        g->DrawFrame();
}

void OffscreenEditor::writePng(const std::string& path)
{
    g->SetAllControlsDirty();
    g->DrawFrame();
    const cairo_status_t status = cairo_surface_write_to_png(g->GetBackBuffer(), path.c_str());
    if (status != CAIRO_STATUS_SUCCESS)
    {
        std::remove(path.c_str());
        throwIoError("cannot write '" + path + "': " + cairo_status_to_string(status));
    }
}

} // namespace pomelu::tools
