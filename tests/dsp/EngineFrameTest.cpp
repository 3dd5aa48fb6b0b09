// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineRig.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace pomelu;
using namespace pomelu::test;

TEST(EngineFrame, WithEveryModuleOffAndUnityGainsTheOutputIsTheInput)
{
    EngineRig rig(allModulesOff());
    const auto left = sine(330.0, 48000.0, 9000, 0.7);
    const auto right = sine(1250.0, 48000.0, 9000, -0.4);
    const auto out = rig.run({left, right});
    EXPECT_EQ(out[0], left);
    EXPECT_EQ(out[1], right);
}

TEST(EngineFrame, EachModuleAtZeroAmountDepthOrMixPassesTheInputBitForBit)
{
    const auto in = sine(440.0, 48000.0, 20000, 0.9);
    auto check = [&](const char* what, auto&& setUp)
    {
        auto s = allModulesOff();
        setUp(s);
        EngineRig rig(s);
        EXPECT_EQ(rig.runMono(in), in) << what;
    };
    check("S Clear amount 0", [](dsp::RackSettings& s) { s.sClearOn = true, s.sClearAmount = 0.0; });
    check("Tremolo depth 0", [](dsp::RackSettings& s) { s.tremoloOn = true, s.tremoloDepth = 0.0; });
    check("Reverb wet 0", [](dsp::RackSettings& s) { s.reverbOn = true, s.reverbWet = 0.0; });
    for (int style = 0; style < 10; ++style)
        check(("Distortion mix 0, style " + std::to_string(style)).c_str(),
              [&](dsp::RackSettings& s)
              {
                  s.distortionOn = true, s.distortionStyle = style;
                  s.drive = s.distortionTone = 100.0;
                  s.distortionMix = 0.0;
              });
}

TEST(EngineFrame, GainStepsMove63PercentOfTheWayIn12Ms)
{
    auto s = allModulesOff();
    s.inputGainDb = 6.0;
    s.outputGainDb = -12.0;
    EngineRig rig(s);
    rig.runMono(std::vector<double>(576, 0.0), 576); // 12 ms at 48 kHz
    const double moved = 1.0 - std::exp(-1.0);
    EXPECT_NEAR((rig.engine.inputGain - 1.0) / (std::pow(10.0, 6.0 / 20.0) - 1.0), moved, 1e-9);
    EXPECT_NEAR((rig.engine.outputGain - 1.0) / (std::pow(10.0, -12.0 / 20.0) - 1.0), moved, 1e-9);
}

TEST(EngineFrame, BypassOutputsTheHostInputExactlyWhateverTheGainsAndModules)
{
    dsp::RackSettings s; // defaults: Pop Cut and EQ on
    s.bypass = true;
    s.inputGainDb = 18.0;
    s.outputGainDb = -18.0;
    s.distortionOn = s.compOn = s.reverbOn = true;
    s.reverbWet = 50.0;
    EngineRig rig(s);
    const auto in = sine(100.0, 48000.0, 4000, 0.9);
    const auto out = rig.run({in, in});
    EXPECT_EQ(out[0], in);
    EXPECT_EQ(out[1], in);
    EXPECT_NEAR(rig.engine.outputPeak(), toDb(peakAbs(in.data(), in.size())), 1e-9)
        << "output meter: raw input";
    EXPECT_NEAR(rig.engine.inputPeak(), toDb(peakAbs(in.data() + 3584, 416)) + 18.0, 0.05)
        << "input meter: gain-adjusted input";
}

TEST(EngineFrame, MonoInputFeedsBothChannelsIdentically)
{
    dsp::RackSettings s;
    s.sClearOn = s.distortionOn = true;
    EngineRig rig(s);
    const auto in = sine(2000.0, 48000.0, 4000, 0.5);
    const auto out = rig.run({in}, 2);
    EXPECT_EQ(out[0], out[1]);
}

TEST(EngineFrame, AZeroFrameBlockOnlyRefreshesTheMeters)
{
    dsp::RackSettings s;
    s.compOn = true;
    s.compThresholdDb = -40.0;
    EngineRig rig(s);
    rig.run({sine(200.0, 48000.0, 4800, 0.9)});
    ASSERT_GT(rig.engine.gainReduction(), 0.0);
    const double envelope = rig.engine.levelEnvelope;
    const auto writePosition = rig.engine.delayWrite;
    double* outs[2] = {nullptr, nullptr};
    rig.engine.process(nullptr, outs, 2, 2, 0);
    EXPECT_EQ(rig.engine.inputPeak(), -180.0);
    EXPECT_EQ(rig.engine.outputPeak(), -180.0);
    EXPECT_EQ(rig.engine.gainReduction(), 0.0);
    EXPECT_EQ(rig.engine.levelEnvelope, envelope);
    EXPECT_EQ(rig.engine.delayWrite, writePosition);
}

TEST(EngineFrame, OrderEntriesAboveTenDoNothingAndRepeatsRunTwice)
{
    auto s = allModulesOff();
    s.sClearOn = true;
    s.sClearAmount = 100.0;
    s.order.fill(static_cast<dsp::ModuleId>(200));
    {
        EngineRig rig(s);
        const auto in = sine(18000.0, 48000.0, 4800, 0.5);
        EXPECT_EQ(rig.runMono(in), in);
    }
    s = allModulesOff();
    s.compOn = true;
    s.compThresholdDb = 0.0;
    s.compExpander = 0.0;
    s.compMakeupDb = 6.0;
    s.order[0] = dsp::ModuleId::Comp; // the compressor's gain is now applied twice
    EngineRig rig(s);
    const auto out = rig.runMono(std::vector<double>(48000 * 3, 0.1));
    EXPECT_NEAR(toDb(out.back() / 0.1), 12.0, 1e-6);
}

TEST(EngineFrame, MissingReverbKeepsItsPreDelayRecordingSoItPlaysAtOnceWhenBack)
{
    auto s = allModulesOff();
    s.order[10] = static_cast<dsp::ModuleId>(11); // no Reverb entry
    EngineRig rig(s);
    rig.runMono(impulse(100));
    EXPECT_EQ(rig.engine.preDelayLine.frame(0)[0], 1.0);

    rig.settings.order = dsp::defaultModuleOrder();
    rig.settings.reverbOn = true;
    rig.settings.reverbWet = 100.0;
    rig.settings.reverbPreDelayMs = 18.0; // 864 samples
    const auto out = rig.runMono(std::vector<double>(20000, 0.0));
    // The impulse entered at sample 0, 100 samples before this run: pre-delay plus the first comb loop.
    EXPECT_EQ(firstNonZero(out) + 100, 864u + 8647u);
}

TEST(EngineFrame, NonFiniteInputIsSilenceAndTheOutputRecoversAtOnce)
{
    dsp::RackSettings s;
    s.compOn = s.levelerOn = s.delayOn = s.reverbOn = s.distortionOn = true;
    s.delayWet = s.reverbWet = 30.0;
    auto in = sine(300.0, 48000.0, 9600, 0.5);
    auto reference = in;
    reference[1000] = 0.0;
    in[1000] = std::numeric_limits<double>::quiet_NaN();
    in[2000] = reference[2000] = 0.0;
    in[3000] = std::numeric_limits<double>::infinity();
    reference[3000] = 0.0;
    EngineRig poisoned(s), clean(s);
    EXPECT_EQ(poisoned.runMono(in), clean.runMono(reference));
    EXPECT_TRUE(std::isfinite(poisoned.engine.levelEnvelope));
}

TEST(EngineFrame, ProcessBeforePrepareDoesNotCrashAndStaysFinite)
{
    dsp::RackEngine engine;
    dsp::RackSettings s;
    s.delayOn = s.reverbOn = true;
    s.reverbWet = s.delayWet = 50.0;
    engine.applySettings(s);
    const auto in = sine(440.0, 48000.0, 256, 0.5);
    std::vector<double> out(256, 7.0);
    const double* ins[1] = {in.data()};
    double* outs[1] = {out.data()};
    engine.process(ins, outs, 1, 1, 256);
    for (double v : out)
        ASSERT_TRUE(std::isfinite(v));
}

TEST(EngineFrame, OddChannelLayoutsAreHandled)
{
    EngineRig rig(allModulesOff());
    const auto in = sine(440.0, 48000.0, 512, 0.5);
    std::vector<double> o0(512, 9.0), o2(512, 9.0), o3(512, 9.0);
    const double* ins[2] = {in.data(), nullptr};
    double* outs[4] = {o0.data(), nullptr, o2.data(), o3.data()};
    rig.engine.applySettings(rig.settings);
    rig.engine.process(ins, outs, 2, 4, 512);
    EXPECT_EQ(o0, in);
    EXPECT_EQ(o2, std::vector<double>(512, 0.0)) << "extra channel 2 copies input 1, which is null";
    EXPECT_EQ(o3, std::vector<double>(512, 0.0));

    rig.engine.process(ins, outs, -3, -1, 512); // negative counts are 0: nothing processed, nothing written
    EXPECT_EQ(o0, in);
    rig.engine.process(nullptr, nullptr, 2, 2, 512);
    EXPECT_EQ(rig.engine.outputPeak(), -180.0);
}

TEST(EngineFrame, PrepareFloorsTheSampleRateAt8000AndSizesTheLines)
{
    dsp::RackEngine engine;
    engine.prepare(0.0, 0);
    EXPECT_EQ(engine.sampleRate, 8000.0);
    EXPECT_EQ(engine.delayLine.size(), 20800u + 1u + 8u);
    EXPECT_EQ(engine.preDelayLine.size(), 2080u + 1u + 8u);
    engine.prepare(48000.0, 512);
    EXPECT_EQ(engine.combs[0][0].size(), 8648u);
    EXPECT_EQ(engine.combs[1][3].size(), 10138u);
    engine.prepare(44100.0, 512);
    EXPECT_EQ(engine.combs[0][3].size(), 9239u);
    EXPECT_EQ(engine.combs[1][0].size(), 8143u);
}
