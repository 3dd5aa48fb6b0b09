// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Loudness.h"
#include "Options.h"
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

struct RenderResult
{
    int sampleRate = 0;
    int channels = 0;
    std::int64_t inputFrames = 0;
    std::int64_t outputFrames = 0;
    LoudnessFigures input;
    LoudnessFigures output;
};

// Runs options.inputPath through the effect block by block into options.outputPath, which appears
// only when everything succeeded. Throws ToolError.
RenderResult renderFile(Effect& effect, const RenderOptions& options, ProgressBar& progress);

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
