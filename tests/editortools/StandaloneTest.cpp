// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h> // before the X headers: Xlib's None clashes with gtest

#include "AllocationCounter.h"
#include "BlockProcessor.h"
#include "Command.h"
#include "LockCounter.h"
#include "PluginSettings.h"
#include "PomeluEffect.h"
#include "PomeluRarorudIzad.h"
#include "ProgramWindow.h"
#include "XvfbServer.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace pomelu::tools;
using pomelu::test::commandOutput;
using namespace std::chrono_literals;

TEST(StandaloneAudio, BlocksOfAnyLengthNeitherAllocateNorLockAndSoundAsOneLongBlock)
{
    constexpr int kMaxBlock = 256;
    PomeluEffect pieces("test"), whole("test");
    for (auto* effect : {&pieces, &whole})
        ASSERT_TRUE(effect->instance().setup(48000, effect == &pieces ? kMaxBlock : 4096,
                                             Steinberg::Vst::kSample32, Steinberg::Vst::SpeakerArr::kStereo,
                                             Steinberg::Vst::kRealtime));
    BlockProcessor chunked(pieces.instance(), kMaxBlock), single(whole.instance(), 4096);

    std::vector<float> in[2], outA[2], outB[2];
    for (auto* v : {&in[0], &in[1], &outA[0], &outA[1], &outB[0], &outB[1]})
        v->resize(4096);
    std::int64_t total = 0, phase = 0;
    for (const int frames : {0, 1, 255, 256, 257, 1000, 4096})
    {
        for (int i = 0; i < frames; ++i, ++phase)
            for (int c = 0; c < 2; ++c)
                in[c][i] = static_cast<float>(0.5 * std::sin(0.03 * (c + 1) * static_cast<double>(phase)));
        float* inputs[2] = {in[0].data(), in[1].data()};
        float* a[2] = {outA[0].data(), outA[1].data()};
        float* b[2] = {outB[0].data(), outB[1].data()};
        const std::size_t locks = pomelu::test::threadMutexLockCount();
        {
            pomelu::test::AllocationScope scope;
            chunked.process(inputs, a, frames, 120.0);
            EXPECT_EQ(scope.allocations(), 0u) << frames;
        }
        EXPECT_EQ(pomelu::test::threadMutexLockCount(), locks) << frames;
        single.process(inputs, b, frames, 120.0);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < frames; ++i)
                ASSERT_EQ(outA[c][i], outB[c][i])
                    << "frames " << frames << ", channel " << c << ", sample " << i;
        total += frames;
    }
    EXPECT_EQ(chunked.framesProcessed(), total);
}

namespace
{
// A JACK server of its own with the dummy driver, under a name no other test or user has; up once
// jack_wait can reach it.
class JackServer
{
public:
    JackServer() : serverName("pomelu-test-" + std::to_string(::getpid()) + "-" + std::to_string(++started))
    {
        pid = fork();
        if (pid == 0)
        {
            const int devNull = open("/dev/null", O_RDWR);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
            execlp("jackd", "jackd", "-n", serverName.c_str(), "-d", "dummy", "-r", "48000", "-p", "256",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        up =
            pid > 0 && std::system(("jack_wait -s " + serverName + " -w -t 20 >/dev/null 2>&1").c_str()) == 0;
    }
    ~JackServer()
    {
        if (pid > 0)
        {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    bool running() const { return up; }
    const std::string& name() const { return serverName; }

private:
    static inline int started = 0;
    std::string serverName;
    pid_t pid = -1;
    bool up = false;
};

bool eventually(const std::function<bool()>& condition)
{
    for (auto until = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < until;
         std::this_thread::sleep_for(20ms))
        if (condition())
            return true;
    return false;
}

// The configuration folder every program run here gets as XDG_CONFIG_HOME, and the state file the
// program keeps in it.
const std::filesystem::path kConfigHome =
    std::filesystem::temp_directory_path() /
    ("pomelu-standalone-test-" + std::to_string(::getpid()) + ".config");
const std::string kLastState = (kConfigHome / "pomelu-rarorud-izad" / "standalone.state").string();

// pomelu-standalone as a child with DISPLAY, JACK_DEFAULT_SERVER and XDG_CONFIG_HOME set and stderr
// in a file.
struct StandaloneProcess
{
    pid_t pid = -1;
    std::string errPath = "/tmp/pomelu-standalone-test-" + std::to_string(::getpid()) + ".err";

    StandaloneProcess(const std::string& display, const std::string& jackServer,
                      const std::vector<std::string>& args)
    {
        pid = fork();
        if (pid == 0)
        {
            setenv("DISPLAY", display.c_str(), 1);
            setenv("JACK_DEFAULT_SERVER", jackServer.c_str(), 1);
            setenv("XDG_CONFIG_HOME", kConfigHome.c_str(), 1);
            const int devNull = open("/dev/null", O_RDWR);
            const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(devNull, STDOUT_FILENO);
            dup2(err, STDERR_FILENO);
            std::vector<char*> argv{const_cast<char*>(POMELU_STANDALONE_PATH)};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~StandaloneProcess()
    {
        if (pid > 0)
        {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        std::remove(errPath.c_str());
    }
    // The exit status, or -1 when it did not end in time (it is then killed).
    int wait()
    {
        int status = 0;
        if (!eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; }))
            return -1;
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string stderrText() const
    {
        std::ifstream f(errPath);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
};

// The standalone's top-level window, found by its title; 0 while there is none.
Window findWindow(Display* display)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) != 0)
        for (unsigned i = 0; i < count && found == 0; ++i)
        {
            char* name = nullptr;
            if (XFetchName(display, children[i], &name) != 0 && name != nullptr)
            {
                if (std::string(name) == "Pomelu Rarorud Izad")
                    found = children[i];
                XFree(name);
            }
        }
    if (children != nullptr)
        XFree(children);
    return found;
}

// What a window manager sends when the user closes the window.
void sendDeleteWindow(Display* display, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

// The seconds of the last "stopped after N s of audio" line, -1 without one.
double secondsProcessed(const std::string& text)
{
    const std::string key = "stopped after ";
    const std::size_t at = text.rfind(key);
    return at == std::string::npos ? -1.0 : std::atof(text.c_str() + at + key.size());
}
} // namespace

// Every program test: a private X server with an observer's connection to it, and a fresh
// configuration folder.
class StandaloneProgram : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!xvfb.running())
            GTEST_SKIP() << xvfb.error();
        observer = XOpenDisplay(xvfb.display().c_str());
        ASSERT_NE(observer, nullptr);
        std::filesystem::remove_all(kConfigHome);
    }
    void TearDown() override
    {
        if (observer != nullptr)
            XCloseDisplay(observer);
        std::filesystem::remove_all(kConfigHome);
    }

    pomelu::test::XvfbServer xvfb;
    Display* observer = nullptr;
};

// The program's own story: JACK when a server runs, else the example voice in a loop; --file
// always loops the file; the window manager's close, SIGINT and SIGTERM all end it cleanly.
TEST_F(StandaloneProgram, RunsWithJackOrAFileAndClosesCleanly)
{
    enum class Close
    {
        WindowManager,
        Interrupt,
        Terminate
    };
    const struct
    {
        const char* name;
        bool jackServer;
        std::vector<std::string> args;
        Close close;
        const char* says;
    } cases[] = {
        // clang-format off
        {"JACK", true, {"--preset", "Podcast"}, Close::Interrupt, "JACK client 'pomelu-standalone' at 48000 Hz"},
        {"no server: the example voice", false, {}, Close::WindowManager, "no JACK server is running"},
        {"--file beside a server", true, {"--file", POMELU_EXAMPLE_VOICE}, Close::Terminate, "voice.wav' in a loop"},
        // clang-format on
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::unique_ptr<JackServer> jack;
        if (c.jackServer)
        {
            jack = std::make_unique<JackServer>();
            if (!jack->running())
                GTEST_SKIP() << "jackd (package jackd2) is not installed or did not start";
        }
        StandaloneProcess program(xvfb.display(), jack ? jack->name() : "pomelu-test-no-such-server", c.args);
        Window window = 0;
        ASSERT_TRUE(eventually([&] { return (window = findWindow(observer)) != 0; })) << program.stderrText();

        if (c.jackServer && c.close == Close::Interrupt)
        {
            // jack_lsp -c lists each port with its connections indented beneath it.
            const std::string ports =
                commandOutput("jack_lsp -s " + jack->name() + " -c pomelu-standalone 2>/dev/null");
            for (const char* port : {"in_1", "in_2", "out_1", "out_2"})
            {
                const std::size_t at = ports.find("pomelu-standalone:" + std::string(port) + "\n");
                ASSERT_NE(at, std::string::npos) << port << " is not registered:\n" << ports;
                EXPECT_EQ(ports.compare(ports.find('\n', at) + 1, 3, "   "), 0)
                    << port << " is connected to its system port:\n"
                    << ports;
            }
        }
        std::this_thread::sleep_for(200ms); // a little audio for the closing line to count
        if (c.close == Close::WindowManager)
            sendDeleteWindow(observer, window);
        else
            kill(program.pid, c.close == Close::Interrupt ? SIGINT : SIGTERM);
        EXPECT_EQ(program.wait(), 0) << program.stderrText();
        const std::string text = program.stderrText();
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
        EXPECT_GT(secondsProcessed(text), 0.0) << text;
        EXPECT_TRUE(eventually([&] { return findWindow(observer) == 0; }));
    }
}

namespace
{
// A click at a point of the program's window: of its menu bar, or, `editor` true, of the editor
// below it (980 x 680 units at scale 1).
void click(Display* display, Window window, int x, int y, bool editor = true)
{
    int rx = 0, ry = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x,
                          y + (editor ? ProgramWindow::kBarHeight : 0), &rx, &ry, &child);
    XTestFakeMotionEvent(display, -1, rx, ry, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    std::this_thread::sleep_for(200ms);
}

// Keys pressed together (a chord such as Ctrl+Shift+S), then each character of `text` typed in turn
// (lower-case ASCII).
void keys(Display* display, std::vector<KeySym> chord, const std::string& text = {})
{
    for (const KeySym k : chord)
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, k), True, CurrentTime);
    for (auto k = chord.rbegin(); k != chord.rend(); ++k)
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, *k), False, CurrentTime);
    for (const char c : text)
        for (const Bool down : {True, False})
            XTestFakeKeyEvent(display, XKeysymToKeycode(display, static_cast<KeySym>(c)), down, CurrentTime);
    XFlush(display);
    std::this_thread::sleep_for(150ms);
}

// Every parameter value of the effect.
std::vector<double> values(PomeluEffect& effect)
{
    std::vector<double> v;
    for (const ParameterDescription& p : effect.parameters())
        v.push_back(effect.parameterValue(p.index));
    return v;
}

// Every parameter value of a state file as the plug-in loads it; empty when it refuses the file.
std::vector<double> stateValues(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    PomeluEffect effect("test");
    return !bytes.empty() && effect.setState(bytes) ? values(effect) : std::vector<double>{};
}
} // namespace

// The program keeps its whole state across runs: what the user set in the editor comes back at the
// next start, SIGTERM writes it too, --preset gives the start instead, and a damaged file costs one
// line and the defaults, never the program.
TEST_F(StandaloneProgram, RemembersItsLastStateAcrossRunsAndSignals)
{
    const std::string file = "--file=" POMELU_EXAMPLE_VOICE;
    const std::string saved = (kConfigHome / "saved.state").string();

    PomeluEffect reference("test");
    const std::vector<double> defaults = values(reference);
    std::vector<double> bypassed = defaults;
    bypassed[pomelu::kBypass] = 1.0;
    reference.restorePreset(findPreset(reference.presetNames(), "Podcast"));
    const std::vector<double> podcast = values(reference);

    enum class End
    {
        ClickBypassThenClose,
        Terminate,
        Close
    };
    const struct
    {
        const char* name;
        std::vector<std::string> args;
        const char* damage; // written over the last state before the run
        End end;
        const std::vector<double>& remembered;
    } runs[] = {
        // clang-format off
        {"the user switches BYPASS on in the editor", {file}, nullptr, End::ClickBypassThenClose, bypassed},
        {"the next start has it, and SIGTERM writes it", {file}, nullptr, End::Terminate, bypassed},
        {"--preset gives the start, --save-state a copy", {file, "--preset=Podcast", "--save-state=" + saved},
         nullptr, End::Close, podcast},
        {"a damaged file: one line and the defaults", {file}, "POMELU? not a state", End::Terminate, defaults},
        // clang-format on
    };
    for (const auto& run : runs)
    {
        SCOPED_TRACE(run.name);
        if (run.damage != nullptr)
            std::ofstream(kLastState, std::ios::binary | std::ios::trunc) << run.damage;
        StandaloneProcess program(xvfb.display(), "pomelu-test-no-such-server", run.args);
        Window window = 0;
        ASSERT_TRUE(eventually([&] { return (window = findWindow(observer)) != 0; })) << program.stderrText();
        std::this_thread::sleep_for(300ms);
        if (run.end == End::ClickBypassThenClose)
        {
            click(observer, window, 912, 53); // the header's BYPASS switch
            std::this_thread::sleep_for(300ms);
        }
        if (run.end == End::Terminate)
            kill(program.pid, SIGTERM);
        else
            sendDeleteWindow(observer, window);
        EXPECT_EQ(program.wait(), 0) << program.stderrText();
        const std::string text = program.stderrText();
        const std::string complaint = "pomelu-standalone: '" + kLastState +
                                      "' is not a state this plug-in can load; starting from the defaults\n";
        EXPECT_EQ(text.find(complaint) != std::string::npos, run.damage != nullptr) << text;
        std::size_t lines = 0; // the program's own; sanitizer summaries aside
        for (std::size_t at = text.find("pomelu-standalone: "); at != std::string::npos;
             at = text.find("\npomelu-standalone: ", at + 1))
            ++lines;
        EXPECT_EQ(lines, run.damage ? 3u : 2u) << text;
        EXPECT_EQ(stateValues(kLastState), run.remembered);
        EXPECT_TRUE(eventually([&] { return findWindow(observer) == 0; }));
    }
    EXPECT_EQ(stateValues(saved), podcast);
}

// The program's menu bar does what a host's menus do: a factory preset picked there, and a state
// saved to a file and opened again (by menu and by shortcut), reach the plug-in; a file that cannot
// be read is one line, in the bar and on stderr, and loses nothing.
TEST_F(StandaloneProgram, ItsMenusPickPresetsAndSaveAndOpenStates)
{
    const std::string saved = (kConfigHome / "menu.state").string();
    PomeluEffect reference("test");
    const int podcastIndex = findPreset(reference.presetNames(), "Podcast");
    reference.restorePreset(podcastIndex);
    const std::vector<double> podcast = values(reference);
    std::vector<double> podcastBypassed = podcast;
    podcastBypassed[pomelu::kBypass] = 1.0;

    StandaloneProcess program(xvfb.display(), "pomelu-test-no-such-server", {"--file=" POMELU_EXAMPLE_VOICE});
    Window window = 0;
    ASSERT_TRUE(eventually([&] { return (window = findWindow(observer)) != 0; })) << program.stderrText();
    std::this_thread::sleep_for(300ms);
    constexpr int kMenuItem = ProgramWindow::kBarHeight + 4 + 12, kItemHeight = 24;
    click(observer, window, 70, 14, false); // "Presets"
    click(observer, window, 80, kMenuItem + podcastIndex * kItemHeight, false);
    click(observer, window, 20, 14, false); // "File", then "Save State As..."
    click(observer, window, 40, kMenuItem + 2 * kItemHeight, false);
    keys(observer, {}, saved); // typed over the suggested path
    keys(observer, {XK_Return});
    EXPECT_TRUE(eventually([&] { return stateValues(saved) == podcast; })) << program.stderrText();

    click(observer, window, 912, 53); // BYPASS on; Ctrl+S saves to the same file
    keys(observer, {XK_Control_L, XK_s});
    EXPECT_TRUE(eventually([&] { return stateValues(saved) == podcastBypassed; })) << program.stderrText();
    click(observer, window, 912, 53); // BYPASS off; Ctrl+O opens the file again
    keys(observer, {XK_Control_L, XK_o});
    keys(observer, {XK_Return});
    keys(observer, {XK_Control_L, XK_o}); // a file that is not there
    keys(observer, {XK_Control_L, XK_u}, "/no/such/dir/x.state");
    keys(observer, {XK_Return});
    keys(observer, {XK_Control_L, XK_q});

    EXPECT_EQ(program.wait(), 0) << program.stderrText();
    EXPECT_EQ(stateValues(kLastState), podcastBypassed);
    EXPECT_NE(
        program.stderrText().find("pomelu-standalone: cannot read '/no/such/dir/x.state': No such file"),
        std::string::npos)
        << program.stderrText();
}
