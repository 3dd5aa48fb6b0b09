// SPDX-License-Identifier: GPL-3.0-or-later
#include "Loudness.h"
#include "ToolTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pomelu::tools;
using namespace pomelu::tools::test;

namespace
{
LoudnessFigures measure(const AudioData& audio)
{
    LoudnessMeter meter(audio.channels, audio.sampleRate);
    // Feed in uneven blocks, as the render loop does at the end of a file.
    long done = 0;
    const long frames = audio.frames();
    while (done < frames)
    {
        const int n = static_cast<int>(std::min<long>(777, frames - done));
        meter.add(audio.samples.data() + done * audio.channels, n);
        done += n;
    }
    return meter.figures();
}
} // namespace

// A 1 kHz sine at L dBFS in both channels of a stereo file reads L LUFS; one channel alone is 3 dB less.
TEST(LoudnessMeasurement, StereoSinesAtMinus23AndMinus33DbfsMeasureTheirLevelInLufs)
{
    const LoudnessFigures f = measure(sine(48000, 2, 1000.0, -23.0, 20.0));
    EXPECT_NEAR(f.integratedLufs, -23.0, 0.1);
    EXPECT_NEAR(f.loudnessRangeLu, 0.0, 0.1) << "a steady tone has no loudness range";
    EXPECT_NEAR(f.truePeakDbtp, -23.0, 0.1);
    EXPECT_NEAR(measure(sine(48000, 2, 1000.0, -33.0, 20.0)).integratedLufs, -33.0, 0.1);
    EXPECT_NEAR(measure(sine(44100, 2, 1000.0, -23.0, 20.0)).integratedLufs, -23.0, 0.1) << "at 44.1 kHz";
    EXPECT_NEAR(measure(sine(48000, 1, 1000.0, -23.0, 20.0)).integratedLufs, -26.0, 0.1) << "mono";
}

TEST(LoudnessMeasurement, AlternatingLevelsGiveTheirDifferenceAsLoudnessRange)
{
    // 10 s at -20 dBFS then 10 s at -30 dBFS, repeated: EBU test signals of this kind read about 10 LU.
    AudioData audio = sine(48000, 2, 1000.0, -20.0, 40.0);
    const long frames = audio.frames();
    for (long i = 0; i < frames; ++i)
        if ((i / (10 * 48000)) % 2 == 1)
            for (int c = 0; c < 2; ++c)
                audio.samples[static_cast<std::size_t>(i * 2 + c)] *= std::pow(10.0, -10.0 / 20.0);
    EXPECT_NEAR(measure(audio).loudnessRangeLu, 10.0, 0.2);
}

TEST(LoudnessMeasurement, ReportsSilenceAsMinusInfinityAndJsonNull)
{
    AudioData silence = sine(48000, 2, 1000.0, -23.0, 5.0);
    std::fill(silence.samples.begin(), silence.samples.end(), 0.0);
    const LoudnessFigures f = measure(silence);
    EXPECT_TRUE(std::isinf(f.integratedLufs) && f.integratedLufs < 0.0);
    EXPECT_TRUE(std::isinf(f.truePeakDbtp) && f.truePeakDbtp < 0.0);
    EXPECT_EQ(loudnessJson(f),
              "{\"integrated_lufs\": null, \"loudness_range_lu\": 0.00, \"true_peak_dbtp\": null}");
    EXPECT_NE(formatLoudnessLine("output", f).find("-inf LUFS"), std::string::npos);
}

TEST(LoudnessMeasurement, TruePeakSeesTheInterSamplePeakOfAQuarterRateSine)
{
    // fs/4 sine with 45 degree phase: every sample sits at 0.707 of the true 0 dBFS peak.
    AudioData audio;
    audio.sampleRate = 48000;
    audio.channels = 2;
    for (int i = 0; i < 48000; ++i)
    {
        const double v = std::sin(M_PI / 2.0 * i + M_PI / 4.0);
        audio.samples.push_back(v);
        audio.samples.push_back(v);
    }
    EXPECT_NEAR(measure(audio).truePeakDbtp, 0.0, 0.6) << "sample peak alone would read -3 dB";
}
