// SPDX-License-Identifier: GPL-3.0-or-later
// The renderer's delivery, batch and file-safety behaviour with a plain gain in place of the plug-in.
#include "AudioFile.h"
#include "Errors.h"
#include "FakeEffect.h"
#include "Loudness.h"
#include "ToolTestFiles.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <unistd.h>

using namespace pomelu::tools;
using namespace pomelu::tools::test;

namespace
{
ToolRun runFake(const std::vector<std::string>& arguments)
{
    return runTool(arguments, []() -> std::unique_ptr<Effect> { return std::make_unique<FakeEffect>(); });
}

LoudnessFigures measured(const AudioData& audio)
{
    LoudnessMeter meter(audio.channels, audio.sampleRate);
    meter.add(audio.samples.data(), static_cast<int>(audio.frames()));
    return meter.figures();
}

#define EXPECT_CONTAINS(text, part) EXPECT_NE((text).find(part), std::string::npos) << (text)
} // namespace

// Each of these would have replaced the original recording or rendered it wrong: refused, with the
// input untouched and nothing new in the folder.
TEST(RenderRefusals, KeepTheInputAndLeaveNothingBehind)
{
    const struct
    {
        const char* name;
        int rate;            // of the input, in.wav
        const char* output;  // in the folder
        bool hardLinkOutput; // made a hard link to the input first
        std::vector<std::string> options;
        int exitCode;
        const char* message;
        double dbfs = -12.0, seconds = 0.5; // of the input's 440 Hz sine
    } cases[] = {
        // clang-format off
        {"OUT is IN", 48000, "in.wav", false, {}, kExitUsageError, "is the input file itself"},
        {"OUT is IN by another spelling", 48000, "./in.wav", false, {}, kExitUsageError, "is the input file itself"},
        {"OUT is a hard link to IN", 48000, "link.wav", true, {}, kExitUsageError, "is the input file itself"},
        {"IN at 4 kHz", 4000, "out.wav", false, {}, kExitIoError, "is at 4000 Hz; the plug-in runs at 8000 Hz and up"},
        {"a silent render to a loudness target", 48000, "out.wav", false, {"--set", "Mute=on", "--target", "podcast"},
         kExitIoError, "the render is silent"},
        {"a 0.2 s clip to a loudness target", 48000, "out.wav", false, {"--target", "podcast"},
         kExitIoError, "the render is 0.2 s long, too short to measure an integrated loudness", -3.0, 0.2},
        {"a render under the -70 LUFS gate", 48000, "out.wav", false, {"--target", "podcast"},
         kExitIoError, "too quiet to measure: its loudest 400 ms read -83.", -80.0},
        {"a -68 LUFS render beyond the gain cap", 48000, "out.wav", false, {"--target", "podcast"},
         kExitIoError, "measures -68.7 LUFS and would need +49.7 dB to reach -19.0 LUFS, more than the delivery's cap of +20.0 dB", -65.0},
        {"a lowered gain cap", 48000, "out.wav", false, {"--target", "podcast", "--max-gain", "3"},
         kExitIoError, "measures -33.7 LUFS and would need +14.7 dB to reach -19.0 LUFS, more than the delivery's cap of +3.0 dB", -30.0},
        // clang-format on
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeAudio(dir.file("in.wav"), sine(c.rate, 1, 440.0, c.dbfs, c.seconds), SF_FORMAT_FLOAT);
        if (c.hardLinkOutput)
        {
            ASSERT_EQ(::link(dir.file("in.wav").c_str(), dir.file(c.output).c_str()), 0);
        }
        std::vector<std::string> arguments{dir.file("in.wav"), dir.file(c.output)};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const std::vector<std::string> before = dir.entries();
        const AudioData original = readAudio(dir.file("in.wav"));
        const ToolRun run = runFake(arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_CONTAINS(run.err, c.message);
        EXPECT_EQ(dir.entries(), before);
        EXPECT_EQ(readAudio(dir.file("in.wav")).samples, original.samples);
    }
}

// A file that cannot be read and one that needs more gain than the delivery's cap: each gets its
// error line, the others are delivered.
TEST(RenderBatch, BrokenAndTooQuietFilesGetTheirErrorsWhileTheOthersComplete)
{
    TempDir dir;
    writeAudio(dir.file("a.wav"), testProgramme(48000, 2, 1.0), SF_FORMAT_FLOAT);
    writeAudio(dir.file("b.flac"), testProgramme(44100, 1, 1.0), SF_FORMAT_PCM_16);
    writeAudio(dir.file("quiet.wav"), sine(48000, 1, 440.0, -65.0, 1.0), SF_FORMAT_FLOAT);
    std::ofstream(dir.file("broken.wav")) << "not audio";
    const ToolRun run =
        runFake({dir.file("a.wav"), dir.file("broken.wav"), dir.file("quiet.wav"), dir.file("b.flac"),
                 "--out-dir", dir.file("out"), "--type", "wav", "-j", "2", "--target", "podcast"});
    EXPECT_EQ(run.exitCode, kExitIoError);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
    EXPECT_CONTAINS(run.err, "cannot read '" + dir.file("broken.wav") + "'");
    EXPECT_CONTAINS(run.err, "'" + dir.file("quiet.wav") +
                                 "': the render measures -68.7 LUFS and would need +49.7 dB");
    EXPECT_TRUE(fileExists(dir.file("out/a.wav")) && !fileExists(dir.file("out/broken.wav")));
    EXPECT_FALSE(fileExists(dir.file("out/quiet.wav")));
    EXPECT_EQ(readAudio(dir.file("out/b.wav")).sampleRate, 44100);
    EXPECT_CONTAINS(run.out, dir.file("a.wav") + " -> " + dir.file("out/a.wav"));
}

// A loudness target scales the whole render by one gain; the limiter only touches what would cross
// the ceiling. The report shows the plug-in's figures before and the file's after.
TEST(RenderDelivery, ReachesTheTargetUnderTheCeilingAndOtherwiseOnlyScales)
{
    struct Case
    {
        const char* name;
        AudioData input;
        std::vector<std::string> options;
        double lufs, ceiling;
        bool untouchedButGain;
    };
    const std::vector<Case> cases = {
        // clang-format off
        {"quiet speech up to -18", testProgramme(48000, 2, 6.0), {"--lufs", "-18"}, -18.0, -1.0, true},
        {"hot sine to podcast, limited", sine(48000, 2, 1000.0, -3.0, 6.0),
         {"--target", "podcast", "--set", "Gain=6"}, -16.0, -1.0, false},
        {"mono to broadcast at -2 dBTP", testProgramme(44100, 1, 6.0), {"--target", "broadcast", "--true-peak", "-2"},
         -26.0, -2.0, true},
        {"loud speech to streaming, limited", testProgramme(48000, 2, 6.0), {"--target", "streaming"},
         -14.0, -1.0, false},
        // clang-format on
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeAudio(dir.file("in.wav"), c.input, SF_FORMAT_FLOAT);
        std::vector<std::string> arguments{dir.file("in.wav"), dir.file("out.wav")};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const ToolRun run = runFake(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const AudioData out = readAudio(dir.file("out.wav"));
        ASSERT_EQ(out.frames(), c.input.frames()) << "aligned and as long as the input";
        const LoudnessFigures f = measured(out);
        EXPECT_NEAR(f.integratedLufs, c.lufs, 0.2);
        EXPECT_LE(f.truePeakDbtp, c.ceiling);
        EXPECT_CONTAINS(run.out, "plug-in ");
        EXPECT_CONTAINS(run.out, "target ");
        if (c.untouchedButGain)
        {
            // One gain for the whole file: every sample the input's times the same factor.
            const double gain = out.samples[1000] / c.input.samples[1000];
            for (std::size_t i = 0; i < out.samples.size(); i += 7)
                ASSERT_NEAR(out.samples[i], c.input.samples[i] * gain, 1e-6) << "sample " << i;
        }
    }
}

TEST(RenderOutput, SixteenBitIsDitheredAndCountsWhatClipsAndTheReportMeasuresTheFile)
{
    TempDir dir;
    // +6 dBFS: a third of every cycle lies beyond full scale.
    writeAudio(dir.file("hot.wav"), sine(48000, 1, 997.0, 6.0, 1.0), SF_FORMAT_FLOAT);
    const ToolRun hot =
        runFake({dir.file("hot.wav"), dir.file("hot16.wav"), "--format", "pcm16", "--report", "json"});
    ASSERT_EQ(hot.exitCode, 0) << hot.err;
    const AudioData file = readAudio(dir.file("hot16.wav"));
    long atFullScale = 0;
    for (double v : file.samples)
        atFullScale += std::fabs(v) >= 32767.0 / 32768.0;
    EXPECT_CONTAINS(hot.err, "warning: '" + dir.file("hot16.wav") + "': " + std::to_string(atFullScale) +
                                 " samples clipped at full scale");
    EXPECT_NEAR(atFullScale, 48000 * 2 / 3, 600);
    EXPECT_CONTAINS(hot.out, "\"clipped_samples\": " + std::to_string(atFullScale));
    // What the file holds, not the +6 dBTP that went in.
    char truePeak[64];
    std::snprintf(truePeak, sizeof(truePeak), "\"true_peak_dbtp\": %.2f}, \"clipped",
                  measured(file).truePeakDbtp);
    EXPECT_CONTAINS(hot.out, truePeak);

    // A sine at a third of a step: truncation or plain rounding would leave silence; TPDF dither
    // keeps it, on average exactly.
    const AudioData faint = sine(48000, 1, 441.0, -100.0, 1.0);
    writeAudio(dir.file("faint.wav"), faint, SF_FORMAT_FLOAT);
    ASSERT_EQ(runFake({dir.file("faint.wav"), dir.file("faint16.wav"), "--format", "pcm16"}).exitCode, 0);
    const AudioData dithered = readAudio(dir.file("faint16.wav"));
    double correlation = 0.0, energy = 0.0;
    for (std::size_t i = 0; i < faint.samples.size(); ++i)
    {
        correlation += dithered.samples[i] * faint.samples[i];
        energy += faint.samples[i] * faint.samples[i];
    }
    EXPECT_NEAR(correlation / energy, 1.0, 0.1);
}

TEST(RenderOutput, ShortWavStaysPlainWavAndReportNoneAnalysesNothing)
{
    TempDir dir;
    writeAudio(dir.file("in.wav"), testProgramme(48000, 2, 1.0), SF_FORMAT_FLOAT);
    const ToolRun run = runFake({dir.file("in.wav"), dir.file("out.wav"), "--report", "none"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    std::ifstream file(dir.file("out.wav"), std::ios::binary);
    char magic[4] = {};
    file.read(magic, 4);
    EXPECT_EQ(std::string(magic, 4), "RIFF") << "plain WAV, not RF64";
    EXPECT_EQ(readAudio(dir.file("out.wav")).frames(), 48000);

    // Three hours of stereo float (4.1 GB) go to RF64, one (1.4 GB) stays WAV; FLAC has no such limit.
    const std::int64_t threeHours = 3 * 3600 * 48000;
    {
        AudioWriter large(dir.file("large.wav"), 48000, 2, SampleFormat::Float32, {}, threeHours);
        const double frame[2] = {0.25, -0.5};
        large.write(frame, 1);
        large.commit();
        EXPECT_EQ(readAudio(dir.file("large.wav")).samples, (std::vector<double>{0.25, -0.5}));
    }
    EXPECT_TRUE(
        AudioWriter(dir.file("x.wav"), 48000, 2, SampleFormat::Float32, {}, threeHours).switchesToRf64());
    EXPECT_FALSE(
        AudioWriter(dir.file("x.wav"), 48000, 2, SampleFormat::Float32, {}, threeHours / 3).switchesToRf64());
    EXPECT_FALSE(
        AudioWriter(dir.file("x.flac"), 48000, 2, SampleFormat::Pcm24, {}, threeHours).switchesToRf64());
}
