// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ebur128.h>

#include <string>

namespace pomelu::tools
{

// Loudness of one file after ITU-R BS.1770 / EBU R 128. A value that does not exist (the integrated
// loudness of silence, the true peak of digital zero) is -infinity.
struct LoudnessFigures
{
    double integratedLufs = 0.0;
    double loudnessRangeLu = 0.0;
    double truePeakDbtp = 0.0;
};

// Measures a stream fed in blocks of interleaved doubles. Channel 0 of a mono file is one front
// channel (no dual-mono weighting); stereo is left and right. Throws ToolError (usage) for a
// sample rate or channel count the measurement does not support.
class LoudnessMeter
{
public:
    LoudnessMeter(int channels, int sampleRate);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    void add(const double* interleaved, int frames);
    LoudnessFigures figures() const;

private:
    ebur128_state* state = nullptr;
    int channelCount = 0;
};

// "-23.0 LUFS" style numbers, "-inf" for a missing value.
std::string formatLoudnessLine(const char* what, const LoudnessFigures& figures);

// {"integrated_lufs": -23.02, "loudness_range_lu": 0.0, "true_peak_dbtp": -22.9}; null for -infinity.
std::string loudnessJson(const LoudnessFigures& figures);

} // namespace pomelu::tools
