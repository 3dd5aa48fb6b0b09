// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TruePeakDetector.h"

#include <cstdint>
#include <vector>

namespace pomelu::tools
{

// A look-ahead limiter that keeps every true peak (TruePeakDetector) at or below a ceiling, for
// whole files rendered offline. The gain needed at each sample is held as a minimum over the
// look-ahead window, released slowly (the release only ever raises the gain towards what is
// needed, never past it) and smoothed by a moving average of the window's length, so it is already
// down when a peak arrives and never clicks. The output is aligned with the input: the look-ahead is
// swallowed at the start and given back by finish(). Where nothing reaches the ceiling the output is
// the input bit for bit. Allocates only in the constructor; not thread-safe.
class TruePeakLimiter
{
public:
    // 5 ms look-ahead: the gain glides over 240 samples at 48 kHz, long enough not to distort bass.
    static constexpr double kLookAheadSeconds = 0.005;
    // 80 ms release: speech syllables recover between words without audible pumping.
    static constexpr double kReleaseSeconds = 0.08;

    TruePeakLimiter(int channels, int sampleRate, double ceilingDbtp);

    // Takes frames of interleaved input and writes the output that is ready, at most frames frames,
    // into out (which must not alias in); returns how many. The first latency() frames of a stream
    // come back only from later calls and finish().
    int process(const double* in, double* out, int frames);
    // Writes the last latency() frames of the stream; returns how many.
    int finish(double* out);

    int latency() const { return delay; }
    // The deepest gain reduction so far, in dB (0 or negative).
    double largestReductionDb() const;
    // The lowest gain applied to the frames written since the last call (1 where the limiter left
    // them alone), then starts over: where and how deeply it worked, for a picture of the file.
    double takeLowestGain();

private:
    // One frame in; out receives the frame latency() earlier once the pipeline is full.
    bool step(const double* frame, double peak, double* out);

    int channelCount;
    int window;     // look-ahead and smoothing length in frames
    int delay;      // detector delay + window - 1
    double ceiling; // linear, with a hair of headroom for the smoothing's rounding
    double releaseCoefficient;
    TruePeakDetector detector;

    std::vector<double> audio; // ring of delay + 1 frames, interleaved
    std::vector<double> peaks; // detector output for the current block
    // The running minimum of the needed gain: a ring of increasing values and their sample indices.
    std::vector<double> required;
    std::vector<std::int64_t> requiredAt;
    int minFirst = 0;
    int minCount = 0;
    std::vector<double> held; // ring of the last window released gains, for the moving average
    std::vector<double> frameScratch;
    std::int64_t framesIn = 0;
    double previousPeak = 0.0;
    double released = 1.0;
    double heldSum = 0.0;
    int heldBelowOne = 0; // entries of held under 1: none means the gain is exactly 1
    double smallestGain = 1.0;
    double lowestWritten = 1.0;
};

} // namespace pomelu::tools
