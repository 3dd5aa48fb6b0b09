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

// The delivery's gain cap unless --max-gain says otherwise: more would lift the noise floor of a
// quiet recording with its speech.
inline constexpr double kDefaultMaxGainDb = 20.0;

// The pomelu-render command line, checked for form: names of presets and parameters and the values
// of --set are checked against the plug-in later (applySettings), because only it knows them.
struct RenderOptions
{
    enum class Report
    {
        Text,
        Json,
        None
    };

    std::vector<std::string> inputPaths; // one with outputPath, any number with outDir
    std::string outputPath;
    std::optional<std::string> outDir;
    std::optional<FileType> type; // batch output type; none: the input's own where it is writable
    int jobs = 0;                 // parallel renders in a batch; 0: one per core
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
    EncoderSettings encoder;
    // Delivery: a named target or an integrated loudness, and the true-peak ceiling.
    std::optional<std::string> targetName;
    std::optional<double> targetLufs;
    double ceilingDbtp = -1.0;
    double maxGainDb = kDefaultMaxGainDb; // a file that needs more gain than this is refused
    // The picture of each render (LoudnessPlot.h): one file, or one per input in a folder.
    std::optional<std::string> plotPath;
    std::optional<std::string> plotDir;
    int plotTheme = 0; // 0 pomelu, 1 dark, 2 cool
    double plotScale = 1.0;
    bool listPresets = false;
    bool listParams = false;
    bool help = false;
    bool version = false;

    bool rendersAudio() const { return !inputPaths.empty(); }
    bool delivers() const { return targetName || targetLufs; }
};

// One file to render and where its output goes.
struct RenderJob
{
    std::string inputPath;
    std::string outputPath;
    std::string plotPath; // empty: no picture
};

// The jobs of a command line: IN OUT, or each input into outDir under its own name with the
// extension of --type. Throws ToolError (usage) for two inputs that would write the same output and
// for encoder options the output type cannot take.
std::vector<RenderJob> renderJobs(const RenderOptions& options);

// The integrated loudness a named target asks of a file with this many channels: podcast -16
// (stereo), broadcast -23, streaming -14, each 3 LU lower for mono, which is measured as one channel
// and so reads 3 LU under the same voice on two; nothing for an unknown name.
std::optional<double> namedTargetLufs(const std::string& name, int channels);

inline constexpr int kMaxBlockSize = 65536;
inline constexpr int kMaxJobs = 64;
// The plug-in's engine runs at 8 kHz and up; lower rates would be processed as if they were 8 kHz.
inline constexpr int kMinSampleRate = 8000;

// Throws ToolError (usage) with a one-line message for anything malformed. Both "--opt value" and
// "--opt=value" are accepted.
RenderOptions parseArguments(const std::vector<std::string>& arguments);

// The help text printed by --help and referred to by usage errors.
const char* usageText();

} // namespace pomelu::tools
