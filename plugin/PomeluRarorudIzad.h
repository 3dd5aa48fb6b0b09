// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IPlugPlugin.h"
#include "ISender.h"

#include "CompareSlots.h"
#include "EditorNavigation.h"
#include "ModuleOrderStore.h"
#include "Parameters.h"

#include "dsp/ModuleId.h"
#include "dsp/RackEngine.h"
#include "dsp/RackSettings.h"

#include <array>
#include <atomic>

namespace pomelu
{

// Control tags of the editor controls the plug-in talks to.
inline constexpr int kCtrlTagSpectrum = 100;
inline constexpr int kCtrlTagMeter = 101;
inline constexpr int kCtrlTagRoutingStrip = 103;

// Message tags from the plug-in to the spectrum analyzer, and the option messages back.
inline constexpr int kMsgTagSampleRate = 1; // double
inline constexpr int kMsgTagFFTSize = 2;    // int32
inline constexpr int kMsgTagOverlap = 3;    // int32
inline constexpr int kMsgTagWindowType = 4; // int32
// An editor that models the plug-in elsewhere (an LV2 UI) to the routing strip's tag: the module
// order and the undo order, eleven module numbers each (22 bytes).
inline constexpr int kMsgTagModuleOrders = 5;
// The A/B button of such an editor (no data); the processing instance switches as well.
inline constexpr int kMsgTagCompareSwitch = 6;
// The processing instance to such an editor, when it opens, after a restored state and after an A/B
// switch: what the editor shows besides the parameters (kEditorStateSize bytes: the active slot and
// whether the slots are captured as int32, the current, undo, A and B orders as eleven bytes each,
// the A and B values as doubles).
inline constexpr int kMsgTagEditorState = 7;
inline constexpr int kEditorStateSize = 8 + 4 * dsp::kNumModules + 2 * 8 * kNumParams;

inline constexpr double kMinSampleRate = 8000.0;
inline constexpr double kTailSeconds = 8.0;
inline constexpr double kFallbackTempoBpm = 120.0;

// The plug-in's description towards the framework and the host.
iplug::Config makePluginConfig();

// Every parameter's plain value, in index order.
using ParamValues = std::array<double, kNumParams>;

// Plain settings record from the parameters' values, the host tempo (beats per minute, 1 or less
// means none: 120 is used) and the module order. Never allocates.
dsp::RackSettings fillRackSettings(const ParamValues& values, double hostTempoBpm,
                                   const dsp::ModuleOrder& order);

// Tail length in samples for a host sample rate (raised to 8000 Hz): 8 seconds, truncated.
int tailSamplesFor(double hostSampleRate);

// The voice rack plug-in: 89 parameters, 5 factory presets, the engine, the analyzer feeds, the
// module order with undo, the A/B compare slots and the editor's navigation state.
//
// Threads: ProcessBlock and OnAudioResumed run on the audio thread, OnReset while no block runs;
// everything else on the UI thread. They share the parameter values (each atomic on its own; a
// restore, preset recall or A/B switch reaches a block as one whole set with its order, see
// IPlugBase::ReadParamSet), the module order (one atomic word, so a block always runs a whole
// order), the engine's meter taps, the spectrum sender's switch and the senders' queues.
class PomeluRarorudIzad final : public iplug::Plugin
{
public:
    explicit PomeluRarorudIzad(const iplug::InstanceInfo& info);
    ~PomeluRarorudIzad() override;

    void OnUIOpen() override;  // also switches the spectrum analysis on ...
    void OnUIClose() override; // ... and off: no FFT work while no editor shows it
    bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void* pData) override;
    // An editor model takes the processing instance's editor state here; the rest goes on.
    void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData) override;
    bool SerializeState(iplug::IByteChunk& chunk) const override;
    // All or nothing: the whole chunk is read and checked (lengths, counts, every order) before
    // anything changes. Returns the position behind the chunk, or -1 with nothing changed.
    int UnserializeState(const iplug::IByteChunk& chunk, int startPos) override;
    // Rebuilds the editor when the host changed what it draws only at a build: the theme, a
    // module's power (the routing strip's marks), or everything (a program, a state).
    void OnHostValueShown(int idx) override;
    // A requested rebuild waits while the user holds a control.
    void OnIdle() override;
    void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
    void OnReset() override;
    void OnAudioResumed() override; // the engine forgets the audio from before the pause
    HostMeters GetHostMeters() const override
    {
        return {mEngine.inputPeak(), mEngine.outputPeak(), mEngine.gainReduction()};
    }
    // A factory preset carries the module order it was made for, as eleven module numbers
    // ("0 1 2 ... 10"); recalling one takes that order (the current one becomes the undo order).
    std::string GetPresetExtraState(int idx) const override;
    bool RestorePresetExtraState(std::string_view text) override;

    // --- module order (UI thread; getModuleOrder from any thread)
    // Takes an order that names every module once (the engine runs it from the next block);
    // refuses any other (false) and changes nothing.
    // An editor model sends both orders to the processing instance after each of these.
    bool setModuleOrder(const dsp::ModuleOrder& order, bool rememberForUndo);
    dsp::ModuleOrder getModuleOrder() const { return mModuleOrder.get(); }
    const dsp::ModuleOrder& undoOrder() const { return mModuleOrder.undoOrder(); }
    void resetModuleOrder(); // undo order <- current, current <- default
    void undoModuleOrder();  // swaps current and undo order

    // --- A/B compare (UI thread)
    // The A/B button: stores the side being left, loads the other, refreshes the editor.
    void switchCompareSlot();
    const CompareSlots& compareSlots() const { return mCompareSlots; }

    // --- editor (UI thread)
    EditorNavigation& navigation() { return mNavigation; }
    const EditorNavigation& navigation() const { return mNavigation; }
    // The editor is rebuilt at the next idle call; several requests make one rebuild.
    void requestRebuild() { mRebuildRequested.exchange(true); }
    bool rebuildRequested() const { return mRebuildRequested.load(); }
    // The engine's meter taps in dB, written after each block: the largest input and output peak
    // and gain reduction of the last block.
    // An editor model shows the processing instance's levels (GetModelMeters).
    double inputPeak() const { return IsEditorModel() ? GetModelMeters().inputPeakDb : mEngine.inputPeak(); }
    double outputPeak() const
    {
        return IsEditorModel() ? GetModelMeters().outputPeakDb : mEngine.outputPeak();
    }
    double gainReduction() const
    {
        return IsEditorModel() ? GetModelMeters().gainReductionDb : mEngine.gainReduction();
    }
    // The analyzer's settings as the spectrum sender took them, and the meter's sample rate.
    const iplug::ISpectrumSender& spectrumSender() const { return mSpectrumSender; }
    const iplug::IPeakAvgSender& meterSender() const { return mMeterSender; }

    // The settings record the last block ran with (audio thread, or while no block runs).
    const dsp::RackSettings& appliedSettings() const { return mEngine.currentSettings(); }

private:
    // Sample rate the engine, meter and analyzer work at: the host's, at least 8000 Hz.
    double effectiveSampleRate() const;
    // Message tags 1 to 4 to the analyzer (control tag 100).
    void sendAnalyzerSettings();
    // An editor model's order change, to the processing instance (kMsgTagModuleOrders).
    void forwardModuleOrders();
    // The processing instance's compare slots and orders, to an editor model (kMsgTagEditorState).
    void sendEditorState();

    dsp::RackEngine mEngine;
    // Audio thread: the last whole parameter set and order a block read (a restore, preset or A/B
    // switch under way leaves them as they were).
    ParamValues mBlockValues{};
    dsp::ModuleOrder mBlockOrder = dsp::defaultModuleOrder();
    bool mHaveBlockSet = false;
    iplug::ISpectrumSender mSpectrumSender{1024, 1, 0, -100.0, 64};
    iplug::IPeakAvgSender mMeterSender{-90.0, 64};
    CompareSlots mCompareSlots;
    ModuleOrderStore mModuleOrder;
    std::atomic<bool> mRebuildRequested{false};
    EditorNavigation mNavigation;
};

} // namespace pomelu
