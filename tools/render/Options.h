// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioFile.h"
#include "Parameters.h"
#include "dsp/ModuleId.h"

#include <optional>
#include <string>
#include <vector>

namespace pomelu::tools
{

// The pomelu-render command line, checked for form: names of presets and parameters and the values
// of --set are checked against the plug-in later (applySettings), because only it knows them.
struct RenderOptions
{
    enum class Report
    {
        Text,
        Json
    };

    std::string inputPath;
    std::string outputPath;
    std::optional<std::string> statePath;
    std::optional<std::string> presetName;
    std::vector<ParameterSetting> settings; // in command-line order
    std::optional<dsp::ModuleOrder> order;
    std::optional<std::string> saveStatePath;
    std::optional<SampleFormat> format; // none: defaultSampleFormat(outputPath)
    int blockSize = 512;                // frames per process call
    double tempoBpm = 120.0;
    double tailSeconds = 0.0;
    Report report = Report::Text;
    bool listPresets = false;
    bool listParams = false;
    bool help = false;

    bool rendersAudio() const { return !inputPath.empty(); }
};

inline constexpr int kMaxBlockSize = 65536;

// Throws ToolError (usage) with a one-line message for anything malformed. Both "--opt value" and
// "--opt=value" are accepted.
RenderOptions parseArguments(const std::vector<std::string>& arguments);

// The help text printed by --help and referred to by usage errors.
const char* usageText();

} // namespace pomelu::tools
