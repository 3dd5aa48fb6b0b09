// SPDX-License-Identifier: GPL-3.0-or-later
#include "OffscreenEditor.h"

#include "AudioFile.h"
#include "Errors.h"
#include "IGraphics.h"
#include "PomeluRarorudIzad.h"

#include <cairo.h>

#include <cstdint>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
    std::vector<std::uint8_t> png;
    const auto append = [](void* closure, const unsigned char* data, unsigned int length)
    {
        try
        {
            static_cast<std::vector<std::uint8_t>*>(closure)->insert(
                static_cast<std::vector<std::uint8_t>*>(closure)->end(), data, data + length);
            return CAIRO_STATUS_SUCCESS;
        }
        catch (const std::bad_alloc&)
        {
            return CAIRO_STATUS_NO_MEMORY;
        }
    };
    const cairo_status_t status = cairo_surface_write_to_png_stream(g->GetBackBuffer(), append, &png);
    if (status != CAIRO_STATUS_SUCCESS)
        throwIoError("cannot write '" + path + "': " + cairo_status_to_string(status));
    // What is there stays unless it is a file the user may write: the new picture replaces it only
    // by a rename once it is whole.
    struct stat existing
    {
    };
    if (::stat(path.c_str(), &existing) == 0)
    {
        if (!S_ISREG(existing.st_mode))
            throwIoError("cannot write '" + path + "': it is " +
                         (S_ISDIR(existing.st_mode) ? "a directory" : "not a regular file"));
        if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0)
            throwIoError("cannot write '" + path + "': the file is read-only; it stays as it is");
    }
    writeBinaryFileAtomically(path, png);
}

} // namespace pomelu::tools
