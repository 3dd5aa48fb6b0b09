// SPDX-License-Identifier: GPL-3.0-or-later
#include "ThreadRig.h"

#include "ISender.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <thread>

namespace pomelu::test
{

PlugPtr makeRunningPlug(int blockSize)
{
    PlugPtr plug = makePlug(48000.0, blockSize);
    for (int idx : {kPopCut, kSClear, kEq, kLeveler, kComp, kClipGuard, kDistortion, kPhaser, kTremolo,
                    kDelay, kReverb})
        plug->GetParam(idx)->Set(1.0);
    plug->GetParam(kDelayWet)->Set(40.0);
    plug->GetParam(kReverbWet)->Set(40.0);
    return plug;
}

void CheckingEditor::OnControlMessage(int ctrlTag, int msgTag, int dataSize, const void* pData)
{
    if (msgTag != iplug::kUpdateMessage)
        return; // analyzer settings
    if (ctrlTag == kCtrlTagSpectrum && dataSize == static_cast<int>(sizeof(iplug::SpectrumFrame)))
    {
        auto frame = std::make_unique<iplug::SpectrumFrame>();
        std::memcpy(frame.get(), pData, sizeof(iplug::SpectrumFrame));
        const bool sizeOk = iplug::ISpectrumSender::AcceptedFFTSize(frame->fftSize) == frame->fftSize &&
                            frame->nChans >= 1 && frame->nChans <= 2;
        bool binsOk = sizeOk;
        for (int c = 0; binsOk && c < frame->nChans; ++c)
            for (int k = 0; k <= frame->fftSize / 2; ++k)
                if (!std::isfinite(frame->bins[c][k]) || frame->bins[c][k] < 0.0f)
                    binsOk = false;
        badMessages += binsOk ? 0 : 1;
        lastFFTSize = frame->fftSize;
        ++spectrumFrames;
        return;
    }
    if (ctrlTag == kCtrlTagMeter && dataSize == static_cast<int>(sizeof(iplug::PeakAvgRecord)))
    {
        iplug::PeakAvgRecord record;
        std::memcpy(&record, pData, sizeof record);
        bool ok = record.nChans >= 0 && record.nChans <= 2;
        for (int c = 0; ok && c < record.nChans; ++c)
            ok = std::isfinite(record.vals[c].peak) && std::isfinite(record.vals[c].avg) &&
                 record.vals[c].peak >= 0.0f && record.vals[c].avg >= 0.0f;
        badMessages += ok ? 0 : 1;
        ++meterRecords;
        return;
    }
    ++badMessages;
}

void CheckingEditor::OnParameterValue(int idx, double normalized)
{
    if (idx < 0 || idx >= kNumParams || !(normalized >= 0.0 && normalized <= 1.0))
        ++badMessages;
    ++parameterValues;
}

RaceResult raceAudioAgainstUi(PomeluRarorudIzad& plug, int blocks, int blockSize, int minUiRounds,
                              const std::function<void(int round)>& ui)
{
    return raceAudioAgainstUi(
        blocks, blockSize, minUiRounds,
        [&](double** ins, double** outs, int)
        {
            plug.ProcessBlock(ins, outs, blockSize);
            return dsp::isValidModuleOrder(plug.appliedSettings().order);
        },
        ui);
}

RaceResult raceAudioAgainstUi(int blocks, int blockSize, int minUiRounds,
                              const std::function<bool(double** ins, double** outs, int block)>& process,
                              const std::function<void(int round)>& ui)
{
    RaceResult result;
    std::atomic<bool> audioStarted{false};
    std::atomic<bool> audioDone{false};
    std::atomic<int> blocksRun{0};
    bool finite = true;
    int torn = 0;

    std::thread audio(
        [&]
        {
            std::vector<double> in(static_cast<std::size_t>(blockSize)), left(in.size()), right(in.size());
            double* ins[2] = {in.data(), in.data()};
            double* outs[2] = {left.data(), right.data()};
            long t = 0;
            for (int b = 0; b < blocks; ++b)
            {
                for (double& x : in)
                    x = 0.5 * std::sin(2.0 * std::numbers::pi * 330.0 * static_cast<double>(t++) / 48000.0);
                torn += process(ins, outs, b) ? 0 : 1;
                for (int i = 0; i < blockSize; ++i)
                    if (!std::isfinite(left[static_cast<std::size_t>(i)]) ||
                        !std::isfinite(right[static_cast<std::size_t>(i)]))
                        finite = false;
                blocksRun.store(b + 1, std::memory_order_relaxed);
                audioStarted.store(true, std::memory_order_release);
            }
            audioDone.store(true, std::memory_order_release);
        });

    // Start together: the UI side begins once the audio side has run a block.
    while (!audioStarted.load(std::memory_order_acquire) && !audioDone.load(std::memory_order_acquire))
        std::this_thread::yield();
    for (int round = 0; round < minUiRounds || !audioDone.load(std::memory_order_acquire); ++round)
        ui(round);
    audio.join();

    result.outputsFinite = finite;
    result.tornOrders = torn;
    result.blocks = blocksRun.load();
    return result;
}

} // namespace pomelu::test
