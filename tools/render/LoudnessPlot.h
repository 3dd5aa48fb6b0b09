// SPDX-License-Identifier: GPL-3.0-or-later
// The picture of a render: input and output waveforms, the output's loudness over time, the
// true-peak ceiling and the limiter's work under a header of the report's figures, drawn by the
// editor's graphics code in its typefaces and palettes.
#pragma once

#include "IGraphicsStructs.h"
#include "RenderSession.h"

#include <string>

namespace pomelu::tools
{

// Where everything sits, in logical units of a kWidth x kHeight page (drawn at a scale). The
// mappings are pure: tests place the curves they expect with them.
struct PlotLayout
{
    static constexpr float kWidth = 1200.0f, kHeight = 800.0f;
    static constexpr float kLeft = 64.0f, kRight = 1176.0f; // the time axis of every panel
    static constexpr igraphics::IRECT kHeader{0.0f, 0.0f, kWidth, 118.0f};
    static constexpr igraphics::IRECT kInput{kLeft, 128.0f, kRight, 238.0f};
    static constexpr igraphics::IRECT kOutput{kLeft, 248.0f, kRight, 358.0f};
    static constexpr igraphics::IRECT kLimiter{kLeft, 364.0f, kRight, 404.0f};
    static constexpr igraphics::IRECT kLoudness{kLeft, 418.0f, kRight, 730.0f};
    static constexpr igraphics::IRECT kTimeAxis{kLeft, 734.0f, kRight, 756.0f};
    static constexpr igraphics::IRECT kLegend{kLeft, 764.0f, kRight, 790.0f};
    static constexpr double kTopLufs = 0.0, kBottomLufs = -54.0;

    double seconds = 1.0;         // the time axis runs from 0 to the file's length
    double limiterFloorDb = -3.0; // the limiter strip's bottom: -3 dB or the deepest reduction

    float xForSeconds(double s) const { return kLeft + static_cast<float>((kRight - kLeft) * s / seconds); }
    static float yForLufs(double lufs)
    {
        return kLoudness.T + static_cast<float>(kLoudness.H() * (kTopLufs - lufs) / (kTopLufs - kBottomLufs));
    }
    // Full scale at the panel's edges.
    static float yForAmplitude(const igraphics::IRECT& wave, double amplitude)
    {
        return wave.MH() - static_cast<float>(0.5 * wave.H() * amplitude);
    }
    float yForGainDb(double db) const
    {
        return kLimiter.T + static_cast<float>(kLimiter.H() * db / limiterFloorDb);
    }
};

// The waveforms' pixel columns at a scale.
int plotColumns(double scale);

// Writes the render's picture as PNG or, for a name ending in .svg, SVG, at scale times the page's
// size, in theme 0 (light), 1 (dark) or 2 (cool), through a temporary file renamed into place.
// result must hold a trace. Throws ToolError (I/O) naming the file when it cannot be written.
// Thread-safe: pictures are drawn one at a time (the typefaces are shared by the process).
void writeLoudnessPlot(const std::string& path, const RenderResult& result, int theme, double scale);

} // namespace pomelu::tools
