// SPDX-License-Identifier: GPL-3.0-or-later
#include "Loudness.h"
#include "ToolTestFiles.h"
#include "TruePeakDetector.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

using namespace pomelu::tools;
using namespace pomelu::tools::test;

namespace
{
LoudnessFigures measure(const AudioData& audio)
{
    LoudnessMeter meter(audio.channels, audio.sampleRate);
    // Uneven blocks, as the render loop gives at the end of a file.
    for (long done = 0; done < audio.frames();)
    {
        const int n = static_cast<int>(std::min<long>(777, audio.frames() - done));
        meter.add(audio.samples.data() + done * audio.channels, n);
        done += n;
    }
    return meter.figures();
}

// The same figures from libebur128, the reference implementation.
LoudnessFigures reference(const AudioData& audio)
{
    ebur128_state* state =
        ebur128_init(static_cast<unsigned>(audio.channels), static_cast<unsigned long>(audio.sampleRate),
                     EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK);
    ebur128_add_frames_double(state, audio.samples.data(), static_cast<std::size_t>(audio.frames()));
    LoudnessFigures f;
    ebur128_loudness_global(state, &f.integratedLufs);
    ebur128_loudness_range(state, &f.loudnessRangeLu);
    double peak = 0.0;
    for (int c = 0; c < audio.channels; ++c)
    {
        double p = 0.0;
        ebur128_true_peak(state, static_cast<unsigned>(c), &p);
        peak = std::max(peak, p);
    }
    f.truePeakDbtp = amplitudeToDb(peak);
    ebur128_destroy(&state);
    return f;
}

// Level steps of dbfs every `seconds`, applied to a copy of audio.
AudioData stepped(AudioData audio, std::vector<double> dbfs, double seconds)
{
    const long step = std::lround(seconds * audio.sampleRate);
    for (long i = 0; i < audio.frames(); ++i)
        for (int c = 0; c < audio.channels; ++c)
            audio.samples[static_cast<std::size_t>(i * audio.channels + c)] *=
                dbToAmplitude(dbfs[static_cast<std::size_t>(i / step) % dbfs.size()]);
    return audio;
}

// A sine at fs/4 whose samples all miss the crest by 45 degrees: they sit 3 dB under the true peak.
AudioData quarterRateSine(double dbfs)
{
    AudioData audio;
    audio.sampleRate = 48000;
    audio.channels = 2;
    for (int i = 0; i < 48000 * 5; ++i)
    {
        const double v = dbToAmplitude(dbfs) * std::sin(std::numbers::pi / 2.0 * i + std::numbers::pi / 4.0);
        audio.samples.insert(audio.samples.end(), {v, v});
    }
    return audio;
}
} // namespace

// The signals of the EBU loudness and true-peak tests and some programme: loudness agrees with
// libebur128 within 0.1 LU, the true peak never reads under its 4x one, and the EBU ones read what
// the tests prescribe.
TEST(LoudnessMeasurement, AgreesWithTheReferenceAndTheEbuExpectations)
{
    struct Case
    {
        const char* name;
        std::function<AudioData()> make;
        double lufs, lra, dbtp; // NaN: no expectation beyond agreement
    };
    const double any = std::nan("");
    const std::vector<Case> cases = {
        {"1 kHz stereo at -23 dBFS", [] { return sine(48000, 2, 1000.0, -23.0, 20.0); }, -23.0, 0.0, -23.0},
        {"1 kHz stereo at -33 dBFS", [] { return sine(48000, 2, 1000.0, -33.0, 20.0); }, -33.0, 0.0, -33.0},
        {"1 kHz stereo at 44.1 kHz", [] { return sine(44100, 2, 1000.0, -23.0, 20.0); }, -23.0, 0.0, -23.0},
        {"1 kHz mono at -23 dBFS", [] { return sine(48000, 1, 1000.0, -23.0, 20.0); }, -26.0, 0.0, -23.0},
        // clang-format off
        {"-20/-30 dBFS alternating, 10 LU range",
         [] { return stepped(sine(48000, 2, 1000.0, 0.0, 40.0), {-20.0, -30.0}, 10.0); }, any, 10.0, any},
        {"-36/-26/-16/-26 dBFS, integrated -23",
         [] { return stepped(sine(48000, 2, 1000.0, 0.0, 60.0), {-36.0, -26.0, -16.0, -26.0, -36.0, -36.0}, 10.0); },
         any, any, -16.0},
        // clang-format on
        {"fs/4 sine 45 degrees off its crest", [] { return quarterRateSine(-6.0); }, any, any, -6.0},
        {"speech-like programme at 44.1 kHz", [] { return testProgramme(44100, 2, 12.0); }, any, any, any},
        {"speech-like programme at 96 kHz mono", [] { return testProgramme(96000, 1, 8.0); }, any, any, any},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const AudioData audio = c.make();
        const LoudnessFigures mine = measure(audio);
        const LoudnessFigures theirs = reference(audio);
        EXPECT_NEAR(mine.integratedLufs, theirs.integratedLufs, 0.1);
        EXPECT_NEAR(mine.loudnessRangeLu, theirs.loudnessRangeLu, 0.1);
        // The reference oversamples 4x with a short filter and reads bright material low.
        EXPECT_GE(mine.truePeakDbtp, theirs.truePeakDbtp - 0.02);
        EXPECT_LE(mine.truePeakDbtp, theirs.truePeakDbtp + 0.5);
        if (!std::isnan(c.lufs))
            EXPECT_NEAR(mine.integratedLufs, c.lufs, 0.1);
        if (!std::isnan(c.lra))
            EXPECT_NEAR(mine.loudnessRangeLu, c.lra, 0.1);
        if (!std::isnan(c.dbtp))
            EXPECT_NEAR(mine.truePeakDbtp, c.dbtp, 0.2);
    }
}

TEST(LoudnessMeasurement, ReportsSilenceAsMinusInfinityAndJsonNullAndSkipsWhatIsNotAsked)
{
    AudioData silence = sine(48000, 2, 1000.0, -23.0, 5.0);
    std::fill(silence.samples.begin(), silence.samples.end(), 0.0);
    const LoudnessFigures f = measure(silence);
    EXPECT_TRUE(std::isinf(f.integratedLufs) && f.integratedLufs < 0.0);
    EXPECT_TRUE(std::isinf(f.truePeakDbtp) && f.truePeakDbtp < 0.0);
    EXPECT_EQ(loudnessJson(f),
              "{\"integrated_lufs\": null, \"loudness_range_lu\": 0.00, \"true_peak_dbtp\": null}");
    EXPECT_NE(formatLoudnessLine("output", f).find("-inf LUFS"), std::string::npos);

    const AudioData tone = sine(48000, 2, 1000.0, -23.0, 5.0);
    LoudnessMeter peakOnly(2, 48000, {.loudness = false, .truePeak = true});
    peakOnly.add(tone.samples.data(), static_cast<int>(tone.frames()));
    EXPECT_TRUE(std::isinf(peakOnly.figures().integratedLufs));
    EXPECT_NEAR(peakOnly.figures().truePeakDbtp, -23.0, 0.01);
}

// The meter's true peak skips stretches by bounds; per-frame peaks with no floor interpolate every
// stretch that could matter. Offsets, crests near the running peak, steps that ring and fast ripple
// must give the same largest value either way, in uneven blocks.
TEST(TruePeak, SkippedStretchesNeverHoldTheLargestPeak)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    for (int round = 0; round < 20; ++round)
    {
        std::vector<double> x(2 * 9000);
        double level = 0.0;
        const double ripple = 0.3 * std::fabs(uniform(random)),
                     cycle = 2.0 + 40.0 * std::fabs(uniform(random));
        for (std::size_t i = 0; i < x.size(); ++i)
        {
            if (i % 1500 == 0)
                level = 0.6 * uniform(random); // steps: flat stretches and ringing edges
            x[i] = level + ripple * std::sin(static_cast<double>(i / 2) * 2.0 * std::numbers::pi / cycle +
                                             static_cast<double>(i % 2));
        }
        TruePeakDetector skipping(2, 48000), exact(2, 48000);
        std::vector<double> peaks(1000);
        double peak = 0.0, expected = 0.0;
        for (std::size_t done = 0; done < x.size() / 2;)
        {
            const int n =
                static_cast<int>(std::min<std::size_t>(100 + 37 * (done % 23), x.size() / 2 - done));
            peak = std::max(peak, skipping.blockPeak(x.data() + 2 * done, n, peak));
            exact.framePeaks(x.data() + 2 * done, n, peaks.data());
            expected = std::max(expected, *std::max_element(peaks.begin(), peaks.begin() + n));
            done += static_cast<std::size_t>(n);
        }
        EXPECT_EQ(peak, expected) << "round " << round;
    }
}

// The render loop feeds the input and output meters in one pass: each must read what it reads alone.
TEST(LoudnessMeasurement, TwoMetersFedTogetherMeasureWhatEachMeasuresAlone)
{
    for (const int channels : {1, 2})
    {
        const AudioData a = stepped(sine(48000, channels, 1000.0, -20.0, 6.0), {0.0, -12.0, -30.0}, 0.7);
        const AudioData b = sine(48000, channels, 3000.0, -9.0, 6.0);
        LoudnessMeter aloneA(channels, 48000), aloneB(channels, 48000), togetherA(channels, 48000),
            togetherB(channels, 48000);
        for (long done = 0; done < a.frames();)
        {
            const int n = static_cast<int>(std::min<long>(500 + done % 300, a.frames() - done));
            aloneA.add(a.samples.data() + done * channels, n);
            aloneB.add(b.samples.data() + done * channels, n);
            LoudnessMeter::addTogether(togetherA, a.samples.data() + done * channels, togetherB,
                                       b.samples.data() + done * channels, n);
            done += n;
        }
        for (const auto& [alone, together] : {std::pair{&aloneA, &togetherA}, std::pair{&aloneB, &togetherB}})
        {
            EXPECT_EQ(alone->figures().integratedLufs, together->figures().integratedLufs);
            EXPECT_EQ(alone->figures().loudnessRangeLu, together->figures().loudnessRangeLu);
            EXPECT_EQ(alone->figures().truePeakDbtp, together->figures().truePeakDbtp);
        }
    }
}
