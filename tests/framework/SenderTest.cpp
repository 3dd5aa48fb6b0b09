// SPDX-License-Identifier: GPL-3.0-or-later
#include "AllocationCounter.h"
#include "IEditorDelegate.h"
#include "ISender.h"
#include "Signals.h"

#include <fftw3.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <semaphore.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

using namespace iplug;

// Counts sem_wait calls in this program and every library it loaded, then does the real wait.
std::atomic<int> semaphoreWaits{0};
extern "C" int sem_wait(sem_t* semaphore)
{
    static const auto next = reinterpret_cast<int (*)(sem_t*)>(dlsym(RTLD_NEXT, "sem_wait"));
    ++semaphoreWaits;
    return next(semaphore);
}

namespace
{

class RecordingDelegate : public IEditorDelegate
{
public:
    void SendControlMsgFromDelegate(int ctrlTag, int, int dataSize, const void* pData) override
    {
        tags.push_back(ctrlTag);
        sizes.push_back(dataSize);
        const auto* b = static_cast<const unsigned char*>(pData);
        lastData.assign(b, b + dataSize);
    }
    void SendParameterValueFromDelegate(int, double) override {}

    std::vector<int> tags, sizes;
    std::vector<unsigned char> lastData;
};

} // namespace

TEST(PlugQueue, HoldsItsCapacityAndHandsItemsOverInOrder)
{
    IPlugQueue<int> q(3);
    EXPECT_TRUE(q.Push(1));
    EXPECT_TRUE(q.Push(2));
    EXPECT_TRUE(q.Push(3));
    EXPECT_FALSE(q.Push(4));
    int v = 0;
    EXPECT_TRUE(q.Pop(v));
    EXPECT_EQ(v, 1);
    EXPECT_TRUE(q.Push(5));
    EXPECT_EQ(q.ElementsAvailable(), 3u);
    for (int expected : {2, 3, 5})
    {
        ASSERT_TRUE(q.Pop(v));
        EXPECT_EQ(v, expected);
    }
    EXPECT_FALSE(q.Pop(v));
}

TEST(SpectrumSender, RefusedSizesFallBackTo1024AndRefusedOverlapsTo1)
{
    ISpectrumSender s;
    EXPECT_EQ(s.GetFFTSize(), 1024);
    // 8192 and up exceed the buffers; 64 and 1000 are no size the menu offers.
    for (const auto& [asked, expected] :
         {std::pair{4096, 4096}, {8192, 1024}, {16384, 1024}, {64, 1024}, {1000, 1024}})
    {
        s.SetFFTSize(asked);
        EXPECT_EQ(s.GetFFTSize(), expected) << asked;
    }
    s.SetFFTSize(128);
    s.SetOverlap(8);
    EXPECT_EQ(s.GetOverlap(), 8);
    s.SetOverlap(0);
    EXPECT_EQ(s.GetOverlap(), 1);
    s.SetOverlap(256);
    EXPECT_EQ(s.GetOverlap(), 1);
    s.SetWindowType(4);
    EXPECT_EQ(s.GetWindowType(), 4);
    s.SetWindowType(5);
    EXPECT_EQ(s.GetWindowType(), 4);
}

TEST(SpectrumSender, AFullScaleSineOnABinCentreReadsOneInThatBin)
{
    ISpectrumSender s(1024, 1, 0);
    const double sr = 48000.0;
    const double f = 48000.0 / 1024.0 * 40.0; // bin 40
    auto x = pomelu::test::sine(f, sr, 1024);
    double* chans[2] = {x.data(), x.data()};
    s.ProcessBlock(chans, 1024, 100, 2, 0);
    SpectrumFrame frame;
    ASSERT_TRUE(s.PopFrame(frame));
    EXPECT_EQ(frame.ctrlTag, 100);
    EXPECT_EQ(frame.fftSize, 1024);
    EXPECT_EQ(frame.nChans, 2);
    EXPECT_NEAR(frame.bins[0][40], 1.0, 1e-6);
    EXPECT_NEAR(frame.bins[1][40], 1.0, 1e-6);
    EXPECT_EQ(frame.bins[0][100], 0.0f) << "far bins are below the -100 dB floor";
    EXPECT_FALSE(s.PopFrame(frame));
}

TEST(SpectrumSender, OverlapSetsTheHop)
{
    ISpectrumSender s(256, 4, 0);
    std::vector<double> x(1024, 0.25);
    double* chans[1] = {x.data()};
    s.ProcessBlock(chans, 1024, 100, 1, 0);
    // First frame after 256 samples, then one every 64: 1 + (1024 - 256) / 64 = 13.
    SpectrumFrame frame;
    int frames = 0;
    while (s.PopFrame(frame))
        ++frames;
    EXPECT_EQ(frames, 13);
}

TEST(SpectrumSender, OnceOneExistsFFTWPlansUnderItsOwnLockForTheWholeProcess)
{
    // Other plug-ins in the host's process plan with the same library, without any lock of ours;
    // FFTW's thread-safe planner waits on a semaphore around every plan made or destroyed.
    const ISpectrumSender sender;
    std::vector<double> in(64, 0.0);
    std::vector<fftw_complex> out(33);
    const int waitsBefore = semaphoreWaits.load();
    fftw_plan plan = fftw_plan_dft_r2c_1d(64, in.data(), out.data(), FFTW_ESTIMATE);
    fftw_destroy_plan(plan);
    EXPECT_EQ(semaphoreWaits.load() - waitsBefore, 2);
}

TEST(PeakAvgSender, QueuesOne28ByteRecordPerBlockForItsControl)
{
    IPeakAvgSender m;
    m.Reset(48000.0);
    auto x = pomelu::test::sine(1000.0, 48000.0, 4800, 0.5);
    double* chans[2] = {x.data(), x.data()};
    for (int i = 0; i < 20; ++i)
        m.ProcessBlock(chans, 4800, 101, 1, 0);
    RecordingDelegate d;
    m.TransmitData(d);
    ASSERT_EQ(d.tags.size(), 20u);
    EXPECT_EQ(d.tags[19], 101);
    EXPECT_EQ(d.sizes[19], 28);
    PeakAvgRecord r;
    std::memcpy(&r, d.lastData.data(), sizeof r);
    EXPECT_EQ(r.nChans, 1);
    EXPECT_NEAR(r.vals[0].peak, 0.5, 0.01);
    EXPECT_NEAR(r.vals[0].avg, 0.5 / std::sqrt(2.0), 0.01);
    EXPECT_EQ(r.vals[1].peak, 0.0f);
}

TEST(PeakAvgSender, AFullQueueDropsRecordsInsteadOfWaitingAndSilenceReadsZeroBelowTheFloor)
{
    IPeakAvgSender m(-90.0, 4);
    std::vector<double> x(16, 0.1);
    double* chans[1] = {x.data()};
    pomelu::test::AllocationScope scope;
    for (int i = 0; i < 10; ++i)
        m.ProcessBlock(chans, 16, 101, 1, 0);
    EXPECT_EQ(scope.allocations(), 0u);
    int n = 0;
    PeakAvgRecord r;
    while (m.PopRecord(r))
        ++n;
    EXPECT_EQ(n, 4);

    IPeakAvgSender quiet(-90.0);
    std::fill(x.begin(), x.end(), 1e-6); // -120 dB
    quiet.ProcessBlock(chans, 16, 101, 1, 0);
    ASSERT_TRUE(quiet.PopRecord(r));
    EXPECT_EQ(r.vals[0].peak, 0.0f);
    EXPECT_EQ(r.vals[0].avg, 0.0f);
}
