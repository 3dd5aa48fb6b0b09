// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Loudness.h"

#include <cstdint>
#include <vector>

namespace pomelu::tools
{

class TruePeakLimiter;

// The lowest and highest sample of every pixel column of a file, over all its channels. Allocates
// only in the constructor.
class WaveEnvelope
{
public:
    WaveEnvelope() = default;
    // totalFrames: the file's expected length; frames past it go into the last column.
    WaveEnvelope(std::int64_t totalFrames, int columns);

    void add(const double* interleaved, int frames, int channels);
    void clear();

    // Per column; a column no frame reached holds low > high.
    const std::vector<float>& lows() const { return low; }
    const std::vector<float>& highs() const { return high; }

private:
    std::vector<float> low, high;
    std::int64_t total = 1;
    std::int64_t position = 0;
    std::int64_t columnEnd = 0; // the first frame of the next column
    std::size_t column = 0;
};

// What a render keeps for its picture, gathered as it runs: the waveforms of input and output, the
// output's loudness every 100 ms and, when delivering, the limiter's gain every 100 ms.
struct PlotTrace
{
    PlotTrace(std::int64_t totalFrames, int columns, int sampleRate, int channels);

    // A new delivery attempt writes the output again: its envelope and the limiter's trace restart.
    void restartOutput();

    // limiter.process(in, out, frames), cut where the output crosses a 100 ms boundary so that
    // each call's lowest gain belongs to one 100 ms block of the output. Returns the frames written.
    int limit(TruePeakLimiter& limiter, const double* in, double* out, int frames);
    // limiter.finish(out), its lowest gain noted likewise.
    int finish(TruePeakLimiter& limiter, double* out);

    WaveEnvelope input, output;
    LoudnessHistory outputLoudness;
    std::vector<float> limiterGainDb; // per 100 ms of output: the lowest gain, 0 dB where untouched
    int framesPer100ms;
    int channelCount;

private:
    void noteGain(std::int64_t from, int frames, double gain);
    std::int64_t limiterFed = 0;
};

} // namespace pomelu::tools
