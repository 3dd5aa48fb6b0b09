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
// The message of the usage error the call throws, or "" when it does not throw one.
template <class F> std::string usageErrorOf(F&& call)
{
    try
    {
        call();
    }
    catch (const ToolError& error)
    {
        EXPECT_EQ(error.exitCode(), kExitUsageError) << error.what();
        return error.what();
    }
    return "";
}

RenderOptions parse(std::vector<std::string> arguments)
{
    return parseArguments(arguments);
}

std::string orderError(const std::string& list)
{
    return usageErrorOf([&] { parseModuleOrder(list); });
}
} // namespace

TEST(ModuleOrderParsing, ReadsEnumeratorNamesInTheGivenOrder)
{
    const dsp::ModuleOrder order =
        parseModuleOrder("Reverb,Delay,ClipGuard,Comp,Leveler,Tremolo,Phaser,Distortion,Eq,SClear,PopCut");
    for (int i = 0; i < dsp::kNumModules; ++i)
        EXPECT_EQ(static_cast<int>(order[static_cast<std::size_t>(i)]), 10 - i) << "slot " << i;
}

TEST(ModuleOrderParsing, ReadsRoutingLabelsWhateverTheCaseAndSpacing)
{
    const dsp::ModuleOrder order =
        parseModuleOrder("pop, s clear ,EQ,Level,comp,CLIP,dist,phaser,trem,delay,REVERB");
    const int expected[] = {0, 1, 2, 6, 7, 8, 3, 4, 5, 9, 10};
    for (int i = 0; i < dsp::kNumModules; ++i)
        EXPECT_EQ(static_cast<int>(order[static_cast<std::size_t>(i)]), expected[i]) << "slot " << i;
    EXPECT_TRUE(dsp::isValidModuleOrder(order));
}

TEST(ModuleOrderParsing, MixesBothNameSetsAndRoundTripsThroughItsOwnFormat)
{
    const dsp::ModuleOrder order =
        parseModuleOrder("S CLEAR,PopCut,EQ,Comp,LEVEL,ClipGuard,Distortion,PHASER,Tremolo,DELAY,Reverb");
    EXPECT_EQ(formatModuleOrder(order), "SClear,PopCut,Eq,Comp,Leveler,ClipGuard,Distortion,Phaser,Tremolo,"
                                        "Delay,Reverb");
    EXPECT_EQ(parseModuleOrder(formatModuleOrder(order)), order);
}

TEST(ModuleOrderParsing, RefusesAModuleNamedTwiceEvenUnderItsOtherName)
{
    const std::string message =
        orderError("PopCut,POP,Eq,Distortion,Phaser,Tremolo,Leveler,Comp,ClipGuard,Delay,"
                   "Reverb");
    EXPECT_NE(message.find("PopCut is named more than once"), std::string::npos) << message;
}

TEST(ModuleOrderParsing, RefusesAListMissingModulesAndNamesThem)
{
    const std::string message =
        orderError("PopCut,SClear,Eq,Distortion,Phaser,Tremolo,Leveler,Comp,ClipGuard");
    EXPECT_NE(message.find("missing: Delay, Reverb"), std::string::npos) << message;
}

TEST(ModuleOrderParsing, RefusesUnknownAndEmptyNames)
{
    EXPECT_NE(orderError("PopCut,Flanger,Eq").find("unknown module 'Flanger'"), std::string::npos);
    EXPECT_NE(orderError("PopCut,,Eq").find("empty module name"), std::string::npos);
    EXPECT_NE(orderError("").find("empty module name"), std::string::npos);
}

TEST(ArgumentParsing, DefaultsToBlocksOf512AtTempo120WithATextReport)
{
    const RenderOptions options = parse({"in.wav", "out.wav"});
    EXPECT_EQ(options.inputPath, "in.wav");
    EXPECT_EQ(options.outputPath, "out.wav");
    EXPECT_EQ(options.blockSize, 512);
    EXPECT_EQ(options.tempoBpm, 120.0);
    EXPECT_EQ(options.tailSeconds, 0.0);
    EXPECT_EQ(options.report, RenderOptions::Report::Text);
    EXPECT_FALSE(options.format.has_value());
    EXPECT_FALSE(options.order.has_value());
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
    {
        const std::string message = usageErrorOf([&] { parse({"in.wav", "out.wav", "--block", bad}); });
        EXPECT_NE(message.find("--block"), std::string::npos) << "block '" << bad << "': " << message;
    }
    EXPECT_EQ(parse({"in.wav", "out.wav", "--block", "1"}).blockSize, 1);
    EXPECT_EQ(parse({"in.wav", "out.wav", "--block", "65536"}).blockSize, 65536);
}

TEST(ArgumentParsing, RefusesMissingFilesUnknownOptionsAndOptionsWithoutValues)
{
    EXPECT_NE(usageErrorOf([] { parse({}); }).find("missing IN and OUT"), std::string::npos);
    EXPECT_NE(usageErrorOf([] { parse({"in.wav"}); }).find("missing the OUT"), std::string::npos);
    EXPECT_NE(usageErrorOf(
                  [] {
                      parse({"a.wav", "b.wav", "c.wav"});
                  })
                  .find("too many files"),
              std::string::npos);
    EXPECT_NE(usageErrorOf(
                  [] {
                      parse({"a.wav", "b.wav", "--loud"});
                  })
                  .find("unknown option '--loud'"),
              std::string::npos);
    EXPECT_NE(usageErrorOf(
                  [] {
                      parse({"a.wav", "b.wav", "--preset"});
                  })
                  .find("--preset needs a value"),
              std::string::npos);
    EXPECT_NE(usageErrorOf(
                  [] {
                      parse({"a.wav", "b.wav", "--preset", "A", "--preset", "B"});
                  })
                  .find("more than once"),
              std::string::npos);
}

TEST(ArgumentParsing, RefusesBadTempoReportFormatAndSetForms)
{
    EXPECT_NE(usageErrorOf(
                  [] {
                      parse({"a.wav", "b.wav", "--tempo", "10"});
                  })
                  .find("out of range 20 .. 999"),
              std::string::npos);
    EXPECT_NE(usageErrorOf(
                  [] {
                      parse({"a.wav", "b.wav", "--tempo", "fast"});
                  })
                  .find("not a number"),
              std::string::npos);
    EXPECT_NE(usageErrorOf(
                  [] {
                      parse({"a.wav", "b.wav", "--report", "xml"});
                  })
                  .find("expected json or text"),
              std::string::npos);
    EXPECT_NE(usageErrorOf(
                  [] {
                      parse({"a.wav", "b.wav", "--format", "pcm8"});
                  })
                  .find("pcm16, pcm24 or float"),
              std::string::npos);
    EXPECT_NE(usageErrorOf(
                  [] {
                      parse({"a.wav", "b.wav", "--set", "Comp"});
                  })
                  .find("expected \"Name=Value\""),
              std::string::npos);
    EXPECT_NE(usageErrorOf(
                  [] {
                      parse({"a.wav", "b.wav", "--set", "=3"});
                  })
                  .find("name is empty"),
              std::string::npos);
}

TEST(ArgumentParsing, ChoosesTheContainerFromTheOutputNameAndRefusesFloatFlac)
{
    EXPECT_NE(usageErrorOf([] { parse({"a.wav", "b.mp3"}); }).find("unknown file type"), std::string::npos);
    EXPECT_NE(usageErrorOf(
                  [] {
                      parse({"a.wav", "b.flac", "--format", "float"});
                  })
                  .find("FLAC holds no float"),
              std::string::npos);
    EXPECT_NO_THROW(parse({"a.wav", "b.FLAC"}));
    EXPECT_NO_THROW(parse({"a.wav", "b.aiff", "--format", "float"}));
    EXPECT_EQ(defaultSampleFormat("x.flac"), SampleFormat::Pcm24);
    EXPECT_EQ(defaultSampleFormat("x.wav"), SampleFormat::Float32);
}

TEST(ArgumentParsing, AllowsSavingAStateWithoutRenderingButNotListingWithFiles)
{
    const RenderOptions options = parse({"--preset", "Gentle", "--save-state", "gentle.state"});
    EXPECT_FALSE(options.rendersAudio());
    EXPECT_EQ(options.saveStatePath.value_or(""), "gentle.state");
    EXPECT_TRUE(parse({"--list-presets"}).listPresets);
    EXPECT_TRUE(parse({"--list-params"}).listParams);
    EXPECT_NE(usageErrorOf(
                  [] {
                      parse({"--list-params", "a.wav"});
                  })
                  .find("take no files"),
              std::string::npos);
}
