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

    clearMemories();
    resetFilters();
}

template <class Action> void RackEngine::forEachSection(Action action) noexcept
{
    for (StereoBiquad* s : {&popCut, &sClear, &phaserBell, &lowCutA, &lowCutB, &highCutA, &highCutB,
                            &delayLowCutFilter, &delayHighCutFilter, &reverbToneFilter})
        action(*s);
    for (auto& band : eqBands)
        action(band);
}

void RackEngine::clearMemories() noexcept
{
    clearHeldWhileBypassed();
    levelEnvelope = 0.0;
    levelerGain = 1.0;
    compGain = 1.0;
    for (int ch = 0; ch < 2; ++ch)
        distortionPrev[ch] = clipGuardPrev[ch] = 0.0;
    std::fill(delayLine.samples.begin(), delayLine.samples.end(), 0.0);
    std::fill(preDelayLine.samples.begin(), preDelayLine.samples.end(), 0.0);
}

void RackEngine::clearHeldWhileBypassed() noexcept
{
    forEachSection([](StereoBiquad& s) { s.clearState(); });
    for (auto& channel : combs)
        for (auto& comb : channel)
            std::fill(comb.begin(), comb.end(), 0.0);
}

void RackEngine::resetFilters() noexcept
{
    forEachSection([](StereoBiquad& s) { s.clear(); });
}

void RackEngine::applySettings(const RackSettings& newSettings) noexcept
{
    if (settings.bypass && !newSettings.bypass)
        clearHeldWhileBypassed();
    settings = newSettings;
    applyFilterSettings();
    filtersPrimed = true;
}

void RackEngine::designSection(StereoBiquad& section, FilterType type, double frequency, double q,
                               double gainDb) noexcept
{
    section.update(2, !filtersPrimed, type, sampleRate, frequency, q, gainDb);
}

void RackEngine::applyFilterSettings() noexcept
{
    // Sections are kept current whether or not their module is on, so switching a module on never
    // starts from a stale response.
    designPopCut();
    designSClear();
    designEq();
    designDelayFilters();
    designReverbTone();
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
    if (sink[0] != nullptr)
        sink[0][i] = firstLane(y);
    if constexpr (!std::is_same_v<V, double>)
        if (sink[1] != nullptr)
            sink[1][i] = y.lane1();
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

// A ring position that moves on by one each sample.
std::size_t stepPosition(std::size_t& position, std::size_t ringLength) noexcept
{
    const std::size_t now = position;
    if (ringLength > 0 && ++position >= ringLength)
        position = 0;
    return now;
}

void advancePosition(std::size_t& position, std::size_t ringLength, int samples) noexcept
{
    if (ringLength == 0)
        return;
    position += static_cast<std::size_t>(samples);
    while (position >= ringLength)
        position -= ringLength;
}

bool namesAModuleTwice(const ModuleOrder& order) noexcept
{
    int seen[kNumModules] = {};
    for (const ModuleId id : order)
        if (static_cast<std::size_t>(id) < kNumModules && ++seen[static_cast<std::size_t>(id)] > 1)
            return true;
    return false;
}
} // namespace

template <class V, class Step> void RackEngine::runOverChunk(int length, Step step) noexcept
{
    for (int j = 0; j < length; ++j)
        storePair(chunk.work + 2 * j, step(loadPair<V>(chunk.work + 2 * j), j));
}

template <class V, class Step> void RackEngine::runStateless(int length, double* memory, Step step) noexcept
{
    if constexpr (std::is_same_v<V, double>)
    {
        double previous = memory[0];
        for (int j = 0; j < length; j += 2)
        {
            double* at = chunk.work + 2 * j;
            const bool pair = j + 1 < length;
            const double w0 = at[0], w1 = pair ? at[2] : w0;
            const Lanes out = step(Lanes(w0, w1), Lanes(previous, w0));
            at[0] = out.lane0();
            if (pair)
                at[2] = out.lane1();
            previous = w1;
        }
        memory[0] = previous;
    }
    else
    {
        V previous = loadPair<V>(memory);
        runOverChunk<V>(length,
                        [&](V w, int)
                        {
                            const V out = step(w, previous);
                            previous = w;
                            return out;
                        });
        storePair(memory, previous);
    }
}

// Modules whose step is a filter section chain or a gain: cheap per sample, each with a short
// recursion of its own. A run of them in the order goes through the chunk in one pass, so their
// recursions overlap instead of each pass waiting on its own.
namespace
{
bool isLightModule(ModuleId id) noexcept
{
    return id == ModuleId::PopCut || id == ModuleId::SClear || id == ModuleId::Eq || id == ModuleId::Phaser ||
           id == ModuleId::Tremolo || id == ModuleId::Leveler;
}
} // namespace

template <class V> void RackEngine::runLightModules(int length, const ModuleId* run, int count) noexcept
{
    int nextSweep = 0;
    runOverChunk<V>(length,
                    [&](V w, int j)
                    {
                        for (int m = 0; m < count; ++m)
                        {
                            switch (run[m])
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
                            case ModuleId::Phaser:
                                // The bell gets its new targets at the samples the sweep chose,
                                // before their tick.
                                if (nextSweep < chunk.sweeps && chunk.sweepAt[nextSweep] == j)
                                    retargetPhaser(chunk.sweepFrequency[nextSweep++]);
                                w = phaserStep(w);
                                break;
                            case ModuleId::Tremolo:
                                w = tremoloStep(w, chunk.tremoloSine[j]);
                                break;
                            default: // Leveler
                                w = levelerStep(w, chunk.levelerGain[j]);
                                break;
                            }
                        }
                        return w;
                    });
}

template <class V> void RackEngine::walkModules(int length) noexcept
{
    bool sawDistortion = false, sawClipGuard = false, sawDelay = false, sawReverb = false, sawPhaser = false;
    const RackSettings& s = settings;
    const bool on[kNumModules] = {s.popCutOn,    s.sClearOn,  s.eqOn,      s.distortionOn,
                                  s.phaserOn,    s.tremoloOn, s.levelerOn, s.compOn,
                                  s.clipGuardOn, s.delayOn,   s.reverbOn};
    // Bells and shelves at 0 dB that have settled cost nothing in this chunk.
    sClear.restIfIdle<V>();
    for (StereoBiquad& band : eqBands)
        band.restIfIdle<V>();

    for (std::size_t n = 0; n < s.order.size();)
    {
        const ModuleId id = s.order[n];
        if (isLightModule(id))
        {
            // Switched off, these modules leave the sample and their sections alone.
            ModuleId run[kNumModules];
            int count = 0;
            for (; n < s.order.size() && isLightModule(s.order[n]); ++n)
            {
                sawPhaser = sawPhaser || s.order[n] == ModuleId::Phaser;
                if (on[static_cast<std::size_t>(s.order[n])])
                    run[count++] = s.order[n];
            }
            if (count > 0)
                runLightModules<V>(length, run, count);
            continue;
        }
        ++n;
        switch (id)
        {
        case ModuleId::Distortion:
            // Off, the module only remembers its last input.
            if (s.distortionOn)
                runStateless<V>(length, distortionPrev,
                                [this](auto w, auto p) { return distortionStep(w, p); });
            else
                storePair(distortionPrev, loadPair<V>(chunk.work + 2 * (length - 1)));
            sawDistortion = true;
            break;
        case ModuleId::Comp:
            if (s.compOn)
                compOverChunk<V>(length);
            break;
        case ModuleId::ClipGuard:
            if (s.clipGuardOn)
                runStateless<V>(length, clipGuardPrev,
                                [this](auto w, auto p) { return clipGuardStep(w, p); });
            else
                storePair(clipGuardPrev, loadPair<V>(chunk.work + 2 * (length - 1)));
            sawClipGuard = true;
            break;
        case ModuleId::Delay:
        {
            std::size_t write = delayWrite;
            runOverChunk<V>(length, [this, &write](V w, int)
                            { return delayStep(w, stepPosition(write, delayLine.size())); });
            sawDelay = true;
            break;
        }
        case ModuleId::Reverb:
            reverbOverChunk<V>(length);
            sawReverb = true;
            break;
        default: // entries above 10 do nothing
            break;
        }
    }

    if (!sawPhaser)
        retargetPhaserUnheard();
    passThroughMemories<V>(length, !sawDelay, !sawReverb, !sawDistortion, !sawClipGuard);
}

// Memories of modules that did not run keep recording, so adding them back later plays recent
// material at once.
template <class V>
void RackEngine::passThroughMemories(int length, bool delay, bool reverb, bool distortion,
                                     bool clipGuard) noexcept
{
    std::size_t write = delayWrite, preWrite = preDelayWrite;
    for (int j = 0; j < length; ++j)
    {
        const V w = loadPair<V>(chunk.work + 2 * j);
        if (delay)
            recordDelayLines(w, stepPosition(write, delayLine.size()));
        if (reverb)
            recordPreDelayLines(w, stepPosition(preWrite, preDelayLine.size()));
    }
    if (reverb)
        runCombs<V>(length, false, nullptr, nullptr);
    // Only the last sample's value remains as the previous input.
    const V last = loadPair<V>(chunk.work + 2 * (length - 1));
    if (distortion)
        storePair(distortionPrev, last);
    if (clipGuard)
        storePair(clipGuardPrev, last);
}

template <int Channels>
void RackEngine::processChunk(const double* const* source, double* const* sink, int start,
                              int length) noexcept
{
    using V = ChannelValue<Channels>;
    const double cG = block.gainCoefficient;
    const bool bypass = settings.bypass;
    V inPeak = 0.0, outPeak = 0.0;

    // Control signals and the rack input, sample by sample. The recursive states live in locals
    // through the loop (stored to the members every sample, each would wait for its own store).
    double inGain = inputGain, outGain = outputGain, envelope = levelEnvelope;
    double phase = phaserPhase;
    double sine = block.tremoloS, cosine = block.tremoloC;
    // The oscillator is seeded afresh every block: where no tremolo listens, its turns go unseen.
    const bool tremoloHeard = !bypass && settings.tremoloOn;
    chunk.sweeps = 0;
    for (int j = 0; j < length; ++j)
    {
        const int i = start + j;
        inGain = cG * inGain + (1.0 - cG) * block.inputGainTarget;
        outGain = cG * outGain + (1.0 - cG) * block.outputGainTarget;
        chunk.outputGain[j] = outGain;

        double peak = 0.0;
        if constexpr (Channels > 0)
        {
            const V raw = readFrame<V>(source, i);
            // A NaN or infinity from the host would poison every filter, envelope and line for the
            // rest of the session: the rack hears silence for that sample instead.
            const V clean = select(abs(raw) < V(HUGE_VAL), raw, V(0.0));
            const V x = clean * V(inGain);
            storePair(chunk.work + 2 * j, x);
            const V magnitude = abs(x);
            inPeak = max(inPeak, magnitude);
            peak = largestLane(magnitude);
            if (bypass)
            {
                // The host hears its own input exactly.
                writeFrame(sink, i, raw);
                outPeak = max(outPeak, abs(raw));
            }
        }

        // The shared level detector: the fast coefficient while the peak is above the envelope.
        envelope = followPole(envelope, peak, block.levelerFast, block.levelerSlow);
        chunk.levelerGain[j] = envelope;

        double frequency = 0.0;
        if (advancePhaser(phase, i, frequency))
        {
            chunk.sweepAt[chunk.sweeps] = j;
            chunk.sweepFrequency[chunk.sweeps++] = frequency;
        }
        if (tremoloHeard)
        {
            chunk.tremoloSine[j] = sine;
            rotateTremolo(sine, cosine, i);
        }
    }
    inputGain = inGain;
    outputGain = outGain;
    levelEnvelope = envelope;
    phaserPhase = phase;
    block.tremoloS = sine;
    block.tremoloC = cosine;

    followGains(length);

    if constexpr (Channels > 0)
    {
        if (bypass)
        {
            // The memories keep recording the rack input.
            retargetPhaserUnheard();
            passThroughMemories<V>(length, true, true, true, true);
        }
        else
        {
            walkModules<V>(length);
            for (int j = 0; j < length; ++j)
            {
                V y = loadPair<V>(chunk.work + 2 * j) * V(chunk.outputGain[j]);
                y = select(abs(y) < V(1e-20), V(0.0), y);
                writeFrame(sink, start + j, y);
                outPeak = max(outPeak, abs(y));
            }
        }
    }

    advancePosition(delayWrite, delayLine.size(), length);
    advancePosition(preDelayWrite, preDelayLine.size(), length);
    block.inPeak = std::max(block.inPeak, largestLane(inPeak));
    block.outPeak = std::max(block.outPeak, largestLane(outPeak));
}

template <int Channels>
void RackEngine::processFrames(const double* const* source, double* const* sink, int frames) noexcept
{
    const int chunkLength = namesAModuleTwice(settings.order) ? 1 : kChunk;
    for (int start = 0; start < frames; start += chunkLength)
        processChunk<Channels>(source, sink, start, std::min(chunkLength, frames - start));
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

    gainReductionDb.store(block.grMax, std::memory_order_relaxed);
    inputPeakDb.store(20.0 * std::log10(std::max(block.inPeak, 1e-9)), std::memory_order_relaxed);
    outputPeakDb.store(20.0 * std::log10(std::max(block.outPeak, 1e-9)), std::memory_order_relaxed);
}

} // namespace pomelu::dsp
