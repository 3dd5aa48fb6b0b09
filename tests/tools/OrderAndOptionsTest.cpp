// SPDX-License-Identifier: GPL-3.0-or-later
#include "Errors.h"
#include "ModuleOrderParser.h"
#include "Options.h"

#include <gtest/gtest.h>

#include <string>

using namespace pomelu;
using namespace pomelu::tools;

namespace
{
RenderOptions parse(std::vector<std::string> arguments)
{
    return parseArguments(arguments);
}

// The message of the usage error parsing throws, or "" when it throws none.
std::string parseError(std::vector<std::string> arguments)
{
    try
    {
        parse(arguments);
    }
    catch (const ToolError& error)
    {
        EXPECT_EQ(error.exitCode(), kExitUsageError) << error.what();
        return error.what();
    }
    return "";
}

#define EXPECT_CONTAINS(text, part) EXPECT_NE((text).find(part), std::string::npos) << (text)
} // namespace

TEST(ModuleOrderParsing, ReadsEitherNameSetWhateverTheCaseAndSpacingAndRoundTrips)
{
    const dsp::ModuleOrder reversed =
        parseModuleOrder("Reverb,Delay,ClipGuard,Comp,Leveler,Tremolo,Phaser,Distortion,Eq,SClear,PopCut");
    for (int i = 0; i < dsp::kNumModules; ++i)
        EXPECT_EQ(static_cast<int>(reversed[static_cast<std::size_t>(i)]), 10 - i) << "slot " << i;

    const dsp::ModuleOrder labels =
        parseModuleOrder("pop, s clear ,EQ,Level,comp,CLIP,dist,phaser,trem,delay,REVERB");
    const int expected[] = {0, 1, 2, 6, 7, 8, 3, 4, 5, 9, 10};
    for (int i = 0; i < dsp::kNumModules; ++i)
        EXPECT_EQ(static_cast<int>(labels[static_cast<std::size_t>(i)]), expected[i]) << "slot " << i;

    const dsp::ModuleOrder mixed =
        parseModuleOrder("S CLEAR,PopCut,EQ,Comp,LEVEL,ClipGuard,Distortion,PHASER,Tremolo,DELAY,Reverb");
    EXPECT_EQ(formatModuleOrder(mixed), "SClear,PopCut,Eq,Comp,Leveler,ClipGuard,Distortion,Phaser,Tremolo,"
                                        "Delay,Reverb");
    EXPECT_EQ(parseModuleOrder(formatModuleOrder(mixed)), mixed);
}

TEST(ArgumentParsing, TakesValuesAfterTheOptionOrAfterAnEqualsSign)
{
    const RenderOptions options =
        parse({"--preset", "Podcast", "in.wav", "--set", "Comp Threshold=-20", "--set=Delay Feel=Dotted",
               "out.flac", "--block=64", "--tempo", "96.5", "--report", "json", "--format=pcm16", "--state",
               "a.state", "--save-state=b.state", "--tail", "2.5"});
    EXPECT_EQ(options.presetName.value_or(""), "Podcast");
    ASSERT_EQ(options.settings.size(), 2u);
    EXPECT_EQ(options.settings[0].name, "Comp Threshold");
    EXPECT_EQ(options.settings[0].value, "-20");
    EXPECT_EQ(options.settings[1].name, "Delay Feel");
    EXPECT_EQ(options.settings[1].value, "Dotted");
    EXPECT_EQ(options.blockSize, 64);
    EXPECT_EQ(options.tempoBpm, 96.5);
    EXPECT_EQ(options.tailSeconds, 2.5);
    EXPECT_EQ(options.report, RenderOptions::Report::Json);
    EXPECT_EQ(options.format, SampleFormat::Pcm16);
    EXPECT_EQ(options.statePath.value_or(""), "a.state");
    EXPECT_EQ(options.saveStatePath.value_or(""), "b.state");
    EXPECT_EQ(options.outputPath, "out.flac");
}

TEST(ArgumentParsing, RefusesBlockSizesThatAreNotWholeNumbersFromOneTo65536)
{
    for (const char* bad : {"0", "-1", "abc", "1.5", "65537", "", "12frames"})
        EXPECT_CONTAINS(parseError({"in.wav", "out.wav", "--block", bad}), "--block")
            << "block '" << bad << "'";
    EXPECT_EQ(parse({"in.wav", "out.wav", "--block", "1"}).blockSize, 1);
    EXPECT_EQ(parse({"in.wav", "out.wav", "--block", "65536"}).blockSize, 65536);
}

TEST(ArgumentParsing, RefusesBadFilesOptionsAndValues)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "missing IN and OUT"},
        {{"in.wav"}, "missing the OUT"},
        {{"a.wav", "b.wav", "c.wav"}, "too many files"},
        {{"a.wav", "b.wav", "--loud"}, "unknown option '--loud'"},
        {{"a.wav", "b.wav", "--preset"}, "--preset needs a value"},
        {{"a.wav", "b.wav", "--preset", "A", "--preset", "B"}, "more than once"},
        {{"a.wav", "b.wav", "--tempo", "10"}, "out of range 20 .. 999"},
        {{"a.wav", "b.wav", "--tempo", "fast"}, "not a number"},
        {{"a.wav", "b.wav", "--report", "xml"}, "expected text, json or none"},
        {{"a.wav", "b.wav", "--format", "pcm8"}, "pcm16, pcm24 or float"},
        {{"a.wav", "b.wav", "--set", "Comp"}, "expected \"Name=Value\""},
        {{"a.wav", "b.wav", "--set", "=3"}, "name is empty"},
        {{"a.wav", "b.m4a"}, "unknown file type"},
        {{"a.wav", "b.wav", "--target", "radio"}, "expected podcast, broadcast or streaming"},
        {{"a.wav", "b.wav", "--target", "podcast", "--lufs", "-16"}, "give one"},
        {{"a.wav", "b.wav", "--lufs", "-3"}, "out of range -40 .. -5"},
        {{"a.wav", "b.wav", "--true-peak", "-2"}, "--true-peak needs --target or --lufs"},
        {{"a.wav", "b.wav", "--lufs", "-20", "--true-peak", "1"}, "out of range -9 .. 0"},
        {{"a.wav", "b.mp3", "--quality", "5", "--bitrate", "96"}, "give one"},
        {{"a.wav", "b.mp3", "--format", "pcm16"}, "--format is for WAV, FLAC and AIFF"},
        {{"a.wav", "b.wav", "--bitrate", "128"}, "are for MP3, Opus and Ogg Vorbis"},
        {{"a.wav", "b.flac", "--title", "Episode 1"}, "are for MP3, Opus and Ogg Vorbis"},
        {{"a.wav", "b.ogg", "--bitrate", "128"}, "Ogg Vorbis takes --quality"},
        {{"a.wav", "b.wav", "--type", "mp3"}, "--type is for --out-dir"},
        {{"a.wav", "b.wav", "-j", "2"}, "-j is for --out-dir"},
        {{"a.wav", "--out-dir", "d", "--type", "wma"}, "expected wav, flac, aiff, mp3, opus or ogg"},
        {{"--out-dir", "d"}, "needs at least one IN"},
        {{"a.wav", "b.wav", "--out-dir", "d", "-j", "0"}, "from 1 to 64"},
        {{"x/a.wav", "y/a.flac", "--out-dir", "d", "--type", "mp3"}, "would both write 'd/a.mp3'"},
        {{"a.wav", "b.flac", "--format", "float"}, "FLAC holds no float"},
        {{"--list-params", "a.wav"}, "take no files"},
        {{"a.wav", "b.wav", "--plot", "p.jpg"}, "expected a name ending in .png or .svg"},
        {{"a.wav", "b.wav", "--plot", "p.png", "--report", "none"}, "cannot go with --report none"},
        {{"a.wav", "b.wav", "--plot", "p.png", "--theme", "red"}, "expected pomelu, dark or cool"},
        {{"a.wav", "b.wav", "--theme", "dark"}, "--theme needs --plot or --plot-dir"},
        {{"a.wav", "b.wav", "--plot-dir", "p"}, "--plot-dir is for --out-dir"},
        {{"a.wav", "--out-dir", "d", "--plot", "p.png"}, "a batch takes --plot-dir"},
        {{"x/a.wav", "y/a.flac", "--out-dir", "d", "--plot-dir", "p"}, "would both draw 'p/a.png'"},
    };
    for (const auto& [arguments, message] : cases)
        EXPECT_CONTAINS(parseError(arguments), message);
}

TEST(ArgumentParsing, ReadsDeliveryEncoderAndBatchOptionsAndNamesBatchOutputs)
{
    const RenderOptions single =
        parse({"in.wav", "out.mp3", "--target", "Podcast", "--true-peak", "-1.5", "--bitrate", "96",
               "--title", "Episode 1", "--artist", "Me", "--comment", "c", "--report", "none"});
    EXPECT_EQ(single.targetName.value_or(""), "Podcast");
    EXPECT_EQ(single.ceilingDbtp, -1.5);
    EXPECT_EQ(single.encoder.bitrateKbps.value_or(0.0), 96.0);
    EXPECT_EQ(single.encoder.title + single.encoder.artist + single.encoder.comment, "Episode 1Mec");
    EXPECT_EQ(single.report, RenderOptions::Report::None);
    EXPECT_TRUE(single.delivers());
    const RenderOptions plain = parse({"in.wav", "out.wav", "--lufs", "-18"});
    EXPECT_EQ(plain.targetLufs.value_or(0.0), -18.0);
    EXPECT_EQ(plain.inputPaths, std::vector<std::string>{"in.wav"});
    EXPECT_EQ(plain.blockSize, 512) << "defaults: blocks of 512 at 120 BPM, no tail, a text report";
    EXPECT_EQ(plain.tempoBpm, 120.0);
    EXPECT_EQ(plain.tailSeconds, 0.0);
    EXPECT_EQ(plain.report, RenderOptions::Report::Text);
    EXPECT_EQ(plain.ceilingDbtp, -1.0);
    EXPECT_FALSE(plain.format || plain.order || plain.outDir);

    const RenderOptions batch = parse({"talk/ep1.flac", "ep2.wav", "noext", "--out-dir", "done", "-j", "3"});
    EXPECT_EQ(batch.jobs, 3);
    const std::vector<RenderJob> jobs = renderJobs(batch);
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_EQ(jobs[0].outputPath, "done/ep1.flac") << "the input's own type by default";
    EXPECT_EQ(jobs[1].outputPath, "done/ep2.wav");
    EXPECT_EQ(jobs[2].outputPath, "done/noext.wav") << "WAV for an input without a type";
    EXPECT_EQ(renderJobs(parse({"a.wav", "--out-dir=d", "--type", "OPUS"}))[0].outputPath, "d/a.opus");

    // Named targets: podcast -16, broadcast -23, streaming -14, mono 3 LU lower.
    for (const auto& [name, stereo] :
         {std::pair{"podcast", -16.0}, {"broadcast", -23.0}, {"streaming", -14.0}})
    {
        EXPECT_EQ(namedTargetLufs(name, 2), stereo) << name;
        EXPECT_EQ(namedTargetLufs(name, 1), stereo - 3.0) << name;
    }
}

TEST(ArgumentParsing, ChoosesTheFormatFromTheOutputNameAndAllowsSavingAStateWithoutRendering)
{
    EXPECT_NO_THROW(parse({"a.wav", "b.FLAC"}));
    EXPECT_NO_THROW(parse({"a.wav", "b.aiff", "--format", "float"}));
    EXPECT_EQ(defaultSampleFormat("x.flac"), SampleFormat::Pcm24);
    EXPECT_EQ(defaultSampleFormat("x.wav"), SampleFormat::Float32);

    const RenderOptions options = parse({"--preset", "Gentle", "--save-state", "gentle.state"});
    EXPECT_FALSE(options.rendersAudio());
    EXPECT_EQ(options.saveStatePath.value_or(""), "gentle.state");
    EXPECT_TRUE(parse({"--list-presets"}).listPresets);
    EXPECT_TRUE(parse({"--list-params"}).listParams);
}
