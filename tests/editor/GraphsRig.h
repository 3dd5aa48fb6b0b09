// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in class with the product's editor open off screen, attached the way the VST 3 view
// attaches its own, for the graphs' tests and benchmarks.
#pragma once

#include "IGraphics.h"
#include "PluginInstance.h"
#include "PomeluRarorudIzad.h"

#include <memory>
#include <stdexcept>
#include <vector>

namespace pomelu::test
{

// An off-screen editor on plug while the object lives: attach, layout, OnUIOpen; then detach.
class OffscreenEditor
{
public:
    OffscreenEditor(PomeluRarorudIzad& plug, float scale);
    ~OffscreenEditor() { plug.AttachEditor(nullptr); }
    igraphics::IGraphics& g() { return graphics; }
    // The first attached control of type T (the layout attaches one of each graph).
    template <class T> T& find()
    {
        for (int i = 0; i < graphics.NControls(); ++i)
            if (auto* c = dynamic_cast<T*>(graphics.GetControl(i)))
                return *c;
        throw std::logic_error("no such control");
    }
    // Chooses `item` of `submenu` in the analyzer's options menu with three presses, as a user does.
    void chooseInAnalyzerMenu(const char* submenu, const char* item);
    int checkedIn(const char* submenu); // the checked item's index

private:
    PomeluRarorudIzad& plug;
    igraphics::IGraphics graphics;
};

// The plug-in adopted by the host library (whose handler records the edits), processing stereo at
// 48 kHz, with the product's editor (the ROUTING page, light theme) open off screen.
struct GraphsRig
{
    explicit GraphsRig(float scale = 1.0f, int block = 512);
    ~GraphsRig() { editor.reset(); }

    double normalized(int idx, double plain) const { return plug->GetParam(idx)->ToNormalized(plain); }
    // The edits the host received since the last call (the idle tick delivers them).
    std::vector<host::ComponentHandler::Edit> hostEdits();
    // Plays `signal` on both inputs, block by block with `changes` in the first, as a host with its
    // editor open: an idle tick every other block (about 20 ms), a frame every third. lastOut keeps
    // the last block's output.
    void play(const std::vector<double>& signal, std::size_t frames,
              const std::vector<host::ParamChange>& changes = {});

    const int block;
    host::PluginInstance instance;
    PomeluRarorudIzad* plug;
    std::unique_ptr<OffscreenEditor> editor;
    std::vector<double> lastOut[2];
};

} // namespace pomelu::test
