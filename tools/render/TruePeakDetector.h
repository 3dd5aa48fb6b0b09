// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <vector>

namespace pomelu::tools
{

// Inter-sample peak detection after ITU-R BS.1770, in two stages per channel: a Kaiser-windowed
// sinc of 48 taps puts a value between every two samples (2x, flat within 0.01 dB up to 0.46 of
// the sample rate, 60 dB down from 0.54), and one of 8 taps per phase oversamples that again by 4
// below 96 kHz and by 2 below 192 kHz (8x, 4x and 2x in all). At 8x a tone at 0.45 fs reads at
// most 0.14 dB low, broadband material a few hundredths of a dB. The samples themselves are among
// the points read, so sample peaks are always included.
// Stretches of 16 frames (64 for framePeaks) whose samples cannot interpolate above the caller's
// floor or the peak found so far (by a bound from their magnitudes or their spread) skip the first
// stage; where the first stage's values cannot reach it either, the second is skipped. Not
// thread-safe; allocates only in the constructor.
class TruePeakDetector
{
public:
    TruePeakDetector(int channels, int sampleRate);

    int factor() const { return oversampling; }
    // Frames between a sample going in and the peak estimate that covers it coming out.
    int delay() const { return kDelay; }

    // The largest absolute oversampled value of these interleaved frames (the stream's position
    // carries over between calls) when it is above floor; otherwise some value at or below floor.
    double blockPeak(const double* interleaved, int frames, double floor = 0.0);

    // Per frame, over all channels: peaks[i] covers the interval from input frame i - delay() up to
    // the next one, exactly where it is above floor and by a bound at or below floor elsewhere.
    void framePeaks(const double* interleaved, int frames, double* peaks, double floor = 0.0);

    // Forgets the history, as if the stream started again.
    void reset();

private:
    static constexpr int kChunk = 64;
    static constexpr int kPart = 16;     // frames bounded together when only the largest value counts
    static constexpr int kTaps = 48;     // first stage, the half-sample filter
    static constexpr int kShortTaps = 8; // second stage, per phase
    static constexpr int kMaxPhases = 3; // second-stage phases between two first-stage points
    static constexpr int kInner = 8;     // first-stage taps either side of the centre bounded by spread
    // Output i covers [t, t + 1) with t = kHistory + i - kDelay in the line; it reads the first
    // stage's points from t - 1.5 to t + 2.5, which read samples t - 25 to t + 26.
    static constexpr int kDelay = kTaps / 2 + kShortTaps / 4;
    static constexpr int kHistory = kDelay + kTaps / 2 + 1;
    // First-stage points of a stretch of n outputs: n + 4 halves and the samples between them.
    static constexpr int kPoints = 2 * (kChunk + 4);

    double run(const double* interleaved, int frames, double* peaks, double floor);
    // chunkPeak[i] for outputs begin .. end - 1 of the chunk in `line`, the second stage only
    // where its bound exceeds threshold (elsewhere that bound).
    void interpolate(const double* line, int begin, int end, double threshold);
    // A bound on the first stage's magnitudes (samples and halves) read by outputs begin .. end - 1
    // of the chunk whose line the group extremes describe.
    double bound(int begin, int end) const;

    int channelCount;
    int oversampling;
    std::array<double, kTaps> halfTaps{};
    std::array<std::array<double, kShortTaps>, kMaxPhases> shortTaps{}; // phases 1 .. factor / 2 - 1
    double innerSum = 1.0;  // first stage: |sum| of the central taps,
    double innerGain = 1.0; // the sum of their magnitudes,
    double outerGain = 0.0; // the sum of the other taps' magnitudes
    double halfGain = 1.0;  // and of all taps' magnitudes
    double shortGain = 1.0; // the largest sum of a second-stage phase's magnitudes (each sums to 1)
    // Per channel: the last kHistory samples, then room for one chunk.
    std::vector<std::array<double, kHistory + kChunk>> lines;
    static constexpr int kGroup = 8;
    // Per group of kGroup samples of the current channel's line: the lowest and the highest value.
    std::array<double, (kHistory + kChunk) / kGroup + 1> groupLow{}, groupHigh{};
    std::array<double, kPoints> points{}; // first-stage points of the stretch being interpolated
    std::array<double, kChunk> chunkPeak{};
};

} // namespace pomelu::tools
