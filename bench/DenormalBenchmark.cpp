// SPDX-License-Identifier: GPL-3.0-or-later
// Silence after a loud burst: the reverb, delay and filter tails decay through the subnormal range,
// where x86 arithmetic can cost a hundred times more. The engine flushes them to zero while it
// processes; this compares a block of that decaying silence with the same block fed with noise.
#include "BenchSupport.h"
#include "dsp/RackEngine.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using pomelu::dsp::RackEngine;
using pomelu::dsp::RackSettings;

namespace
{
using namespace pomelu::bench;

RackSettings tailSettings()
{
    RackSettings s = fullRack();
    // Short feedback so the tails reach the subnormal range within a couple of minutes of audio.
    s.reverbSize = s.reverbDecay = 0.0;
    s.delayFeedback = 20.0;
    return s;
}

std::vector<double> noise(std::size_t frames, double amplitude)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> uniform(-amplitude, amplitude);
    std::vector<double> out(frames);
    for (double& v : out)
        v = uniform(random);
    return out;
}

void processSeconds(RackEngine& engine, const RackSettings& s, const std::vector<double>& block,
                    double seconds)
{
    std::vector<double> outL(kBlock), outR(kBlock);
    double* outs[2] = {outL.data(), outR.data()};
    const double* ins[2] = {block.data(), block.data()};
    for (int n = 0; n < static_cast<int>(seconds * kSampleRate / kBlock); ++n)
    {
        engine.applySettings(s);
        engine.process(ins, outs, 2, 2, kBlock);
    }
}

void run(benchmark::State& state, bool silenceAfterBurst)
{
    const RackSettings s = tailSettings();
    RackEngine engine;
    engine.prepare(kSampleRate, kBlock);
    const auto loud = noise(kBlock, 0.9);
    const std::vector<double> silence(kBlock, 0.0);
    const auto& input = silenceAfterBurst ? silence : loud;
    if (silenceAfterBurst)
    {
        processSeconds(engine, s, loud, 1.0);      // the burst
        processSeconds(engine, s, silence, 135.0); // tails now decay through the subnormal range
    }
    std::vector<double> outL(kBlock), outR(kBlock);
    double* outs[2] = {outL.data(), outR.data()};
    const double* ins[2] = {input.data(), input.data()};
    for (auto _ : state)
    {
        engine.applySettings(s);
        engine.process(ins, outs, 2, 2, kBlock);
        benchmark::DoNotOptimize(outL.data());
    }
    reportRealTimeFactor(state);
}
} // namespace

BENCHMARK_CAPTURE(run, Noise, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(run, SilenceAfterBurst, true)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
