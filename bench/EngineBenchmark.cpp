// SPDX-License-Identifier: GPL-3.0-or-later
// Engine speed at 48 kHz, 512-sample blocks, stereo unless the row says mono. "x_realtime" is seconds of
// audio processed per CPU second; "us_per_block" the CPU time of one block.
#include "BenchSupport.h"
#include "dsp/RackEngine.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

using pomelu::dsp::RackEngine;
using pomelu::dsp::RackSettings;

namespace
{
using namespace pomelu::bench;

// Voice-like test material: a few harmonics under noise, at a speaking level.
struct Material
{
    std::vector<double> left, right;
    Material() : left(kBlock * 64), right(kBlock * 64)
    {
        std::mt19937 random(7);
        std::normal_distribution<double> noise(0.0, 0.02);
        for (std::size_t i = 0; i < left.size(); ++i)
        {
            const double t = static_cast<double>(i) / kSampleRate;
            const double voice = 0.2 * std::sin(2 * M_PI * 140 * t) + 0.1 * std::sin(2 * M_PI * 280 * t) +
                                 0.05 * std::sin(2 * M_PI * 2300 * t);
            left[i] = voice + noise(random);
            right[i] = 0.9 * voice + noise(random);
        }
    }
};

void runEngine(benchmark::State& state, const RackSettings& settings, const Material& material, int channels)
{
    RackEngine engine;
    engine.prepare(kSampleRate, kBlock);
    std::vector<double> outL(kBlock), outR(kBlock);
    double* outs[2] = {outL.data(), outR.data()};
    std::size_t offset = 0;
    for (auto _ : state)
    {
        const double* ins[2] = {material.left.data() + offset, material.right.data() + offset};
        engine.applySettings(settings);
        engine.process(ins, outs, channels, channels, kBlock);
        benchmark::DoNotOptimize(outL.data());
        offset = (offset + kBlock) % material.left.size();
    }
    reportRealTimeFactor(state);
    state.counters["us_per_block"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 1e-6,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void registerCase(const char* name, std::function<void(RackSettings&)> configure,
                  bool startFromDefaults = false, int channels = 2)
{
    static const Material material;
    RackSettings settings = startFromDefaults ? RackSettings{} : allModulesOff();
    configure(settings);
    benchmark::RegisterBenchmark(name, [settings, channels](benchmark::State& state)
                                 { runEngine(state, settings, material, channels); })
        ->Unit(benchmark::kMicrosecond);
}

int registerAll()
{
    registerCase(
        "Defaults", [](RackSettings&) {}, true);
    registerCase("AllOff", [](RackSettings&) {});
    registerCase("PopCut", [](RackSettings& s) { s.popCutOn = true; });
    registerCase("SClear", [](RackSettings& s) { s.sClearOn = true; });
    registerCase("Eq",
                 [](RackSettings& s)
                 {
                     s.eqOn = s.highCutOn = true;
                     s.lowCutSteep = s.highCutSteep = true;
                 });
    registerCase("Distortion",
                 [](RackSettings& s)
                 {
                     s.distortionOn = true;
                     s.distortionMix = 50.0;
                 });
    registerCase("Phaser", [](RackSettings& s) { s.phaserOn = true; });
    registerCase("Tremolo",
                 [](RackSettings& s)
                 {
                     s.tremoloOn = true;
                     s.tremoloDepth = 50.0;
                 });
    registerCase("Leveler", [](RackSettings& s) { s.levelerOn = true; });
    registerCase("Comp", [](RackSettings& s) { s.compOn = true; });
    registerCase("ClipGuard", [](RackSettings& s) { s.clipGuardOn = true; });
    registerCase("Delay",
                 [](RackSettings& s)
                 {
                     s.delayOn = true;
                     s.delayWet = 30.0;
                 });
    registerCase("Reverb",
                 [](RackSettings& s)
                 {
                     s.reverbOn = true;
                     s.reverbWet = 30.0;
                 });
    registerCase("CoreModulesOn", [](RackSettings& s)
                 { s.popCutOn = s.sClearOn = s.eqOn = s.levelerOn = s.compOn = s.clipGuardOn = true; });
    registerCase("FullRack", [](RackSettings& s) { s = fullRack(); });
    registerCase(
        "MonoDefaults", [](RackSettings&) {}, true, 1);
    registerCase(
        "MonoFullRack", [](RackSettings& s) { s = fullRack(); }, false, 1);
    return 0;
}

const int registered = registerAll();

// What the end of a pause in the host's audio (a stop and start, the host's bypass) costs once:
// every line and filter memory of the engine cleared in place.
void ClearMemories(benchmark::State& state)
{
    RackEngine engine;
    engine.prepare(static_cast<double>(state.range(0)), kBlock);
    for (auto _ : state)
    {
        engine.clearMemories();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ClearMemories)->Arg(48000)->Arg(192000)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
