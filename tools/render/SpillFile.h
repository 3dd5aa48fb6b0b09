// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace pomelu::tools
{

// Scratch storage for a whole rendered stream that must be read again (a loudness target needs the
// loudness of everything before the first sample can be scaled): interleaved 32-bit floats in a
// file next to the output, removed from the folder as soon as it is created, so nothing is left
// behind however the process ends. Throws ToolError (I/O) with the system's reason when the folder
// is not writable or the disk is full.
class SpillFile
{
public:
    SpillFile(const std::string& nextTo, int channels);
    ~SpillFile();
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;

    void write(const double* interleaved, int frames);
    // Back to the first frame, for reading.
    void rewind();
    // Up to maxFrames frames; returns how many, 0 at the end.
    int read(double* interleaved, int maxFrames);

private:
    std::string label; // the output's name, for messages
    std::FILE* file = nullptr;
    int channelCount;
    std::vector<float> buffer;
};

} // namespace pomelu::tools
