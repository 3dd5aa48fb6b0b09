// SPDX-License-Identifier: GPL-3.0-or-later
// The full rack per block through each built plug-in format, loaded as hosts load them: the VST 3
// bundle through the host library, the LV2 bundle through liblilv. 48 kHz, 512-sample stereo
// 32-bit blocks; every module on, delay and reverb 30 % wet, distortion 50 % mix, tremolo 50 % deep.
#include "BenchSupport.h"
#include "Lv2Host.h"
#include "Lv2Identity.h"
#include "Parameters.h"
#include "PluginInstance.h"
#include "lv2/Lv2Ports.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <utility>
#include <vector>

namespace
{
using namespace pomelu::bench;

// Parameter index and plain value; the normalised value for VST 3 from the parameter's range.
struct Setting
{
    int idx;
    double plain, min, max;
};

std::vector<Setting> fullRackSettings()
{
    std::vector<Setting> s;
    for (const int idx :
         {pomelu::kPopCut, pomelu::kSClear, pomelu::kEq, pomelu::kLeveler, pomelu::kComp, pomelu::kClipGuard,
          pomelu::kDistortion, pomelu::kPhaser, pomelu::kTremolo, pomelu::kDelay, pomelu::kReverb})
        s.push_back({idx, 1.0, 0.0, 1.0});
    s.push_back({pomelu::kDelayWet, 30.0, 0.0, 100.0});
    s.push_back({pomelu::kReverbWet, 30.0, 0.0, 100.0});
    s.push_back({pomelu::kDistortionMix, 50.0, 0.0, 100.0});
    s.push_back({pomelu::kTremoloDepth, 50.0, 0.0, 100.0});
    return s;
}

void fill(std::vector<float>& left, std::vector<float>& right)
{
    for (std::size_t i = 0; i < left.size(); ++i)
    {
        const double t = static_cast<double>(i) / kSampleRate;
        left[i] =
            static_cast<float>(0.2 * std::sin(2 * M_PI * 140 * t) + 0.05 * std::sin(2 * M_PI * 2300 * t));
        right[i] = 0.9f * left[i];
    }
}

void reportBlockTime(benchmark::State& state)
{
    reportRealTimeFactor(state);
    state.counters["us_per_block"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 1e-6,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Vst3FullRack(benchmark::State& state)
{
    pomelu::host::PluginInstance plug;
    if (!plug.open(POMELU_VST3_BUNDLE_DIR) || !plug.setup(kSampleRate, kBlock, Steinberg::Vst::kSample32))
    {
        state.SkipWithError("cannot load the VST 3 bundle");
        return;
    }
    std::vector<pomelu::host::ParamChange> changes;
    for (const Setting& s : fullRackSettings())
        changes.push_back(
            {static_cast<Steinberg::Vst::ParamID>(s.idx), (s.plain - s.min) / (s.max - s.min), 0});
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    fill(inL, inR);
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    plug.process32(ins, outs, 2, 2, kBlock, changes);
    for (auto _ : state)
    {
        plug.process32(ins, outs, 2, 2, kBlock);
        benchmark::DoNotOptimize(outL.data());
    }
    reportBlockTime(state);
}

void Lv2FullRack(benchmark::State& state)
{
    pomelu::host::Lv2World world{POMELU_LV2_BUNDLE_DIR};
    pomelu::host::Lv2Instance plug(world, pomelu::lv2::kStereoUri, kSampleRate);
    if (!plug.ok())
    {
        state.SkipWithError("cannot load the LV2 bundle");
        return;
    }
    const iplug::Lv2PortLayout layout{2};
    for (const Setting& s : fullRackSettings())
        plug.port(layout.Param(s.idx)) = static_cast<float>(s.plain);
    fill(plug.audioIn[0], plug.audioIn[1]);
    plug.runBlock(kBlock);
    for (auto _ : state)
    {
        plug.runBlock(kBlock);
        benchmark::DoNotOptimize(plug.audioOut[0].data());
    }
    reportBlockTime(state);
}

} // namespace

BENCHMARK(Vst3FullRack)->Unit(benchmark::kMicrosecond);
BENCHMARK(Lv2FullRack)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
