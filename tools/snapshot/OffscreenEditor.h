// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace igraphics
{
class IGraphics;
}

namespace pomelu
{
class PomeluRarorudIzad;
}

namespace pomelu::tools
{

// The plug-in's editor opened without a window or an X connection: the graphics context the
// plug-in's editor factory makes, drawn at `scale` into its back buffer, laid out and told it is
// open exactly as the VST 3 view does when attached. The host's timer is replaced by tick().
// UI thread; the plug-in must outlive it.
class OffscreenEditor
{
public:
    // Throws ToolError (I/O) when the plug-in makes no graphics editor.
    OffscreenEditor(PomeluRarorudIzad& plugin, float scale);
    // Closes the editor as the view's removal does.
    ~OffscreenEditor();
    OffscreenEditor(const OffscreenEditor&) = delete;
    OffscreenEditor& operator=(const OffscreenEditor&) = delete;

    igraphics::IGraphics& graphics() { return *g; }

    // One tick of the host's timer: the plug-in's idle work (senders to the displays, rebuilds),
    // then, when `draw`, a frame of whatever became dirty.
    void tick(bool draw);

    // A full redraw written as PNG through a temporary file beside path and a rename. Throws
    // ToolError (I/O) naming the file when it cannot be written, and for a path that holds a
    // directory, another non-file or a read-only file: what was there is never removed.
    void writePng(const std::string& path);

private:
    PomeluRarorudIzad& plug;
    igraphics::IGraphics* g = nullptr;
};

} // namespace pomelu::tools
