// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToolTestFiles.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <dirent.h>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <stdexcept>

namespace pomelu::tools::test
{

TempDir::TempDir()
{
    char pattern[] = "/tmp/pomelu-tools-test-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr)
        throw std::runtime_error("mkdtemp failed");
    dir = made;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

std::vector<std::string> TempDir::entries() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void writeAudio(const std::string& path, const AudioData& audio, int subtype)
{
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = audio.channels;
    const std::string ext = path.substr(path.find_last_of('.') + 1);
    const int container = ext == "flac"                     ? SF_FORMAT_FLAC
                          : (ext == "aiff" || ext == "aif") ? SF_FORMAT_AIFF
                                                            : SF_FORMAT_WAV;
    info.format = container | subtype;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr)
        throw std::runtime_error("cannot write test file " + path + ": " + sf_strerror(nullptr));
    sf_writef_double(f, audio.samples.data(), audio.frames());
    sf_close(f);
}

AudioData readAudio(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr)
        throw std::runtime_error("cannot read test file " + path + ": " + sf_strerror(nullptr));
    AudioData audio;
    audio.sampleRate = info.samplerate;
    audio.channels = info.channels;
    audio.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_double(f, audio.samples.data(), info.frames);
    sf_close(f);
    return audio;
}

AudioData sine(int sampleRate, int channels, double frequencyHz, double amplitudeDbfs, double seconds)
{
    AudioData audio;
    audio.sampleRate = sampleRate;
    audio.channels = channels;
    const long frames = std::lround(seconds * sampleRate);
    const double amplitude = std::pow(10.0, amplitudeDbfs / 20.0);
    audio.samples.resize(static_cast<std::size_t>(frames * channels));
    for (long i = 0; i < frames; ++i)
    {
        const double v = amplitude * std::sin(2.0 * std::numbers::pi * frequencyHz * static_cast<double>(i) /
                                              static_cast<double>(sampleRate));
        for (int c = 0; c < channels; ++c)
            audio.samples[static_cast<std::size_t>(i * channels + c)] = v;
    }
    return audio;
}

AudioData testProgramme(int sampleRate, int channels, double seconds)
{
    AudioData audio;
    audio.sampleRate = sampleRate;
    audio.channels = channels;
    const long frames = std::lround(seconds * sampleRate);
    audio.samples.resize(static_cast<std::size_t>(frames * channels));
    std::uint32_t seed = 12345u;
    for (long i = 0; i < frames; ++i)
    {
        const double t = static_cast<double>(i) / sampleRate;
        const double phrase = std::fmod(t, 0.8);
        const double envelope = phrase < 0.6 ? std::sin(std::numbers::pi * phrase / 0.6) : 0.0;
        seed = seed * 1664525u + 1013904223u;
        const double noise = (static_cast<double>(seed >> 8) / 8388608.0 - 1.0);
        const double voice = 0.3 * std::sin(2.0 * std::numbers::pi * 180.0 * t) +
                             0.15 * std::sin(2.0 * std::numbers::pi * 2700.0 * t) + 0.08 * noise;
        for (int c = 0; c < channels; ++c)
            audio.samples[static_cast<std::size_t>(i * channels + c)] =
                envelope * voice * (c == 0 ? 1.0 : 0.8);
    }
    return audio;
}

ToolRun runTool(const std::vector<std::string>& arguments, EffectFactory makeEffect)
{
    std::ostringstream out, err;
    const ToolEnvironment environment{out, err, nullptr, false, std::move(makeEffect)};
    ToolRun run;
    run.exitCode = runRenderTool(arguments, environment);
    run.out = out.str();
    run.err = err.str();
    return run;
}

} // namespace pomelu::tools::test
