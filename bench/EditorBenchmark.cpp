// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's drawing budget: a full redraw of a page as dense as the product's (about 60
// controls: knobs with labels, sub-labels and value boxes, texts, buttons, an analyzer with a
// spectrum, a meter) at 980 x 680 and at 2x (goal: at most 4 ms at 1x); the product's own ROUTING
// and STUDIO pages redrawn in full (goal: 4 ms) and rebuilt from scratch (goal: 10 ms); one frame
// of the analysis area following audio; and, in a real window under a private Xvfb through the host
// library's run loop, the CPU an open product editor that shows nothing new costs per second of
// wall time, with no audio and with silence played in real time (goal: under 0.5 % of a core), and
// that of the UI thread of one whose analysis area follows audio played in real time (goal: under
// 5 % of a core).
#include "EditorRig.h"
#include "GraphicsRig.h"

#include "Editor.h"
#include "EditorView.h"
#include "PomeluRarorudIzad.h"

#include "IControls.h"
#include "ISender.h"
#include "IVPeakAvgMeterControl.h"
#include "IVSpectrumAnalyzerControl.h"

#include "HostedEditor.h"
#include "PluginInstance.h"
#include "RunLoop.h"
#include "XvfbServer.h"
#ifdef POMELU_LV2_BUNDLE_DIR
#include "Lv2Identity.h"
#include "Lv2UiHost.h"
#endif

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace
{

using namespace igraphics;

// A page as dense as the product's: background, title texts, 48 knobs with labels, Japanese
// sub-labels and value boxes, 8 buttons, an analyzer fed with a spectrum, a meter. About 60
// controls on a 980 x 680 page.
void BuildBusyPage(IGraphics& g)
{
    static const char* const labels[][2] = {
        {"INPUT", "入り口"},     {"GAIN", "音量"},    {"FREQUENCY", "音の場所"}, {"Q", "効く幅"},
        {"DRIVE", "ぐしゃっと"}, {"MIX", "まぜ具合"}, {"TONE", "音色"},          {"RATIO", "圧縮比"}};
    pomelu::test::LoadTestFonts(g);
    const IColor ink(255, 53, 29, 69), accent(255, 255, 92, 145), accent2(255, 170, 129, 245),
        panel(255, 255, 242, 248);
    g.AttachPanelBackground(IColor(255, 253, 247, 252));
    g.AttachControl(new ITextControl(IRECT(90, 18, 962, 53), "Pomelu Rarorud Izad",
                                     IText(29, ink, "Roboto", EAlign::Near, EVAlign::Middle)));
    g.AttachControl(new ITextControl(IRECT(18, 64, 962, 88), "1.0.0",
                                     IText(12, accent2, "Roboto", EAlign::Near, EVAlign::Middle)));

    IVStyle knob;
    knob.colorSpec = {panel, accent, accent2, ink, accent, IColor(50, 60, 30, 70), ink, accent2, accent};
    knob.widgetFrac = 0.78f;
    knob.labelText = IText(11, ink, "MPlusBold");
    knob.valueText = IText(12, ink, "MPlusBold");
    for (int i = 0; i < 48; ++i)
    {
        const IRECT cell = IRECT(18, 376, 962, 662).GetGridCell(i / 12, i % 12, 4, 12).GetPadded(-3.0f);
        g.AttachControl(new IPanelControl(cell, panel));
        auto* k = new IVKnobControl(cell.GetReducedFromTop(13), pomelu::test::kFirstBusy + i,
                                    labels[i % 8][0], knob, true);
        g.AttachControl(k);
        g.AttachControl(new ITextControl(cell.GetFromTop(13), labels[i % 8][1], IText(10, ink, "MPlusBold")));
        if (i == 0)
            k->SetTooltip("Input level");
    }
    IVStyle button = knob;
    button.widgetFrac = 1.0f;
    button.labelText = IText(12, ink, "MPlusBold");
    for (int i = 0; i < 4; ++i)
        g.AttachControl(new IVButtonControl(IRECT(18 + 134.0f * i, 158, 146 + 134.0f * i, 192), nullptr,
                                            labels[i][0], button, true, false));

    IVStyle analyzer = knob;
    analyzer.colorSpec[kBG] = IColor(255, 42, 28, 57);
    analyzer.labelText = IText(12, IColor(255, 255, 230, 242), "Roboto");
    auto* spec = new IVSpectrumAnalyzerControl(IRECT(23, 201, 869, 290), "SPECTRUM + EQ", analyzer);
    g.AttachControl(spec, 100);
    auto* meter = new IVPeakAvgMeterControl(IRECT(889, 201, 957, 366), "OUT", analyzer);
    g.AttachControl(meter, 101);

    // A pink-noise-like spectrum and a level, as the senders would deliver them.
    static iplug::SpectrumFrame frame;
    frame.ctrlTag = 100;
    frame.nChans = 2;
    frame.fftSize = 1024;
    for (int b = 1; b <= 512; ++b)
    {
        frame.bins[0][b] = static_cast<float>(0.2 / std::sqrt(b) * (1.0 + 0.5 * std::sin(b * 0.07)));
        frame.bins[1][b] = static_cast<float>(0.1 / std::sqrt(b) * (1.0 + 0.5 * std::cos(b * 0.05)));
    }
    for (int i = 0; i < 20; ++i)
        spec->OnMsgFromDelegate(0, sizeof frame, &frame);
    iplug::PeakAvgRecord level{101, 2, 0, {{0.7f, 0.3f}, {0.5f, 0.2f}}};
    meter->OnMsgFromDelegate(0, sizeof level, &level);
}

void BM_FullRedrawOfABusyPage(benchmark::State& state)
{
    const float scale = static_cast<float>(state.range(0));
    pomelu::test::GestureRecordingPlug plug;
    IGraphics g(plug, 980, 680, 60, scale);
    BuildBusyPage(g);
    for (auto _ : state)
    {
        g.SetAllControlsDirty();
        g.DrawFrame();
    }
    state.counters["controls"] = g.NControls();
    state.SetLabel(std::to_string(g.WindowWidth()) + " x " + std::to_string(g.WindowHeight()));
}
BENCHMARK(BM_FullRedrawOfABusyPage)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The product's pages: 0 ROUTING with the EQ card, 1 STUDIO "TONE + DYNAMICS", 2 STUDIO "CREATIVE +
// SPACE" with two modules on.
std::unique_ptr<pomelu::PomeluRarorudIzad, void (*)(pomelu::PomeluRarorudIzad*)> productPlug(int page)
{
    auto* plug = new pomelu::PomeluRarorudIzad(iplug::InstanceInfo{});
    plug->navigation().routingPage = page == 0;
    plug->navigation().creativePage = page == 2;
    plug->GetParam(pomelu::kDelay)->Set(1.0);
    plug->GetParam(pomelu::kPhaser)->Set(1.0);
    return {plug, [](pomelu::PomeluRarorudIzad* p) { p->release(); }};
}

void BM_FullRedrawOfTheProductPage(benchmark::State& state)
{
    auto plug = productPlug(static_cast<int>(state.range(0)));
    IGraphics g(*plug, 980, 680, 60, static_cast<float>(state.range(1)));
    pomelu::editor::BuildEditor(g, *plug);
    for (auto _ : state)
    {
        g.SetAllControlsDirty();
        g.DrawFrame();
    }
    state.counters["controls"] = g.NControls();
    state.SetLabel(state.range(0) == 0 ? "ROUTING" : "STUDIO");
}
BENCHMARK(BM_FullRedrawOfTheProductPage)
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Args({0, 2})
    ->Unit(benchmark::kMillisecond);

// What a page, sub-page, tab or theme button costs: the idle call that removes every control and
// runs the layout again (and, with range(1), the full frame that follows).
void BM_RebuildOfTheProductPage(benchmark::State& state)
{
    auto plug = productPlug(static_cast<int>(state.range(0)));
    IGraphics g(*plug, 980, 680, 60, 1.0f);
    pomelu::editor::InstallEditor(*plug);
    plug->AttachEditor(&g);
    plug->LayoutEditor();
    for (auto _ : state)
    {
        plug->requestRebuild();
        plug->OnIdle();
        if (state.range(1) != 0)
            g.DrawFrame();
    }
    plug->AttachEditor(nullptr);
    state.SetLabel(std::string(state.range(0) == 0 ? "ROUTING" : "STUDIO") +
                   (state.range(1) != 0 ? " + frame" : ""));
}
BENCHMARK(BM_RebuildOfTheProductPage)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

double cpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The plug-in at 48 kHz with the product's editor (the ROUTING page) open in a real window under a
// private Xvfb, on the host library's run loop; `preset` recalled first unless negative. `error`
// says why not when the editor did not open.
struct WindowedPlug
{
    WindowedPlug(int preset, int block)
    {
        if (!server.running())
        {
            error = "no Xvfb: " + server.error();
            return;
        }
        setenv("DISPLAY", server.display().c_str(), 1);
        plug = new pomelu::PomeluRarorudIzad(iplug::InstanceInfo{});
        pomelu::editor::InstallEditor(*plug);
        if (preset >= 0)
            plug->RestorePreset(preset);
        instance.adopt(static_cast<Steinberg::Vst::IComponent*>(plug));
        instance.setup(48000.0, block);
        editor = pomelu::host::HostedEditor::open(instance.controller(), loop, "bench", error);
    }
    IGraphics& graphics() { return *dynamic_cast<igraphics::EditorView*>(editor->view())->GetGraphics(); }

    pomelu::test::XvfbServer server;
    std::string error;
    pomelu::PomeluRarorudIzad* plug = nullptr;
    pomelu::host::PluginInstance instance;
    pomelu::host::RunLoop loop;
    std::unique_ptr<pomelu::host::HostedEditor> editor;
};

// Runs the loop a second per iteration; the CPU seconds `clock` counted per second of wall time.
double cpuShareOfRunLoop(benchmark::State& state, pomelu::host::RunLoop& loop, clockid_t clock)
{
    double cpu = 0.0, wall = 0.0;
    for (auto _ : state)
    {
        const double c0 = cpuSeconds(clock);
        const auto w0 = std::chrono::steady_clock::now();
        loop.runFor(std::chrono::milliseconds(1000));
        cpu += cpuSeconds(clock) - c0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    }
    return wall > 0.0 ? cpu / wall : 0.0;
}

// One iteration: a second of an open editor whose page does not change (the plug-in's idle work
// runs too). The counter is the CPU share of one core.
void BM_OpenUnchangingEditorCpu(benchmark::State& state)
{
    WindowedPlug w(-1, 512);
    if (!w.editor)
    {
        state.SkipWithError(w.error.c_str());
        return;
    }
    w.loop.runFor(std::chrono::milliseconds(300)); // first frame drawn and shown
    state.counters["cpu_percent"] = 100.0 * cpuShareOfRunLoop(state, w.loop, CLOCK_PROCESS_CPUTIME_ID);
}
BENCHMARK(BM_OpenUnchangingEditorCpu)->Iterations(3)->Unit(benchmark::kMillisecond);

#ifdef POMELU_LV2_BUNDLE_DIR
// One iteration: a second of the LV2 editor open in the LV2 host on silence, the host's idle calls
// at 60 Hz between blocks of 512 frames. The counter is the CPU share of one core the idle calls
// take (the UI's whole work: X events, drawing, the notify port's messages).
void BM_OpenLv2EditorOnSilenceCpu(benchmark::State& state)
{
    pomelu::test::XvfbServer server;
    if (!server.running())
    {
        state.SkipWithError(("no Xvfb: " + server.error()).c_str());
        return;
    }
    setenv("DISPLAY", server.display().c_str(), 1);
    pomelu::host::Lv2World world(POMELU_LV2_BUNDLE_DIR);
    pomelu::host::Lv2Instance plug(world, pomelu::lv2::kStereoUri);
    pomelu::host::Lv2UiHost ui(world, plug, pomelu::lv2::kStereoUri);
    if (!ui.ok())
    {
        state.SkipWithError(ui.error().c_str());
        return;
    }
    ui.runFor(std::chrono::milliseconds(300)); // first frame drawn and shown
    double cpu = 0.0, wall = 0.0;
    for (auto _ : state)
    {
        const auto w0 = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - w0 < std::chrono::seconds(1))
        {
            plug.runBlock(512);
            const double c0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            ui.idle();
            cpu += cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - c0;
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    }
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_OpenLv2EditorOnSilenceCpu)->Iterations(3)->Unit(benchmark::kMillisecond);
#endif

// Two seconds of something like a voice: a 150 Hz buzz with falling harmonics and vibrato, in
// syllables of about a sixth of a second, over a little breath noise.
std::vector<double> voiceLike(double sampleRate)
{
    std::vector<double> v(static_cast<std::size_t>(2.0 * sampleRate));
    double phase = 0.0;
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < v.size(); ++i)
    {
        const double t = static_cast<double>(i) / sampleRate;
        phase += 2.0 * std::numbers::pi * 150.0 * (1.0 + 0.02 * std::sin(2.0 * std::numbers::pi * 5.0 * t)) /
                 sampleRate;
        double buzz = 0.0;
        for (int k = 1; k <= 24; ++k)
            buzz += std::sin(k * phase) / k;
        noise = noise * 1664525u + 1013904223u;
        const double syllable = std::max(0.0, std::sin(2.0 * std::numbers::pi * 3.0 * t));
        v[i] = 0.25 * syllable * buzz + 0.01 * (static_cast<double>(noise) / 4294967296.0 - 0.5);
    }
    return v;
}

// One frame of the analysis area following audio, off screen at 1x and 2x: a block of the
// voice-like signal through the "Podcast" rack, the idle tick handing the spectrum and the level to
// the analyzer and the meter, and the frame that redraws analyzer (with the EQ curve over it),
// compressor curve and meter. The UI share of the real-time benchmark below is about this times
// the frames per second.
void BM_LiveAnalysisFrame(benchmark::State& state)
{
    constexpr int kBlock = 512;
    pomelu::test::EditorRig rig({}, static_cast<float>(state.range(0)), kBlock);
    rig.plug->RestorePreset(3);
    const std::vector<double> voice = voiceLike(48000.0);
    std::vector<double> l(kBlock), r(kBlock);
    double* outs[2] = {l.data(), r.data()};
    std::size_t pos = 0;
    for (auto _ : state)
    {
        double* ins[2] = {const_cast<double*>(voice.data() + pos), const_cast<double*>(voice.data() + pos)};
        rig.instance.process64(ins, outs, 2, 2, kBlock);
        pos = (pos + kBlock) % (voice.size() - kBlock);
        rig.plug->RunIdleTick();
        rig.g.DrawFrame();
    }
}
BENCHMARK(BM_LiveAnalysisFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// One iteration: a second of the product's editor (the ROUTING page) while an audio thread plays,
// through the "Podcast" rack in real time, 512 frames every 10.7 ms: with range(0) 1 a voice-like
// signal, so the analysis area moves (spectrum, meter, the compressor's dot and readout); with 0
// silence, after the displays have come to rest. Counters: the UI thread's CPU share of one core
// (the run loop: idle ticks draining the senders, frames drawn, copies to the window), the audio
// thread's, the frames drawn and the images pushed to the window per second.
void BM_OpenEditorWithAudioCpu(benchmark::State& state)
{
    constexpr double kRate = 48000.0;
    constexpr int kBlock = 512;
    WindowedPlug w(3, kBlock);
    if (!w.editor)
    {
        state.SkipWithError(w.error.c_str());
        return;
    }
    const bool animating = state.range(0) != 0;
    const std::vector<double> voice = animating ? voiceLike(kRate) : std::vector<double>(2 * kBlock, 0.0);
    std::atomic<bool> stop{false};
    std::atomic<double> audioCpu{0.0};
    std::thread audio(
        [&]
        {
            std::vector<double> l(kBlock), r(kBlock);
            double* outs[2] = {l.data(), r.data()};
            const double c0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            auto next = std::chrono::steady_clock::now();
            for (std::size_t pos = 0; !stop.load(); pos = (pos + kBlock) % (voice.size() - kBlock))
            {
                double* ins[2] = {const_cast<double*>(voice.data() + pos),
                                  const_cast<double*>(voice.data() + pos)};
                w.instance.process64(ins, outs, 2, 2, kBlock);
                audioCpu.store(cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - c0);
                next += std::chrono::microseconds(static_cast<long>(1e6 * kBlock / kRate));
                std::this_thread::sleep_until(next);
            }
        });

    // First frames drawn, the displays moving; on silence, at rest.
    w.loop.runFor(std::chrono::milliseconds(animating ? 500 : 3000));
    const double audioAtStart = audioCpu.load();
    const long framesAtStart = w.graphics().GetFrameStats().count;
    const auto& view = *dynamic_cast<igraphics::EditorView*>(w.editor->view());
    const long imagesAtStart = view.GetImagesPushed();
    const auto w0 = std::chrono::steady_clock::now();
    state.counters["ui_cpu_percent"] = 100.0 * cpuShareOfRunLoop(state, w.loop, CLOCK_THREAD_CPUTIME_ID);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    stop.store(true);
    audio.join();
    state.counters["audio_cpu_percent"] = 100.0 * (audioCpu.load() - audioAtStart) / wall;
    state.counters["frames_per_second"] =
        static_cast<double>(w.graphics().GetFrameStats().count - framesAtStart) / wall;
    state.counters["images_per_second"] = static_cast<double>(view.GetImagesPushed() - imagesAtStart) / wall;
    state.counters["worst_frame_ms"] = w.graphics().GetFrameStats().worstMs;
}
BENCHMARK(BM_OpenEditorWithAudioCpu)
    ->ArgName("audio")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
