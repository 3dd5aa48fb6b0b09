// SPDX-License-Identifier: GPL-3.0-or-later
#include "RackEngine.h"

#include "ClipGuard.h"
#include "Comp.h"
#include "Delay.h"
#include "Distortion.h"
#include "Eq.h"
#include "Leveler.h"
#include "Phaser.h"
#include "PopCut.h"
#include "Reverb.h"
#include "SClear.h"
#include "Tempo.h"
#include "Tremolo.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define POMELU_HAVE_MXCSR 1
#endif

namespace pomelu::dsp
{

namespace
{
// Decaying filter and comb tails would otherwise crawl through denormals and cost many times the
// work of a loud block. Flush-to-zero and denormals-are-zero for the duration of one block only,
// so the host's own floating-point mode is left as it was.
class DenormalGuard
{
public:
    DenormalGuard() noexcept
    {
#ifdef POMELU_HAVE_MXCSR
        saved = _mm_getcsr();
        _mm_setcsr(saved | 0x8040u); // FTZ | DAZ
#endif
    }
    ~DenormalGuard()
    {
#ifdef POMELU_HAVE_MXCSR
        _mm_setcsr(saved);
#endif
    }
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
    unsigned saved = 0;
};

// A sample rate outside this range would allocate absurd lines (or none): guard it here, once.
double sanitiseSampleRate(double rate) noexcept
{
    if (!(rate >= 8000.0))
        return 8000.0; // also catches NaN
    return std::min(rate, 4.0e6);
}
} // namespace

void RackEngine::prepare(double newSampleRate, int maxBlockSize)
{
    sampleRate = sanitiseSampleRate(newSampleRate);
    const auto blockSize = static_cast<std::size_t>(std::max(maxBlockSize, 1));

    levelEnvelope = 0.0;
    levelerGain = 1.0;
    compGain = 1.0;
    phaserPhase = 0.0;
    tremoloPhase = 0.0;
    inputGain = 1.0;
    outputGain = 1.0;
    filtersPrimed = false;
    for (int ch = 0; ch < 2; ++ch)
        distortionPrev[ch] = clipGuardPrev[ch] = 0.0;

    // assign() reallocates only when the line must grow.
    delayLine.assign(delayLineLength(sampleRate, blockSize));
    preDelayLine.assign(preDelayLineLength(sampleRate, blockSize));
    for (int ch = 0; ch < 2; ++ch)
        for (int k = 0; k < 4; ++k)
            combs[ch][k].assign(combLength(sampleRate, ch, k), 0.0);
    delayWrite = preDelayWrite = 0;
    for (auto& channel : combIndex)
        for (auto& index : channel)
            index = 0;

    resetFilters();
}

void RackEngine::resetFilters() noexcept
{
    for (StereoBiquad* s : {&popCut, &sClear, &phaserBell, &lowCutA, &lowCutB, &highCutA, &highCutB,
                            &delayLowCutFilter, &delayHighCutFilter, &reverbToneFilter})
        s->clear();
    for (auto& band : eqBands)
        band.clear();
}

void RackEngine::applySettings(const RackSettings& newSettings) noexcept
{
    settings = newSettings;
    applyFilterSettings();
    filtersPrimed = true;
}

void RackEngine::designSection(StereoBiquad& section, int ch, FilterType type, double frequency, double q,
                               double gainDb) noexcept
{
    if (filtersPrimed)
        section.setTarget(ch, type, sampleRate, frequency, q, gainDb);
    else
        section.prime(ch, type, sampleRate, frequency, q, gainDb);
}

void RackEngine::applyFilterSettings() noexcept
{
    // Channel 0 first; within a channel in signal order. Sections are kept current whether or not
    // their module is on, so switching a module on never starts from a stale response.
    for (int ch = 0; ch < 2; ++ch)
    {
        designPopCut(ch);
        designSClear(ch);
        designEq(ch);
        designDelayFilters(ch);
        designReverbTone(ch);
    }
}

template <class V> V RackEngine::walkModules(V w) noexcept
{
    bool sawDistortion = false, sawClipGuard = false, sawDelay = false, sawReverb = false;

    for (const ModuleId id : settings.order)
    {
        switch (id)
        {
        case ModuleId::PopCut:
            w = popCutStep(w);
            break;
        case ModuleId::SClear:
            w = sClearStep(w);
            break;
        case ModuleId::Eq:
            w = eqStep(w);
            break;
        case ModuleId::Distortion:
            w = distortionStep(w);
            sawDistortion = true;
            break;
        case ModuleId::Phaser:
            w = phaserStep(w);
            break;
        case ModuleId::Tremolo:
            w = tremoloStep(w);
            break;
        case ModuleId::Leveler:
            w = levelerStep(w);
            break;
        case ModuleId::Comp:
            w = compStep(w);
            break;
        case ModuleId::ClipGuard:
            w = clipGuardStep(w);
            sawClipGuard = true;
            break;
        case ModuleId::Delay:
            w = delayStep(w);
            sawDelay = true;
            break;
        case ModuleId::Reverb:
            w = reverbStep(w);
            sawReverb = true;
            break;
        default: // entries above 10 do nothing
            break;
        }
    }

    // Memories of modules that the order skipped keep running, so adding them back later plays
    // recent material at once.
    if (!sawDelay)
        recordDelayLines(w);
    if (!sawReverb)
    {
        recordPreDelayLines(w);
        stepCombs(false, V(0.0));
    }
    if (!sawDistortion)
        storePair(distortionPrev, w);
    if (!sawClipGuard)
        storePair(clipGuardPrev, w);
    return w;
}

namespace
{
// One frame of the processed channels from per-channel pointers; a null pointer reads as silence.
template <class V> V readFrame(const double* const* source, int i) noexcept
{
    const double left = source[0] != nullptr ? source[0][i] : 0.0;
    if constexpr (std::is_same_v<V, double>)
        return left;
    else
        return V(left, source[1] != nullptr ? source[1][i] : 0.0);
}

template <class V> void writeFrame(double* const* sink, int i, V y) noexcept
{
    if constexpr (std::is_same_v<V, double>)
    {
        if (sink[0] != nullptr)
            sink[0][i] = y;
    }
    else
    {
        if (sink[0] != nullptr)
            sink[0][i] = y.lane0();
        if (sink[1] != nullptr)
            sink[1][i] = y.lane1();
    }
}

// The larger of the lanes (the peak of both channels).
double largestLane(double v) noexcept
{
    return v;
}
double largestLane(Lanes v) noexcept
{
    return std::max(v.lane0(), v.lane1());
}
} // namespace

template <int Channels>
void RackEngine::processFrames(const double* const* source, double* const* sink, int frames) noexcept
{
    using V = ChannelValue<Channels>;
    const double cG = block.gainCoefficient;
    const std::size_t delayLength = delayLine.size();
    const std::size_t preDelayLength = preDelayLine.size();
    V inPeak = 0.0, outPeak = 0.0;

    for (int i = 0; i < frames; ++i)
    {
        inputGain = cG * inputGain + (1.0 - cG) * block.inputGainTarget;
        outputGain = cG * outputGain + (1.0 - cG) * block.outputGainTarget;

        V raw = 0.0, x = 0.0;
        double peak = 0.0;
        if constexpr (Channels > 0)
        {
            raw = readFrame<V>(source, i);
            // A NaN or infinity from the host would poison every filter, envelope and line for the
            // rest of the session: the rack hears silence for that sample instead.
            const V clean = select(abs(raw) < V(HUGE_VAL), raw, V(0.0));
            x = clean * V(inputGain);
            const V magnitude = abs(x);
            inPeak = max(inPeak, magnitude);
            peak = largestLane(magnitude);
        }

        updateLevelerAndCompressor(peak);
        sweepPhaser(i);

        if (settings.bypass)
        {
            // The host hears its own input exactly; the memories keep recording the rack input.
            if constexpr (Channels > 0)
            {
                recordDelayLines(x);
                recordPreDelayLines(x);
                stepCombs(false, V(0.0));
                storePair(distortionPrev, x);
                storePair(clipGuardPrev, x);
                writeFrame(sink, i, raw);
                outPeak = max(outPeak, abs(raw));
            }
        }
        else
        {
            V w = x;
            if constexpr (Channels > 0)
                w = walkModules(w);
            stepTremoloOscillator(i);
            if constexpr (Channels > 0)
            {
                V y = w * V(outputGain);
                y = select(abs(y) < V(1e-20), V(0.0), y);
                writeFrame(sink, i, y);
                outPeak = max(outPeak, abs(y));
            }
        }

        if (delayLength > 0 && ++delayWrite >= delayLength)
            delayWrite = 0;
        if (preDelayLength > 0 && ++preDelayWrite >= preDelayLength)
            preDelayWrite = 0;
    }

    block.inPeak = largestLane(inPeak);
    block.outPeak = largestLane(outPeak);
}

void RackEngine::process(const double* const* inputs, double* const* outputs, int numInputs, int numOutputs,
                         int frames) noexcept
{
    const DenormalGuard denormalGuard;

    frames = std::max(frames, 0);
    const int nIn = inputs != nullptr ? std::clamp(numInputs, 0, 2) : 0;
    const int nOutputs = outputs != nullptr ? std::max(numOutputs, 0) : 0;
    const int nCh = std::clamp(numOutputs, 0, 2);

    // Channel sources: a mono input feeds both processed channels; a missing one reads as silence.
    const double* source[2] = {nullptr, nullptr};
    double* sink[2] = {nullptr, nullptr};
    for (int ch = 0; ch < nCh; ++ch)
    {
        source[ch] = nIn > 0 ? inputs[std::min(ch, nIn - 1)] : nullptr;
        sink[ch] = ch < nOutputs ? outputs[ch] : nullptr;
    }

    // Block preamble.
    block.channels = nCh;
    block.inputGainTarget = std::exp(settings.inputGainDb * kDbToLinear);
    block.outputGainTarget = std::exp(settings.outputGainDb * kDbToLinear);
    block.gainCoefficient = std::exp(-1.0 / (0.012 * sampleRate)); // 12 ms one-pole so gain steps don't click
    block.msPerBeat = msPerBeat(settings.tempoBpm);
    prepareLevelerBlock();
    prepareCompBlock();
    prepareClipGuardBlock();
    prepareDistortionBlock();
    preparePhaserBlock();
    prepareTremoloBlock();
    prepareDelayBlock();
    prepareReverbBlock();
    block.grMax = 0.0;

    if (nCh == 2)
        processFrames<2>(source, sink, frames);
    else if (nCh == 1)
        processFrames<1>(source, sink, frames);
    else
        processFrames<0>(source, sink, frames);

    tremoloPhase =
        std::fmod(static_cast<double>(frames) * block.tremoloRate / sampleRate + tremoloPhase, 1.0);

    // Output channels beyond the processed two carry the input through (or silence).
    for (int ch = nCh; ch < nOutputs; ++ch)
    {
        double* out = outputs[ch];
        if (out == nullptr)
            continue;
        const double* in = nIn > 0 ? inputs[std::min(ch, nIn - 1)] : nullptr;
        for (int i = 0; i < frames; ++i)
            out[i] = in != nullptr ? in[i] : 0.0;
    }

    gainReductionDb = block.grMax;
    inputPeakDb = 20.0 * std::log10(std::max(block.inPeak, 1e-9));
    outputPeakDb = 20.0 * std::log10(std::max(block.outPeak, 1e-9));
}

} // namespace pomelu::dsp
