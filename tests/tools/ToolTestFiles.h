// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RenderSession.h"

#include <filesystem>
#include <string>
#include <vector>

namespace pomelu::tools::test
{

// A fresh folder under /tmp, removed with everything in it when the object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return dir; }
    std::string file(const std::string& name) const { return dir + "/" + name; }
    // Names of every entry, hidden ones included, sorted.
    std::vector<std::string> entries() const;

private:
    std::string dir;
};

struct AudioData
{
    int sampleRate = 0;
    int channels = 0;
    std::vector<double> samples; // interleaved
    long frames() const { return channels > 0 ? static_cast<long>(samples.size()) / channels : 0; }
};

// subtype: libsndfile subtype bits, e.g. SF_FORMAT_FLOAT or SF_FORMAT_PCM_16 (container from the name).
void writeAudio(const std::string& path, const AudioData& audio, int subtype);
AudioData readAudio(const std::string& path);

// amplitudeDbfs relative to full scale: a 0 dBFS sine peaks at 1.0.
AudioData sine(int sampleRate, int channels, double frequencyHz, double amplitudeDbfs, double seconds);

// Deterministic pseudo-random speech-like test material: noise bursts and tones with pauses.
AudioData testProgramme(int sampleRate, int channels, double seconds);

inline bool fileExists(const std::string& path)
{
    return std::filesystem::exists(path);
}

// What one run of the whole tool printed and returned.
struct ToolRun
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs pomelu-render with these arguments (no argv[0]) against effects made by makeEffect.
ToolRun runTool(const std::vector<std::string>& arguments, EffectFactory makeEffect);

} // namespace pomelu::tools::test
