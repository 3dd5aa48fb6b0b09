// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in class with its audio thread and its UI thread at work at the same time: analyzer
// options, module order, A/B switch, preset recall and the idle drain of the senders.
#include "ThreadRig.h"

#include "Presets.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pomelu;
using namespace pomelu::test;

namespace
{

constexpr int kBlock = 128;
constexpr int kBlocks = 600;

void message(PomeluRarorudIzad& plug, int msgTag, std::int32_t value)
{
    plug.OnMessage(msgTag, kCtrlTagSpectrum, static_cast<int>(sizeof value), &value);
}

} // namespace

TEST(PluginThreads, IdleDrainsTheSendersAndAnalyzerOptionsResizeTheSpectrumWhileAudioRuns)
{
    PlugPtr plug = makeRunningPlug(kBlock);
    CheckingEditor editor;
    plug->AttachEditor(&editor);
    plug->OnUIOpen();
    // Accepted and refused sizes and overlaps alike; the sender falls back on the refused ones. The
    // compressor display reads the meter taps on the UI thread as the engine writes them.
    const std::int32_t sizes[] = {128, 4096, 256, 3, 2048, 16384, 512, 1024, -1};
    const std::int32_t overlaps[] = {1, 2, 4, 8, 0, 100000, 16, 1};
    bool metersSound = true;
    const RaceResult race =
        raceAudioAgainstUi(*plug, kBlocks, kBlock, 200,
                           [&](int round)
                           {
                               message(*plug, kMsgTagFFTSize, sizes[round % 9]);
                               message(*plug, kMsgTagOverlap, overlaps[round % 8]);
                               message(*plug, kMsgTagWindowType, round % 6);
                               plug->OnIdle();
                               if (round % 16 == 0)
                                   plug->requestRebuild();
                               metersSound = metersSound && plug->gainReduction() >= 0.0 &&
                                             plug->inputPeak() >= -180.0 && plug->outputPeak() >= -180.0;
                           });
    EXPECT_TRUE(race.outputsFinite);
    EXPECT_EQ(race.blocks, kBlocks);
    EXPECT_TRUE(metersSound);
    plug->OnIdle();
    // Queues of 64 may drop records when the UI falls behind, never deliver broken ones; at least
    // the records of the last 64 blocks and whatever the idle calls caught on the way arrive.
    EXPECT_GE(editor.meterRecords, 64);
    EXPECT_LE(editor.meterRecords, kBlocks);
    EXPECT_GE(editor.removals, 1) << "requested rebuilds ran";
    const int meters = editor.meterRecords, frames = editor.spectrumFrames;
    plug->OnIdle();
    EXPECT_EQ(editor.meterRecords, meters) << "nothing is left behind";
    EXPECT_EQ(editor.spectrumFrames, frames);

    // Settled: the next frames are made with the last setting, and all that came were sound.
    message(*plug, kMsgTagFFTSize, 512);
    message(*plug, kMsgTagOverlap, 2);
    EXPECT_EQ(plug->spectrumSender().GetFFTSize(), 512);
    EXPECT_EQ(plug->spectrumSender().GetOverlap(), 2);
    plug->OnIdle(); // empties the queue of older frames
    std::vector<double> in(kBlock, 0.25), l(kBlock), r(kBlock);
    double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {l.data(), r.data()};
    for (int b = 0; b < 16; ++b)
        plug->ProcessBlock(ins, outs, kBlock);
    plug->OnIdle();
    EXPECT_GT(editor.spectrumFrames, frames);
    EXPECT_EQ(editor.lastFFTSize, 512);
    EXPECT_EQ(editor.badMessages, 0);
    plug->AttachEditor(nullptr);
}

TEST(PluginThreads, EveryBlockRunsAWholeOrderWhileSwitchesPresetsAndRoutingDragsHammerIt)
{
    // Side A keeps the default order, side B the reverse, and drags, undo and reset flip between
    // orders: a block that saw half of a change would run a module twice and miss another.
    PlugPtr plug = makeRunningPlug(4);
    CheckingEditor editor;
    plug->AttachEditor(&editor);
    plug->OnUIOpen();
    const dsp::ModuleOrder identity = dsp::defaultModuleOrder();
    dsp::ModuleOrder reversed = identity;
    std::reverse(reversed.begin(), reversed.end());
    plug->switchCompareSlot();
    plug->setModuleOrder(reversed, false);
    int switches = 1;
    const RaceResult race =
        raceAudioAgainstUi(*plug, 40000, 4, 200,
                           [&](int round)
                           {
                               plug->switchCompareSlot();
                               ++switches;
                               plug->RestorePreset(round % kNumPresets);
                               plug->SetParameterValueFromPlugin(kCompThreshold, (round % 10) / 10.0);
                               for (int k = 0; k < 500; ++k)
                                   plug->setModuleOrder((round + k) % 2 ? reversed : identity, true);
                               if (round % 2)
                                   plug->undoModuleOrder();
                               else
                                   plug->resetModuleOrder();
                               plug->OnIdle();
                           });
    EXPECT_EQ(race.tornOrders, 0) << "of " << race.blocks << " blocks";
    EXPECT_TRUE(race.outputsFinite);
    EXPECT_EQ(plug->compareSlots().activeSlot(), switches % 2);
    for (int i = 0; i < kNumParams; ++i)
    {
        const iplug::IParam* p = plug->GetParam(i);
        EXPECT_TRUE(p->Value() >= p->GetMin() && p->Value() <= p->GetMax()) << p->GetName();
    }
    EXPECT_EQ(editor.badMessages, 0);
    plug->AttachEditor(nullptr);
}
