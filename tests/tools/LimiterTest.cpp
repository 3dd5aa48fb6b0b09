// SPDX-License-Identifier: GPL-3.0-or-later
#include "Loudness.h"
#include "ToolTestFiles.h"
#include "TruePeakLimiter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

using namespace pomelu::tools;
using namespace pomelu::tools::test;

namespace
{
// The limiter's whole output for audio, in blocks of 1000 frames, finish() included.
AudioData limit(const AudioData& audio, double ceilingDbtp)
{
    TruePeakLimiter limiter(audio.channels, audio.sampleRate, ceilingDbtp);
    AudioData out{audio.sampleRate, audio.channels, std::vector<double>(audio.samples.size() + 8192 * 2)};
    long written = 0;
    for (long done = 0; done < audio.frames(); done += 1000)
    {
        const int n = static_cast<int>(std::min<long>(1000, audio.frames() - done));
        written += limiter.process(audio.samples.data() + done * audio.channels,
                                   out.samples.data() + written * audio.channels, n);
    }
    written += limiter.finish(out.samples.data() + written * audio.channels);
    out.samples.resize(static_cast<std::size_t>(written * audio.channels));
    return out;
}

double truePeakDbtp(const AudioData& audio)
{
    LoudnessMeter meter(audio.channels, audio.sampleRate, {.loudness = false, .truePeak = true});
    meter.add(audio.samples.data(), static_cast<int>(audio.frames()));
    return meter.figures().truePeakDbtp;
}

// seconds of silence, then a burst of `make` (value at time t in seconds) on every channel.
AudioData burstAfterSilence(int rate, int channels, double silence, double seconds,
                            std::function<double(double)> make)
{
    AudioData audio{rate, channels, {}};
    const long lead = std::lround(silence * rate), frames = lead + std::lround(seconds * rate);
    for (long i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            audio.samples.push_back(
                i < lead ? 0.0 : make(static_cast<double>(i - lead) / rate) * (c == 0 ? 1.0 : 0.9));
    return audio;
}
} // namespace

TEST(TruePeakLimiter, FullScaleBurstsAfterSilenceNeverCrossTheCeilingAndStayAligned)
{
    struct Case
    {
        const char* name;
        int rate, channels;
        double ceiling;
        std::function<double(double)> burst;
    };
    std::uint32_t seed = 1;
    const auto noise = [&seed](double)
    {
        seed = seed * 1664525u + 1013904223u;
        return 2.0 * (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 2.0; // +6 dBFS white noise
    };
    const std::vector<Case> cases = {
        {"100 Hz at 0 dBFS", 48000, 2, -1.0,
         [](double t) { return std::sin(2 * std::numbers::pi * 100 * t); }},
        {"1 kHz at 0 dBFS, mono 44.1 kHz", 44100, 1, -1.0,
         [](double t) { return std::sin(2 * std::numbers::pi * 1000 * t); }},
        {"fs/4 off its crest at +3 dBFS", 48000, 2, -1.0,
         [](double t) { return 1.41 * std::sin(2 * std::numbers::pi * 12000 * t + std::numbers::pi / 4); }},
        {"white noise at +6 dBFS, ceiling -2", 48000, 2, -2.0, noise},
        {"square wave at 0 dBFS, 96 kHz", 96000, 2, -1.0,
         [](double t) { return std::sin(2 * std::numbers::pi * 440 * t) >= 0 ? 1.0 : -1.0; }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const AudioData in = burstAfterSilence(c.rate, c.channels, 0.5, 1.0, c.burst);
        const AudioData out = limit(in, c.ceiling);
        ASSERT_EQ(out.frames(), in.frames()) << "as long as the input";
        EXPECT_LE(truePeakDbtp(out), c.ceiling);
        EXPECT_GT(truePeakDbtp(out), c.ceiling - 0.5) << "limited to the ceiling, not far below it";
        // Aligned: silence stays silent up to the burst and the first burst sample keeps its sign.
        const long lead = c.rate / 2;
        for (long i = 0; i < lead * c.channels; ++i)
            ASSERT_EQ(out.samples[static_cast<std::size_t>(i)], 0.0) << "sample " << i;
        const std::size_t onset = static_cast<std::size_t>((lead + 2) * c.channels);
        EXPECT_GT(out.samples[onset] * in.samples[onset], 0.0);
    }
}

TEST(TruePeakLimiter, PassesASignalUnderTheCeilingBitForBit)
{
    const AudioData in = testProgramme(48000, 2, 3.0); // peaks near -4.5 dBFS
    ASSERT_LT(truePeakDbtp(in), -1.0);
    const AudioData out = limit(in, -1.0);
    EXPECT_EQ(out.samples, in.samples);
}
