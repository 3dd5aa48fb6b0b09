// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Biquad.h"
#include "DistortionShaper.h"
#include "ModuleId.h"
#include "RackSettings.h"

#include <atomic>
#include <cstddef>
#include <vector>

namespace pomelu::dsp
{

// dB to linear: exp(dB x ln(10)/20) is cheaper than pow(10, dB/20) and what every gain here uses.
inline constexpr double kDbToLinear = 0.11512925464970228;

// The whole signal path: one object holding every module's state. Processes sample by sample:
// control signals first (gains, level detector, leveler and compressor gains, phaser sweep), then
// the modules in the order of RackSettings::order, then the output gain.
//
// Threads: prepare, applySettings and process run on the host's audio (or setup) thread, never
// concurrently. The meter taps are plain doubles that the UI may read at any time; a torn read
// only shows an old meter value.
class RackEngine
{
public:
    RackEngine() noexcept = default; // allocates nothing: the lines stay empty until prepare

    // Allocates the delay, pre-delay and comb lines for a sample rate (floored at 8000 Hz) and a
    // maximum block size, and clears every module's memory. The only place that allocates.
    void prepare(double newSampleRate, int maxBlockSize);

    // Every filter section to pass-through with zero state; design parameters stay.
    void resetFilters() noexcept;

    // Forgets the audio heard so far, in place, without allocating: the memories of every filter
    // section, the delay, pre-delay and comb lines, the level detector, the leveler and compressor
    // gains and the last inputs of Distortion and Clip Guard. Designs, smoothed input and output
    // gains and LFO phases stay. For a host that paused the audio (stopped processing, or bypassed
    // the plug-in without running it): what came before the pause would come back as a thump or an
    // old echo. Costs one pass over the lines (about 2.7 MB at 48 kHz).
    void clearMemories() noexcept;

    // Copies the record and retargets the filter sections (primes them on the first call after
    // prepare). Cheap when nothing changed; never allocates. Leaving bypass clears the filter
    // memories and the reverb's combs, which held on to the audio from before the bypass and would
    // otherwise thump or ring out of silence.
    void applySettings(const RackSettings& newSettings) noexcept;

    // One block of doubles. Pointer arrays and channel pointers may be null; negative counts count
    // as 0; at most two channels are processed and extra output channels copy the input.
    void process(const double* const* inputs, double* const* outputs, int numInputs, int numOutputs,
                 int frames) noexcept;

    // Meter taps as they stood after the last block; any thread (each value is atomic on its own).
    double inputPeak() const noexcept { return inputPeakDb.load(std::memory_order_relaxed); }
    double outputPeak() const noexcept { return outputPeakDb.load(std::memory_order_relaxed); }
    double gainReduction() const noexcept { return gainReductionDb.load(std::memory_order_relaxed); }

    const RackSettings& currentSettings() const noexcept { return settings; }
    double currentSampleRate() const noexcept { return sampleRate; }

    // --- state, public so tests and tools can look inside; only the engine writes it ---
    double sampleRate = 48000.0;
    double levelEnvelope = 0.0; // shared level detector, linear peak
    double levelerGain = 1.0;   // smoothed leveler gain, linear
    double compGain = 1.0;      // smoothed compressor gain including makeup, linear
    double phaserPhase = 0.0;   // cycles, 0 <= phase < 1
    double tremoloPhase = 0.0;  // cycles, at the start of the next block
    double inputGain = 1.0;     // smoothed linear input gain
    double outputGain = 1.0;    // smoothed linear output gain
    bool filtersPrimed = false;
    RackSettings settings;
    double distortionPrev[2] = {0.0, 0.0};
    double clipGuardPrev[2] = {0.0, 0.0};
    BiquadSection popCut[2];
    BiquadSection sClear[2];
    BiquadSection phaserBell[2];
    BiquadSection lowCutA[2], lowCutB[2];
    BiquadSection highCutA[2], highCutB[2];
    BiquadSection delayLowCutFilter[2], delayHighCutFilter[2];
    BiquadSection reverbToneFilter[2];
    BiquadSection eqBands[2][5];
    std::vector<double> delayLine[2];
    std::vector<double> preDelayLine[2];
    std::size_t delayWrite = 0;
    std::size_t preDelayWrite = 0;
    std::vector<double> combs[2][4];
    std::size_t combIndex[2][4] = {};
    // Written by the audio thread at the end of a block, read by the editor on the UI thread.
    std::atomic<double> gainReductionDb{0.0};
    std::atomic<double> inputPeakDb{-60.0};
    std::atomic<double> outputPeakDb{-60.0};

private:
    // Values worked out once per block in the preamble and read by the per-sample steps.
    struct BlockValues
    {
        int channels = 0; // processed channels, 0..2
        double gainCoefficient = 0.0;
        double inputGainTarget = 1.0, outputGainTarget = 1.0;
        double msPerBeat = 500.0;
        double levelerFast = 0.0, levelerSlow = 0.0, levelerSensitivity = 1.0;
        double compAttackCoefficient = 0.0, compReleaseCoefficient = 0.0;
        double compMakeupGain = 1.0, compMix = 1.0, compExpanderExponent = 1.0, compReduction = 0.0;
        DistortionShaper distortionShaper;
        double distortionDrive = 1.0;
        double distortionFinalDrive = 1.0, distortionFinalLevel = 1.0, distortionMix = 0.0;
        double clipCeiling = 1.0, clipCeilingInverse = 1.0, clipAmount = 0.0;
        double phaserMix = 0.0, phaserIncrement = 0.0;
        double tremoloDepth = 0.0; // fraction
        double delayCross = 0.0, delayWidth = 1.0;
        double delayFeedback[2] = {0.0, 0.0}, delayMix[2] = {0.0, 0.0}; // fractions per channel
        double reverbWet = 0.0;
        double levelerCorrectionDb = 0.0, levelerTargetGain = 1.0; // last exp, reused while unchanged
        double tremoloRate = 0.0, tremoloCos = 1.0, tremoloSin = 0.0;
        double tremoloS = 0.0, tremoloC = 1.0; // rotating oscillator at the current sample
        std::size_t delayInt[2] = {0, 0};
        double delayFrac[2] = {0.0, 0.0};
        std::size_t preDelay = 0;
        double combFeedback = 0.0;
        double inPeak = 0.0, outPeak = 0.0, grMax = 0.0;
    };
    BlockValues block;

    // Block preambles, one per module section.
    void prepareLevelerBlock() noexcept;
    void prepareCompBlock() noexcept;
    void prepareClipGuardBlock() noexcept;
    void prepareDistortionBlock() noexcept;
    void preparePhaserBlock() noexcept;
    void prepareTremoloBlock() noexcept;
    void prepareDelayBlock() noexcept;
    void prepareReverbBlock() noexcept;

    // Filter design per module, called by applySettings: primes or retargets the sections.
    void designSection(BiquadSection& section, FilterType type, double frequency, double q,
                       double gainDb) noexcept;
    void designPopCut(int ch) noexcept;
    void designSClear(int ch) noexcept;
    void designEq(int ch) noexcept;
    void designDelayFilters(int ch) noexcept;
    void designReverbTone(int ch) noexcept;
    void applyFilterSettings() noexcept;
    // What the bypass path leaves standing: the filter memories (not ticked) and the combs (only
    // fading their old tail, 0.92 per pass). Both hold nothing but audio from before the bypass.
    void clearHeldWhileBypassed() noexcept;
    template <class Action> void forEachSection(Action action) noexcept; // every filter section

    // Per-sample control signals computed from the rack input x, whatever the order.
    void updateLevelerAndCompressor(const double* x) noexcept;
    void updateCompGain(double levelDb) noexcept;
    void sweepPhaser(int sampleIndex) noexcept;
    void stepTremoloOscillator(int sampleIndex) noexcept;

    // Module steps. Per-channel steps take and return the working sample; Delay and Reverb work on
    // both channels of w at once.
    double popCutStep(int ch, double w) noexcept;
    double sClearStep(int ch, double w) noexcept;
    double eqStep(int ch, double w) noexcept;
    double distortionStep(int ch, double w) noexcept;
    double phaserStep(int ch, double w) noexcept;
    double tremoloStep(double w) const noexcept;
    double levelerStep(double w) const noexcept;
    double compStep(double w) const noexcept;
    double clipGuardStep(int ch, double w) noexcept;
    void delayStep(double* w) noexcept;
    void reverbStep(double* w) noexcept;

    // Memories that keep running when a module is missing from the order or the rack is bypassed.
    void recordDelayLines(const double* w) noexcept;
    void recordPreDelayLines(const double* w) noexcept;
    void idleCombs() noexcept;
    double stepCombs(int ch, bool fed, double u) noexcept;

    void walkModules(double* w) noexcept;
};

} // namespace pomelu::dsp
