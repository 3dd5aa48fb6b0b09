// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IControl.h"

#include <string>

namespace pomelu::editor
{

// The detail card's background: a rounded panel with a dot, a title and an optional subtitle. Bound
// to nothing; draws only. UI thread.
class RackCardControl : public igraphics::IControl
{
public:
    // A null title or subtitle is empty; an empty subtitle draws no second line.
    RackCardControl(const igraphics::IRECT& bounds, const char* title, const char* subtitle,
                    const igraphics::IColor& fill, const igraphics::IColor& accent,
                    const igraphics::IColor& ink);
    void Draw(igraphics::IGraphics& g) override;

    const std::string& GetTitle() const { return mTitle; }
    const std::string& GetSubtitle() const { return mSubtitle; }
    const igraphics::IColor& GetFillColor() const { return mFill; }
    const igraphics::IColor& GetAccentColor() const { return mAccent; }
    const igraphics::IColor& GetInkColor() const { return mInk; }

private:
    std::string mTitle;
    std::string mSubtitle;
    igraphics::IColor mFill, mAccent, mInk;
};

} // namespace pomelu::editor
