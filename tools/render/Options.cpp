// SPDX-License-Identifier: GPL-3.0-or-later
#include "Options.h"

#include "CommandLine.h"
#include "Errors.h"
#include "ModuleOrderParser.h"
#include "Text.h"

#include <algorithm>
#include <filesystem>

namespace pomelu::tools
{

const char* usageText()
{
    return "Usage: pomelu-render IN OUT [options]\n"
           "       pomelu-render IN... --out-dir DIR [--type TYPE] [-j N] [options]\n"
           "       pomelu-render --list-presets | --list-params\n"
           "Runs WAV, FLAC, AIFF or MP3 files (mono or stereo, 8 kHz and up) through Pomelu Rarorud Izad\n"
           "block by block, as a host would, and prints the loudness of input and output.\n"
           "\n"
           "Settings, applied in this order:\n"
           "  --state FILE          load a saved plug-in state (as written by --save-state)\n"
           "  --preset NAME         recall a factory preset: Natural, Singing, Narration, Podcast, Gentle\n"
           "  --set \"NAME=VALUE\"    set a parameter by name (see --list-params); VALUE in the parameter's\n"
           "                        units or one of its value texts: \"Comp Threshold=-20\",\n"
           "                        \"Delay Feel=Dotted\", \"Comp=on\"; may be repeated\n"
           "  --order LIST          the module order: all eleven modules once, comma-separated, by name\n"
           "                        (PopCut,SClear,Eq,Distortion,Phaser,Tremolo,Leveler,Comp,ClipGuard,\n"
           "                        Delay,Reverb) or by routing label (POP,S CLEAR,EQ,DIST,PHASER,TREM,\n"
           "                        LEVEL,COMP,CLIP,DELAY,REVERB)\n"
           "\n"
           "Delivery (after the plug-in: one gain to the target, then a true-peak limiter):\n"
           "  --target NAME         podcast (-16 LUFS), broadcast (-23), streaming (-14); mono files\n"
           "                        3 LU lower (-19, -26, -17), as mono reads 3 LU under the same stereo\n"
           "  --lufs L              an integrated loudness of your own, -40 to -5 (taken as given)\n"
           "  --true-peak C         the ceiling no true peak may cross, -9 to 0 dBTP (default -1)\n"
           "  --max-gain G          the most gain the delivery may apply, 0 to 60 dB (default 20); a\n"
           "                        file that needs more is refused, the others of a batch go on\n"
           "\n"
           "Output:\n"
           "  --save-state FILE     write the plug-in state after the settings (IN and OUT may be omitted)\n"
           "  --format F            WAV, FLAC and AIFF samples: float (default; pcm24 for FLAC), pcm24 or\n"
           "                        pcm16 (dithered)\n"
           "  --quality Q           MP3, Opus, Ogg Vorbis: variable rate from 0 (smallest) to 10 (best)\n"
           "  --bitrate KBPS        MP3: constant rate; Opus: target rate (default 128 kbit/s for MP3 and\n"
           "                        96 for Opus, half that for mono; Ogg Vorbis quality 5)\n"
           "  --title T, --artist A, --comment C   tags of MP3, Opus and Ogg Vorbis files\n"
           "  --out-dir DIR         render every IN into DIR under its own name\n"
           "  --type TYPE           the output type in DIR: wav, flac, aiff, mp3, opus or ogg\n"
           "                        (default: the input's own, wav for an input that cannot be written)\n"
           "  -j, --jobs N          files rendered at once, 1 to 64 (default: one per core)\n"
           "  --tail SECONDS        keep rendering this long after the input ends, for delay and reverb\n"
           "                        tails, 0 to 60 (default 0: output as long as input)\n"
           "  --block N             frames per processing block, 1 to 65536 (default 512)\n"
           "  --tempo BPM           host tempo for synced tremolo and delay, 20 to 999 (default 120)\n"
           "  --report KIND         text (default), json (one line on stdout), none (no analysis)\n"
           "  --plot FILE           draw the render as a picture, .png or .svg: both waveforms, the\n"
           "                        loudness over time, the ceiling, the limiter's work, the figures\n"
           "  --plot-dir DIR        with --out-dir: one picture per file, DIR/NAME.png\n"
           "  --theme T             the picture's colours: pomelu (default), dark or cool\n"
           "  --plot-scale S        the picture at S times 1200 x 800, from 0.5 to 3 (default 1)\n"
           "  --list-presets        print the factory preset names\n"
           "  --list-params         print every parameter: index, name, range or values, default, unit\n"
           "  -h, --help            print this help\n"
           "  --version             print the version\n"
           "\n"
           "Output files keep the input's sample rate and channel count; the type follows OUT's\n"
           "extension (.wav, .flac, .aif, .aiff, .mp3, .opus, .ogg). OUT is never the input file.\n"
           "Exit status: 0 done, 1 file error (in a batch: any file failed), 2 command-line error.\n";
}

std::optional<double> namedTargetLufs(const std::string& name, int channels)
{
    const double mono = channels == 1 ? -3.0 : 0.0;
    if (equalsIgnoreCase(name, "podcast"))
        return -16.0 + mono;
    if (equalsIgnoreCase(name, "broadcast"))
        return -23.0 + mono;
    if (equalsIgnoreCase(name, "streaming"))
        return -14.0 + mono;
    return std::nullopt;
}

namespace
{
// A picture never takes the place of the sound it shows.
void checkPlotPath(const RenderJob& job)
{
    if (job.plotPath.empty())
        return;
    const auto same = [&job](const std::string& other)
    {
        std::error_code errorA, errorB;
        const auto a = std::filesystem::weakly_canonical(job.plotPath, errorA);
        const auto b = std::filesystem::weakly_canonical(other, errorB);
        return job.plotPath == other || (!errorA && !errorB && a == b) || isSameFile(job.plotPath, other);
    };
    if (same(job.inputPath))
        throwUsageError("picture '" + job.plotPath +
                        "' is the input file itself; give the picture another name");
    if (same(job.outputPath))
        throwUsageError("picture '" + job.plotPath +
                        "' is the output file itself; give the picture another name");
    const std::size_t dot = job.plotPath.find_last_of('.');
    const std::string extension = dot == std::string::npos ? "" : job.plotPath.substr(dot + 1);
    if (!equalsIgnoreCase(extension, "png") && !equalsIgnoreCase(extension, "svg"))
        throwUsageError("picture '" + job.plotPath + "': expected a name ending in .png or .svg");
}
} // namespace

std::vector<RenderJob> renderJobs(const RenderOptions& options)
{
    std::vector<RenderJob> jobs;
    if (!options.outDir)
        jobs.push_back({options.inputPaths.at(0), options.outputPath, ""});
    else
        for (const std::string& in : options.inputPaths)
        {
            const std::size_t slash = in.find_last_of('/');
            std::string name = slash == std::string::npos ? in : in.substr(slash + 1);
            const std::size_t dot = name.find_last_of('.');
            const std::optional<FileType> own = fileTypeForPath(in);
            const FileType type = options.type.value_or(own.value_or(FileType::Wav));
            if (dot != std::string::npos && dot > 0)
                name.resize(dot);
            jobs.push_back({in, *options.outDir + "/" + name + "." + extensionFor(type),
                            options.plotDir ? *options.plotDir + "/" + name + ".png" : ""});
        }
    if (options.plotPath)
        jobs.front().plotPath = *options.plotPath;

    for (std::size_t i = 0; i < jobs.size(); ++i)
    {
        const RenderJob& job = jobs[i];
        for (std::size_t k = 0; k < i; ++k)
            if (jobs[k].outputPath == job.outputPath)
                throwUsageError("'" + jobs[k].inputPath + "' and '" + job.inputPath + "' would both write '" +
                                job.outputPath + "'");
        checkPlotPath(job);
        for (std::size_t k = 0; k < i; ++k)
            if (!job.plotPath.empty() && jobs[k].plotPath == job.plotPath)
                throwUsageError("'" + jobs[k].inputPath + "' and '" + job.inputPath + "' would both draw '" +
                                job.plotPath + "'");
        const SampleFormat format = options.format.value_or(defaultSampleFormat(job.outputPath));
        checkOutputFormat(job.outputPath, format);
        const FileType type = *fileTypeForPath(job.outputPath);
        const EncoderSettings& e = options.encoder;
        if (isLossy(type) && options.format)
            throwUsageError("output '" + job.outputPath +
                            "': --format is for WAV, FLAC and AIFF; MP3, Opus and "
                            "Ogg Vorbis take --quality or --bitrate");
        if (!isLossy(type) &&
            (e.quality || e.bitrateKbps || !e.title.empty() || !e.artist.empty() || !e.comment.empty()))
            throwUsageError("output '" + job.outputPath +
                            "': --quality, --bitrate and tags are for MP3, Opus and Ogg Vorbis files");
        if (type == FileType::Vorbis && e.bitrateKbps)
            throwUsageError("output '" + job.outputPath + "': Ogg Vorbis takes --quality, not --bitrate");
    }
    return jobs;
}

namespace
{
double parseBoundedNumber(const std::string& option, const std::string& text, double lo, double hi)
{
    const auto value = parseNumber(text);
    if (!value)
        throwUsageError(option + " '" + text + "': not a number");
    if (*value < lo || *value > hi)
        throwUsageError(option + " '" + text + "': out of range " + formatNumber(lo) + " .. " +
                        formatNumber(hi));
    return *value;
}
} // namespace

RenderOptions parseArguments(const std::vector<std::string>& arguments)
{
    RenderOptions options;
    std::vector<std::string> seen;
    // --set may repeat; every other option is given once at most.
    CommandLine line = splitCommandLine(
        arguments,
        {"--state",   "--preset",  "--set",    "--order",    "--save-state", "--format",    "--tail",
         "--block",   "--tempo",   "--report", "--target",   "--lufs",       "--true-peak", "--max-gain",
         "--quality", "--bitrate", "--title",  "--artist",   "--comment",    "--out-dir",   "--type",
         "--jobs",    "-j",        "--plot",   "--plot-dir", "--theme",      "--plot-scale"},
        {"--list-presets", "--list-params", "--help", "-h", "--version"});
    const std::vector<std::string>& positional = line.positional;

    for (CommandLine::Option& option : line.options)
    {
        std::string& name = option.name;
        if (name == "-j")
            name = "--jobs";
        if (option.isFlag)
        {
            if (name == "--list-presets")
                options.listPresets = true;
            else if (name == "--list-params")
                options.listParams = true;
            else if (name == "--version")
                options.version = true;
            else
                options.help = true;
            continue;
        }
        if (name != "--set")
        {
            if (std::find(seen.begin(), seen.end(), name) != seen.end())
                throwUsageError(name + " given more than once");
            seen.push_back(name);
        }

        const std::string& v = option.value;
        if (name == "--state")
            options.statePath = v;
        else if (name == "--preset")
            options.presetName = v;
        else if (name == "--set")
            options.settings.push_back(splitSetting(v));
        else if (name == "--order")
            options.order = parseModuleOrder(v);
        else if (name == "--save-state")
            options.saveStatePath = v;
        else if (name == "--format")
            options.format = parseSampleFormat(v);
        else if (name == "--block" || name == "--jobs")
        {
            const long long limit = name == "--block" ? kMaxBlockSize : kMaxJobs;
            const auto number = parseInteger(v);
            if (!number || *number < 1 || *number > limit)
                throwUsageError(name + " '" + v + "': expected a whole number from 1 to " +
                                std::to_string(limit));
            (name == "--block" ? options.blockSize : options.jobs) = static_cast<int>(*number);
        }
        else if (name == "--tempo")
            options.tempoBpm = parseBoundedNumber(name, v, 20.0, 999.0);
        else if (name == "--tail")
            options.tailSeconds = parseBoundedNumber(name, v, 0.0, 60.0);
        else if (name == "--report")
        {
            if (equalsIgnoreCase(v, "json"))
                options.report = RenderOptions::Report::Json;
            else if (equalsIgnoreCase(v, "text"))
                options.report = RenderOptions::Report::Text;
            else if (equalsIgnoreCase(v, "none"))
                options.report = RenderOptions::Report::None;
            else
                throwUsageError("--report '" + v + "': expected text, json or none");
        }
        else if (name == "--target")
        {
            if (!namedTargetLufs(v, 2))
                throwUsageError("--target '" + v + "': expected podcast, broadcast or streaming");
            options.targetName = v;
        }
        else if (name == "--lufs")
            options.targetLufs = parseBoundedNumber(name, v, -40.0, -5.0);
        else if (name == "--true-peak")
            options.ceilingDbtp = parseBoundedNumber(name, v, -9.0, 0.0);
        else if (name == "--max-gain")
            options.maxGainDb = parseBoundedNumber(name, v, 0.0, 60.0);
        else if (name == "--quality")
            options.encoder.quality = parseBoundedNumber(name, v, 0.0, 10.0);
        else if (name == "--bitrate")
            options.encoder.bitrateKbps = parseBoundedNumber(name, v, 8.0, 320.0);
        else if (name == "--title")
            options.encoder.title = v;
        else if (name == "--artist")
            options.encoder.artist = v;
        else if (name == "--comment")
            options.encoder.comment = v;
        else if (name == "--out-dir")
        {
            if (v.empty())
                throwUsageError("--out-dir needs a folder");
            options.outDir = v;
        }
        else if (name == "--type")
            options.type = parseFileType(v);
        else if (name == "--plot" || name == "--plot-dir")
        {
            if (v.empty())
                throwUsageError(name + " needs a file name");
            (name == "--plot" ? options.plotPath : options.plotDir) = v;
        }
        else if (name == "--theme")
        {
            const char* themes[] = {"pomelu", "dark", "cool"};
            const auto found = std::find_if(std::begin(themes), std::end(themes),
                                            [&v](const char* t) { return equalsIgnoreCase(v, t); });
            if (found == std::end(themes))
                throwUsageError("--theme '" + v + "': expected pomelu, dark or cool");
            options.plotTheme = static_cast<int>(found - std::begin(themes));
        }
        else if (name == "--plot-scale")
            options.plotScale = parseBoundedNumber(name, v, 0.5, 3.0);
    }
    const auto given = [&seen](const char* option)
    { return std::find(seen.begin(), seen.end(), option) != seen.end(); };

    if (options.help || options.version || options.listPresets || options.listParams)
    {
        if (!positional.empty())
            throwUsageError("--help, --version, --list-presets and --list-params take no files");
        return options;
    }

    if (options.outDir)
    {
        if (positional.empty())
            throwUsageError("--out-dir needs at least one IN file");
        options.inputPaths = positional;
    }
    else if (positional.size() == 2)
    {
        options.inputPaths = {positional[0]};
        options.outputPath = positional[1];
    }
    else if (positional.empty() && options.saveStatePath)
    {
        // Settings to a state file only: nothing to render.
    }
    else if (positional.empty())
        throwUsageError("missing IN and OUT files (see --help)");
    else if (positional.size() == 1)
        throwUsageError("missing the OUT file (see --help)");
    else
        throwUsageError("too many files: '" + positional[2] + "' (expected IN OUT, or --out-dir DIR)");
    for (const std::string& path : positional)
        if (path.empty())
            throwUsageError("empty file name");

    if (options.type && !options.outDir)
        throwUsageError("--type is for --out-dir; a single OUT takes its type from its extension");
    if (given("--jobs") && !options.outDir)
        throwUsageError("-j is for --out-dir batches");
    if (options.targetName && options.targetLufs)
        throwUsageError("--target and --lufs both set the loudness; give one");
    for (const char* option : {"--true-peak", "--max-gain"})
        if (given(option) && !options.delivers())
            throwUsageError(std::string(option) + " needs --target or --lufs");
    if (options.encoder.quality && options.encoder.bitrateKbps)
        throwUsageError("--quality and --bitrate both set the rate; give one");
    if (options.plotPath && options.outDir)
        throwUsageError("--plot names one picture; a batch takes --plot-dir");
    if (options.plotDir && !options.outDir)
        throwUsageError("--plot-dir is for --out-dir batches; a single render takes --plot");
    const bool plots = options.plotPath || options.plotDir;
    if ((given("--theme") || given("--plot-scale")) && !plots)
        throwUsageError(std::string(given("--theme") ? "--theme" : "--plot-scale") +
                        " needs --plot or --plot-dir");
    if (plots && options.report == RenderOptions::Report::None)
        throwUsageError("the picture shows the report's figures; it cannot go with --report none");
    if (!options.rendersAudio())
    {
        for (const char* option :
             {"--format", "--tail", "--report", "--target", "--lufs", "--quality", "--bitrate", "--plot"})
            if (given(option))
                throwUsageError(std::string(option) + " needs IN and OUT");
        return options;
    }
    renderJobs(options); // refuses output types and encoder options that do not fit
    return options;
}

} // namespace pomelu::tools
