// SPDX-License-Identifier: GPL-3.0-or-later
// The example voice rendered through the plug-in with every factory preset, the full rack and a
// rack with every setting moving, compared sample by sample with renders stored in reference/.
// Any change to the engine's arithmetic must keep every output within 1e-12 of those renders.
//
// The stored renders keep every 257th frame of the whole file: 257 is coprime to the block sizes,
// the phaser's 16-sample update and the tremolo's 256-sample renormalisation, so every position
// within those cycles is checked, and the recursive filters, lines and envelopes carry any
// deviation into the frames kept. To make the references anew from the engine as it stands, run
// the test with POMELU_WRITE_RENDER_REFERENCE=1 (it then writes instead of comparing).
#include "PluginRig.h"
#include "ReferenceFile.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace pomelu;

namespace
{

constexpr std::size_t kStride = 257;
constexpr double kTolerance = 1e-12;

struct RenderCase
{
    const char* name;
    int channels; // 1: mono in, mono out; 2: stereo in, stereo out
    int blockSize;
    std::function<void(PomeluRarorudIzad&)> setUp;
    std::function<void(PomeluRarorudIzad&, int block)> perBlock = nullptr;
};

void PrintTo(const RenderCase& c, std::ostream* os)
{
    *os << c.name;
}

void setParam(PomeluRarorudIzad& plug, int index, double value)
{
    plug.GetParam(index)->Set(value);
}

void fullRack(PomeluRarorudIzad& plug)
{
    for (int p : {kPopCut, kSClear, kEq, kLeveler, kComp, kClipGuard, kDistortion, kPhaser, kTremolo, kDelay,
                  kReverb})
        setParam(plug, p, 1.0);
    setParam(plug, kDelayWet, 30.0);
    setParam(plug, kReverbWet, 30.0);
    setParam(plug, kDistortionMix, 50.0);
    setParam(plug, kTremoloDepth, 50.0);
}

// Everything on, in reverse order, with stereo delay, steep cuts, moving knobs and the distortion
// style changing every block, so every path of every module has its turn.
void fullRackMoving(PomeluRarorudIzad& plug)
{
    fullRack(plug);
    dsp::ModuleOrder reversed{};
    for (int i = 0; i < 11; ++i)
        reversed[static_cast<std::size_t>(i)] = static_cast<dsp::ModuleId>(10 - i);
    plug.setModuleOrder(reversed, false);
    const std::pair<int, double> values[] = {
        // clang-format off
        {kInput, 4.0}, {kOutput, -2.0}, {kSClearAmount, 60.0}, {kEqLowCutSlope, 1.0},
        {kEqHighCut, 1.0}, {kEqHighCutSlope, 1.0}, {kEqHighCutFrequency, 9000.0}, {kEqLow, 3.0},
        {kEqHigh, -4.0}, {kCompMakeup, 3.0}, {kCompExpander, 60.0}, {kCompMix, 70.0},
        {kCompKnee, 6.0}, {kCompThreshold, -30.0}, {kCeiling, -3.0}, {kClipGuardAmount, 100.0},
        {kDrive, 40.0}, {kDistortionMix, 60.0}, {kPhaserDepth, 80.0}, {kPhaserMix, 60.0},
        {kPhaserRate, 2.0}, {kTremoloSync, 1.0}, {kTremoloDivision, 4.0}, {kDelayStereo, 1.0},
        {kDelayCrossFeedback, 60.0}, {kDelayWidth, 150.0}, {kDelayLeftMix, 25.0}, {kDelayRightMix, 35.0},
        {kDelayLeftFeedback, 50.0}, {kDelayRightFeedback, 30.0}, {kReverbSize, 80.0}, {kReverbDecay, 70.0},
        {kReverbPreDelay, 40.0}, {kReverbTone, 20.0},
        // clang-format on
    };
    for (const auto& [index, value] : values)
        setParam(plug, index, value);
}

void moveKnobs(PomeluRarorudIzad& plug, int block)
{
    setParam(plug, kDistortionStyle, block % 8);
    setParam(plug, kEqMid, 9.0 * std::sin(0.05 * block));
    setParam(plug, kDelayTime, 200.0 + 10.0 * (block % 13));
}

const RenderCase kCases[] = {
    {"natural", 2, 512, [](PomeluRarorudIzad& p) { p.RestorePreset(0); }},
    {"singing", 2, 512, [](PomeluRarorudIzad& p) { p.RestorePreset(1); }},
    {"narration", 2, 512, [](PomeluRarorudIzad& p) { p.RestorePreset(2); }},
    {"podcast", 2, 512, [](PomeluRarorudIzad& p) { p.RestorePreset(3); }},
    {"gentle", 2, 512, [](PomeluRarorudIzad& p) { p.RestorePreset(4); }},
    {"full-rack", 2, 512, fullRack},
    {"full-rack-moving", 2, 512, fullRackMoving, moveKnobs},
    {"podcast-mono", 1, 512, [](PomeluRarorudIzad& p) { p.RestorePreset(3); }},
    {"full-rack-mono-333", 1, 333, fullRack},
};

// The voice on the left; on the right the same voice 0.37 ms later and a little quieter, so the
// two channels differ everywhere.
std::vector<double> render(const RenderCase& c, const std::vector<double>& voice)
{
    auto plug = test::makePlug(48000.0, c.blockSize, c.channels, c.channels);
    c.setUp(*plug);
    const std::size_t frames = voice.size();
    std::vector<double> in[2] = {voice, std::vector<double>(frames, 0.0)};
    for (std::size_t i = 18; i < frames; ++i)
        in[1][i] = 0.8 * voice[i - 18];
    std::vector<double> out[2] = {std::vector<double>(frames), std::vector<double>(frames)};

    const auto block = static_cast<std::size_t>(c.blockSize);
    for (std::size_t pos = 0, k = 0; pos < frames; pos += block, ++k)
    {
        if (c.perBlock)
            c.perBlock(*plug, static_cast<int>(k));
        double* ins[2] = {in[0].data() + pos, in[1].data() + pos};
        double* outs[2] = {out[0].data() + pos, out[1].data() + pos};
        plug->ProcessBlock(ins, outs, static_cast<int>(std::min(block, frames - pos)));
    }

    std::vector<double> kept;
    for (std::size_t i = 0; i < frames; i += kStride)
        for (int ch = 0; ch < c.channels; ++ch)
            kept.push_back(out[ch][i]);
    return kept;
}

std::string referencePath(const RenderCase& c)
{
    return std::string(POMELU_REFERENCE_DIR) + "/" + c.name + ".f64";
}

class RenderReference : public testing::TestWithParam<RenderCase>
{
};

TEST_P(RenderReference, StaysWithinOneTrillionthOfTheStoredRender)
{
    static const std::vector<double> voice = test::readFirstChannel(POMELU_VOICE_FILE);
    ASSERT_GT(voice.size(), 48000u * 10) << "cannot read " << POMELU_VOICE_FILE;
    const RenderCase& c = GetParam();
    const std::vector<double> rendered = render(c, voice);

    if (const char* write = std::getenv("POMELU_WRITE_RENDER_REFERENCE"); write != nullptr && *write == '1')
    {
        ASSERT_TRUE(test::writeReference(referencePath(c), rendered));
        GTEST_SKIP() << "wrote " << referencePath(c);
    }

    const std::vector<double> reference = test::readReference(referencePath(c));
    ASSERT_EQ(reference.size(), rendered.size()) << referencePath(c);
    EXPECT_GT(test::peakAbs(reference.data(), reference.size()), 0.05) << "the reference holds sound";
    const test::Deviation d = test::largestDeviation(rendered, reference);
    EXPECT_LE(d.largest, kTolerance) << "frame " << d.at / static_cast<std::size_t>(c.channels) * kStride
                                     << ", channel " << d.at % static_cast<std::size_t>(c.channels);
}

INSTANTIATE_TEST_SUITE_P(ExampleVoice, RenderReference, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<RenderCase>& info)
                         {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (ch == '-')
                                     ch = '_';
                             return name;
                         });

} // namespace
