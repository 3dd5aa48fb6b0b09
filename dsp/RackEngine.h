// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DistortionShaper.h"
#include "Lanes.h"
#include "ModuleId.h"
#include "RackSettings.h"
#include "StereoBiquad.h"

#include <atomic>
#include <cstddef>
#include <vector>

namespace pomelu::dsp
{

// dB to linear: exp(dB x ln(10)/20) is cheaper than pow(10, dB/20) and what every gain here uses.
inline constexpr double kDbToLinear = 0.11512925464970228;

// A ring of stereo frames: channel 0 and channel 1 of one position side by side, so a stereo step
// reads and writes both with one access. One-channel processing uses element 0 of each frame.
struct StereoLine
{
    std::vector<double> samples; // 2 x size()

    std::size_t size() const noexcept { return samples.size() / 2; }
    bool empty() const noexcept { return samples.empty(); }
    double* frame(std::size_t position) noexcept { return samples.data() + 2 * position; }
    const double* frame(std::size_t position) const noexcept { return samples.data() + 2 * position; }
    // Resizes to `frames` frames of silence; reallocates only when the line must grow.
    void assign(std::size_t frames) { samples.assign(2 * frames, 0.0); }
};

// The whole signal path: one object holding every module's state. Processes sample by sample:
// control signals first (gains, level detector, leveler and compressor gains, phaser sweep), then
// the modules in the order of RackSettings::order, then the output gain. A stereo block runs both
// channels through every step at once (two-lane arithmetic, each lane bit for bit what a channel of
// its own would get); a mono block runs one plain lane and leaves channel 1's state untouched.
//
// Threads: prepare, applySettings and process run on the host's audio (or setup) thread, never
// concurrently. The meter taps are atomic doubles, written at the end of a block, that the UI may
// read at any time.
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
    alignas(16) double distortionPrev[2] = {0.0, 0.0};
    alignas(16) double clipGuardPrev[2] = {0.0, 0.0};
    StereoBiquad popCut;
    StereoBiquad sClear;
    StereoBiquad phaserBell;
    StereoBiquad lowCutA, lowCutB;
    StereoBiquad highCutA, highCutB;
    StereoBiquad delayLowCutFilter, delayHighCutFilter;
    StereoBiquad reverbToneFilter;
    StereoBiquad eqBands[5]; // bands Low to High
    StereoLine delayLine;
    StereoLine preDelayLine;
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
    void designSection(StereoBiquad& section, FilterType type, double frequency, double q,
                       double gainDb) noexcept;
    void designPopCut() noexcept;
    void designSClear() noexcept;
    void designEq() noexcept;
    void designDelayFilters() noexcept;
    void designReverbTone() noexcept;
    void applyFilterSettings() noexcept;
    // What the bypass path leaves standing: the filter memories (not ticked) and the combs (only
    // fading their old tail, 0.92 per pass). Both hold nothing but audio from before the bypass.
    void clearHeldWhileBypassed() noexcept;
    template <class Action> void forEachSection(Action action) noexcept; // every filter section

    // A block is processed in chunks of up to kChunk samples. Within a chunk the control signals
    // are worked out sample by sample first; then each module in the order runs over the whole
    // chunk before the next one starts. Every module keeps its own state and the control signals
    // do not depend on the audio, so this gives each sample exactly what the sample-by-sample walk
    // gives it, while the processor overlaps the samples' work. An order that names a module twice
    // would interleave that module's two passes: such an order runs in chunks of one sample.
    static constexpr int kChunk = 128;
    struct Chunk
    {
        alignas(16) double work[2 * kChunk];    // working samples, channel pairs (one channel: element 0)
        alignas(16) double feed[2 * kChunk];    // the reverb's combs: their input ...
        alignas(16) double returns[2 * kChunk]; // ... and what they give back
        double outputGain[kChunk], levelerGain[kChunk], compGain[kChunk];
        double tremoloSine[kChunk];
        int quietSamples[2 * kChunk];           // the expander's work list: positions in `work`
        int sweepAt[kChunk / 16 + 1];           // samples where the phaser's bell gets a new target ...
        double sweepFrequency[kChunk / 16 + 1]; // ... and that target's frequency
        int sweeps = 0;
    };
    Chunk chunk;

    template <int Channels>
    void processFrames(const double* const* source, double* const* sink, int frames) noexcept;
    template <int Channels>
    void processChunk(const double* const* source, double* const* sink, int start, int length) noexcept;

    // Control signals computed from the rack input, whatever the order: the level detector (from
    // the louder channel's magnitude), the leveler's and compressor's targets and ballistics.
    void followGains(int length) noexcept;
    // Advances the phaser's phase; true (and the new dip frequency) on samples where it retargets.
    bool advancePhaser(double& phase, int sampleIndex, double& frequency) const noexcept;
    void retargetPhaser(double frequency) noexcept;
    // Every target of the chunk's sweep in turn, for a chunk whose phaser steps did not run.
    void retargetPhaserUnheard() noexcept;
    // One sample of the tremolo's oscillator (a rotation of sine and cosine).
    void rotateTremolo(double& sine, double& cosine, int sampleIndex) const noexcept;

    // Module steps on the working sample of the processed channels (V: one double or two lanes). The
    // light ones (runLightModules) run only while their module is on: off, it is skipped altogether.
    template <class V> V popCutStep(V w) noexcept;
    template <class V> V sClearStep(V w) noexcept;
    template <class V> V eqStep(V w) noexcept;
    template <class V> V distortionStep(V w, V p) const noexcept;
    template <class V> V phaserStep(V w) noexcept;
    template <class V> V tremoloStep(V w, double s) const noexcept;
    template <class V> V levelerStep(V w, double gain) const noexcept;
    template <class V> void compOverChunk(int length) noexcept;
    void expandQuietSamples(int length, int channels) noexcept;
    template <class V> V clipGuardStep(V w, V p) const noexcept;
    template <class V> V delayStep(V w, std::size_t write) noexcept;
    template <class V> void reverbOverChunk(int length) noexcept;

    // Memories that keep running when a module is missing from the order or the rack is bypassed.
    template <class V> void recordDelayLines(V w, std::size_t write) noexcept;
    template <class V> void recordPreDelayLines(V w, std::size_t write) noexcept;
    template <class V> void runCombs(int length, bool fed, const double* u, double* sums) noexcept;
    template <class V>
    void combSample(double* const* comb, const std::size_t* here, const std::size_t* next, bool fed,
                    const double* u, double* sums, int j) noexcept;

    // Runs step(w, j) over the chunk's working samples.
    template <class V, class Step> void runOverChunk(int length, Step step) noexcept;
    // Runs step(w, previous input) over the chunk for a step without state of its own besides its
    // previous input (kept in `memory`, a channel pair). One channel runs two neighbouring samples
    // per two-lane evaluation.
    template <class V, class Step> void runStateless(int length, double* memory, Step step) noexcept;
    template <class V> void walkModules(int length) noexcept;
    template <class V> void runLightModules(int length, const ModuleId* run, int count) noexcept;
    template <class V>
    void passThroughMemories(int length, bool delay, bool reverb, bool distortion, bool clipGuard) noexcept;
};

} // namespace pomelu::dsp
