// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IControls.h"

#include <string>

namespace pomelu::editor
{

// The vector knob with an English label and a Japanese sub-label above it and a rounded value box
// below. Sweeps -135 to +135 degrees from an arc anchored at -135, vertical drag at gearing 4; the
// value box opens the text entry when the value is editable. UI thread.
class RackBilingualKnobControl : public igraphics::IVKnobControl
{
public:
    // The sub-label colour is the style's label colour.
    RackBilingualKnobControl(const igraphics::IRECT& bounds, int paramIdx, const char* englishLabel,
                             const char* japaneseLabel, const igraphics::IVStyle& style,
                             bool valueIsEditable);
    // Label band: the top 29 units; value box: the bottom 18, inset 5 at the sides; the knob: the
    // largest square between (T + 32) and (B - 21), at least 1 unit.
    void OnResize() override;
    void Draw(igraphics::IGraphics& g) override;

    const std::string& GetEnglishLabel() const { return mEnglish; }
    const std::string& GetJapaneseLabel() const { return mJapanese; }

private:
    // Below this size a one-line value splits a bilingual text over two lines.
    static constexpr float kMinReadableValueSize = 9.0f;
    void drawValue(igraphics::IGraphics& g) const;

    std::string mEnglish;
    std::string mJapanese;
    igraphics::IColor mLabelColor;
};

} // namespace pomelu::editor
