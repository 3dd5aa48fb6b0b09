// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IControl.h"

#include <string>

namespace pomelu::editor
{

// A module's card on the STUDIO page, bound to the module's power parameter: tinted in the accent
// with an accent outline while the module is on, the plain fill while it is off. The framework's
// defaults handle the mouse (double-click resets the power switch). UI thread.
class RackModuleCardControl : public igraphics::IControl
{
public:
    RackModuleCardControl(const igraphics::IRECT& bounds, int powerParamIdx, const char* title,
                          const char* tagline, const igraphics::IColor& accent, const igraphics::IColor& fill,
                          const igraphics::IColor& ink);
    void Draw(igraphics::IGraphics& g) override;

    const std::string& GetTitle() const { return mTitle; }
    const std::string& GetTagline() const { return mTagline; }
    bool IsOn() const { return GetValue() > 0.5; }

private:
    std::string mTitle;
    std::string mTagline;
    igraphics::IColor mAccent, mFill, mInk;
};

} // namespace pomelu::editor
