// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's drawing budget: a full redraw of a page as dense as the product's (about 60
// controls: knobs with labels, sub-labels and value boxes, texts, buttons, an analyzer with a
// spectrum, a meter) at 980 x 680 and at 2x (goal: at most 4 ms at 1x), and the CPU an open editor
// that shows nothing new costs per second of wall time (goal: under 3 % of a core), measured in a
// real window under a private Xvfb through the host library's run loop.
#include "GraphicsRig.h"

#include "PomeluRarorudIzad.h"

#include "HostedEditor.h"
#include "PluginInstance.h"
#include "RunLoop.h"
#include "XvfbServer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

namespace
{

using namespace igraphics;

void BM_FullRedrawOfABusyPage(benchmark::State& state)
{
    const float scale = static_cast<float>(state.range(0));
    pomelu::test::GestureRecordingPlug plug;
    IGraphics g(plug, 980, 680, 60, scale);
    pomelu::test::BuildBusyPage(g);
    for (auto _ : state)
    {
        g.SetAllControlsDirty();
        g.DrawFrame();
    }
    state.counters["controls"] = g.NControls();
    state.SetLabel(std::to_string(g.WindowWidth()) + " x " + std::to_string(g.WindowHeight()));
}
BENCHMARK(BM_FullRedrawOfABusyPage)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// One iteration: a second of an open editor whose page does not change (the plug-in's idle work
// runs too). The counter is the CPU share of one core.
void BM_OpenUnchangingEditorCpu(benchmark::State& state)
{
    pomelu::test::XvfbServer server;
    if (!server.running())
    {
        state.SkipWithError(("no Xvfb: " + server.error()).c_str());
        return;
    }
    setenv("DISPLAY", server.display().c_str(), 1);
    auto* plug = new pomelu::PomeluRarorudIzad(iplug::InstanceInfo{});
    plug->SetLayoutFunc(
        [](iplug::IEditorView& view)
        {
            if (IGraphics* g = IGraphics::From(view); g != nullptr && g->NControls() == 0)
                pomelu::test::BuildBusyPage(*g);
        });
    pomelu::host::PluginInstance instance;
    instance.adopt(static_cast<Steinberg::Vst::IComponent*>(plug));
    pomelu::host::RunLoop loop;
    std::string error;
    auto editor = pomelu::host::HostedEditor::open(instance.controller(), loop, "bench", error);
    if (!editor)
    {
        state.SkipWithError(error.c_str());
        return;
    }
    loop.runFor(std::chrono::milliseconds(300)); // first frame drawn and shown
    double cpu = 0.0, wall = 0.0;
    for (auto _ : state)
    {
        const double c0 = processCpuSeconds();
        const auto w0 = std::chrono::steady_clock::now();
        loop.runFor(std::chrono::milliseconds(1000));
        cpu += processCpuSeconds() - c0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    }
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
    editor.reset();
}
BENCHMARK(BM_OpenUnchangingEditorCpu)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
