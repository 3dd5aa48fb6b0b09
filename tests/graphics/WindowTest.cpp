// SPDX-License-Identifier: GPL-3.0-or-later
// The editor as a VST 3 view in a real X11 window, through the host library's window, frame and run
// loop, under a private Xvfb: pointer input injected with XTest reaches the host as edits, keys
// reach the text entry, resizes from the host and the window manager keep the aspect, the close
// request is seen, and opening and closing leaks nothing and raises no X error. Every X connection
// of the process is synchronous (_Xdebug), so an error surfaces at the request that caused it and
// the host window's handler counts it.
#include "GraphicsRig.h"

#include <gtest/gtest.h> // before Xlib, whose None macro it would meet

#include "Editor.h"
#include "EditorView.h"
#include "IControls.h"
#include "ITextEntryControl.h"
#include "IVPeakAvgMeterControl.h"
#include "IVSpectrumAnalyzerControl.h"
#include "PomeluRarorudIzad.h"
#include "RoutingStripControl.h"

#include "EditorWindow.h"
#include "HostedEditor.h"
#include "PlugFrame.h"
#include "PluginInstance.h"
#include "RunLoop.h"
#include "XvfbSuite.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iterator>

namespace pomelu::test
{
namespace
{

using namespace igraphics;
using namespace std::chrono_literals;
using Edit = host::ComponentHandler::Edit;

const IRECT kKnobRect(100, 100, 300, 300);

// The layout of these tests: a knob on "Input" (-18 .. 18 dB) with an editable value box, and the
// corner resizer with layout-on-resize, as the product attaches it.
void testLayout(iplug::IEditorView& view)
{
    IGraphics* g = IGraphics::From(view);
    if (g == nullptr || g->NControls() > 0)
        return;
    g->AttachCornerResizer(new ICornerResizerControl(g->GetBounds(), 20.0f, COLOR_TRANSLUCENT, COLOR_BLACK,
                                                     COLOR_BLACK, EUIResizerMode::Scale, true));
    g->EnableTooltips(true);
    g->AttachTextEntryControl();
    LoadTestFonts(*g);
    g->AttachPanelBackground(IColor(255, 253, 247, 252));
    IVStyle style;
    style.showLabel = false;
    style.colorSpec[kFG] = IColor(255, 255, 92, 145);
    g->AttachControl(new IVKnobControl(kKnobRect, kInput, "INPUT", style, true));
}

class EditorWindowTest : public XvfbSuite
{
protected:
    void SetUp() override
    {
        SkipWithoutServer();
        if (IsSkipped())
            return;
        plug = new PomeluRarorudIzad(iplug::InstanceInfo{});
        plug->SetLayoutFunc(testLayout);
        ASSERT_TRUE(instance.adopt(static_cast<Steinberg::Vst::IComponent*>(plug))) << instance.lastError();
        ASSERT_TRUE(instance.setup(48000.0, 256));
        xtest = XOpenDisplay(nullptr);
        ASSERT_NE(xtest, nullptr);
    }
    void TearDown() override
    {
        editor.reset();
        if (xtest != nullptr)
            XCloseDisplay(xtest);
        EXPECT_EQ(host::EditorWindow::xErrorCount(), 0u) << "X errors";
    }

    bool open()
    {
        std::string error;
        editor = host::HostedEditor::open(instance.controller(), loop, "Pomelu Rarorud Izad", error);
        EXPECT_TRUE(editor) << error;
        if (editor)
            loop.runFor(60ms); // mapped, exposed, first frame drawn
        return editor != nullptr;
    }
    EditorView& view() { return *dynamic_cast<EditorView*>(editor->view()); }
    IGraphics& graphics() { return *view().GetGraphics(); }

    // Moves the pointer to a logical point of the page (through the current scale) and runs the loop.
    void moveTo(float x, float y)
    {
        const float s = graphics().GetDrawScale();
        int rx = 0, ry = 0;
        Window child = 0;
        XTranslateCoordinates(xtest, view().GetWindow(), DefaultRootWindow(xtest), static_cast<int>(x * s),
                              static_cast<int>(y * s), &rx, &ry, &child);
        XTestFakeMotionEvent(xtest, -1, rx, ry, CurrentTime);
        XFlush(xtest);
        loop.runFor(20ms);
    }
    void button(bool press)
    {
        XTestFakeButtonEvent(xtest, 1, press ? True : False, CurrentTime);
        XFlush(xtest);
        loop.runFor(20ms);
    }
    void key(KeySym sym)
    {
        const KeyCode code = XKeysymToKeycode(xtest, sym);
        XTestFakeKeyEvent(xtest, code, True, CurrentTime);
        XTestFakeKeyEvent(xtest, code, False, CurrentTime);
        XFlush(xtest);
        loop.runFor(20ms);
    }
    double inputDb() { return plug->GetParam(kInput)->Value(); }
    // The window's pixels in a rectangle of window pixels, row by row (0xRRGGBB).
    std::vector<unsigned long> shot(int x, int y, int w, int h)
    {
        std::vector<unsigned long> px;
        XImage* img = XGetImage(xtest, view().GetWindow(), x, y, static_cast<unsigned>(w),
                                static_cast<unsigned>(h), AllPlanes, ZPixmap);
        if (img == nullptr)
            return px;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
                px.push_back(XGetPixel(img, i, j) & 0xFFFFFF);
        XDestroyImage(img);
        return px;
    }
    std::vector<unsigned long> shot(const IRECT& r)
    {
        return shot(static_cast<int>(r.L), static_cast<int>(r.T), static_cast<int>(r.W()),
                    static_cast<int>(r.H()));
    }
    // Plays `seconds` of audio as a host with the editor open does: about 20 ms of blocks, then the
    // run loop for 20 ms. amplitude[c] scales white noise on channel c; 0 is silence.
    void play(double seconds, int channels, std::array<double, 2> amplitude)
    {
        constexpr int kBlock = 256;
        std::vector<double> buffers[2] = {std::vector<double>(kBlock), std::vector<double>(kBlock)};
        double* io[2] = {buffers[0].data(), buffers[1].data()};
        for (double t = 0.0; t < seconds; t += 0.02)
        {
            for (int b = 0; b < 4; ++b)
            {
                for (int c = 0; c < 2; ++c)
                    for (double& x : buffers[c])
                        x = amplitude[static_cast<std::size_t>(c)] *
                            (static_cast<double>(noise = noise * 1664525u + 1013904223u) / UINT32_MAX - 0.5);
                ASSERT_EQ(instance.process64(io, io, channels, channels, kBlock), Steinberg::kResultOk);
            }
            loop.runFor(20ms);
        }
    }
    std::uint32_t noise = 1;
    bool edited(Edit::Kind kind)
    {
        for (const Edit& e : instance.componentHandler().edits())
            if (e.kind == kind)
                return true;
        return false;
    }

    PomeluRarorudIzad* plug = nullptr; // owned by the instance
    host::PluginInstance instance;
    host::RunLoop loop;
    std::unique_ptr<host::HostedEditor> editor;
    Display* xtest = nullptr;
};

TEST_F(EditorWindowTest, EmbedsInTheHostWindowAndRunsOnItsLoop)
{
    const std::size_t fdsBefore = loop.eventHandlerCount(), timersBefore = loop.timerCount();
    ASSERT_TRUE(open());
    EXPECT_EQ(loop.eventHandlerCount(), fdsBefore + 2) << "the host window's and the view's connections";
    EXPECT_EQ(loop.timerCount(), timersBefore + 1) << "one timer for the frames and the idle tick";
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    ASSERT_TRUE(XQueryTree(xtest, view().GetWindow(), &root, &parent, &children, &n));
    if (children != nullptr)
        XFree(children);
    EXPECT_EQ(parent, editor->window().id());
    XWindowAttributes wa{};
    XGetWindowAttributes(xtest, view().GetWindow(), &wa);
    EXPECT_EQ(wa.map_state, IsViewable);
    EXPECT_EQ(wa.width, 980);
    EXPECT_EQ(wa.height, 680);

    // What the window shows is the back buffer: the knob's body colour at its centre.
    XImage* shot = XGetImage(xtest, view().GetWindow(), 0, 0, 980, 680, AllPlanes, ZPixmap);
    ASSERT_NE(shot, nullptr);
    const unsigned long centre =
        XGetPixel(shot, static_cast<int>(kKnobRect.MW()), static_cast<int>(kKnobRect.MH()));
    EXPECT_EQ(centre & 0xFFFFFF, 0xFF5C91u) << std::hex << centre;
    XDestroyImage(shot);

    Steinberg::ViewRect empty(0, 0, 0, 10);
    EXPECT_EQ(editor->frame().resizeView(&view(), &empty), Steinberg::kInvalidArgument);
    EXPECT_EQ(editor->frame().resizeView(nullptr, &empty), Steinberg::kInvalidArgument);
    EXPECT_EQ(editor->frame().resizeView(&view(), nullptr), Steinberg::kInvalidArgument);
    std::string error;
    EXPECT_EQ(host::HostedEditor::open(instance.controller(), loop, "t", error, ":4000"), nullptr);
    EXPECT_NE(error.find(":4000"), std::string::npos) << error;
    EXPECT_EQ(host::HostedEditor::open(static_cast<Steinberg::IPlugView*>(nullptr), loop, "t", error),
              nullptr);
}

TEST_F(EditorWindowTest, AClickAndADragReachTheHostAsOneEdit)
{
    ASSERT_TRUE(open());
    moveTo(kKnobRect.MW(), kKnobRect.MH() - 30);
    button(true);
    for (int i = 1; i <= 4; ++i)
        moveTo(kKnobRect.MW(), kKnobRect.MH() - 30 - 10.0f * i);
    button(false);
    loop.runUntil([&] { return edited(Edit::Kind::End); }, 2000ms);

    // 40 units up over a 200-unit knob at gearing 4: 5 % of 36 dB.
    EXPECT_NEAR(inputDb(), 1.8, 0.1);
    const auto edits = instance.componentHandler().edits();
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(edits.front().kind, Edit::Kind::Begin);
    EXPECT_EQ(edits.back().kind, Edit::Kind::End);
    double last = 0.5;
    for (std::size_t i = 1; i + 1 < edits.size(); ++i)
    {
        EXPECT_EQ(edits[i].kind, Edit::Kind::Perform) << i;
        EXPECT_GT(edits[i].value, last) << i << ": dragging up raises the value step by step";
        last = edits[i].value;
    }
    for (const Edit& e : edits)
    {
        EXPECT_EQ(e.id, static_cast<Steinberg::Vst::ParamID>(kInput));
        EXPECT_EQ(e.thread, std::this_thread::get_id()) << "edits arrive on the loop's thread";
    }
    EXPECT_DOUBLE_EQ(instance.controller()->getParamNormalized(kInput), last);
}

TEST_F(EditorWindowTest, KeysFromTheHostAndFromTheWindowReachTheTextEntry)
{
    ASSERT_TRUE(open());
    EXPECT_EQ(view().onKeyDown('x', 0, 0), Steinberg::kResultFalse)
        << "no entry open: the host keeps the key";
    const IRECT box = static_cast<IVKnobControl*>(graphics().GetControl(1))->GetValueBounds();
    moveTo(box.MW(), box.MH());
    button(true);
    button(false);
    ASSERT_TRUE(graphics().GetTextEntryControl()->IsOpen());
    EXPECT_EQ(view().onKeyDown('-', 0, 0), Steinberg::kResultTrue);
    view().onKeyDown('6', 0, 0);
    view().onKeyDown(0, 4 /* return */, 0);
    EXPECT_DOUBLE_EQ(inputDb(), -6.0);

    // The same through X key events: the entry took the keyboard focus. (Wait out the double-click
    // time first, or the second press would reset the knob.)
    loop.runFor(450ms);
    button(true);
    button(false);
    ASSERT_TRUE(graphics().GetTextEntryControl()->IsOpen());
    key(XK_3);
    key(XK_Return);
    EXPECT_DOUBLE_EQ(inputDb(), 3.0);
}

TEST_F(EditorWindowTest, ResizingKeepsTheAspectWithinTheLimits)
{
    ASSERT_TRUE(open());
    struct Case
    {
        int askW, askH, w, h;
    };
    // The largest size of the editor's aspect that fits, within the limits.
    const Case cases[] = {
        {1960, 1200, 1729, 1200}, {1960, 1000, 1441, 1000}, {100, 100, 326, 226}, {5000, 5000, 2940, 2040}};
    for (const Case& c : cases)
    {
        editor->resize(c.askW, c.askH);
        loop.runFor(30ms);
        Steinberg::ViewRect r;
        view().getSize(&r);
        EXPECT_EQ(r.getWidth(), c.w) << c.askW << " x " << c.askH;
        EXPECT_EQ(r.getHeight(), c.h) << c.askW << " x " << c.askH;
        EXPECT_EQ(editor->window().width(), c.w);
        EXPECT_NEAR(graphics().GetDrawScale(), c.w / 980.0f, 1e-3f);
        EXPECT_EQ(graphics().GetControl(1)->GetRECT(), kKnobRect) << "controls never move";
    }

    // A window manager resizing the top-level window: the view constrains the size and the window
    // follows.
    XResizeWindow(xtest, editor->window().id(), 1470, 900);
    XFlush(xtest);
    loop.runUntil([&] { return editor->window().width() == 1297; }, 2000ms);
    loop.runFor(30ms);
    Steinberg::ViewRect wm;
    view().getSize(&wm);
    EXPECT_EQ(wm.getWidth(), 1297);
    EXPECT_EQ(wm.getHeight(), 900);
    XWindowAttributes top{};
    XGetWindowAttributes(xtest, editor->window().id(), &top);
    EXPECT_EQ(top.width, 1297) << "the window takes the constrained size";

    // Dragging the corner resizer asks the host, from the loop's tick, for a larger window.
    editor->resize(980, 680);
    loop.runFor(30ms);
    const int asked = editor->frame().resizeCount();
    moveTo(970, 670);
    button(true);
    moveTo(1019, 704);
    button(false);
    loop.runFor(40ms);
    EXPECT_GT(editor->frame().resizeCount(), asked);
    Steinberg::ViewRect r;
    view().getSize(&r);
    EXPECT_GT(r.getWidth(), 1000);
    EXPECT_NEAR(r.getWidth() / static_cast<double>(r.getHeight()), 980.0 / 680.0, 0.005);
}

TEST_F(EditorWindowTest, OpensAndClosesTwentyTimesLeavingNothingBehind)
{
    const long fds = openDescriptors();
    const std::size_t handlers = loop.eventHandlerCount(), timers = loop.timerCount();
    for (int i = 0; i < 20; ++i)
    {
        ASSERT_TRUE(open()) << i;
        EXPECT_NE(plug->GetEditor(), nullptr);
        if (i == 0) // what a window manager sends when the user closes the window
        {
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = editor->window().id();
            event.xclient.message_type = XInternAtom(xtest, "WM_PROTOCOLS", False);
            event.xclient.format = 32;
            event.xclient.data.l[0] = static_cast<long>(XInternAtom(xtest, "WM_DELETE_WINDOW", False));
            XSendEvent(xtest, editor->window().id(), False, NoEventMask, &event);
            XFlush(xtest);
            EXPECT_TRUE(loop.runUntil([&] { return editor->closeRequested(); }, 2000ms));
        }
        editor->close();
        editor.reset();
        EXPECT_EQ(plug->GetEditor(), nullptr) << i;
        EXPECT_EQ(loop.eventHandlerCount(), handlers) << i;
        EXPECT_EQ(loop.timerCount(), timers) << i;
    }
    EXPECT_EQ(openDescriptors(), fds) << "every X connection closed";
}

// The product's own editor in the window: a theme button repaints the whole window in its palette
// at the next idle tick, and a chip dragged along the routing strip reorders the very next block.
TEST_F(EditorWindowTest, AThemeClickRepaintsAndAChipDragReordersTheNextBlock)
{
    editor::InstallEditor(*plug);
    ASSERT_TRUE(open());
    auto windowPixel = [&](int x, int y)
    {
        XImage* shot = XGetImage(xtest, view().GetWindow(), x, y, 1, 1, AllPlanes, ZPixmap);
        const unsigned long p = shot != nullptr ? XGetPixel(shot, 0, 0) & 0xFFFFFF : 0;
        if (shot != nullptr)
            XDestroyImage(shot);
        return p;
    };
    EXPECT_EQ(windowPixel(5, 5), 0xFDF7FCu) << "the POMELU background";
    moveTo(507, 33); // "DARK"
    button(true);
    button(false);
    loop.runUntil([&] { return windowPixel(5, 5) == 0x1F182Bu; }, 2000ms);
    EXPECT_EQ(windowPixel(5, 5), 0x1F182Bu) << "the DARK background";
    EXPECT_EQ(plug->GetParam(kTheme)->Value(), 1.0);
    for (const Edit& e : instance.componentHandler().edits())
        EXPECT_NE(e.id, static_cast<Steinberg::Vst::ParamID>(kTheme)) << "the theme is not announced";

    // POP from the first slot past the strip's right end; the strip is 938 units wide in 11 slots.
    const float y = 125;
    moveTo(63, y);
    button(true);
    for (float x = 83; x < 1000; x += 40)
        moveTo(x, y);
    button(false);
    dsp::ModuleOrder moved = dsp::defaultModuleOrder();
    std::rotate(moved.begin(), moved.begin() + 1, moved.end());
    EXPECT_EQ(plug->getModuleOrder(), moved);
    std::vector<double> l(256), r(256);
    double* io[2] = {l.data(), r.data()};
    ASSERT_EQ(instance.process64(io, io, 2, 2, 256), Steinberg::kResultOk);
    EXPECT_EQ(plug->appliedSettings().order, moved);
}

// What the host sets, through the controller on its UI thread or with a block on the audio thread,
// shows in the open editor by the next frames; the knob the user holds keeps the user's value.
TEST_F(EditorWindowTest, HostEditsMoveTheKnobExceptWhileTheUserHoldsIt)
{
    ASSERT_TRUE(open());
    const IControl& knob = *graphics().GetControl(1);
    const std::vector<unsigned long> atDefault = shot(kKnobRect);
    for (const auto& [inBlock, value] : {std::pair{false, 0.9}, {true, 0.5}, {true, 0.1}, {false, 0.5}})
    {
        if (inBlock)
            ASSERT_EQ(instance.process64(nullptr, nullptr, 0, 0, 64, {{kInput, value}}),
                      Steinberg::kResultOk);
        else
            instance.controller()->setParamNormalized(kInput, value);
        loop.runFor(60ms);
        EXPECT_NEAR(knob.GetValue(), value, 1e-9) << inBlock;
        EXPECT_EQ(shot(kKnobRect) == atDefault, value == 0.5) << inBlock << " " << value;
    }

    moveTo(kKnobRect.MW(), kKnobRect.MH());
    button(true);
    moveTo(kKnobRect.MW(), kKnobRect.MH() - 20);
    const double held = knob.GetValue();
    instance.controller()->setParamNormalized(kInput, 0.0);
    ASSERT_EQ(instance.process64(nullptr, nullptr, 0, 0, 64, {{kInput, 1.0}}), Steinberg::kResultOk);
    loop.runFor(60ms);
    EXPECT_EQ(knob.GetValue(), held) << "not yanked from under the pointer";
    button(false);
}

// A program the host picks, in its menu (the controller) or in a block, and a power switch it sets
// reach what the editor draws only at a build: the routing strip's power marks.
TEST_F(EditorWindowTest, HostProgramsAndPowerSwitchesUpdateTheStripsMarks)
{
    editor::InstallEditor(*plug);
    ASSERT_TRUE(open());
    const Steinberg::Vst::ParamID program = kNumParams + 1;
    struct Step
    {
        const char* what;
        std::vector<host::ParamChange> block; // empty: through the controller
        double value;
    };
    const Step steps[] = {{"Podcast from the menu", {}, 0.75},
                          {"Gentle in a block", {{program, 1.0}}, 0.0},
                          {"Delay off in a block", {{kDelay, 0.0}}, 0.0},
                          {"Comp off from the controller", {}, 0.0}};
    for (const Step& step : steps)
    {
        if (!step.block.empty())
            ASSERT_EQ(instance.process64(nullptr, nullptr, 0, 0, 64, step.block), Steinberg::kResultOk);
        else
            instance.controller()->setParamNormalized(
                step.what[0] == 'P' ? program : Steinberg::Vst::ParamID{kComp}, step.value);
        loop.runFor(100ms);
        const auto* strip = dynamic_cast<const editor::RoutingStripControl*>(
            graphics().GetControlWithTag(kCtrlTagRoutingStrip));
        ASSERT_NE(strip, nullptr);
        for (int id = 0; id < dsp::kNumModules; ++id)
            EXPECT_EQ(strip->IsPowered(static_cast<dsp::ModuleId>(id)),
                      plug->GetParam(kModulePowerParams[id])->Value() >= 0.5)
                << step.what << ", module " << id;
    }
    EXPECT_FALSE(plug->GetParam(kComp)->Value() >= 0.5);
}

// A host that never asks checkSizeConstraint gives onSize its own window's size and keeps the child
// there: the child takes exactly that size, the editor is drawn at the largest scale that fits, the
// margin in the theme's background, and nothing moves after.
TEST_F(EditorWindowTest, OnSizeTakesTheHostsRectangleAndSettles)
{
    editor::InstallEditor(*plug);
    ASSERT_TRUE(open());
    struct Case
    {
        int w, h;
        float scale;
    };
    for (const Case& c : {Case{1600, 800, 800.0f / 680}, Case{1300, 1054, 1300.0f / 980}})
    {
        editor->window().resize(c.w, c.h);
        Steinberg::ViewRect rect(0, 0, c.w, c.h);
        ASSERT_EQ(view().onSize(&rect), Steinberg::kResultTrue);
        loop.runFor(1000ms);
        const int asked = editor->frame().resizeCount();
        // What the 1280 x 1024 screen shows of the window.
        const int sw = std::min(c.w, 1280), sh = std::min(c.h, 1024);
        const std::vector<unsigned long> first = shot(0, 0, sw, sh);
        ASSERT_EQ(first.size(), static_cast<std::size_t>(sw * sh));
        loop.runFor(500ms);
        ASSERT_EQ(view().onSize(&rect), Steinberg::kResultTrue);
        loop.runFor(100ms);
        EXPECT_EQ(editor->frame().resizeCount(), asked)
            << c.w << " x " << c.h << ": the view asked for a size";
        XWindowAttributes wa{};
        XGetWindowAttributes(xtest, view().GetWindow(), &wa);
        EXPECT_EQ(wa.width, c.w);
        EXPECT_EQ(wa.height, c.h);
        EXPECT_FLOAT_EQ(graphics().GetDrawScale(), c.scale);
        EXPECT_TRUE(shot(0, 0, sw, sh) == first) << c.w << " x " << c.h << ": the same pixels again";
        EXPECT_EQ(first.back(), 0xFDF7FCu) << "the margin in the POMELU background";
        EXPECT_EQ(first[static_cast<std::size_t>(sw - 1)], 0xFDF7FCu);
    }

    // An origin near the end of the range does not overflow.
    Steinberg::ViewRect far(INT_MAX - 100, INT_MAX - 100, INT_MAX, INT_MAX);
    view().checkSizeConstraint(&far);
    EXPECT_EQ(far.getWidth(), 326);
    EXPECT_EQ(far.getHeight(), 226);
    EXPECT_GT(far.right, far.left);
}

// On silence, once the spectrum has decayed and the meter rests, an open editor pushes no image to
// the X server; with audio it animates, but not while the host's window is unmapped.
TEST_F(EditorWindowTest, NoImageIsPushedOnSilenceNorWhileTheWindowIsHidden)
{
    editor::InstallEditor(*plug);
    ASSERT_TRUE(open());
    play(0.5, 2, {0.5, 0.5});
    play(3.5, 2, {0.0, 0.0});
    long pushed = view().GetImagesPushed();
    play(2.0, 2, {0.0, 0.0});
    EXPECT_EQ(view().GetImagesPushed(), pushed) << "images pushed over 2 s of silence";

    play(0.3, 2, {0.5, 0.5});
    EXPECT_GT(view().GetImagesPushed(), pushed + 5) << "audio animates";
    XUnmapWindow(xtest, editor->window().id());
    XFlush(xtest);
    loop.runFor(100ms);
    pushed = view().GetImagesPushed();
    play(1.0, 2, {0.5, 0.5});
    EXPECT_EQ(view().GetImagesPushed(), pushed) << "images pushed while unmapped";
    XMapWindow(xtest, editor->window().id());
    XFlush(xtest);
    play(0.3, 2, {0.5, 0.5});
    EXPECT_GT(view().GetImagesPushed(), pushed) << "shown again";
}

// Two teardown orders hosts use: the frame taken away before removed(), and the host's window
// destroyed before removed(). Either leaves the run loop clean (nothing calls into the view
// afterwards), raises no X error, and keeps the host's X error handler.
TEST_F(EditorWindowTest, TeardownInEitherHostOrderIsClean)
{
    const std::size_t handlers = loop.eventHandlerCount(), timers = loop.timerCount();
    std::string error; // the host installs its handler with its first window
    ASSERT_TRUE(host::EditorWindow::open(loop, 10, 10, "host", error)) << error;
    const XErrorHandler hostHandler = XSetErrorHandler(nullptr);
    XSetErrorHandler(hostHandler);
    for (const bool frameFirst : {true, false})
    {
        ASSERT_TRUE(open());
        Steinberg::IPlugView* v = editor->view();
        v->addRef();
        if (frameFirst)
            v->setFrame(nullptr);
        else
            editor->window().destroy();
        loop.runFor(50ms);
        EXPECT_EQ(v->removed(), Steinberg::kResultOk);
        editor->close();
        editor.reset();
        v->release();
        loop.runFor(50ms);
        EXPECT_EQ(loop.eventHandlerCount(), handlers) << frameFirst;
        EXPECT_EQ(loop.timerCount(), timers) << frameFirst;
        EXPECT_EQ(host::EditorWindow::xErrorCount(), 0u) << frameFirst;
        const XErrorHandler now = XSetErrorHandler(nullptr);
        XSetErrorHandler(now);
        EXPECT_EQ(now, hostHandler) << "the host's X error handler stays";
    }
}

// After a stereo-to-mono switch and silence, the analyzer draws no right-channel (green) curve and
// the meter's R track is as dark as the silent L track.
TEST_F(EditorWindowTest, AMonoSwitchLeavesNoRightChannelPixels)
{
    editor::InstallEditor(*plug);
    ASSERT_TRUE(open());
    play(0.5, 2, {0.05, 0.5});
    ASSERT_TRUE(instance.setup(48000.0, 256, Steinberg::Vst::kSample64, Steinberg::Vst::SpeakerArr::kMono));
    play(2.5, 1, {0.0, 0.0});
    const auto& analyzer = dynamic_cast<const IVSpectrumAnalyzerControl&>(*graphics().GetControlWithTag(100));
    long green = 0;
    for (unsigned long p : shot(analyzer.GetPlotRECT()))
        green += ((p >> 8) & 0xFF) > ((p >> 16) & 0xFF) + 100 && ((p >> 8) & 0xFF) > (p & 0xFF) + 100;
    EXPECT_EQ(green, 0) << "right-channel pixels in the analyzer";
    const auto& meter = dynamic_cast<const IVPeakAvgMeterControl&>(*graphics().GetControlWithTag(101));
    // Inside the tracks, clear of their antialiased edges, the two columns look the same.
    const int w = static_cast<int>(std::min(meter.GetTrackRECT(0).W(), meter.GetTrackRECT(1).W())) - 3;
    auto track = [&](int c)
    {
        const IRECT t = meter.GetTrackRECT(c);
        return shot(static_cast<int>(std::ceil(t.L)) + 1, static_cast<int>(std::ceil(t.T)) + 1, w,
                    static_cast<int>(t.H()) - 3);
    };
    EXPECT_EQ(track(1), track(0)) << "the R track lit";
}

} // namespace
} // namespace pomelu::test
