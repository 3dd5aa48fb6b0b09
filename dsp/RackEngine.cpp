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

    phaserPhase = 0.0;
    tremoloPhase = 0.0;
    inputGain = 1.0;
    outputGain = 1.0;
    filtersPrimed = false;

    // resize() reallocates only when the line must grow; clearMemories zeroes it.
    for (int ch = 0; ch < 2; ++ch)
    {
        delayLine[ch].resize(delayLineLength(sampleRate, blockSize));
        preDelayLine[ch].resize(preDelayLineLength(sampleRate, blockSize));
        for (int k = 0; k < 4; ++k)
            combs[ch][k].resize(combLength(sampleRate, ch, k));
    }
    delayWrite = preDelayWrite = 0;
    for (auto& channel : combIndex)
        for (auto& index : channel)
            index = 0;

    clearMemories();
    resetFilters();
}

template <class Action> void RackEngine::forEachSection(Action action) noexcept
{
    for (int ch = 0; ch < 2; ++ch)
    {
        for (BiquadSection* s :
             {&popCut[ch], &sClear[ch], &phaserBell[ch], &lowCutA[ch], &lowCutB[ch], &highCutA[ch],
              &highCutB[ch], &delayLowCutFilter[ch], &delayHighCutFilter[ch], &reverbToneFilter[ch]})
            action(*s);
        for (auto& band : eqBands[ch])
            action(band);
    }
}

void RackEngine::clearMemories() noexcept
{
    clearHeldWhileBypassed();
    levelEnvelope = 0.0;
    levelerGain = 1.0;
    compGain = 1.0;
    for (int ch = 0; ch < 2; ++ch)
    {
        distortionPrev[ch] = clipGuardPrev[ch] = 0.0;
        std::fill(delayLine[ch].begin(), delayLine[ch].end(), 0.0);
        std::fill(preDelayLine[ch].begin(), preDelayLine[ch].end(), 0.0);
    }
}

void RackEngine::clearHeldWhileBypassed() noexcept
{
    forEachSection([](BiquadSection& s) { s.clearState(); });
    for (auto& channel : combs)
        for (auto& comb : channel)
            std::fill(comb.begin(), comb.end(), 0.0);
}

void RackEngine::resetFilters() noexcept
{
    forEachSection([](BiquadSection& s) { s.clear(); });
}

void RackEngine::applySettings(const RackSettings& newSettings) noexcept
{
    if (settings.bypass && !newSettings.bypass)
        clearHeldWhileBypassed();
    settings = newSettings;
    applyFilterSettings();
    filtersPrimed = true;
}

void RackEngine::designSection(BiquadSection& section, FilterType type, double frequency, double q,
                               double gainDb) noexcept
{
    if (filtersPrimed)
        section.setTarget(type, sampleRate, frequency, q, gainDb);
    else
        section.prime(type, sampleRate, frequency, q, gainDb);
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

void RackEngine::walkModules(double* w) noexcept
{
    const int channels = block.channels;
    bool sawDistortion = false, sawClipGuard = false, sawDelay = false, sawReverb = false;

    for (const ModuleId id : settings.order)
    {
        switch (id)
        {
        case ModuleId::PopCut:
            for (int ch = 0; ch < channels; ++ch)
                w[ch] = popCutStep(ch, w[ch]);
            break;
        case ModuleId::SClear:
            for (int ch = 0; ch < channels; ++ch)
                w[ch] = sClearStep(ch, w[ch]);
            break;
        case ModuleId::Eq:
            for (int ch = 0; ch < channels; ++ch)
                w[ch] = eqStep(ch, w[ch]);
            break;
        case ModuleId::Distortion:
            for (int ch = 0; ch < channels; ++ch)
                w[ch] = distortionStep(ch, w[ch]);
            sawDistortion = true;
            break;
        case ModuleId::Phaser:
            for (int ch = 0; ch < channels; ++ch)
                w[ch] = phaserStep(ch, w[ch]);
            break;
        case ModuleId::Tremolo:
            for (int ch = 0; ch < channels; ++ch)
                w[ch] = tremoloStep(w[ch]);
            break;
        case ModuleId::Leveler:
            for (int ch = 0; ch < channels; ++ch)
                w[ch] = levelerStep(w[ch]);
            break;
        case ModuleId::Comp:
            for (int ch = 0; ch < channels; ++ch)
                w[ch] = compStep(w[ch]);
            break;
        case ModuleId::ClipGuard:
            for (int ch = 0; ch < channels; ++ch)
                w[ch] = clipGuardStep(ch, w[ch]);
            sawClipGuard = true;
            break;
        case ModuleId::Delay:
            delayStep(w);
            sawDelay = true;
            break;
        case ModuleId::Reverb:
            reverbStep(w);
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
        idleCombs();
    }
    for (int ch = 0; ch < channels; ++ch)
    {
        if (!sawDistortion)
            distortionPrev[ch] = w[ch];
        if (!sawClipGuard)
            clipGuardPrev[ch] = w[ch];
    }
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
    block.inPeak = block.outPeak = block.grMax = 0.0;

    const double cG = block.gainCoefficient;
    const std::size_t delayLength = delayLine[0].size();
    const std::size_t preDelayLength = preDelayLine[0].size();

    for (int i = 0; i < frames; ++i)
    {
        inputGain = cG * inputGain + (1.0 - cG) * block.inputGainTarget;
        outputGain = cG * outputGain + (1.0 - cG) * block.outputGainTarget;

        double raw[2] = {0.0, 0.0};
        double x[2] = {0.0, 0.0};
        for (int ch = 0; ch < nCh; ++ch)
        {
            raw[ch] = source[ch] != nullptr ? source[ch][i] : 0.0;
            // A NaN or infinity from the host would poison every filter, envelope and line for the
            // rest of the session: the rack hears silence for that sample instead.
            const double clean = std::isfinite(raw[ch]) ? raw[ch] : 0.0;
            x[ch] = clean * inputGain;
            block.inPeak = std::max(block.inPeak, std::abs(x[ch]));
        }

        updateLevelerAndCompressor(x);
        sweepPhaser(i);

        if (settings.bypass)
        {
            // The host hears its own input exactly; the memories keep recording the rack input.
            recordDelayLines(x);
            recordPreDelayLines(x);
            idleCombs();
            for (int ch = 0; ch < nCh; ++ch)
            {
                distortionPrev[ch] = clipGuardPrev[ch] = x[ch];
                if (sink[ch] != nullptr)
                    sink[ch][i] = raw[ch];
                block.outPeak = std::max(block.outPeak, std::abs(raw[ch]));
            }
        }
        else
        {
            double w[2] = {x[0], x[1]};
            walkModules(w);
            stepTremoloOscillator(i);
            for (int ch = 0; ch < nCh; ++ch)
            {
                double y = w[ch] * outputGain;
                if (std::abs(y) < 1e-20)
                    y = 0.0;
                if (sink[ch] != nullptr)
                    sink[ch][i] = y;
                block.outPeak = std::max(block.outPeak, std::abs(y));
            }
        }

        if (delayLength > 0 && ++delayWrite >= delayLength)
            delayWrite = 0;
        if (preDelayLength > 0 && ++preDelayWrite >= preDelayLength)
            preDelayWrite = 0;
    }

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

    gainReductionDb.store(block.grMax, std::memory_order_relaxed);
    inputPeakDb.store(20.0 * std::log10(std::max(block.inPeak, 1e-9)), std::memory_order_relaxed);
    outputPeakDb.store(20.0 * std::log10(std::max(block.outPeak, 1e-9)), std::memory_order_relaxed);
}

} // namespace pomelu::dsp
