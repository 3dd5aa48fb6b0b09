// SPDX-License-Identifier: GPL-3.0-or-later
// The VST 3 wrapper as a host drives it from two threads: process() with parameter and program
// changes on the audio thread; parameter, program, state and bypass calls on the UI thread; and the
// wrapper's own idle timer running beside both.
#include "PluginInstance.h"
#include "ThreadRig.h"

#include <gtest/gtest.h>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace pomelu;
using namespace pomelu::test;

TEST(WrapperThreads, HostCallsFromTheUiThreadWhileTheAudioThreadProcesses)
{
    constexpr int kFrames = 256;
    constexpr int kBlocks = 400;
    // As the factory makes it: with the idle timer.
    auto* plug = new PomeluRarorudIzad(iplug::InstanceInfo{true});
    host::PluginInstance host;
    ASSERT_TRUE(host.adopt(static_cast<IComponent*>(plug))) << host.lastError();
    ASSERT_TRUE(host.setup(48000.0, kFrames, kSample64)) << host.lastError();
    IEditController* controller = host.controller();
    for (int idx : {kComp, kDelay, kReverb, kPhaser, kTremolo})
        controller->setParamNormalized(static_cast<ParamID>(idx), 1.0);

    std::vector<std::uint8_t> saved;
    ASSERT_TRUE(host.getState(saved));

    const std::vector<host::ParamChange> automation[3] = {
        {{static_cast<ParamID>(pomelu::kInput), 0.3, 0}, {static_cast<ParamID>(kCompThreshold), 0.2, 0}},
        {{90, 0.5, 0}}, // program change on the audio thread
        {{static_cast<ParamID>(pomelu::kInput), 0.7, 0}, {89, 0.0, 0}}};
    const RaceResult race = raceAudioAgainstUi(
        kBlocks, kFrames, 100,
        [&](double** ins, double** outs, int b)
        {
            host.process64(ins, outs, 2, 2, kFrames, automation[b % 3], 96.0);
            return true;
        },
        [&](int round)
        {
            switch (round % 5)
            {
            case 0:
                controller->setParamNormalized(static_cast<ParamID>(pomelu::kOutput), (round % 7) / 7.0);
                break;
            case 1:
                controller->setParamNormalized(90, (round % 5) / 4.0); // program change on the UI thread
                break;
            case 2:
            {
                std::vector<std::uint8_t> state;
                EXPECT_TRUE(host.getState(state));
                break;
            }
            case 3:
                EXPECT_TRUE(host.setState(saved));
                break;
            default:
                controller->setParamNormalized(89, round % 2 == 0 ? 1.0 : 0.0);
                plug->RunIdleTick();
                break;
            }
        });
    EXPECT_TRUE(race.outputsFinite);

    // Settled: the saved state loads back exactly.
    ASSERT_TRUE(host.setState(saved));
    std::vector<std::uint8_t> again;
    ASSERT_TRUE(host.getState(again));
    EXPECT_EQ(again, saved);
}

// Two states at unity overall, Input +18 dB with Output -18 dB and the reverse, loaded in turn
// through the host's setState and then swapped by the A/B switch while blocks run: every block
// runs one whole state, never Input from one and Output from the other (+36 or -36 dB).
TEST(WrapperThreads, RestoresAndTheCompareSwitchReachABlockWhole)
{
    constexpr int kFrames = 16;
    auto* plug = new PomeluRarorudIzad(iplug::InstanceInfo{false});
    host::PluginInstance host;
    ASSERT_TRUE(host.adopt(static_cast<IComponent*>(plug))) << host.lastError();
    ASSERT_TRUE(host.setup(48000.0, kFrames, kSample64)) << host.lastError();
    IEditController* controller = host.controller();
    std::vector<std::uint8_t> states[2];
    for (int s = 0; s < 2; ++s)
    {
        controller->setParamNormalized(static_cast<ParamID>(pomelu::kInput), s == 0 ? 1.0 : 0.0);
        controller->setParamNormalized(static_cast<ParamID>(pomelu::kOutput), s == 0 ? 0.0 : 1.0);
        ASSERT_TRUE(host.getState(states[s]));
    }

    for (const bool compareSwitch : {false, true})
    {
        SCOPED_TRACE(compareSwitch ? "A/B switch" : "setState");
        if (compareSwitch)
        {
            // Slot A holds state 0, slot B state 1.
            ASSERT_TRUE(host.setState(states[0]));
            plug->switchCompareSlot();
            controller->setParamNormalized(static_cast<ParamID>(pomelu::kInput), 0.0);
            controller->setParamNormalized(static_cast<ParamID>(pomelu::kOutput), 1.0);
            plug->switchCompareSlot();
        }
        int mixed = 0;
        const RaceResult race = raceAudioAgainstUi(
            20000, kFrames, 400,
            [&](double** ins, double** outs, int)
            {
                host.process64(ins, outs, 2, 2, kFrames, {}, 120.0);
                const dsp::RackSettings& s = plug->appliedSettings();
                mixed += s.inputGainDb + s.outputGainDb != 0.0;
                return true;
            },
            [&](int round)
            {
                if (compareSwitch)
                    plug->switchCompareSlot();
                else
                    EXPECT_TRUE(host.setState(states[round % 2]));
            });
        EXPECT_EQ(mixed, 0) << "of " << race.blocks << " blocks";
    }
}
