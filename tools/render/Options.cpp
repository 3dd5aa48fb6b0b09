// SPDX-License-Identifier: GPL-3.0-or-later
#include "Options.h"

#include "Errors.h"
#include "ModuleOrderParser.h"
#include "Text.h"

namespace pomelu::tools
{

const char* usageText()
{
    return "Usage: pomelu-render IN OUT [options]\n"
           "       pomelu-render --list-presets | --list-params\n"
           "Runs a WAV, FLAC or AIFF file (mono or stereo, any sample rate) through Pomelu Rarorud Izad\n"
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
           "Output:\n"
           "  --save-state FILE     write the plug-in state after the settings (IN and OUT may be omitted)\n"
           "  --format F            output samples: float (default; pcm24 for FLAC), pcm24 or pcm16\n"
           "  --tail SECONDS        keep rendering this long after the input ends, for delay and reverb\n"
           "                        tails, 0 to 60 (default 0: output as long as input)\n"
           "  --block N             frames per processing block, 1 to 65536 (default 512)\n"
           "  --tempo BPM           host tempo for synced tremolo and delay, 20 to 999 (default 120)\n"
           "  --report json         print the loudness figures as JSON on stdout\n"
           "  --list-presets        print the factory preset names\n"
           "  --list-params         print every parameter: index, name, range or values, default, unit\n"
           "  -h, --help            print this help\n"
           "\n"
           "Output files keep the input's sample rate and channel count; the type follows OUT's\n"
           "extension (.wav, .flac, .aif, .aiff). Exit status: 0 done, 1 file error, 2 command-line error.\n";
}

namespace
{
// Options that take a value, and the ones that do not.
bool takesValue(const std::string& name)
{
    return name == "--state" || name == "--preset" || name == "--set" || name == "--order" ||
           name == "--save-state" || name == "--format" || name == "--tail" || name == "--block" ||
           name == "--tempo" || name == "--report";
}

bool isFlag(const std::string& name)
{
    return name == "--list-presets" || name == "--list-params" || name == "--help" || name == "-h";
}

template <class T> void setOnce(std::optional<T>& slot, T value, const std::string& option)
{
    if (slot)
        throwUsageError(option + " given more than once");
    slot = std::move(value);
}

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
    std::vector<std::string> positional;
    bool seenBlock = false, seenTempo = false, seenTail = false, seenReport = false;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        std::string argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-')
        {
            positional.push_back(argument);
            continue;
        }
        if (argument == "--")
        {
            optionsEnded = true;
            continue;
        }

        std::string name = argument;
        std::optional<std::string> value;
        const std::size_t equals = argument.find('=');
        if (argument.rfind("--", 0) == 0 && equals != std::string::npos)
        {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }

        if (isFlag(name))
        {
            if (value)
                throwUsageError(name + " takes no value");
            if (name == "--list-presets")
                options.listPresets = true;
            else if (name == "--list-params")
                options.listParams = true;
            else
                options.help = true;
            continue;
        }
        if (!takesValue(name))
            throwUsageError("unknown option '" + name + "' (see --help)");
        if (!value)
        {
            if (i + 1 >= arguments.size())
                throwUsageError(name + " needs a value");
            value = arguments[++i];
        }

        if (name == "--state")
            setOnce(options.statePath, *value, name);
        else if (name == "--preset")
            setOnce(options.presetName, *value, name);
        else if (name == "--set")
            options.settings.push_back(splitSetting(*value));
        else if (name == "--order")
            setOnce(options.order, parseModuleOrder(*value), name);
        else if (name == "--save-state")
            setOnce(options.saveStatePath, *value, name);
        else if (name == "--format")
            setOnce(options.format, parseSampleFormat(*value), name);
        else if (name == "--block")
        {
            if (seenBlock)
                throwUsageError("--block given more than once");
            seenBlock = true;
            const auto block = parseInteger(*value);
            if (!block || *block < 1 || *block > kMaxBlockSize)
                throwUsageError("--block '" + *value + "': expected a whole number from 1 to " +
                                std::to_string(kMaxBlockSize));
            options.blockSize = static_cast<int>(*block);
        }
        else if (name == "--tempo")
        {
            if (seenTempo)
                throwUsageError("--tempo given more than once");
            seenTempo = true;
            options.tempoBpm = parseBoundedNumber(name, *value, 20.0, 999.0);
        }
        else if (name == "--tail")
        {
            if (seenTail)
                throwUsageError("--tail given more than once");
            seenTail = true;
            options.tailSeconds = parseBoundedNumber(name, *value, 0.0, 60.0);
        }
        else if (name == "--report")
        {
            if (seenReport)
                throwUsageError("--report given more than once");
            seenReport = true;
            if (equalsIgnoreCase(*value, "json"))
                options.report = RenderOptions::Report::Json;
            else if (equalsIgnoreCase(*value, "text"))
                options.report = RenderOptions::Report::Text;
            else
                throwUsageError("--report '" + *value + "': expected json or text");
        }
    }

    if (options.help || options.listPresets || options.listParams)
    {
        if (!positional.empty())
            throwUsageError("--help, --list-presets and --list-params take no files");
        return options;
    }

    if (positional.size() == 2)
    {
        options.inputPath = positional[0];
        options.outputPath = positional[1];
        if (options.inputPath.empty() || options.outputPath.empty())
            throwUsageError("empty file name");
        checkOutputFormat(options.outputPath,
                          options.format.value_or(defaultSampleFormat(options.outputPath)));
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
        throwUsageError("too many files: '" + positional[2] + "' (expected IN OUT)");

    if (!options.rendersAudio() && (options.format || seenTail || seenReport))
        throwUsageError("--format, --tail and --report need IN and OUT");
    return options;
}

} // namespace pomelu::tools
