// SPDX-License-Identifier: GPL-3.0-or-later
// Renders through the real plug-in class.
#include "AudioFile.h"
#include "PomeluEffect.h"
#include "RenderSession.h"
#include "ToolTestFiles.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <tuple>

using namespace pomelu::tools;
using namespace pomelu::tools::test;

namespace
{
ToolRun runTool(const std::vector<std::string>& arguments)
{
    return pomelu::tools::test::runTool(arguments, makePomeluEffect);
}

// Renders in into dir/name with the extra arguments and returns what was written.
AudioData render(const TempDir& dir, const std::string& in, const std::string& name,
                 std::vector<std::string> extra)
{
    std::vector<std::string> arguments{in, dir.file(name)};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const ToolRun run = runTool(arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return readAudio(dir.file(name));
}

std::vector<std::string> everyModuleOff()
{
    std::vector<std::string> arguments;
    for (const char* setting : {"Pop Cut=off", "S Clear=off", "EQ=off", "Distortion=off", "Phaser=off",
                                "Tremolo=off", "Leveler=off", "Comp=off", "Clip Guard=off", "Delay=off",
                                "Reverb=off", "Input=0", "Output=0", "Bypass=off"})
        arguments.insert(arguments.end(), {"--set", setting});
    return arguments;
}

double largestDifference(const AudioData& a, const AudioData& b)
{
    double largest = 0.0;
    for (std::size_t i = 0; i < std::min(a.samples.size(), b.samples.size()); ++i)
        largest = std::max(largest, std::fabs(a.samples[i] - b.samples[i]));
    return largest;
}
} // namespace

TEST(PluginRender, ListsTheFiveFactoryPresetsAndAll89ParametersWithRangesAndUnits)
{
    const ToolRun presets = runTool({"--list-presets"});
    EXPECT_EQ(presets.exitCode, 0) << presets.err;
    EXPECT_EQ(presets.out, "Natural\nSinging\nNarration\nPodcast\nGentle\n");

    const ToolRun run = runTool({"--list-params"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 90) << "a header and 89 parameters";
    EXPECT_NE(run.out.find("   17  Comp Threshold          -48 .. 0"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("0=Straight | 1=Dotted | 2=Triplet"), std::string::npos);
    EXPECT_NE(run.out.find("   88  Theme"), std::string::npos);
}

TEST(PluginRender, EveryModuleOffWithZeroGainsReproducesStereo48kAndMono44kInputs)
{
    for (const auto& [rate, channels, block] : {std::tuple{48000, 2, "512"}, std::tuple{44100, 1, "100"}})
    {
        SCOPED_TRACE(channels == 2 ? "stereo at 48 kHz" : "mono at 44.1 kHz, blocks of 100");
        TempDir dir;
        writeAudio(dir.file("in.wav"), testProgramme(rate, channels, 1.5), SF_FORMAT_FLOAT);
        std::vector<std::string> extra = everyModuleOff();
        extra.insert(extra.end(), {"--block", block});
        const AudioData out = render(dir, dir.file("in.wav"), "out.wav", extra);
        const AudioData asStored = readAudio(dir.file("in.wav"));
        EXPECT_EQ(out.sampleRate, rate);
        EXPECT_EQ(out.channels, channels);
        ASSERT_EQ(out.samples.size(), asStored.samples.size());
        EXPECT_LE(largestDifference(out, asStored), 1e-7) << "every module off must pass the input through";
    }
}

TEST(PluginRender, SavedStateRendersLikeTheSettingsItWasSavedFrom)
{
    TempDir dir;
    writeAudio(dir.file("in.wav"), testProgramme(48000, 1, 2.0), SF_FORMAT_FLOAT);
    const std::vector<std::string> settings{
        "--preset",          "Gentle",  "--set",
        "Delay Feel=Dotted", "--order", "REVERB,DELAY,CLIP,COMP,LEVEL,TREM,PHASER,DIST,EQ,S CLEAR,POP"};
    std::vector<std::string> saving = settings;
    saving.insert(saving.end(), {"--save-state", dir.file("gentle.state")});
    const AudioData direct = render(dir, dir.file("in.wav"), "direct.wav", saving);
    const AudioData loaded =
        render(dir, dir.file("in.wav"), "loaded.wav", {"--state", dir.file("gentle.state")});
    ASSERT_EQ(direct.samples.size(), loaded.samples.size());
    EXPECT_EQ(largestDifference(direct, loaded), 0.0) << "state saved from settings against those settings";
}

TEST(PluginRender, SavesTheComponentStateAsChunkBypassAndProgramWords)
{
    TempDir dir;
    const ToolRun run = runTool({"--order", "POP,S CLEAR,EQ,COMP,LEVEL,CLIP,DIST,PHASER,TREM,DELAY,REVERB",
                                 "--save-state", dir.file("s.state")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::uint8_t> bytes = readBinaryFile(dir.file("s.state"));
    ASSERT_EQ(bytes.size(), 2186u + 8u);
    EXPECT_EQ(std::memcmp(bytes.data(), "4REP", 4), 0);
    // The current order follows the 13-byte header, both compare slots and the module count.
    const std::size_t orderAt = 13 + 2 * 89 * 8 + 4;
    const std::uint8_t expected[11] = {0, 1, 2, 7, 6, 8, 3, 4, 5, 9, 10};
    EXPECT_EQ(std::memcmp(bytes.data() + orderAt, expected, 11), 0);
}

TEST(PluginRender, RefusesAStateFileThatIsNotOne)
{
    TempDir dir;
    writeAudio(dir.file("in.wav"), testProgramme(48000, 1, 0.5), SF_FORMAT_FLOAT);
    writeBinaryFileAtomically(dir.file("bad.state"), {'5', 'R', 'E', 'P', 0, 0, 0, 0});
    const ToolRun run = runTool({dir.file("in.wav"), dir.file("out.wav"), "--state", dir.file("bad.state")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("not a state this plug-in can load"), std::string::npos) << run.err;
    EXPECT_FALSE(fileExists(dir.file("out.wav")));
}

namespace
{
// What an independent meter (ffmpeg's ebur128 filter) reads from a file: integrated loudness and
// true peak. Mono counts as dual mono, as a player puts it on both speakers.
struct IndependentReading
{
    double lufs = std::nan("");
    double truePeakDbtp = std::nan("");
    double soxPeakDbtp = std::nan(""); // the peak of a 16x sox resample, where sox reads the type
    std::string probe;                 // ffprobe's format line: bit rate and tags
};

std::string commandOutput(const std::string& command)
{
    std::string text;
    if (std::FILE* pipe = ::popen(command.c_str(), "r"))
    {
        char buffer[4096];
        while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
            text += buffer;
        ::pclose(pipe);
    }
    return text;
}

IndependentReading readIndependently(const std::string& path)
{
    IndependentReading r;
    // The summary rounds to 0.1 dB; the per-frame true peaks (linear, three decimals) are finer.
    const std::string summary = commandOutput(
        "ffmpeg -hide_banner -nostats -i '" + path +
        "' -af ebur128=peak=true:dualmono=true:metadata=1,ametadata=mode=print:file=- -f null - 2>&1");
    const std::size_t at = summary.rfind("Summary:");
    if (at != std::string::npos)
        if (const std::size_t i = summary.find("I:", at); i != std::string::npos)
            r.lufs = std::strtod(summary.c_str() + i + 2, nullptr);
    const std::string key = "lavfi.r128.true_peak=";
    double peak = 0.0;
    for (std::size_t i = summary.find(key); i != std::string::npos; i = summary.find(key, i + 1))
        peak = std::max(peak, std::strtod(summary.c_str() + i + key.size(), nullptr));
    r.truePeakDbtp = amplitudeToDb(peak);
    const std::string stats =
        commandOutput("sox '" + path + "' -n rate -v $((16 * $(soxi -r '" + path + "'))) stats 2>&1");
    if (const std::size_t level = stats.find("Pk lev dB"); level != std::string::npos)
        r.soxPeakDbtp = std::strtod(stats.c_str() + level + 9, nullptr);
    r.probe = commandOutput(
        "ffprobe -v error -show_entries format=bit_rate:format_tags=title,artist:stream_tags=title"
        " -of compact '" +
        path + "' 2>&1");
    return r;
}

// The true peak of the output as the tool reports it with --report json.
double reportedTruePeak(const std::string& json)
{
    const std::size_t output = json.find("\"output\"");
    const std::size_t peak = json.find("\"true_peak_dbtp\": ", output);
    return peak == std::string::npos ? std::nan("") : std::strtod(json.c_str() + peak + 18, nullptr);
}

// The example voice at 44.1 kHz stereo with loud noise above 12 kHz: inter-sample peaks close to
// half the sample rate.
std::string brightVoice(const TempDir& dir)
{
    const std::string voice = dir.file("voice441.wav"), noise = dir.file("noise.wav"),
                      bright = dir.file("bright-in.wav");
    commandOutput("sox -R '" POMELU_EXAMPLE_VOICE "' -r 44100 -c 2 '" + voice +
                  "' && sox -R -n -r 44100 -c 2 '" + noise +
                  "' synth 11.7 whitenoise vol 0.1 highpass 12000 && sox -R -m '" + voice + "' '" + noise +
                  "' '" + bright + "' 2>&1");
    return bright;
}
} // namespace

// The one command a podcaster runs, checked by a meter that is not ours: the loudness, the ceiling,
// and the true peak the tool reports, also on bright material at 44.1 kHz.
TEST(PluginDelivery, ExampleVoiceReachesEachTargetUnderMinusOneDbtpInEveryFileType)
{
    struct Case
    {
        const char* output;
        std::vector<std::string> options;
        double lufs;        // as ffmpeg reads it, mono as dual mono
        const char* probed; // expected in ffprobe's line
        bool bright = false;
    };
    const std::vector<Case> cases = {
        // clang-format off
        {"podcast.wav", {"--target", "podcast"}, -16.0, ""},
        {"podcast.mp3", {"--target", "podcast", "--title", "Episode 1", "--artist", "Pomelu"}, -16.0, "bit_rate=64"},
        {"broadcast.wav", {"--target", "broadcast", "--format", "pcm24"}, -23.0, ""},
        {"streaming.flac", {"--target", "streaming"}, -14.0, ""},
        {"streaming.opus", {"--target", "streaming", "--title", "Episode 1"}, -14.0, "Episode 1"},
        {"own.ogg", {"--lufs", "-21", "--quality", "6", "--comment", "take 2"}, -18.0, "bit_rate="},
        {"bright.wav", {"--target", "streaming"}, -14.0, "", true},
        {"bright.flac", {"--target", "streaming"}, -14.0, "", true},
        {"bright.mp3", {"--target", "streaming"}, -14.0, "", true},
        {"bright.ogg", {"--target", "streaming"}, -14.0, "", true},
        // clang-format on
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.output);
        TempDir dir;
        std::vector<std::string> arguments{c.bright ? brightVoice(dir) : POMELU_EXAMPLE_VOICE,
                                           dir.file(c.output), "--report", "json"};
        if (!c.bright)
            arguments.insert(arguments.end(), {"--preset", "Podcast"});
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const ToolRun run = runTool(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const IndependentReading reading = readIndependently(dir.file(c.output));
        EXPECT_NEAR(reading.lufs, c.lufs, 0.5) << run.out;
        EXPECT_EQ(run.err, "");
        EXPECT_LE(reading.truePeakDbtp, -1.0) << run.out;
        EXPECT_NEAR(reportedTruePeak(run.out), reading.truePeakDbtp, 0.1) << run.out;
        if (!std::isnan(reading.soxPeakDbtp))
        {
            EXPECT_NEAR(reportedTruePeak(run.out), reading.soxPeakDbtp, 0.1) << run.out;
        }
        EXPECT_NE(reading.probe.find(c.probed), std::string::npos) << reading.probe;
        if (std::string(c.output) == "podcast.mp3")
        {
            EXPECT_NE(reading.probe.find("title=Episode 1"), std::string::npos) << reading.probe;
            EXPECT_NE(reading.probe.find("artist=Pomelu"), std::string::npos) << reading.probe;
        }
    }
}
