// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Loudness.h"
#include "Options.h"
#include "PlotTrace.h"
#include "PluginSettings.h"
#include "Progress.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

namespace pomelu::tools
{

// The command line's --state, --preset, --set and --order, applied as PluginSettings.h says.
void applySettings(Effect& effect, const RenderOptions& options);

// What the delivery stage did to reach a loudness target.
struct DeliveryFigures
{
    double targetLufs = 0.0;
    double ceilingDbtp = 0.0;
    double gainDb = 0.0;
    double largestReductionDb = 0.0; // the limiter's deepest gain reduction, 0 or negative
};

struct RenderResult
{
    RenderJob job;
    int sampleRate = 0;
    int channels = 0;
    std::int64_t inputFrames = 0;
    std::int64_t outputFrames = 0;
    bool measured = false; // false with --report none: the figures below are not set
    LoudnessFigures input;
    LoudnessFigures output; // what the file holds: after quantisation, or decoded for lossy types
    std::optional<LoudnessFigures> beforeDelivery; // the plug-in's output, with a loudness target
    std::optional<DeliveryFigures> delivery;
    std::int64_t clippedSamples = 0;
    std::string warning;            // a target that could not be reached, for the user to hear of
    std::optional<PlotTrace> trace; // what the job's picture shows, when it has one
};

// Runs job.inputPath through the effect block by block into job.outputPath, which appears only
// when everything succeeded. With a loudness target the plug-in's output is kept in a spill file,
// then scaled and limited into the output (again, with corrections, if the result misses the target
// by more than 0.2 LU or an encoder pushed a true peak over the ceiling). Throws ToolError.
RenderResult renderFile(Effect& effect, const RenderOptions& options, const RenderJob& job,
                        ProgressBar& progress);

// Where the tool talks to: report and lists on out, errors on err, the progress bar on progressStream.
struct ToolEnvironment
{
    std::ostream& out;
    std::ostream& err;
    std::FILE* progressStream = nullptr;
    bool showProgress = false;
    EffectFactory makeEffect;
};

// The whole of pomelu-render without argv[0]; returns the exit status. Errors are one line on err,
// "pomelu-render: ...".
int runRenderTool(const std::vector<std::string>& arguments, const ToolEnvironment& environment);

} // namespace pomelu::tools
