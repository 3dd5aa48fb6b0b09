// SPDX-License-Identifier: GPL-3.0-or-later
#include "ISender.h"

#include "IEditorDelegate.h"

#include <fftw3.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

namespace iplug
{

// ---------------------------------------------------------------- peak / average

IPeakAvgSender::IPeakAvgSender(double floorDb, int queueSize)
    : mFloorDb(floorDb), mFloorLinear(std::exp(floorDb * 0.11512925464970228)), mQueue(queueSize)
{
}

void IPeakAvgSender::Reset(double sampleRate)
{
    mSampleRate.store(sampleRate >= 1.0 ? sampleRate : 1.0, std::memory_order_relaxed);
    mResetPending.store(true, std::memory_order_release);
}

void IPeakAvgSender::ProcessBlock(double** outputs, int nFrames, int ctrlTag, int nChans, int chanOffset)
{
    if (mResetPending.exchange(false, std::memory_order_acquire))
        for (int c = 0; c < kMaxChannels; ++c)
            mPeak[c] = mHoldSamples[c] = mMeanSquare[c] = 0.0;
    if (outputs == nullptr || nFrames <= 0)
        return;
    nChans = std::clamp(nChans, 0, kMaxChannels);
    chanOffset = std::max(chanOffset, 0);

    const double sr = mSampleRate.load(std::memory_order_relaxed);
    const double frames = static_cast<double>(nFrames);
    // Block-wise envelopes: a one-pole per sample raised to the block length.
    const double attack = std::exp(-frames / (0.001 * sr));
    const double decay = std::exp(-frames / (0.100 * sr));
    const double rms = std::exp(-frames / (0.005 * sr));
    const double holdSamples = 0.5 * sr;

    PeakAvgRecord record;
    record.ctrlTag = ctrlTag;
    record.nChans = nChans;
    record.chanOffset = chanOffset;
    for (int c = 0; c < nChans; ++c)
    {
        const double* x = outputs[chanOffset + c];
        double blockPeak = 0.0;
        double sumSquares = 0.0;
        if (x != nullptr)
            for (int i = 0; i < nFrames; ++i)
            {
                const double a = std::fabs(x[i]);
                blockPeak = std::max(blockPeak, std::isfinite(a) ? a : 0.0);
                sumSquares += std::isfinite(a) ? a * a : 0.0;
            }
        if (blockPeak >= mPeak[c])
        {
            mPeak[c] = blockPeak + (mPeak[c] - blockPeak) * attack;
            mHoldSamples[c] = holdSamples;
        }
        else if (mHoldSamples[c] > 0.0)
            mHoldSamples[c] -= frames;
        else
            mPeak[c] = blockPeak + (mPeak[c] - blockPeak) * decay;
        mMeanSquare[c] = sumSquares / frames + (mMeanSquare[c] - sumSquares / frames) * rms;

        const double avg = std::sqrt(mMeanSquare[c]);
        record.vals[c].peak = mPeak[c] >= mFloorLinear ? static_cast<float>(mPeak[c]) : 0.0f;
        record.vals[c].avg = avg >= mFloorLinear ? static_cast<float>(avg) : 0.0f;
    }
    mQueue.Push(record);
}

void IPeakAvgSender::TransmitData(IEditorDelegate& delegate)
{
    PeakAvgRecord record;
    while (mQueue.Pop(record))
        delegate.SendControlMsgFromDelegate(record.ctrlTag, kUpdateMessage, static_cast<int>(sizeof record),
                                            &record);
}

// ---------------------------------------------------------------- spectrum

namespace
{

// FFTW's planner is not thread safe by itself, and other plug-ins in the host's process plan with
// the same library: its own planner lock serves them and us alike. The lock's hooks live in FFTW's
// threads library, which then stays loaded for the life of the process: a host that unloaded this
// module while another kept FFTW would otherwise be left calling hooks that are gone.
void makePlannerThreadSafe()
{
    static std::once_flag once;
    std::call_once(once,
                   []
                   {
                       fftw_make_planner_thread_safe();
                       Dl_info library{};
                       if (dladdr(reinterpret_cast<void*>(&fftw_make_planner_thread_safe), &library) != 0 &&
                           library.dli_fname != nullptr)
                           dlopen(library.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
                   });
}

constexpr int kMinFFTSize = 128;
constexpr int kNumSizes = 6; // 128 .. 4096

int sizeIndex(int fftSize)
{
    int idx = 0;
    for (int n = kMinFFTSize; n < fftSize; n *= 2)
        ++idx;
    return idx;
}

} // namespace

struct ISpectrumSender::Engine
{
    double* in = nullptr;
    fftw_complex* out = nullptr;
    fftw_plan plans[kNumSizes] = {};
    double ring[kMaxChannels][kMaxFFTSize] = {};
    double window[kMaxFFTSize] = {};
    double magnitudeScale = 0.0;
    int writePos = 0;
    int filled = 0;
    int sinceHop = 0;
    int fftSize = 0; // 0: not configured yet
    int overlap = 0;
    int windowType = -1;

    Engine()
    {
        in = static_cast<double*>(fftw_malloc(sizeof(double) * kMaxFFTSize));
        out = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * (kMaxFFTSize / 2 + 1)));
        std::fill(in, in + kMaxFFTSize, 0.0);
        makePlannerThreadSafe();
        for (int i = 0; i < kNumSizes; ++i)
            plans[i] = fftw_plan_dft_r2c_1d(kMinFFTSize << i, in, out, FFTW_ESTIMATE);
    }

    ~Engine()
    {
        for (auto& p : plans)
            if (p != nullptr)
                fftw_destroy_plan(p);
        fftw_free(in);
        fftw_free(out);
    }
};

ISpectrumSender::ISpectrumSender(int fftSize, int overlap, int windowType, double floorDb, int queueSize)
    : mFloorDb(floorDb), mEngine(std::make_unique<Engine>()), mQueue(queueSize)
{
    SetFFTSizeAndOverlap(fftSize, overlap);
    SetWindowType(windowType);
}

ISpectrumSender::~ISpectrumSender() = default;

int ISpectrumSender::AcceptedFFTSize(int fftSize)
{
    const bool powerOfTwo = fftSize > 0 && (fftSize & (fftSize - 1)) == 0;
    return powerOfTwo && fftSize >= kMinFFTSize && fftSize <= kMaxFFTSize ? fftSize : kDefaultFFTSize;
}

int ISpectrumSender::AcceptedOverlap(int overlap, int fftSize)
{
    return overlap >= 1 && overlap <= std::min(fftSize, kMaxOverlap) ? overlap : 1;
}

void ISpectrumSender::SetFFTSize(int fftSize)
{
    SetFFTSizeAndOverlap(fftSize, GetOverlap());
}

void ISpectrumSender::SetOverlap(int overlap)
{
    SetFFTSizeAndOverlap(GetFFTSize(), overlap);
}

void ISpectrumSender::SetFFTSizeAndOverlap(int fftSize, int overlap)
{
    const int size = AcceptedFFTSize(fftSize);
    mOverlap.store(AcceptedOverlap(overlap, size), std::memory_order_relaxed);
    mFFTSize.store(size, std::memory_order_relaxed);
}

void ISpectrumSender::SetWindowType(int windowType)
{
    if (windowType >= 0 && windowType < kNumWindowTypes)
        mWindowType.store(windowType, std::memory_order_relaxed);
}

void ISpectrumSender::reconfigure(int fftSize, int overlap, int windowType)
{
    Engine& e = *mEngine;
    e.fftSize = fftSize;
    e.overlap = overlap;
    e.windowType = windowType;
    e.filled = 0;
    e.sinceHop = 0;
    const double twoPi = 2.0 * std::numbers::pi;
    double sum = 0.0;
    for (int i = 0; i < fftSize; ++i)
    {
        const double p = twoPi * i / fftSize; // periodic windows
        double w = 1.0;
        switch (windowType)
        {
        case 0:
            w = 0.5 - 0.5 * std::cos(p);
            break;
        case 1:
            w = 0.35875 - 0.48829 * std::cos(p) + 0.14128 * std::cos(2 * p) - 0.01168 * std::cos(3 * p);
            break;
        case 2:
            w = 0.54 - 0.46 * std::cos(p);
            break;
        case 3:
            w = 0.21557895 - 0.41663158 * std::cos(p) + 0.277263158 * std::cos(2 * p) -
                0.083578947 * std::cos(3 * p) + 0.006947368 * std::cos(4 * p);
            break;
        default:
            w = 1.0;
            break;
        }
        e.window[i] = w;
        sum += w;
    }
    // A full-scale sine on a bin centre reads 1.
    e.magnitudeScale = sum > 0.0 ? 2.0 / sum : 0.0;
}

void ISpectrumSender::ProcessBlock(double** outputs, int nFrames, int ctrlTag, int nChans, int chanOffset)
{
    Engine& e = *mEngine;
    if (!mEnabled.load(std::memory_order_relaxed))
    {
        e.filled = 0;
        e.sinceHop = 0;
        return;
    }
    // Both values come from one setter call; reading the size last pairs it with its overlap, and a
    // mismatch is caught again at the next block.
    const int size = mFFTSize.load(std::memory_order_relaxed);
    const int overlap = AcceptedOverlap(mOverlap.load(std::memory_order_relaxed), size);
    const int windowType = mWindowType.load(std::memory_order_relaxed);
    if (size != e.fftSize || overlap != e.overlap || windowType != e.windowType)
        reconfigure(size, overlap, windowType);

    if (outputs == nullptr || nFrames <= 0)
        return;
    nChans = std::clamp(nChans, 0, kMaxChannels);
    chanOffset = std::max(chanOffset, 0);
    const int hop = std::max(1, e.fftSize / e.overlap);

    for (int i = 0; i < nFrames; ++i)
    {
        for (int c = 0; c < nChans; ++c)
        {
            const double* x = outputs[chanOffset + c];
            const double v = x != nullptr ? x[i] : 0.0;
            e.ring[c][e.writePos] = std::isfinite(v) ? v : 0.0;
        }
        e.writePos = (e.writePos + 1) % kMaxFFTSize;
        e.filled = std::min(e.filled + 1, kMaxFFTSize);
        if (++e.sinceHop >= hop && e.filled >= e.fftSize)
        {
            e.sinceHop = 0;
            computeAndQueue(ctrlTag, nChans, chanOffset);
        }
    }
}

void ISpectrumSender::computeAndQueue(int ctrlTag, int nChans, int chanOffset)
{
    Engine& e = *mEngine;
    const int n = e.fftSize;
    const int bins = n / 2 + 1;
    const double floorLinear = std::exp(mFloorDb * 0.11512925464970228);
    mScratch.ctrlTag = ctrlTag;
    mScratch.nChans = nChans;
    mScratch.chanOffset = chanOffset;
    mScratch.fftSize = n;
    for (int c = 0; c < nChans; ++c)
    {
        int pos = (e.writePos - n + kMaxFFTSize) % kMaxFFTSize;
        for (int i = 0; i < n; ++i)
        {
            e.in[i] = e.ring[c][pos] * e.window[i];
            pos = pos + 1 == kMaxFFTSize ? 0 : pos + 1;
        }
        fftw_execute(e.plans[sizeIndex(n)]);
        for (int k = 0; k < bins; ++k)
        {
            const double m = std::hypot(e.out[k][0], e.out[k][1]) * e.magnitudeScale;
            mScratch.bins[c][k] = m >= floorLinear ? static_cast<float>(m) : 0.0f;
        }
    }
    mQueue.Push(mScratch);
}

void ISpectrumSender::TransmitData(IEditorDelegate& delegate)
{
    while (mQueue.Pop(mTransmitScratch))
        delegate.SendControlMsgFromDelegate(mTransmitScratch.ctrlTag, kUpdateMessage,
                                            static_cast<int>(sizeof(SpectrumFrame)), &mTransmitScratch);
}

} // namespace iplug
