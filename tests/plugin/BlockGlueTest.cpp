// SPDX-License-Identifier: GPL-3.0-or-later
#include "PluginRig.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace pomelu;
using pomelu::test::makePlug;

namespace
{

// What the idle call hands the editor from the senders' queues.
pomelu::test::RecordingEditor drain(PomeluRarorudIzad& plug)
{
    pomelu::test::RecordingEditor editor;
    plug.AttachEditor(&editor);
    plug.OnIdle();
    plug.AttachEditor(nullptr);
    return editor;
}

template <class Record> int nChans(const pomelu::test::RecordingEditor::Message& m)
{
    Record r;
    std::memcpy(&r, m.data.data(), sizeof r);
    return r.nChans;
}

} // namespace

TEST(BlockGlue, EveryParameterReachesItsField)
{
    using S = dsp::RackSettings;
    const struct
    {
        int param;
        double value;
        double (*field)(const S&);
    } rows[] = {
        {kBypass, 1, [](const S& s) { return double(s.bypass); }},
        {kInput, -3.5, [](const S& s) { return s.inputGainDb; }},
        {kSClear, 1, [](const S& s) { return double(s.sClearOn); }},
        {kSClearFocus, 7205, [](const S& s) { return s.sClearFocus; }},
        {kEqHighMid, 4.5, [](const S& s) { return s.eqGainDb[3]; }},
        {kEqHighMidFrequency, 6000, [](const S& s) { return s.eqFrequency[3]; }},
        {kEqHighMidQ, 2.5, [](const S& s) { return s.eqQ[3]; }},
        {kEqLowCutSlope, 1, [](const S& s) { return double(s.lowCutSteep && !s.highCutSteep); }},
        {kEqHighCut, 1, [](const S& s) { return double(s.highCutOn); }},
        {kEqHighCutFrequency, 9000, [](const S& s) { return s.highCutFrequency; }},
        {kLevelerSensitivity, 70, [](const S& s) { return s.levelerSensitivity; }},
        {kCompRatio, 4.2, [](const S& s) { return s.compRatio; }},
        {kCompKnee, 6, [](const S& s) { return s.compKneeDb; }},
        {kDistortionStyle, 6, [](const S& s) { return double(s.distortionStyle); }},
        {kPhaserMix, 40, [](const S& s) { return s.phaserMix; }},
        {kTremoloSync, 1, [](const S& s) { return double(s.tremoloSync); }},
        {kTremoloDivision, 4, [](const S& s) { return double(s.tremoloDivision); }},
        {kDelayStereo, 1, [](const S& s) { return double(s.delayStereo); }},
        {kDelayFeel, 2, [](const S& s) { return double(s.delayFeel); }},
        {kDelayRightMix, 33, [](const S& s) { return s.delayRightMix; }},
        {kReverbPreDelay, 120, [](const S& s) { return s.reverbPreDelayMs; }},
        {kCeiling, -3, [](const S& s) { return s.clipCeilingDb; }},
        {kOutput, 2.5, [](const S& s) { return s.outputGainDb; }},
    };
    auto plug = makePlug();
    for (const auto& r : rows)
        plug->GetParam(r.param)->Set(r.value);
    plug->GetParam(kTheme)->Set(2); // not read by the engine
    const dsp::RackSettings s = fillRackSettings(liveValues(*plug), 98.0, dsp::defaultModuleOrder());
    for (const auto& r : rows)
        EXPECT_EQ(r.field(s), r.value) << plug->GetParam(r.param)->GetName();
    EXPECT_EQ(s.tempoBpm, 98.0);
}

TEST(BlockGlue, TempoOfOneOrLessFallsBackTo120AndSlopeIndexOneAloneIsSteep)
{
    auto plug = makePlug();
    auto fill = [&](double tempo)
    { return fillRackSettings(liveValues(*plug), tempo, dsp::defaultModuleOrder()); };
    EXPECT_EQ(fill(0.0).tempoBpm, 120.0);
    EXPECT_EQ(fill(-5.0).tempoBpm, 120.0);
    EXPECT_EQ(fill(1.0).tempoBpm, 120.0);
    EXPECT_EQ(fill(1.5).tempoBpm, 1.5);
    plug->GetParam(kEqHighCutSlope)->Set(1);
    EXPECT_TRUE(fill(0.0).highCutSteep);
    plug->GetParam(kEqHighCutSlope)->Set(0);
    EXPECT_FALSE(fill(0.0).highCutSteep);
}

TEST(BlockGlue, MonoOutputProcessesOneChannelAndFeedsTheSendersOne)
{
    auto plug = makePlug(48000.0, 512, 1, 1);
    plug->OnUIOpen(); // the analyzer runs for an open editor only
    auto in = pomelu::test::sine(1000.0, 48000.0, 2048, 0.5);
    std::vector<double> out(2048, 0.0);
    double* ins[1] = {in.data()};
    double* outs[1] = {out.data()};
    for (int pos = 0; pos < 2048; pos += 512)
    {
        ins[0] = in.data() + pos;
        outs[0] = out.data() + pos;
        plug->ProcessBlock(ins, outs, 512);
    }
    EXPECT_GT(pomelu::test::peakAbs(out.data() + 1024, 1024), 0.4);
    const auto sent = drain(*plug);
    ASSERT_GT(sent.updates(kCtrlTagMeter), 0);
    ASSERT_GT(sent.updates(kCtrlTagSpectrum), 0);
    for (const auto& m : sent.messages)
        if (m.msgTag == iplug::kUpdateMessage)
        {
            EXPECT_EQ(m.ctrlTag == kCtrlTagMeter ? nChans<iplug::PeakAvgRecord>(m)
                                                 : nChans<iplug::SpectrumFrame>(m),
                      1)
                << "control " << m.ctrlTag;
        }
}

TEST(BlockGlue, NoOutputChannelsFeedNeitherSender)
{
    auto plug = makePlug(48000.0, 512, 2, 0);
    plug->OnUIOpen();
    auto in = pomelu::test::sine(1000.0, 48000.0, 2048, 0.5);
    double* ins[2] = {in.data(), in.data()};
    plug->ProcessBlock(ins, nullptr, 2048);
    EXPECT_TRUE(drain(*plug).messages.empty());
}

TEST(BlockGlue, AZeroFrameBlockStillAppliesTheSettingsAndTheModuleOrder)
{
    auto plug = makePlug();
    plug->GetParam(kEqMid)->Set(7.5);
    dsp::ModuleOrder order = dsp::defaultModuleOrder();
    std::swap(order[0], order[10]);
    plug->setModuleOrder(order, true);
    plug->ProcessBlock(nullptr, nullptr, 0);
    EXPECT_EQ(plug->appliedSettings().eqGainDb[2], 7.5);
    EXPECT_EQ(plug->appliedSettings().order, order);
}
