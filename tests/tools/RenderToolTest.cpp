// SPDX-License-Identifier: GPL-3.0-or-later
#include "Errors.h"
#include "FakeEffect.h"
#include "RenderSession.h"
#include "ToolTestFiles.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

using namespace pomelu::tools;
using namespace pomelu::tools::test;

namespace
{
ToolRun runTool(const std::vector<std::string>& arguments)
{
    return pomelu::tools::test::runTool(
        arguments, []() -> std::unique_ptr<Effect> { return std::make_unique<FakeEffect>(); });
}

// The number that follows key in text, NaN when the key is missing.
double jsonNumberAfter(const std::string& text, const std::string& key)
{
    const std::size_t at = text.find(key);
    return at == std::string::npos ? std::nan("") : std::strtod(text.c_str() + at + key.size(), nullptr);
}

// A folder with a stereo input file and nothing else.
struct RenderFixture
{
    TempDir dir;
    std::string input = dir.file("in.wav");
    std::string output = dir.file("out.wav");
    AudioData source = testProgramme(48000, 2, 1.5);

    RenderFixture() { writeAudio(input, source, SF_FORMAT_FLOAT); }

    // The documented failure: non-zero status, one "pomelu-render: " line, no output and no temp file.
    void expectFailureWithoutOutput(const ToolRun& run, int exitCode, const std::string& messagePart)
    {
        EXPECT_EQ(run.exitCode, exitCode) << run.err;
        EXPECT_EQ(run.err.rfind("pomelu-render: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(messagePart), std::string::npos) << run.err;
        EXPECT_FALSE(fileExists(output));
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.wav"});
    }
};
} // namespace

TEST(RenderTool, DocumentedErrorsGiveTheirStatusAndOneLineAndLeaveNoOutput)
{
    struct Case
    {
        std::vector<std::string> options;
        int exitCode;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--preset", "Shouty"}, kExitUsageError, "unknown preset 'Shouty' (presets: Loud, Quiet)"},
        {{"--set", "Volume=3"}, kExitUsageError, "unknown parameter 'Volume'"},
        {{"--set", "Gain=24"}, kExitUsageError, "--set \"Gain=24\": out of range -18 .. 18 dB"},
        {{"--set", "Gain=twelve"}, kExitUsageError, "--set \"Gain=twelve\": not a number"},
        {{"--order", "POP,POP,EQ,DIST,PHASER,TREM,LEVEL,COMP,CLIP,DELAY,REVERB"},
         kExitUsageError,
         "PopCut is named more than once"},
        {{"--order", "POP,S CLEAR,EQ"}, kExitUsageError, "missing: Distortion, Phaser"},
        {{"--order", "POP,S CLEAR,EQ,FUZZ,PHASER,TREM,LEVEL,COMP,CLIP,DELAY,REVERB"},
         kExitUsageError,
         "unknown module 'FUZZ'"},
        {{"--order", "POP,,EQ"}, kExitUsageError, "empty module name"},
        {{"--block", "0"}, kExitUsageError, "--block '0'"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.message);
        RenderFixture f;
        std::vector<std::string> arguments{f.input, f.output};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        f.expectFailureWithoutOutput(runTool(arguments), c.exitCode, c.message);
    }

    RenderFixture f;
    f.expectFailureWithoutOutput(runTool({f.dir.file("nothing.wav"), f.output}), kExitIoError,
                                 "cannot read '" + f.dir.file("nothing.wav") + "'");
    f.expectFailureWithoutOutput(runTool({f.input, "/nonexistent-folder-for-pomelu/out.wav"}), kExitIoError,
                                 "cannot write in '/nonexistent-folder-for-pomelu'");
    writeAudio(f.input, sine(48000, 3, 440.0, -12.0, 0.5), SF_FORMAT_PCM_16);
    f.expectFailureWithoutOutput(runTool({f.input, f.output}), kExitIoError,
                                 "has 3 channels; only mono and stereo files can be rendered");
}

TEST(RenderTool, ReportsLoudnessAsJsonWithTheOutputSixDecibelsDown)
{
    RenderFixture f;
    writeAudio(f.input, sine(48000, 2, 1000.0, -23.0, 10.0), SF_FORMAT_FLOAT);
    const ToolRun run = runTool({f.input, f.output, "--preset", "quiet", "--report", "json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NEAR(jsonNumberAfter(run.out, "{\"input\": {\"integrated_lufs\": "), -23.0, 0.1) << run.out;
    EXPECT_NEAR(jsonNumberAfter(run.out, "\"output\": {\"integrated_lufs\": "), -29.0, 0.1) << run.out;
    EXPECT_NEAR(jsonNumberAfter(run.out, "\"true_peak_dbtp\": "), -23.0, 0.1) << run.out;
    EXPECT_NE(run.out.find("\"sample_rate\": 48000, \"channels\": 2"), std::string::npos) << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << "one JSON line for scripts";
}

TEST(RenderTool, AppendsTheRequestedTailAfterTheInput)
{
    RenderFixture f;
    ASSERT_EQ(runTool({f.input, f.output, "--tail", "0.25"}).exitCode, 0);
    EXPECT_EQ(readAudio(f.output).frames(), f.source.frames() + 12000);
}

TEST(RenderTool, WritesPcm16WhenAskedAndMonoStaysMono)
{
    RenderFixture f;
    writeAudio(f.input, testProgramme(32000, 1, 0.5), SF_FORMAT_PCM_16);
    const std::string flac = f.dir.file("out.flac");
    ASSERT_EQ(runTool({f.input, flac, "--format", "pcm16"}).exitCode, 0);
    SF_INFO info{};
    SNDFILE* file = sf_open(flac.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    sf_close(file);
    EXPECT_EQ(info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.samplerate, 32000);
}

TEST(RenderTool, SavesTheStateAfterTheSettingsAndLoadsItBack)
{
    TempDir dir;
    const std::string state = dir.file("loud.state");
    // The preset first, then every --set in turn: the last one wins.
    ASSERT_EQ(runTool({"--preset", "Loud", "--set", "Gain=4", "--set", "Delay Feel=Triplet", "--set",
                       "Gain=5", "--save-state", state})
                  .exitCode,
              0);
    FakeEffect probe;
    ASSERT_TRUE(probe.setState(readBinaryFile(state)));
    EXPECT_EQ(probe.values[FakeEffect::kGain], 5.0);
    EXPECT_EQ(probe.values[FakeEffect::kFeel], 2.0);

    // --state first, then --set on top.
    const std::string again = dir.file("again.state");
    ASSERT_EQ(runTool({"--state", state, "--set", "Gain=-3", "--save-state", again}).exitCode, 0);
    ASSERT_TRUE(probe.setState(readBinaryFile(again)));
    EXPECT_EQ(probe.values[FakeEffect::kGain], -3.0);
    EXPECT_EQ(probe.values[FakeEffect::kFeel], 2.0);
}

// The presets' list is checked with the plug-in's own.
TEST(RenderTool, PrintsHelpWithStatusZero)
{
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: pomelu-render IN OUT [options]", 0), 0u);
}

TEST(RenderSessionLoop, HandsTheEffectContiguousBlocksNoLargerThanAsked)
{
    RenderFixture f;
    RenderOptions options = parseArguments({f.input, f.output, "--block", "1000", "--tempo", "90"});
    FakeEffect effect;
    ProgressBar quiet(nullptr, false, 0);
    const RenderResult result = renderFile(effect, options, renderJobs(options).front(), quiet);
    EXPECT_EQ(effect.preparedBlock, 1000);
    EXPECT_EQ(effect.largestBlock, 1000);
    EXPECT_EQ(effect.preparedChannels, 2);
    EXPECT_EQ(effect.preparedRate, 48000.0);
    EXPECT_EQ(effect.tempo, 90.0);
    EXPECT_TRUE(effect.positionsContiguous);
    EXPECT_TRUE(effect.stopped);
    EXPECT_EQ(effect.nextPosition, f.source.frames());
    EXPECT_EQ(result.outputFrames, f.source.frames());
}
