// SPDX-License-Identifier: GPL-3.0-or-later
// The bundle's X11 UI in the project's LV2 host under a private Xvfb: embedded in the host's window,
// ticked only through its idle interface, pointer input injected with XTest. Edits reach the ports
// between touch begin and end, host port values reach the pixels, a chip drag reaches the plug-in's
// blocks as a message, spectra flow while the UI is open and stop when it closes, both resize
// directions keep the aspect, and opening and closing leaks nothing and raises no X error.
#include <gtest/gtest.h> // before Xlib, whose None macro it would meet

#include "CompCurveControl.h"
#include "Editor.h"
#include "IControl.h"
#include "IGraphics.h"
#include "Lv2Host.h"
#include "Lv2Identity.h"
#include "Lv2UiHost.h"
#include "PomeluRarorudIzad.h"
#include "RackBilingualKnobControl.h"
#include "ReferenceFile.h"
#include "XvfbSuite.h"
#include "lv2/Lv2Ports.h"

#include <lilv/lilv.h>
#include <lv2/state/state.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace pomelu::test
{
namespace
{

using namespace std::chrono_literals;
using host::Lv2UiHost;
using Call = Lv2UiHost::Call;
constexpr int kBlock = 512;
const iplug::Lv2PortLayout kStereo{2};

// The default page's first knob (its parameter) and the analyzer: the same layout, built here
// without a window.
struct PageGeometry
{
    int knobParam = -1;
    igraphics::IRECT knob, analyzer, compCurve;
};
PageGeometry defaultPage()
{
    PomeluRarorudIzad plug{iplug::InstanceInfo{}};
    igraphics::IGraphics g(plug, 980, 680, 60, 1.0f);
    editor::BuildEditor(g, plug);
    PageGeometry page;
    for (int i = g.NControls() - 1; i >= 0; --i)
    {
        const igraphics::IControl* c = g.GetControl(i);
        if (dynamic_cast<const editor::RackBilingualKnobControl*>(c))
        {
            page.knobParam = c->GetParamIdx();
            page.knob = c->GetRECT();
        }
        else if (dynamic_cast<const editor::CompCurveControl*>(c))
            page.compCurve = c->GetRECT();
    }
    page.analyzer = g.GetControlWithTag(kCtrlTagSpectrum)->GetRECT();
    return page;
}

class Lv2Ui : public XvfbSuite
{
protected:
    void SetUp() override
    {
        SkipWithoutServer();
        if (IsSkipped())
            return;
        ASSERT_TRUE(plug.ok());
        xtest = XOpenDisplay(nullptr);
        ASSERT_NE(xtest, nullptr);
    }
    void TearDown() override
    {
        ui.reset();
        if (xtest != nullptr)
            XCloseDisplay(xtest);
        EXPECT_EQ(Lv2UiHost::xErrorCount(), 0u) << "X errors";
    }

    bool open()
    {
        ui = std::make_unique<Lv2UiHost>(world, plug, lv2::kStereoUri);
        EXPECT_TRUE(ui->ok()) << ui->error();
        if (ui->ok())
            ui->runFor(100ms); // mapped, exposed, first frame drawn
        return ui->ok();
    }
    // Blocks of the voice (or silence) with idle calls between, as a host's two threads would.
    void play(int blocks, bool voice)
    {
        static const std::vector<double> file = readFirstChannel(POMELU_VOICE_FILE);
        for (int b = 0; b < blocks; ++b)
        {
            for (int i = 0; i < kBlock; ++i)
                for (int c = 0; c < 2; ++c)
                    plug.audioIn[c][static_cast<std::size_t>(i)] =
                        voice
                            ? static_cast<float>(file[(position + static_cast<std::size_t>(i)) % file.size()])
                            : 0.0f;
            position += kBlock;
            plug.runBlock(kBlock);
            if (ui)
                ui->idle();
        }
    }
    void moveTo(float x, float y)
    {
        int rx = 0, ry = 0;
        Window child = 0;
        XTranslateCoordinates(xtest, ui->uiWindow(), DefaultRootWindow(xtest), static_cast<int>(x),
                              static_cast<int>(y), &rx, &ry, &child);
        XTestFakeMotionEvent(xtest, -1, rx, ry, CurrentTime);
        XFlush(xtest);
        ui->runFor(20ms);
    }
    void button(bool press)
    {
        XTestFakeButtonEvent(xtest, 1, press ? True : False, CurrentTime);
        XFlush(xtest);
        ui->runFor(20ms);
    }
    std::vector<unsigned long> shot(const igraphics::IRECT& r)
    {
        std::vector<unsigned long> px;
        XImage* img =
            XGetImage(xtest, ui->uiWindow(), static_cast<int>(r.L), static_cast<int>(r.T),
                      static_cast<unsigned>(r.W()), static_cast<unsigned>(r.H()), AllPlanes, ZPixmap);
        if (img == nullptr)
            return px;
        for (int j = 0; j < img->height; ++j)
            for (int i = 0; i < img->width; ++i)
                px.push_back(XGetPixel(img, i, j) & 0xFFFFFF);
        XDestroyImage(img);
        return px;
    }
    unsigned long pixel(float x, float y) { return shot({x, y, x + 1, y + 1}).at(0); }
    // The plug-in's saved state, read by the plug-in class.
    std::unique_ptr<PomeluRarorudIzad> savedState()
    {
        const auto* state = static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(plug.get(), LV2_STATE__interface));
        iplug::IByteChunk chunk;
        state->save(
            lilv_instance_get_handle(plug.get()),
            [](LV2_State_Handle h, std::uint32_t, const void* value, std::size_t size, std::uint32_t,
               std::uint32_t)
            {
                static_cast<iplug::IByteChunk*>(h)->PutBytes(value, static_cast<int>(size));
                return LV2_STATE_SUCCESS;
            },
            &chunk, 0, nullptr);
        auto reader = std::make_unique<PomeluRarorudIzad>(iplug::InstanceInfo{});
        EXPECT_GE(reader->UnserializeState(chunk, 0), 0);
        return reader;
    }
    std::size_t count(Call::Kind kind, std::uint32_t port)
    {
        return static_cast<std::size_t>(std::ranges::count_if(ui->calls, [&](const Call& c)
                                                              { return c.kind == kind && c.port == port; }));
    }

    host::Lv2World world{POMELU_LV2_BUNDLE_DIR};
    host::Lv2Instance plug{world, lv2::kStereoUri};
    std::unique_ptr<Lv2UiHost> ui;
    Display* xtest = nullptr;
    std::size_t position = 0;
};

TEST_F(Lv2Ui, ClicksAndDragsWriteThePortsAndHostValuesMoveTheKnob)
{
    ASSERT_TRUE(open());
    EXPECT_EQ(pixel(5, 5), 0xFDF7FCu) << "the POMELU background";
    moveTo(507, 33); // "DARK"
    button(true);
    button(false);
    ui->runUntil([&] { return pixel(5, 5) == 0x1F182Bu; }, 2000ms);
    EXPECT_EQ(pixel(5, 5), 0x1F182Bu) << "the DARK background";
    EXPECT_EQ(plug.port(kStereo.Param(kTheme)), 1.0f) << "the Theme port";

    // A drag on a knob: every write of its port between one touch begin and one touch end.
    const PageGeometry page = defaultPage();
    const igraphics::IRECT knob = page.knob;
    const std::uint32_t port = kStereo.Param(page.knobParam);
    const PomeluRarorudIzad ref{iplug::InstanceInfo{}};
    const iplug::IParam& param = *ref.GetParam(page.knobParam);
    const auto atDefault = static_cast<float>(param.GetDefault());
    ui->calls.clear();
    moveTo(knob.MW(), knob.MH());
    button(true);
    for (float dy = 10; dy <= 60; dy += 10)
        moveTo(knob.MW(), knob.MH() - dy);
    button(false);
    std::vector<Call::Kind> kinds;
    for (const Call& c : ui->calls)
        if (c.port == port && (kinds.empty() || kinds.back() != c.kind))
            kinds.push_back(c.kind);
    EXPECT_EQ(kinds, (std::vector<Call::Kind>{Call::kTouchBegin, Call::kWrite, Call::kTouchEnd}));
    EXPECT_GT(plug.port(port), atDefault) << "dragged up";

    // The host's values (automation, its generic controls) move the knob's pixels.
    ui->setPort(port, atDefault);
    ui->runFor(60ms);
    const std::vector<unsigned long> before = shot(knob);
    for (const double v : {param.GetMax(), param.GetMin()})
    {
        ui->setPort(port, static_cast<float>(v));
        ui->runFor(60ms);
        EXPECT_NE(shot(knob), before) << v;
    }
    ui->setPort(port, atDefault);
    ui->runFor(60ms);
    EXPECT_EQ(shot(knob), before);
}

// POP from the first slot past the strip's right end: one message, taken by the plug-in's next
// block (its saved state, read by the plug-in class, holds the moved order).
TEST_F(Lv2Ui, AChipDragReordersTheNextBlock)
{
    ASSERT_TRUE(open());
    ui->calls.clear();
    moveTo(63, 125);
    button(true);
    for (float x = 83; x < 1000; x += 40)
        moveTo(x, 125);
    button(false);
    EXPECT_EQ(count(Call::kMessage, kStereo.Control()), 1u) << "one order message";

    EXPECT_EQ(savedState()->getModuleOrder(), dsp::defaultModuleOrder()) << "nothing before a block";
    play(1, false);
    dsp::ModuleOrder moved = dsp::defaultModuleOrder();
    std::rotate(moved.begin(), moved.begin() + 1, moved.end());
    EXPECT_EQ(savedState()->getModuleOrder(), moved);
}

// The A/B button writes every parameter's port through the host, and the plug-in switches with
// it: a host change made on B stays in B, A comes back, and the plug-in's state says which is active.
TEST_F(Lv2Ui, TheAbSwitchWritesEveryPortAndThePlugInFollows)
{
    ASSERT_TRUE(open());
    play(1, false); // the plug-in hears the UI open and sends its compare slots
    const std::uint32_t port = kStereo.Param(kCompThreshold);
    const float a = plug.port(port);
    auto clickAb = [&](int expectActive)
    {
        ui->runFor(450ms); // not a double click
        ui->calls.clear();
        moveTo(793, 53); // "A ACTIVE" / "B ACTIVE"
        button(true);
        button(false);
        play(1, false);
        ui->runFor(60ms);
        EXPECT_EQ(count(Call::kMessage, kStereo.Control()), 1u);
        EXPECT_EQ(std::ranges::count(ui->calls, Call::kWrite, &Call::kind), kNumParams);
        EXPECT_EQ(savedState()->compareSlots().activeSlot(), expectActive);
    };
    clickAb(1);
    ui->setPort(port, a - 10.0f);
    play(1, false);
    clickAb(0);
    EXPECT_EQ(plug.port(port), a);
    clickAb(1);
    EXPECT_EQ(plug.port(port), a - 10.0f);
}

// With the voice running, spectra reach the analyzer and the level outputs the compressor's
// readout; once the UI has closed the plug-in sends
// nothing more (its analysis is off).
TEST_F(Lv2Ui, SpectraFlowWhileTheUiIsOpenAndStopWhenItCloses)
{
    std::size_t events = 0;
    ASSERT_TRUE(open());
    const PageGeometry page = defaultPage();
    const std::vector<unsigned long> before = shot(page.analyzer), readoutBefore = shot(page.compCurve);
    auto onNotify = plug.onNotify;
    plug.onNotify = [&](const LV2_Atom& e)
    {
        ++events;
        onNotify(e);
    };
    play(100, true);
    ui->runFor(100ms);
    EXPECT_GT(events, 20u);
    EXPECT_NE(shot(page.analyzer), before) << "the analyzer drew the spectra";
    EXPECT_NE(shot(page.compCurve), readoutBefore) << "the compressor's readout shows the levels";

    ui.reset();
    play(2, false); // the close message goes with the next block
    events = 0;
    plug.onNotify = [&](const LV2_Atom&) { ++events; };
    play(100, true);
    EXPECT_EQ(events, 0u) << "no spectra, no meter records after the UI closed";
}

// The host's size fits the editor in with the margin painted; the corner resizer asks the host for
// a size of the editor's aspect.
TEST_F(Lv2Ui, BothResizeDirectionsKeepTheAspectAndPaintEverything)
{
    ASSERT_TRUE(open());
    EXPECT_EQ(ui->askedWidth, 980);
    EXPECT_EQ(ui->askedHeight, 680);
    for (const auto& [w, h] : {std::pair{700, 300}, {1200, 1000}})
    {
        ui->resize(w, h);
        ui->runFor(100ms);
        XWindowAttributes wa{};
        ASSERT_NE(XGetWindowAttributes(xtest, ui->uiWindow(), &wa), 0);
        EXPECT_EQ(std::pair(wa.width, wa.height), std::pair(w, h));
        const std::vector<unsigned long> all = shot({0, 0, static_cast<float>(w), static_cast<float>(h)});
        EXPECT_EQ(std::ranges::count(all, 0ul), 0) << "nothing left black at " << w << " x " << h;
        EXPECT_EQ(all.back(), 0xFDF7FCu) << "the margin in the background";
    }
    ui->resize(980, 680);
    ui->runFor(100ms);
    moveTo(970, 670); // the corner resizer
    button(true);
    moveTo(1019, 704);
    button(false);
    ui->runFor(60ms);
    EXPECT_GT(ui->askedWidth, 1000);
    EXPECT_NEAR(static_cast<double>(ui->askedWidth) / ui->askedHeight, 980.0 / 680.0, 0.005);
    XWindowAttributes wa{};
    XGetWindowAttributes(xtest, ui->uiWindow(), &wa);
    EXPECT_EQ(std::pair(wa.width, wa.height), std::pair(ui->askedWidth, ui->askedHeight)) << "the UI took it";
}

TEST_F(Lv2Ui, OpensAndClosesTwentyTimesLeavingNothingBehind)
{
    ASSERT_TRUE(open());
    ui.reset();
    const long fds = openDescriptors();
    for (int i = 0; i < 20; ++i)
    {
        ASSERT_TRUE(open());
        play(2, true);
        ui.reset();
    }
    EXPECT_EQ(openDescriptors(), fds);
}

#ifdef POMELU_JALV_UI_TEST
// A child process with the given environment added; its id, or -1.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::pair<std::string, std::string>>& env)
{
    const pid_t pid = fork();
    if (pid == 0)
    {
        for (const auto& [name, value] : env)
            setenv(name.c_str(), value.c_str(), 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

void stop(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// Every window under w of the given size, deepest last.
void windowsOfSize(Display* dpy, Window w, int width, int height, std::vector<Window>& found)
{
    XWindowAttributes wa{};
    if (XGetWindowAttributes(dpy, w, &wa) != 0 && wa.width == width && wa.height == height &&
        wa.map_state == IsViewable)
        found.push_back(w);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    if (XQueryTree(dpy, w, &root, &parent, &children, &n) == 0)
        return;
    for (unsigned int i = 0; i < n; ++i)
        windowsOfSize(dpy, children[i], width, height, found);
    if (children != nullptr)
        XFree(children);
}

// jalv.gtk3 on a private JACK server (the dummy driver) opens the bundle's UI: the theme's background
// at the window's corners and the middle of its bottom edge.
TEST_F(Lv2Ui, JalvGtk3OpensTheEditor)
{
    if (system("command -v jalv.gtk3 >/dev/null && command -v jackd >/dev/null") != 0)
        GTEST_SKIP() << "jalv.gtk3 or jackd is not installed";
    const std::string jack = "pomelu-lv2-ui-" + std::to_string(getpid());
    const std::filesystem::path lv2Path = std::filesystem::temp_directory_path() / jack;
    std::filesystem::create_directories(lv2Path);
    std::filesystem::create_directory_symlink(POMELU_LV2_BUNDLE_DIR, lv2Path / "pomelu-rarorud-izad.lv2");
    const pid_t jackd = spawn({"jackd", "-n", jack, "-d", "dummy", "-r", "48000", "-p", "256"}, {});
    std::this_thread::sleep_for(1s);
    const pid_t jalv = spawn({"jalv.gtk3", lv2::kStereoUri},
                             {{"LV2_PATH", lv2Path.string()}, {"JACK_DEFAULT_SERVER", jack}});
    bool shown = false;
    for (int tries = 0; tries < 100 && !shown; ++tries)
    {
        std::this_thread::sleep_for(100ms);
        std::vector<Window> found;
        windowsOfSize(xtest, DefaultRootWindow(xtest), 980, 680, found);
        for (const Window w : found)
        {
            bool all = true;
            for (const auto& [x, y] : {std::pair{5, 5}, {975, 5}, {5, 675}, {490, 675}})
            {
                XImage* img = XGetImage(xtest, w, x, y, 1, 1, AllPlanes, ZPixmap);
                all = all && img != nullptr && (XGetPixel(img, 0, 0) & 0xFFFFFF) == 0xFDF7FCu;
                if (img != nullptr)
                    XDestroyImage(img);
            }
            shown = shown || all;
        }
    }
    stop(jalv);
    stop(jackd);
    std::filesystem::remove_all(lv2Path);
    EXPECT_TRUE(shown) << "no 980 x 680 window with the POMELU background";
}
#endif

} // namespace
} // namespace pomelu::test
