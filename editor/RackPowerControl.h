// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IControl.h"

#include <functional>
#include <string>

namespace pomelu::editor
{

// The on/off toggle of module power, bypass and switches, bound to one parameter: on above 0.5
// (normalised), off at 0.5 or below. A press flips the value, sends it to the plug-in as an edit
// from the editor (the host hears one complete edit), then runs the toggle callback. UI thread.
class RackPowerControl : public igraphics::IControl
{
public:
    using ToggleFunc = std::function<void()>;

    RackPowerControl(const igraphics::IRECT& bounds, int paramIdx, const char* label,
                     const igraphics::IColor& onColor, const igraphics::IColor& offColor,
                     const igraphics::IColor& ink, ToggleFunc onToggle = nullptr);
    void Draw(igraphics::IGraphics& g) override;
    void OnMouseDown(float x, float y, const igraphics::IMouseMod& mod) override;

    const std::string& GetLabel() const { return mLabel; }
    bool IsOn() const { return GetValue() > 0.5; }
    bool HasToggleCallback() const { return static_cast<bool>(mOnToggle); }
    // "<label>  ON" or "<label>  OFF", at most 63 bytes.
    std::string GetText() const;

private:
    std::string mLabel;
    igraphics::IColor mOnColor, mOffColor, mInk;
    ToggleFunc mOnToggle;
};

} // namespace pomelu::editor
