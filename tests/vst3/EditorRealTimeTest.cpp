// SPDX-License-Identifier: GPL-3.0-or-later
// The audio thread with an editor open: while it processes, the UI thread drains the senders into
// the analyzer and the meter, draws every frame, drags the EQ and compressor curves and changes the
// analyzer's FFT size, overlap and window from its menu. The audio thread allocates nothing and
// takes no lock all the while.
#include "AllocationCounter.h"
#include "CompCurveControl.h"
#include "EditorRig.h"
#include "EqCurveControl.h"
#include "IVPeakAvgMeterControl.h"
#include "LockCounter.h"
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
    EditorRig rig({}, 1.0f, 256);
    std::vector<double> in = sine(700.0, 48000.0, 256, 0.5), l(256), r(256);
    double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {l.data(), r.data()};
    const std::vector<host::ParamChange> compOn = {{kComp, 1.0, 0}}, none;
    std::atomic<bool> editorDone{false};
    std::size_t allocations = 0, locks = 0;
    std::thread audio(
        [&]
        {
            const std::size_t locksBefore = threadMutexLockCount();
            AllocationScope scope;
            // At least 4000 blocks, and on until the editor has done all its rounds beside them, however
            // the scheduler shares the cores out.
            for (int b = 0; b < 4000 || !editorDone.load(); ++b)
                rig.instance.process64(ins, outs, 2, 2, 256, b == 0 ? compOn : none);
            allocations = scope.allocations();
            locks = threadMutexLockCount() - locksBefore;
        });

    const char* const choices[][2] = {{"FFT Size", "4096"}, {"Overlap", "8x"},   {"Window", "Flattop"},
                                      {"FFT Size", "64"},   {"FFT Size", "128"}, {"Window", "Rectangular"}};
    const IRECT areas[] = {rig.find<editor::EqCurveControl>().GetRECT(),
                           rig.find<editor::CompCurveControl>().GetRECT()};
    IGraphics& g = rig.g;
    int rounds = 0;
    // A fixed number of rounds, so the edits leave the same settings whatever the timing (66 leave the
    // 700 Hz tone well above -20 dB; some other counts cut it below).
    for (; rounds < 66; ++rounds)
    {
        rig.plug->RunIdleTick();
        g.DrawFrame();
        const IRECT& a = areas[rounds % 2];
        const float f = static_cast<float>(rounds % 10) / 10.0f;
        if (rounds % 3 == 0)
            rig.chooseInAnalyzerMenu(choices[rounds / 3 % 6][0], choices[rounds / 3 % 6][1]);
        else
        {
            g.OnMouseDown(a.L + f * a.W(), a.MH(), IMouseMod{true});
            g.OnMouseMove(a.R - f * a.W(), a.T + f * a.H(), IMouseMod{true});
            g.OnMouseUp(a.R - f * a.W(), a.T + f * a.H(), IMouseMod{true});
        }
    }
    editorDone.store(true);
    audio.join();
    // The meter's queue kept what came first after the last tick, and its peak holds for 0.5 s: it
    // shows the final settings' level once every block in its hold and its queue ran them.
    for (int blocks : {96, 16}) // more than the meter's 0.5 s hold, then fewer than its queue holds
    {
        rig.plug->RunIdleTick();
        for (int b = 0; b < blocks; ++b)
            rig.instance.process64(ins, outs, 2, 2, 256, none);
    }
    rig.plug->RunIdleTick();
    g.DrawFrame();
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(locks, 0u);
    EXPECT_GE(rounds, 10) << "the editor worked while the audio ran";
    EXPECT_GT(rig.find<IVPeakAvgMeterControl>().GetPeak(0), 0.1f) << "and showed it";
}

} // namespace
} // namespace pomelu::test
