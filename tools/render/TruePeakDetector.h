// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <vector>

namespace pomelu::tools
{

// Inter-sample peak detection after ITU-R BS.1770: each channel is oversampled by a polyphase
// Kaiser-windowed sinc of 48 taps per phase (8x below 96 kHz, 4x below 192 kHz, 2x above), flat
// within 0.01 dB up to 0.46 of the sample rate and 60 dB down from 0.54 of it, and read at the
// oversampled points: at 8x a tone at 0.45 fs reads at most 0.14 dB low, broadband material a few
// hundredths of a dB. The sample itself is the filter's zero phase, so sample peaks
// are always included.
// Runs of 64 frames (16 for blockPeak) whose samples cannot interpolate above the caller's floor or
// the peak found so far (by a bound from their magnitudes or their spread) skip the interpolation. Not
// thread-safe; allocates only in the constructor.
class TruePeakDetector
{
public:
    TruePeakDetector(int channels, int sampleRate);

    int factor() const { return oversampling; }
    // Frames between a sample going in and the peak estimate that covers it coming out.
    int delay() const { return tapsPerPhase / 2; }

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
    static constexpr int kPart = 16; // frames bounded together when only the largest value counts
    static constexpr int kMaxTapsPerPhase = 48;

    double run(const double* interleaved, int frames, double* peaks, double floor);
    // chunkPeak[i] for outputs begin .. end - 1 of the chunk in `line`.
    void interpolate(const double* line, int begin, int end);
    // A bound on the oversampled magnitudes of outputs begin .. end - 1 of the chunk in `line`.
    double bound(const double* line, int begin, int end) const;

    int channelCount;
    int oversampling;
    int tapsPerPhase;
    static constexpr int kInner = 8; // taps either side of the centre bounded by their spread
    double largestGain = 1.0;        // the largest sum of absolute taps over the phases (each sums to 1)
    double innerSum = 1.0;           // over the phases: the largest |sum| of the central taps,
    double innerGain = 1.0;          // the largest sum of their magnitudes,
    double outerGain = 0.0;          // and the largest sum of the other taps' magnitudes
    std::vector<std::array<double, kMaxTapsPerPhase>> phases; // phases[p - 1] for p = 1 .. factor - 1
    // Per channel: the last tapsPerPhase - 1 samples, then room for one chunk and one more sample
    // (read, never used, when a chunk has an odd length).
    std::vector<std::array<double, kMaxTapsPerPhase + kChunk + 1>> lines;
    std::array<double, kChunk> chunkPeak{};
};

} // namespace pomelu::tools
