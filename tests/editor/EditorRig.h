// SPDX-License-Identifier: GPL-3.0-or-later
// The product's editor on the off-screen context: a plug-in with the layout installed and an open
// 980 x 680 editor, a count of layout runs, pointer helpers in page units, and a one-line
// description of every control for table-driven checks.
#pragma once

#include "Editor.h"
#include "PomeluRarorudIzad.h"

#include "IControl.h"
#include "IGraphics.h"
#include "Mappings.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pomelu::test
{

class EditorRig
{
public:
    // setup runs on the fresh plug-in before the first build (UI state, parameter values).
    explicit EditorRig(const std::function<void(PomeluRarorudIzad&)>& setup = {});
    ~EditorRig();

    // The plug-in's idle call: a requested rebuild runs here.
    void idle() { plug->OnIdle(); }
    void click(float x, float y);
    // Presses at the first point, moves through the others, releases at the last.
    void drag(const std::vector<igraphics::IPoint>& points);
    void setParam(int idx, double plain) { plug->GetParam(idx)->Set(plain); }
    double param(int idx) const { return plug->GetParam(idx)->Value(); }

    struct PlugDeleter
    {
        void operator()(PomeluRarorudIzad* p) const { p->release(); }
    };
    std::unique_ptr<PomeluRarorudIzad, PlugDeleter> plug;
    igraphics::IGraphics g;
    int builds = 0; // layout runs since construction, the first build included
};

// "kind|label" of a control: kind is panel, bitmap, text, power, nav (label prefixed "*" when
// selected), strip, analyzer, meter, button, card ("title|subtitle"), modcard ("title|tagline"),
// knob ("ENGLISH|japanese"), or "other".
std::string Describe(const igraphics::IControl& c);

} // namespace pomelu::test
