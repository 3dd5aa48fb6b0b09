// Sample-by-sample comparison of two rendered files (Ardour's export against pomelu-render's output).
#pragma once

#include <cstdint>
#include <string>

namespace pomelu::ardour
{
struct AudioComparison
{
    std::int64_t frames = 0;     // frames compared (from `fromFrame` to the end)
    double maxDifference = 0.0;  // largest |test - reference| over all channels
    std::int64_t worstFrame = 0; // where it occurred
    int worstChannel = 0;
    double referencePeak = 0.0; // largest |reference| over the compared frames
    double differenceRms = 0.0;
};

// False with a reason in `error` when a file cannot be read or the files differ in channel count,
// sample rate or length.
bool compareAudioFiles(const std::string& testPath, const std::string& referencePath, std::int64_t fromFrame,
                       AudioComparison& result, std::string& error);
} // namespace pomelu::ardour
