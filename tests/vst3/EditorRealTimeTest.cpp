// SPDX-License-Identifier: GPL-3.0-or-later
// The audio thread with an editor open: while it processes, the UI thread drains the senders into
// the analyzer and the meter, draws every frame, drags the EQ and compressor curves and changes the
// analyzer's FFT size, overlap and window from its menu. The audio thread allocates nothing and
// takes no lock all the while.
#include "AllocationCounter.h"
#include "GraphsRig.h"
#include "LockCounter.h"
#include "PluginInstance.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace pomelu::test
{
namespace
{

using namespace igraphics;

TEST(EditorRealTime, TheAudioThreadNeitherAllocatesNorLocksWhileTheGraphsAnimateAndTheAnalyzerChanges)
{
    constexpr int kBlock = 256, kBlocks = 4000;
    auto* plug = new PomeluRarorudIzad(iplug::InstanceInfo{});
    plug->SetLayoutFunc(analysisPageLayout);
    host::PluginInstance instance;
    ASSERT_TRUE(instance.adopt(static_cast<Steinberg::Vst::IComponent*>(plug))) << instance.lastError();
    ASSERT_TRUE(instance.setup(48000.0, kBlock));
    OffscreenEditor editor(*plug);

    std::vector<double> in = sine(700.0, 48000.0, kBlock, 0.5), l(kBlock), r(kBlock);
    double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {l.data(), r.data()};
    const std::vector<host::ParamChange> compOn = {
        {kComp, 1.0, 0}, {kCompThreshold, plug->GetParam(kCompThreshold)->ToNormalized(-30.0), 0}};
    const std::vector<host::ParamChange> none;
    std::atomic<bool> done{false};
    std::size_t allocations = 0, locks = 0;
    std::thread audio(
        [&]
        {
            const std::size_t locksBefore = threadMutexLockCount();
            AllocationScope scope;
            for (int b = 0; b < kBlocks; ++b)
                instance.process64(ins, outs, 2, 2, kBlock, b == 0 ? compOn : none);
            allocations = scope.allocations();
            locks = threadMutexLockCount() - locksBefore;
            done.store(true);
        });

    const char* const choices[][2] = {{"FFT Size", "4096"}, {"Overlap", "8x"},        {"Window", "Flattop"},
                                      {"FFT Size", "64"},   {"FFT Size", "128"},      {"Overlap", "1x"},
                                      {"FFT Size", "2048"}, {"Window", "Rectangular"}};
    const IRECT eq = editor.eqCurve().GetRECT(), comp = editor.compCurve().GetRECT();
    int rounds = 0;
    for (; !done.load(); ++rounds)
    {
        plug->RunIdleTick();
        editor.g().DrawFrame();
        const float f = static_cast<float>(rounds % 10) / 10.0f;
        if (rounds % 3 == 0)
            editor.chooseInAnalyzerMenu(choices[rounds / 3 % 8][0], choices[rounds / 3 % 8][1]);
        else
        {
            const IRECT& target = rounds % 3 == 1 ? eq : comp;
            editor.g().OnMouseDown(target.L + f * target.W(), target.MH(), IMouseMod{true});
            editor.g().OnMouseMove(target.R - f * target.W(), target.T + f * target.H(), IMouseMod{true});
            editor.g().OnMouseUp(target.R - f * target.W(), target.T + f * target.H(), IMouseMod{true});
        }
    }
    audio.join();
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(locks, 0u);
    EXPECT_GE(rounds, 10) << "the editor worked while the audio ran";
    EXPECT_GT(editor.meter().GetPeak(0), 0.1f) << "and showed it";
}

} // namespace
} // namespace pomelu::test
