// SPDX-License-Identifier: GPL-3.0-or-later
// What the engine benchmarks share: the host format they run at, the settings they start from and
// the real-time-factor counter they report.
#pragma once

#include "dsp/RackSettings.h"

#include <benchmark/benchmark.h>

namespace pomelu::bench
{

inline constexpr double kSampleRate = 48000.0;
inline constexpr int kBlock = 512;

inline dsp::RackSettings allModulesOff()
{
    dsp::RackSettings s;
    s.popCutOn = s.sClearOn = s.eqOn = s.levelerOn = s.compOn = s.clipGuardOn = false;
    s.distortionOn = s.phaserOn = s.tremoloOn = s.delayOn = s.reverbOn = false;
    return s;
}

// Every module on, delay and reverb 30 % wet, distortion 50 % mix, tremolo 50 % deep.
inline dsp::RackSettings fullRack()
{
    dsp::RackSettings s;
    s.popCutOn = s.sClearOn = s.eqOn = s.levelerOn = s.compOn = s.clipGuardOn = true;
    s.distortionOn = s.phaserOn = s.tremoloOn = s.delayOn = s.reverbOn = true;
    s.delayWet = s.reverbWet = 30.0;
    s.distortionMix = 50.0;
    s.tremoloDepth = 50.0;
    return s;
}

// "x_realtime": seconds of audio processed per CPU second, one kBlock per iteration.
inline void reportRealTimeFactor(benchmark::State& state)
{
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlock / kSampleRate, benchmark::Counter::kIsRate);
}

} // namespace pomelu::bench
