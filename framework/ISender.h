// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IPlugQueue.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace iplug
{

class IEditorDelegate;

// Message tag of the data records that senders deliver to their controls.
inline constexpr int kUpdateMessage = 0;

// One meter update: 28 bytes, as sent to the meter control.
struct PeakAvgRecord
{
    std::int32_t ctrlTag = -1;
    std::int32_t nChans = 0;
    std::int32_t chanOffset = 0;
    struct Level
    {
        float peak = 0.0f; // linear, 0 below the floor
        float avg = 0.0f;  // linear RMS, 0 below the floor
    } vals[2];
};
static_assert(sizeof(PeakAvgRecord) == 28, "the meter record is 28 bytes");

// Peak and RMS levels of the plug-in's output for a meter control. ProcessBlock runs on the audio
// thread; TransmitData drains the queue on the UI thread. Levels are computed per block with
// peak attack 1 ms, decay 100 ms and hold 500 ms, and a 5 ms RMS window.
class IPeakAvgSender
{
public:
    static constexpr int kMaxChannels = 2;

    explicit IPeakAvgSender(double floorDb = -90.0, int queueSize = 64);

    // Audio or setup thread. Clears the envelopes and takes the new rate (at least 1 Hz).
    void Reset(double sampleRate);

    // Audio thread: never allocates, locks or waits; a full queue drops the record.
    void ProcessBlock(double** outputs, int nFrames, int ctrlTag, int nChans = kMaxChannels,
                      int chanOffset = 0);

    // UI thread: sends every queued record, in order, to the control it names (message tag 0).
    void TransmitData(IEditorDelegate& delegate);
    // UI thread: pops one record; false when empty.
    bool PopRecord(PeakAvgRecord& record) { return mQueue.Pop(record); }

    double GetSampleRate() const { return mSampleRate.load(std::memory_order_relaxed); }
    double GetFloorDb() const { return mFloorDb; }

private:
    const double mFloorDb;
    const double mFloorLinear;
    std::atomic<double> mSampleRate{48000.0};
    std::atomic<bool> mResetPending{true};
    double mPeak[kMaxChannels] = {};
    double mHoldSamples[kMaxChannels] = {};
    double mMeanSquare[kMaxChannels] = {};
    IPlugQueue<PeakAvgRecord> mQueue;
};

// Header of a spectrum record; the magnitudes follow in SpectrumFrame.
struct SpectrumFrame
{
    static constexpr int kMaxFFTSize = 4096;
    static constexpr int kMaxBins = kMaxFFTSize / 2 + 1;
    std::int32_t ctrlTag = -1;
    std::int32_t nChans = 0;
    std::int32_t chanOffset = 0;
    std::int32_t fftSize = 0;
    // Per channel, bins 0..fftSize/2: magnitude of a full-scale sine = 1 (linear), floored at the
    // sender's floor (values below it are 0).
    float bins[2][kMaxBins] = {};
};

// Windowed FFT spectra of the plug-in's output for the analyzer control. Accepted FFT sizes are the
// powers of two from 128 to 4096, anything else falls back to 1024; overlaps from 1 to 8 (and at
// most the FFT size), anything else falls back to 1: at most eight transforms per FFT length of
// audio, so the audio thread spends at most about eight times what overlap 1 costs (an overlap of
// 4096 at 4096 points cost 16 ms per 512-sample block). Window types: 0 Hann, 1 Blackman-Harris,
// 2 Hamming, 3 Flattop, 4 Rectangular. While disabled (no editor shows the spectra) it does no FFT
// work at all.
//
// Threads: the setters run on the UI thread and only store atomics; the audio thread picks up a
// change at its next block (restarting its frame) and never waits. Every buffer and FFT plan is made
// by the constructor, so the audio thread never allocates. FFTW's planner is made thread-safe for
// the whole process once, as other plug-ins in the host may plan with the same library.
class ISpectrumSender
{
public:
    static constexpr int kMaxChannels = 2;
    static constexpr int kMaxFFTSize = SpectrumFrame::kMaxFFTSize;
    static constexpr int kDefaultFFTSize = 1024;
    static constexpr int kMaxOverlap = 8;
    static constexpr int kNumWindowTypes = 5;

    explicit ISpectrumSender(int fftSize = kDefaultFFTSize, int overlap = 1, int windowType = 0,
                             double floorDb = -100.0, int queueSize = 64);
    ~ISpectrumSender();
    ISpectrumSender(const ISpectrumSender&) = delete;
    ISpectrumSender& operator=(const ISpectrumSender&) = delete;

    // UI thread. A refused size or overlap takes its fallback; a refused window type is ignored.
    void SetFFTSize(int fftSize);
    void SetOverlap(int overlap);
    void SetWindowType(int windowType);
    void SetFFTSizeAndOverlap(int fftSize, int overlap);
    // UI thread. Enabled on construction; a disabled sender keeps no samples and queues nothing,
    // and the first frame after enabling is made of new samples only.
    void SetEnabled(bool enabled) { mEnabled.store(enabled, std::memory_order_relaxed); }
    bool IsEnabled() const { return mEnabled.load(std::memory_order_relaxed); }

    int GetFFTSize() const { return mFFTSize.load(std::memory_order_relaxed); }
    int GetOverlap() const { return mOverlap.load(std::memory_order_relaxed); }
    int GetWindowType() const { return mWindowType.load(std::memory_order_relaxed); }
    double GetFloorDb() const { return mFloorDb; }

    static int AcceptedFFTSize(int fftSize);
    static int AcceptedOverlap(int overlap, int fftSize);

    // Audio thread: collects samples and queues one spectrum per hop. Never allocates or waits; a
    // full queue drops the frame.
    void ProcessBlock(double** outputs, int nFrames, int ctrlTag, int nChans = kMaxChannels,
                      int chanOffset = 0);

    // UI thread: sends every queued spectrum to its control (message tag 0) in order.
    void TransmitData(IEditorDelegate& delegate);
    // UI thread: pops one frame into *frame; false when empty.
    bool PopFrame(SpectrumFrame& frame) { return mQueue.Pop(frame); }

private:
    struct Engine; // FFT buffers and plans, used by the audio thread only after construction
    void reconfigure(int fftSize, int overlap, int windowType);
    void computeAndQueue(int ctrlTag, int nChans, int chanOffset);

    std::atomic<int> mFFTSize{kDefaultFFTSize};
    std::atomic<int> mOverlap{1};
    std::atomic<int> mWindowType{0};
    std::atomic<bool> mEnabled{true};
    const double mFloorDb;
    std::unique_ptr<Engine> mEngine;
    IPlugQueue<SpectrumFrame> mQueue;
    SpectrumFrame mScratch;         // audio thread: built here, then copied into the queue
    SpectrumFrame mTransmitScratch; // UI thread
};

} // namespace iplug
