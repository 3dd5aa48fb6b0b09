// SPDX-License-Identifier: GPL-3.0-or-later
#include "Snapshot.h"

#include "AudioClip.h"
#include "CommandLine.h"
#include "Errors.h"
#include "ModuleOrderParser.h"
#include "OffscreenEditor.h"
#include "PomeluEffect.h"
#include "PomeluRarorudIzad.h"
#include "Text.h"
#include "editor/Editor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace pomelu::tools
{

const char* snapshotUsage()
{
    static const std::string text =
        std::string("Usage: pomelu-snapshot OUT.png [options]\n"
                    "Draws the editor of Pomelu Rarorud Izad to a PNG file, without a display.\n"
                    "\n"
                    "What the editor shows:\n"
                    "  --theme T             pomelu, dark or cool (default: the \"Theme\" parameter)\n"
                    "  --page P              routing (default) or studio\n"
                    "  --studio HALF         tone (default) or creative: the studio page's half\n"
                    "  --module NAME         the routing page's detail card (default EQ), named as\n"
                    "                        in --order\n"
                    "  --tab N               the detail card's tab, from 0: EQ 0 to 6, Comp 0 to 1,\n"
                    "                        Delay 0 to 2\n"
                    "  --scale S             draw at S times 980 x 680, from 0.34 to 3 (2: 1960 x 1360)\n"
                    "  --audio FILE          play a sound file (mono or stereo, up to 10 minutes)\n"
                    "                        through the plug-in first, so the analyzer, meter and\n"
                    "                        compressor show the sound as it ends\n"
                    "  --at SECONDS          with --audio: stop the file at this time, so the editor\n"
                    "                        shows that moment of the sound\n"
                    "\n") +
        pluginSettingsHelp() +
        "  --theme applies after these settings.\n"
        "\n"
        "  -h, --help            print this help\n"
        "  --version             print the version\n"
        "Exit status: 0 done, 1 file error, 2 command-line error.\n";
    return text.c_str();
}

namespace
{
// Tabs of the routing page's detail card; modules without a row of tabs show their one card.
int tabCount(dsp::ModuleId module)
{
    switch (module)
    {
    case dsp::ModuleId::Eq:
        return 7;
    case dsp::ModuleId::Comp:
        return 2;
    case dsp::ModuleId::Delay:
        return 3;
    default:
        return 1;
    }
}

// Index of value in choices (case-insensitive), or a usage error listing them.
int pick(const std::string& option, const std::string& value, const std::vector<std::string>& choices)
{
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (equalsIgnoreCase(trim(value), choices[i]))
            return static_cast<int>(i);
    std::string list;
    for (std::size_t i = 0; i < choices.size(); ++i)
        list += (i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ") + choices[i];
    throwUsageError(option + " '" + value + "': expected " + list);
}
} // namespace

SnapshotOptions parseSnapshotArguments(const std::vector<std::string>& arguments)
{
    const CommandLine line =
        splitCommandLine(arguments,
                         {"--theme", "--page", "--studio", "--module", "--tab", "--scale", "--audio", "--at",
                          "--state", "--preset", "--set", "--order"},
                         {"--help", "-h", "--version"});
    SnapshotOptions options;
    std::optional<int> page, studio, tab, theme;
    std::optional<dsp::ModuleId> module;
    std::optional<double> scale, at;
    std::optional<std::string> audio;
    for (const CommandLine::Option& o : line.options)
    {
        const std::string& v = o.value;
        if (o.name == "--help" || o.name == "-h")
            options.help = true;
        else if (o.name == "--version")
            options.version = true;
        else if (takePluginSetting(options.plugin, o.name, v))
            continue;
        else if (o.name == "--theme")
            setOnce(theme, pick(o.name, v, {"pomelu", "dark", "cool"}), o.name);
        else if (o.name == "--page")
            setOnce(page, pick(o.name, v, {"routing", "studio"}), o.name);
        else if (o.name == "--studio")
            setOnce(studio, pick(o.name, v, {"tone", "creative"}), o.name);
        else if (o.name == "--module")
        {
            const std::optional<dsp::ModuleId> id = findModule(v);
            if (!id)
                throwUsageError("--module '" + v +
                                "': unknown module (names as in --order: PopCut or POP, ...)");
            setOnce(module, *id, o.name);
        }
        else if (o.name == "--tab")
        {
            const std::optional<long long> n = parseInteger(v);
            if (!n || *n < 0 || *n > 99)
                throwUsageError("--tab '" + v + "': expected a whole number from 0");
            setOnce(tab, static_cast<int>(*n), o.name);
        }
        else if (o.name == "--scale")
        {
            const std::optional<double> s = parseNumber(v);
            // The editor's size limits: a third (rounded up) to three times 980 x 680.
            if (!s || *s < 0.34 || *s > 3.0)
                throwUsageError("--scale '" + v + "': expected a number from 0.34 to 3");
            setOnce(scale, *s, o.name);
        }
        else if (o.name == "--audio")
            setOnce(audio, v, o.name);
        else if (o.name == "--at")
        {
            const std::optional<double> seconds = parseNumber(v);
            if (!seconds || !(*seconds >= 0.0) || *seconds > 600.0)
                throwUsageError("--at '" + v + "': expected seconds from 0 to 600");
            setOnce(at, *seconds, o.name);
        }
    }
    if (options.help || options.version)
        return options;

    if (line.positional.empty())
        throwUsageError("missing the OUT.png file (see --help)");
    if (line.positional.size() > 1)
        throwUsageError("too many files: '" + line.positional[1] + "' (expected one OUT.png)");
    options.outputPath = line.positional[0];
    if (options.outputPath.empty())
        throwUsageError("empty file name");

    const bool studioPage = page ? *page == 1 : studio.has_value();
    if (!studioPage && studio)
        throwUsageError("--studio picks a half of the studio page; it cannot go with --page routing");
    if (studioPage && (module || tab))
        throwUsageError("--module and --tab choose the routing page's detail card; they cannot go with the "
                        "studio page");
    EditorNavigation& nav = options.navigation;
    nav = {!studioPage, studio.value_or(0) == 1, tab.value_or(0), module.value_or(dsp::ModuleId::Eq)};
    if (nav.detailTab >= tabCount(nav.selectedModule))
        throwUsageError("--tab '" + std::to_string(nav.detailTab) +
                        "': " + dsp::moduleName(nav.selectedModule) +
                        (tabCount(nav.selectedModule) == 1
                             ? std::string(" has no tabs (only 0)")
                             : " has tabs 0 to " + std::to_string(tabCount(nav.selectedModule) - 1)));
    options.theme = theme;
    options.scale = static_cast<float>(scale.value_or(1.0));
    options.audioPath = audio;
    if (at && !audio)
        throwUsageError("--at stops the sound of --audio; it needs --audio FILE");
    options.atSeconds = at;
    return options;
}

void playThrough(PomeluEffect& effect, OffscreenEditor& editor, const AudioClip& clip,
                 std::optional<double> stopSeconds)
{
    constexpr int kBlock = 512;
    constexpr double kTickSeconds = 0.020; // the plug-in's idle period
    constexpr double kDrawnSeconds = 0.5;
    constexpr int kDrainTicks = 5;

    const double rate = clip.sampleRate;
    const std::int64_t frames = stopSeconds
                                    ? std::min<std::int64_t>(clip.frames(), std::llround(*stopSeconds * rate))
                                    : clip.frames();
    const std::int64_t tickFrames = std::max<std::int64_t>(1, std::llround(kTickSeconds * rate));
    const std::int64_t drawnFrom = frames - std::llround(kDrawnSeconds * rate);

    std::array<std::array<double, kBlock>, 2> in{}, out{};
    const double* inputs[2] = {in[0].data(), in[1].data()};
    double* outputs[2] = {out[0].data(), out[1].data()};
    effect.startProcessing(rate, 2, kBlock, 120.0);
    std::int64_t nextTick = tickFrames;
    for (std::int64_t position = 0; position < frames;)
    {
        const int n = static_cast<int>(std::min<std::int64_t>(kBlock, frames - position));
        for (int c = 0; c < 2; ++c)
            std::copy_n(clip.channels[c].data() + position, n, in[c].data());
        effect.process(inputs, outputs, n, position);
        position += n;
        for (; nextTick <= position; nextTick += tickFrames)
            editor.tick(nextTick >= drawnFrom);
    }
    for (int i = 0; i < kDrainTicks; ++i)
        editor.tick(true);
    effect.stopProcessing();
}

int runSnapshotTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    return runReportingErrors("pomelu-snapshot", err,
                              [&]
                              {
                                  const SnapshotOptions options = parseSnapshotArguments(arguments);
                                  if (options.help)
                                  {
                                      out << snapshotUsage();
                                      return kExitOk;
                                  }
                                  if (options.version)
                                  {
                                      out << versionText("pomelu-snapshot");
                                      return kExitOk;
                                  }
                                  std::optional<AudioClip> clip;
                                  if (options.audioPath)
                                      clip = loadAudioClip(*options.audioPath);
                                  if (options.atSeconds && *options.atSeconds * clip->sampleRate >
                                                               static_cast<double>(clip->frames()))
                                  {
                                      char length[32];
                                      std::snprintf(length, sizeof length, "%.2f",
                                                    static_cast<double>(clip->frames()) / clip->sampleRate);
                                      throwUsageError("--at " + formatNumber(*options.atSeconds) + ": '" +
                                                      *options.audioPath + "' lasts " + length + " s");
                                  }

                                  PomeluEffect effect("pomelu-snapshot");
                                  PomeluRarorudIzad& plugin = effect.plugin();
                                  editor::InstallEditor(plugin);
                                  applySettings(effect, options.plugin);
                                  if (options.theme)
                                      effect.setParameter(kTheme, *options.theme);
                                  plugin.navigation() = options.navigation;

                                  OffscreenEditor editor(plugin, options.scale);
                                  if (clip)
                                      playThrough(effect, editor, *clip, options.atSeconds);
                                  else
                                      editor.tick(true);
                                  editor.writePng(options.outputPath);
                                  return kExitOk;
                              });
}

} // namespace pomelu::tools
