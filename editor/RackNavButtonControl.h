// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IControl.h"

#include <functional>
#include <string>

namespace pomelu::editor
{

// The flat push button of pages, sub-pages, tabs, themes and the compare slot. It never changes its
// own selected look: the click callback changes the plug-in's state and asks for a rebuild, which
// builds the buttons anew. Bound to nothing. UI thread.
class RackNavButtonControl : public igraphics::IControl
{
public:
    using ClickFunc = std::function<void()>;

    RackNavButtonControl(const igraphics::IRECT& bounds, const char* label, bool selected, ClickFunc onClick,
                         const igraphics::IColor& selectedColor, const igraphics::IColor& idleColor,
                         const igraphics::IColor& ink);
    void Draw(igraphics::IGraphics& g) override;
    // Any button: runs the click callback, if there is one.
    void OnMouseDown(float x, float y, const igraphics::IMouseMod& mod) override;

    const std::string& GetLabel() const { return mLabel; }
    bool IsSelected() const { return mSelected; }
    const igraphics::IColor& GetSelectedColor() const { return mSelectedColor; }

private:
    std::string mLabel;
    bool mSelected;
    ClickFunc mOnClick;
    igraphics::IColor mSelectedColor, mIdleColor, mInk;
};

} // namespace pomelu::editor
