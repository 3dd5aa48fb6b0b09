// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <vector>

namespace pomelu::tools
{

// Inter-sample peak detection after ITU-R BS.1770: each channel is oversampled by a polyphase
// Hann-windowed sinc of 49 taps (4x below 96 kHz: 12 taps per phase; 2x below 192 kHz: 24; none
// above). The sample itself is the filter's zero phase, so sample peaks are always included.
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
    static constexpr int kMaxTapsPerPhase = 24;

    double run(const double* interleaved, int frames, double* peaks, double floor);
    // chunkPeak[i] for outputs begin .. end - 1 of the chunk in `line`.
    void interpolate(const double* line, int begin, int end);
    // Bounds on the oversampled magnitudes from the window line[begin .. end - 1]: its largest
    // magnitude, or (tighter where the window does not swing across zero) its middle and spread.
    double magnitudeBound(const double* line, int begin, int end) const;
    double spreadBound(const double* line, int begin, int end) const;

    int channelCount;
    int oversampling;
    int tapsPerPhase;
    double largestGain = 1.0; // the largest sum of absolute taps over the phases
    double largestSum = 1.0;  // the largest magnitude of a phase's sum of taps
    std::vector<std::array<double, kMaxTapsPerPhase>> phases; // phases[p - 1] for p = 1 .. factor - 1
    // Per channel: the last tapsPerPhase - 1 samples, then room for one chunk and one more sample
    // (read, never used, when a chunk has an odd length).
    std::vector<std::array<double, kMaxTapsPerPhase + kChunk + 1>> lines;
    std::array<double, kChunk> chunkPeak{};
};

} // namespace pomelu::tools
