// SPDX-License-Identifier: GPL-3.0-or-later
// pomelu-render against a host: the built bundle loaded with dlopen and driven through VST 3.
#include "PluginInstance.h"
#include "PomeluEffect.h"
#include "RenderSession.h"
#include "ToolTestFiles.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <sstream>

using namespace pomelu::tools;
using namespace pomelu::tools::test;

namespace
{
constexpr int kBlock = 512;
constexpr double kTempo = 120.0;

// The input rendered by a host that picks the preset through the program-change parameter.
std::vector<double> renderThroughHost(const AudioData& input, double programValue)
{
    pomelu::host::PluginInstance host;
    if (!host.open(POMELU_VST3_BUNDLE_DIR))
    {
        ADD_FAILURE() << host.lastError();
        return {};
    }
    // The program-change parameter follows the plug-in's parameters and the host bypass.
    const Steinberg::Vst::ParamID programId =
        static_cast<Steinberg::Vst::ParamID>(host.controller()->getParameterCount() - 1);
    EXPECT_EQ(host.controller()->setParamNormalized(programId, programValue), Steinberg::kResultOk);
    EXPECT_TRUE(host.setup(input.sampleRate, kBlock, Steinberg::Vst::kSample64,
                           input.channels == 1 ? Steinberg::Vst::SpeakerArr::kMono
                                               : Steinberg::Vst::SpeakerArr::kStereo));

    const int channels = input.channels;
    std::vector<std::vector<double>> in(channels, std::vector<double>(kBlock)),
        out(channels, std::vector<double>(kBlock));
    double* inPtr[2] = {in[0].data(), in[channels - 1].data()};
    double* outPtr[2] = {out[0].data(), out[channels - 1].data()};
    std::vector<double> result(input.samples.size());
    const long frames = input.frames();
    for (long start = 0; start < frames; start += kBlock)
    {
        const int n = static_cast<int>(std::min<long>(kBlock, frames - start));
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                in[c][i] = input.samples[static_cast<std::size_t>((start + i) * channels + c)];
        EXPECT_EQ(host.process64(inPtr, outPtr, channels, channels, n, {}, kTempo), Steinberg::kResultOk);
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                result[static_cast<std::size_t>((start + i) * channels + c)] = out[c][i];
    }
    return result;
}
} // namespace

TEST(HostComparison, PodcastPresetRenderIsIdenticalToTheSameSettingsThroughAVst3Host)
{
    TempDir dir;
    writeAudio(dir.file("in.wav"), testProgramme(48000, 2, 3.0), SF_FORMAT_FLOAT);
    const AudioData input = readAudio(dir.file("in.wav"));

    std::ostringstream out, err;
    const ToolEnvironment environment{out, err, nullptr, false, makePomeluEffect};
    ASSERT_EQ(runRenderTool({dir.file("in.wav"), dir.file("out.wav"), "--preset", "Podcast", "--block", "512",
                             "--tempo", "120"},
                            environment),
              0)
        << err.str();
    const AudioData rendered = readAudio(dir.file("out.wav"));

    // "Podcast" is the fourth of five presets: normalised program value 3 / 4.
    const std::vector<double> hosted = renderThroughHost(input, 0.75);
    ASSERT_EQ(hosted.size(), rendered.samples.size());
    double largestChange = 0.0;
    for (std::size_t i = 0; i < hosted.size(); ++i)
    {
        // The tool writes 32-bit float: compare at that precision, exactly.
        ASSERT_EQ(static_cast<float>(hosted[i]), static_cast<float>(rendered.samples[i]))
            << "first difference at sample " << i;
        largestChange = std::max(largestChange, std::fabs(hosted[i] - input.samples[i]));
    }
    EXPECT_GT(largestChange, 1e-3) << "the preset must change the sound, or the comparison proves nothing";
}
