// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PluginRig.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace pomelu::test
{

// A plug-in set up as a host leaves it before processing: 48 kHz, stereo, reset run, every module on.
PlugPtr makeRunningPlug(int blockSize);

// An editor stand-in that checks what arrives instead of keeping it: spectrum frames must carry an
// accepted FFT size and finite, non-negative bins; meter records finite, non-negative levels.
class CheckingEditor final : public iplug::IEditorView
{
public:
    void OnControlMessage(int ctrlTag, int msgTag, int dataSize, const void* pData) override;
    void OnParameterValue(int idx, double normalized) override;
    void RemoveAllControls() override { ++removals; }
    int Width() const override { return 980; }
    int Height() const override { return 680; }

    int spectrumFrames = 0;
    int meterRecords = 0;
    int lastFFTSize = 0;
    int badMessages = 0;
    int parameterValues = 0;
    int removals = 0;
};

// The audio side runs `blocks` blocks of a stereo sine through ProcessBlock on its own thread and
// records whether every output sample was finite and how many blocks ran an order that was no
// permutation of the modules. The UI side runs `ui(round)` on the calling thread
// from the audio thread's first block on, for at least `minUiRounds` rounds and until the audio
// thread has finished; both counts bound the race.
struct RaceResult
{
    bool outputsFinite = true;
    int tornOrders = 0;
    int blocks = 0;
};
RaceResult raceAudioAgainstUi(PomeluRarorudIzad& plug, int blocks, int blockSize, int minUiRounds,
                              const std::function<void(int round)>& ui);
// The same with the audio side given: `process` runs block b from ins into outs and tells whether
// it ran a whole module order.
RaceResult raceAudioAgainstUi(int blocks, int blockSize, int minUiRounds,
                              const std::function<bool(double** ins, double** outs, int block)>& process,
                              const std::function<void(int round)>& ui);

} // namespace pomelu::test
