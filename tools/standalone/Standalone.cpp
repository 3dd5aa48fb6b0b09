// SPDX-License-Identifier: GPL-3.0-or-later
#include "Standalone.h"

#include "AudioClip.h"
#include "BlockProcessor.h"
#include "CommandLine.h"
#include "EditorWindow.h"
#include "Errors.h"
#include "FileLoopPlayer.h"
#include "HostObject.h"
#include "HostedEditor.h"
#include "JackClient.h"
#include "LastState.h"
#include "PomeluEffect.h"
#include "PomeluRarorudIzad.h"
#include "ProgramWindow.h"
#include "RunLoop.h"
#include "editor/Editor.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sys/signalfd.h>
#include <unistd.h>

namespace pomelu::tools
{

const char* standaloneUsage()
{
    static const std::string text =
        std::string("Usage: pomelu-standalone [options]\n"
                    "Runs Pomelu Rarorud Izad as a program: its editor in a window, its audio from the\n"
                    "JACK server (PipeWire's JACK too) as a client with two inputs and two outputs,\n"
                    "connected to the first capture and playback ports. Without a JACK server, or with\n"
                    "--file, a sound file plays through it in a loop at real-time pace with no audio\n"
                    "device, so the displays move. The menu bar above the editor picks a factory\n"
                    "preset and opens and saves state files (Ctrl+O, Ctrl+S, Ctrl+Shift+S). Close the\n"
                    "window, press Ctrl+Q in it or Ctrl-C here to quit.\n"
                    "\n"
                    "It starts from the state it had when it last ended, kept in\n"
                    "$XDG_CONFIG_HOME/pomelu-rarorud-izad/standalone.state (~/.config without\n"
                    "XDG_CONFIG_HOME), unless --state, --preset or --set give the start; it writes\n"
                    "that file when it ends, SIGTERM included.\n"
                    "\n"
                    "  --file FILE           loop FILE (mono or stereo, up to 10 minutes) instead of\n"
                    "                        JACK; without JACK and --file: examples/voice.wav\n"
                    "  --no-connect          leave the JACK ports unconnected (for a patchbay)\n"
                    "  --save-state FILE     also write the plug-in state to FILE when it ends\n"
                    "\n") +
        pluginSettingsHelp() +
        "\n"
        "  -h, --help            print this help\n"
        "  --version             print the version\n"
        "Exit status: 0 done, 1 file or system error, 2 command-line error.\n";
    return text.c_str();
}

StandaloneOptions parseStandaloneArguments(const std::vector<std::string>& arguments)
{
    const CommandLine line =
        splitCommandLine(arguments, {"--file", "--state", "--preset", "--set", "--order", "--save-state"},
                         {"--no-connect", "--help", "-h", "--version"});
    StandaloneOptions options;
    for (const CommandLine::Option& o : line.options)
    {
        if (o.name == "--help" || o.name == "-h")
            options.help = true;
        else if (o.name == "--version")
            options.version = true;
        else if (o.name == "--no-connect")
            options.connect = false;
        else if (o.name == "--file")
            setOnce(options.filePath, o.value, o.name);
        else if (o.name == "--save-state")
            setOnce(options.saveStatePath, o.value, o.name);
        else
            takePluginSetting(options.plugin, o.name, o.value);
    }
    if (!line.positional.empty() && !options.help && !options.version)
        throwUsageError("unexpected argument '" + line.positional[0] + "' (a file to play goes with --file)");
    return options;
}

std::string findExampleVoice()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    std::vector<fs::path> candidates;
    if (!ec)
        candidates = {program.parent_path() / "voice.wav", program.parent_path() / "examples" / "voice.wav",
                      program.parent_path().parent_path() / "share" / "pomelu-rarorud-izad" / "voice.wav"};
    candidates.push_back(fs::path(POMELU_SOURCE_DIR) / "examples" / "voice.wav");
    for (const fs::path& p : candidates)
        if (fs::is_regular_file(p, ec))
            return p.string();
    return {};
}

namespace
{
// SIGINT and SIGTERM as a readable descriptor on the run loop.
class SignalWatch final : public host::HostObject<Steinberg::Linux::IEventHandler>
{
public:
    SignalWatch()
    {
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
        fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
        if (fd < 0)
            throwIoError("cannot watch for signals");
    }
    ~SignalWatch() { ::close(fd); }

    void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor) override
    {
        signalfd_siginfo info{};
        while (::read(fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            caught = static_cast<int>(info.ssi_signo);
    }

    sigset_t set{};
    int fd = -1;
    int caught = 0;
};

// Recalls factory preset `index` as a host's program menu does: through the controller's
// program-change parameter.
void selectProgram(Steinberg::Vst::IEditController& controller, int index)
{
    for (Steinberg::int32 i = 0; i < controller.getParameterCount(); ++i)
    {
        Steinberg::Vst::ParameterInfo info{};
        if (controller.getParameterInfo(i, info) == Steinberg::kResultOk &&
            (info.flags & Steinberg::Vst::ParameterInfo::kIsProgramChange) != 0)
        {
            controller.setParamNormalized(info.id, info.stepCount > 0 ? double(index) / info.stepCount : 0.0);
            return;
        }
    }
}
} // namespace

int runStandalone(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    return runReportingErrors(
        "pomelu-standalone", err,
        [&]
        {
            const StandaloneOptions options = parseStandaloneArguments(arguments);
            if (options.help)
            {
                out << standaloneUsage();
                return kExitOk;
            }
            if (options.version)
            {
                out << versionText("pomelu-standalone");
                return kExitOk;
            }
            // Before any thread exists, so that every thread leaves the signals to the run loop.
            SignalWatch signals;

            PomeluEffect effect("pomelu-standalone");
            editor::InstallEditor(effect.plugin());
            const std::string lastState = lastStatePath();
            const PluginSettings& given = options.plugin;
            if (!lastState.empty() && !given.statePath && !given.presetName && given.settings.empty())
                restoreLastState(effect, lastState, err);
            applySettings(effect, options.plugin);

            std::unique_ptr<JackClient> jack;
            std::optional<AudioClip> clip;
            std::string why;
            if (!options.filePath && !(jack = JackClient::open("pomelu-standalone", why)))
                err << "pomelu-standalone: " << why << "; playing a file in a loop without an audio device\n";
            std::string file;
            if (!jack)
            {
                file = options.filePath.value_or(findExampleVoice());
                if (file.empty())
                    throwIoError(
                        "no --file given and examples/voice.wav is neither beside the program nor in "
                        "its source tree");
                clip = loadAudioClip(file);
            }
            const int rate = jack ? jack->sampleRate() : clip->sampleRate;
            const int maxBlock = jack ? std::max(jack->bufferSize(), 1024) : FileLoopPlayer::kBlock;
            host::PluginInstance& instance = effect.instance();
            if (!instance.setup(rate, maxBlock, Steinberg::Vst::kSample32,
                                Steinberg::Vst::SpeakerArr::kStereo, Steinberg::Vst::kRealtime))
                throwIoError("the plug-in refused to process: " + instance.lastError());
            BlockProcessor processor(instance, maxBlock);

            // Audio first, so the displays have something to show from the first frame.
            std::string error;
            std::optional<FileLoopPlayer> player;
            // However the program ends, audio stops before what it uses goes.
            const auto stopAudio = [&]
            {
                if (jack)
                    jack->stop();
                if (player)
                    player->stop();
            };
            struct OnExit
            {
                std::function<void()> run;
                ~OnExit() { run(); }
            } const audioGuard{stopAudio};
            if (jack)
            {
                if (!jack->start(processor, options.connect, error))
                    throwIoError(error);
                err << "pomelu-standalone: JACK client '" << jack->name() << "' at " << rate << " Hz\n";
            }
            else
            {
                player.emplace(*clip, processor);
                player->start();
                err << "pomelu-standalone: playing '" << file << "' in a loop at " << rate << " Hz\n";
            }

            host::RunLoop loop;
            Steinberg::Vst::IEditController& controller = *instance.controller();
            // What the program's menus do; failures are said in the window and here, and change nothing.
            const auto reported = [&](const std::string& why)
            {
                if (!why.empty())
                    err << "pomelu-standalone: " << why << '\n';
                return why;
            };
            ProgramWindow::Actions actions;
            actions.pickPreset = [&](int index) { selectProgram(controller, index); };
            actions.openState = [&](const std::string& path)
            { return reported(loadStateFile(effect, path)); };
            actions.saveState = [&](const std::string& path)
            {
                try
                {
                    saveStateFile(effect, path);
                    return std::string();
                }
                catch (const ToolError& error)
                {
                    return reported(error.what());
                }
            };
            actions.theme = [&] { return effect.parameterValue(pomelu::kTheme); };
            const char* title = "Pomelu Rarorud Izad";
            auto program = ProgramWindow::open(loop, title, effect.presetNames(), actions, error);
            if (!program)
                throwIoError("cannot open the window: " + error);
            auto editor = host::HostedEditor::open(&controller, loop, title, error, nullptr, program->id());
            if (!editor)
                throwIoError("cannot open the editor: " + error);
            program->embed(editor->window().id());
            loop.registerEventHandler(&signals, signals.fd);

            while (signals.caught == 0 && !program->quitRequested() && !(jack && jack->serverGone()))
            {
                loop.runOnce(std::chrono::milliseconds(100));
                program->refresh();
                // The host's record of edits serves tests; a long session need not keep it.
                instance.componentHandler().clear();
            }

            const bool serverGone = jack && jack->serverGone();
            stopAudio();
            loop.unregisterEventHandler(&signals);
            editor->close();
            program.reset();
            instance.stop();
            int status = kExitOk;
            for (const std::string& path : {lastState, options.saveStatePath.value_or("")})
                if (!path.empty())
                    status = std::max(status, runReportingErrors("pomelu-standalone", err,
                                                                 [&]
                                                                 {
                                                                     saveStateFile(effect, path);
                                                                     return kExitOk;
                                                                 }));
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%.2f",
                          static_cast<double>(processor.framesProcessed()) / rate);
            err << "pomelu-standalone: stopped after " << seconds << " s of audio\n";
            if (serverGone)
                throwIoError("the JACK server stopped");
            return status;
        });
}

} // namespace pomelu::tools
