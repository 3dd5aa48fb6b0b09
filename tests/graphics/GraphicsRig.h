// SPDX-License-Identifier: GPL-3.0-or-later
// A small plug-in for editor tests and benchmarks: a handful of typed parameters and a record of
// every edit gesture the editor sends (as the host would see it).
#pragma once

#include "IControl.h"
#include "IGraphics.h"
#include "IPlugBase.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pomelu::test
{

enum TestParams
{
    kGain,  // -24 .. 24 dB, step 0.1, default 0
    kMode,  // enum "Soft", "Hard", "Fold", default 0
    kFreq,  // 20 .. 20000 Hz, step 1, default 1000
    kPower, // bool, default off
    kFirstBusy,
    kNumTestParams = kFirstBusy + 48 // knobs of the busy page
};

class GestureRecordingPlug : public iplug::IPlugBase
{
public:
    GestureRecordingPlug();

    // "B<idx>", "S<idx>=<normalised, 4 decimals>", "E<idx>", "M<msgTag>:<ctrlTag>=<int payload>".
    std::vector<std::string> log;

    bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void* pData) override;

protected:
    void BeginInformHostOfParamChange(int idx) override;
    void InformHostOfParamChangeFromUI(int idx, double normalized) override;
    void EndInformHostOfParamChange(int idx) override;
};

// A control that draws with a function: the drawing tests' canvas.
class DrawControl : public igraphics::IControl
{
public:
    DrawControl(const igraphics::IRECT& r, std::function<void(igraphics::IGraphics&)> f)
        : IControl(r), draw(std::move(f))
    {
    }
    void Draw(igraphics::IGraphics& g) override { draw(g); }
    std::function<void(igraphics::IGraphics&)> draw;
};

// The back buffer's pixel (window pixels), alpha and colour un-premultiplied.
igraphics::IColor PixelAt(igraphics::IGraphics& g, int x, int y);
// The bounding box (window pixels) of every pixel in area that differs from bg by more than a
// little antialiasing; empty when there is none. count (optional) gets the number of such pixels.
igraphics::IRECT InkBounds(igraphics::IGraphics& g, const igraphics::IColor& bg, const igraphics::IRECT& area,
                           int* count = nullptr);
// Every pixel of the back buffer, for comparing two renderings.
std::vector<std::uint32_t> Pixels(igraphics::IGraphics& g);
// True when the three typefaces are in the build tree (scripts/fetch-fonts.sh has run).
bool TestFontsPresent();

// Registers the three typefaces from the build tree's resources.
void LoadTestFonts(igraphics::IGraphics& g);

} // namespace pomelu::test
