// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TruePeakDetector.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pomelu::tools
{

// Loudness of one file after ITU-R BS.1770 / EBU R 128. A value that does not exist (the integrated
// loudness of silence, the true peak of digital zero) is -infinity; so is one that was not measured.
struct LoudnessFigures
{
    double integratedLufs = 0.0;
    double loudnessRangeLu = 0.0;
    double truePeakDbtp = 0.0;
    double loudestBlockLufs = 0.0; // the loudest 400 ms block, before any gate
};

// What a LoudnessMeter computes.
struct LoudnessMeasures
{
    bool loudness = true; // integrated loudness and range
    bool truePeak = true;
    bool history = false; // momentary and short-term loudness kept every 100 ms (needs loudness)
};

// Loudness every 100 ms, each value at the end of its block, in LUFS (-infinity for silence). Until
// a block's length of audio has passed, a block holds what there is so far.
struct LoudnessHistory
{
    std::vector<float> momentaryLufs; // 400 ms blocks
    std::vector<float> shortTermLufs; // 3 s blocks
};

// Measures a stream fed in blocks of interleaved doubles: K-weighting, 400 ms gating blocks every
// 100 ms for the integrated loudness (gates at -70 LUFS and -10 LU), 3 s short-term blocks every
// second for the loudness range (gates -70 LUFS and -20 LU, 10th to 95th percentile), oversampled
// true peak. Channel 0 of a mono file is one front channel (no dual-mono weighting); stereo is left
// and right. Only what was asked for is computed. The block lists grow as audio arrives (one double
// per 100 ms). Throws ToolError (usage) for a channel count or rate below 1.
class LoudnessMeter
{
public:
    LoudnessMeter(int channels, int sampleRate, LoudnessMeasures measures = {});

    void add(const double* interleaved, int frames);
    // a.add(aFrames, frames) and b.add(bFrames, frames), with the same results, in one pass where
    // both meters have at most two channels (the weighting filters of both then run side by side).
    static void addTogether(LoudnessMeter& a, const double* aFrames, LoudnessMeter& b, const double* bFrames,
                            int frames);
    LoudnessFigures figures() const;
    // Empty unless asked for in the measures; grows by two floats per 100 ms.
    const LoudnessHistory& history() const { return kept; }

private:
    struct Biquad
    {
        double b0, b1, b2, a1, a2;
    };

    struct PairWeighting;
    void addWeighted(const double* interleaved, int frames);
    void accumulate(int frames); // squares[0 .. frames - 1] into the 100 ms sub-blocks
    void closeSubBlock();

    int channelCount;
    LoudnessMeasures what;
    Biquad shelf{}, highPass{};
    // Per channel: the two sections' transposed direct form II states.
    std::vector<std::array<double, 4>> filterState;
    int framesPer100ms;
    int framesInSubBlock = 0;
    double subBlockEnergy = 0.0;
    std::array<double, 30> recentSubBlocks{}; // ring of the last 3 s of 100 ms energy sums
    double loudestMomentary = 0.0;            // the largest 400 ms mean square
    std::int64_t subBlockCount = 0;
    std::vector<double> momentaryEnergies; // 400 ms blocks, mean square, above -70 LUFS
    std::vector<double> shortTermEnergies; // 3 s blocks, mean square, above -70 LUFS
    std::vector<double> squares;           // per frame of the current block, summed over channels
    LoudnessHistory kept;
    TruePeakDetector peakDetector;
    double peak = 0.0;
};

// "-23.0 LUFS" style numbers, "-inf" for a missing value.
std::string formatLoudnessLine(const char* what, const LoudnessFigures& figures);

// {"integrated_lufs": -23.02, "loudness_range_lu": 0.0, "true_peak_dbtp": -22.9}; null for -infinity.
std::string loudnessJson(const LoudnessFigures& figures);

// Decibels of a linear amplitude and back; 0 gives -infinity.
double amplitudeToDb(double amplitude);
double dbToAmplitude(double db);

} // namespace pomelu::tools
