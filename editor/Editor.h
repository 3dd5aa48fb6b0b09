// SPDX-License-Identifier: GPL-3.0-or-later
// The product's editor: installs the layout that builds the whole window (header, routing strip,
// navigation row, analysis area and the page's content) from the plug-in's state. Every change of
// page, tab, theme, module power or selection asks the plug-in for a rebuild; its OnIdle throws the
// controls away and runs the layout again, so the window always shows the state of the last build.
#pragma once

namespace iplug
{
class IEditorView;
}

namespace igraphics
{
class IGraphics;
}

namespace pomelu
{
class PomeluRarorudIzad;
}

namespace pomelu::editor
{

// Makes BuildEditor the plug-in's layout hook. UI thread; the plug-in must outlive its editors.
void InstallEditor(PomeluRarorudIzad& plug);

// The layout: builds every control on an empty editor; returns at once when the editor already
// holds controls (after a window resize, which only rescales the drawing). UI thread.
void BuildEditor(igraphics::IGraphics& g, PomeluRarorudIzad& plug);

} // namespace pomelu::editor
