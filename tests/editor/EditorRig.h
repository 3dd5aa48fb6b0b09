// SPDX-License-Identifier: GPL-3.0-or-later
// The product's editor on the off-screen context: the plug-in adopted by the host library (whose
// handler records the edits), processing stereo at 48 kHz, with its 980 x 680 editor open as the
// VST 3 view opens it; a count of layout runs, pointer helpers in page units, audio played through
// with the idle ticks a host gives, and a one-line description of every control for table-driven
// checks.
#pragma once

#include "Editor.h"
#include "PluginInstance.h"
#include "PomeluRarorudIzad.h"

#include "IControl.h"
#include "IGraphics.h"
#include "Mappings.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pomelu::test
{

class EditorRig
{
public:
    // setup runs on the fresh plug-in before the first build (UI state, parameter values).
    explicit EditorRig(const std::function<void(PomeluRarorudIzad&)>& setup = {}, float scale = 1.0f,
                       int blockSize = 512);
    ~EditorRig();

    // The plug-in's idle call: a requested rebuild runs here.
    void idle() { plug->OnIdle(); }
    void click(float x, float y);
    // Presses at the first point, moves through the others, releases at the last.
    void drag(const std::vector<igraphics::IPoint>& points);
    void setParam(int idx, double plain) { plug->GetParam(idx)->Set(plain); }
    double param(int idx) const { return plug->GetParam(idx)->Value(); }
    double normalized(int idx, double plain) const { return plug->GetParam(idx)->ToNormalized(plain); }

    // The first attached control of type T (the layout attaches one of each graph).
    template <class T> T& find()
    {
        for (int i = 0; i < g.NControls(); ++i)
            if (auto* c = dynamic_cast<T*>(g.GetControl(i)))
                return *c;
        throw std::logic_error("no such control");
    }
    // Chooses `item` of `submenu` in the analyzer's options menu with three presses, as a user does.
    void chooseInAnalyzerMenu(const char* submenu, const char* item);
    int checkedIn(const char* submenu); // the checked item's index
    // Closes the editor and opens it again, as the host's window does.
    void reopen();

    // The edits the host received since the last call (the idle tick delivers them).
    std::vector<host::ComponentHandler::Edit> hostEdits();
    // Plays `signal` on both inputs, block by block with `changes` in the first, as a host with its
    // editor open: an idle tick every other block (about 20 ms), a frame every third. lastOut keeps
    // the last block's output.
    void play(const std::vector<double>& signal, std::size_t frames,
              const std::vector<host::ParamChange>& changes = {});

    const int block;
    host::PluginInstance instance;
    PomeluRarorudIzad* plug; // owned by the instance
    igraphics::IGraphics g;
    int builds = 0; // layout runs since construction, the first build included
    std::vector<double> lastOut[2];

private:
    void open();
};

// "kind|label" of a control: kind is panel, bitmap, text, power, nav (label prefixed "*" when
// selected), strip, analyzer, meter, button, card ("title|subtitle"), modcard ("title|tagline"),
// knob ("ENGLISH|japanese"), or "other".
std::string Describe(const igraphics::IControl& c);

} // namespace pomelu::test
