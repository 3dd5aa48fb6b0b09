// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IPlugBase.h"
#include "IdleThread.h"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstunits.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace iplug
{

// The VST 3 single-component effect: one reference-counted object that is the component, the
// audio processor and the edit controller. Created with a reference count of 1.
//
// Host parameters: the plug-in's own with ids 0..NParams()-1, then the host bypass ("Host Bypass",
// kIsBypass) and the program-change parameter over the factory presets.
//
// Threads: process() runs on the audio thread. It takes no lock and never allocates; it writes the
// processing values (tempo, connected channels), the parameter values and the host bypass from the
// block's changes, and a program change in the block recalls that preset right there. Every value
// the host sets, in a block or through the controller, is noted lock-free for the editor, which
// shows it at its next frame or idle tick (IPlugBase::ShowHostValueChanges); the host hears of a
// program change from the next idle tick. setupProcessing(), setActive() and
// setProcessing() come from the host's set-up thread while no block runs; they take no lock of
// ours either (setActive(true) runs the reset hook). Every other call comes from the host's UI
// thread; those that read or change the plug-in's state (setState, getState, a program set from
// the controller, setComponentHandler, terminate), and the idle tick, hold the UI mutex, which the
// audio thread never takes. Calls into the host (restartComponent, the edit calls) are never made
// from inside a host's call: they are queued and made by the next idle tick with no lock of ours
// held, on the host's UI thread while a view is attached (the view's timer), otherwise on the
// process-wide idle thread.
class IPlugVST3 : public IPlugBase,
                  public Steinberg::Vst::IComponent,
                  public Steinberg::Vst::IAudioProcessor,
                  public Steinberg::Vst::IProcessContextRequirements,
                  public Steinberg::Vst::IEditController,
                  public Steinberg::Vst::IUnitInfo,
                  private IdleThread::Client
{
public:
    IPlugVST3(const InstanceInfo& info, const Config& config);
    ~IPlugVST3() override;

    Steinberg::Vst::ParamID BypassParamId() const { return static_cast<Steinberg::Vst::ParamID>(NParams()); }
    Steinberg::Vst::ParamID ProgramParamId() const
    {
        return static_cast<Steinberg::Vst::ParamID>(NParams() + 1);
    }
    static constexpr Steinberg::Vst::ProgramListID kFactoryProgramListId = 0;

    bool GetHostBypass() const { return mHostBypass.load(std::memory_order_relaxed); }
    // Preset index for a normalised program value: round(n * (presets - 1)), halves away from zero.
    int PresetIndexFromNormalized(double normalized) const;

    // One idle tick, as the idle thread or the view's timer runs it: shows the values the host
    // changed in the editor, runs OnIdle, then delivers the queued edits and the news
    // of values changed by a program change. Any thread; a tick that finds another one under way
    // (on another thread, or further up its own stack) returns at once, so OnIdle never runs twice
    // at the same time.
    void RunIdleTick();
    std::recursive_mutex& GetUiMutex() { return mUiMutex; }

    // Queue IComponentHandler2's startGroupEdit and finishGroupEdit around the edits between them;
    // a host without that interface gets the edits alone.
    void StartGroupEdit() override;
    void FinishGroupEdit() override;

    // The editor view's attachment, UI thread. While a view is attached, the view runs this
    // instance's idle tick (RunIdleTick) from its own timer on the host's run loop, so its idle work
    // and its deferred calls into the host happen on the host's UI thread and one timer wakes the
    // process; otherwise the process-wide idle thread runs it. Both return at once.
    void ViewAttached();
    void ViewRemoved();
    bool IsServedByRunLoop() const { return mServedByRunLoop.load(std::memory_order_acquire); }

    // --- FUnknown
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

    // --- IPluginBase
    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
    Steinberg::tresult PLUGIN_API terminate() override;

    // --- IComponent
    Steinberg::tresult PLUGIN_API getControllerClassId(Steinberg::TUID classId) override;
    Steinberg::tresult PLUGIN_API setIoMode(Steinberg::Vst::IoMode mode) override;
    Steinberg::int32 PLUGIN_API getBusCount(Steinberg::Vst::MediaType type,
                                            Steinberg::Vst::BusDirection dir) override;
    Steinberg::tresult PLUGIN_API getBusInfo(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection dir,
                                             Steinberg::int32 index, Steinberg::Vst::BusInfo& bus) override;
    Steinberg::tresult PLUGIN_API getRoutingInfo(Steinberg::Vst::RoutingInfo& inInfo,
                                                 Steinberg::Vst::RoutingInfo& outInfo) override;
    Steinberg::tresult PLUGIN_API activateBus(Steinberg::Vst::MediaType type,
                                              Steinberg::Vst::BusDirection dir, Steinberg::int32 index,
                                              Steinberg::TBool state) override;
    Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) override;
    // Component state: the plug-in's state chunk, the host-bypass word (u32, 0 or 1) and the index of
    // the current program (u32). A state that ends before the bypass word leaves the bypass as it
    // is; one without the program word restores the first program, an index past the last the last.
    // The controller's setState/getState are the same calls. Loading a state sends the host no
    // news: it has just set that state itself. A state that is refused changes nothing, the host
    // bypass and the program included.
    Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) override;
    Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) override;

    // --- IAudioProcessor
    Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                     Steinberg::int32 numIns,
                                                     Steinberg::Vst::SpeakerArrangement* outputs,
                                                     Steinberg::int32 numOuts) override;
    Steinberg::tresult PLUGIN_API getBusArrangement(Steinberg::Vst::BusDirection dir, Steinberg::int32 index,
                                                    Steinberg::Vst::SpeakerArrangement& arr) override;
    Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) override;
    Steinberg::uint32 PLUGIN_API getLatencySamples() override;
    Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
    Steinberg::tresult PLUGIN_API setProcessing(Steinberg::TBool state) override;
    Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;
    Steinberg::uint32 PLUGIN_API getTailSamples() override;

    // --- IProcessContextRequirements
    Steinberg::uint32 PLUGIN_API getProcessContextRequirements() override;

    // --- IEditController
    Steinberg::tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;
    Steinberg::int32 PLUGIN_API getParameterCount() override;
    Steinberg::tresult PLUGIN_API getParameterInfo(Steinberg::int32 paramIndex,
                                                   Steinberg::Vst::ParameterInfo& info) override;
    Steinberg::tresult PLUGIN_API getParamStringByValue(Steinberg::Vst::ParamID id,
                                                        Steinberg::Vst::ParamValue valueNormalized,
                                                        Steinberg::Vst::String128 string) override;
    Steinberg::tresult PLUGIN_API getParamValueByString(Steinberg::Vst::ParamID id,
                                                        Steinberg::Vst::TChar* string,
                                                        Steinberg::Vst::ParamValue& valueNormalized) override;
    Steinberg::Vst::ParamValue PLUGIN_API
    normalizedParamToPlain(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue valueNormalized) override;
    Steinberg::Vst::ParamValue PLUGIN_API
    plainParamToNormalized(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue plainValue) override;
    Steinberg::Vst::ParamValue PLUGIN_API getParamNormalized(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID id,
                                                     Steinberg::Vst::ParamValue value) override;
    Steinberg::tresult PLUGIN_API setComponentHandler(Steinberg::Vst::IComponentHandler* handler) override;
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;

    // --- IUnitInfo: one root unit carrying the factory presets as its program list
    Steinberg::int32 PLUGIN_API getUnitCount() override;
    Steinberg::tresult PLUGIN_API getUnitInfo(Steinberg::int32 unitIndex,
                                              Steinberg::Vst::UnitInfo& info) override;
    Steinberg::int32 PLUGIN_API getProgramListCount() override;
    Steinberg::tresult PLUGIN_API getProgramListInfo(Steinberg::int32 listIndex,
                                                     Steinberg::Vst::ProgramListInfo& info) override;
    Steinberg::tresult PLUGIN_API getProgramName(Steinberg::Vst::ProgramListID listId,
                                                 Steinberg::int32 programIndex,
                                                 Steinberg::Vst::String128 name) override;
    Steinberg::tresult PLUGIN_API getProgramInfo(Steinberg::Vst::ProgramListID listId,
                                                 Steinberg::int32 programIndex,
                                                 Steinberg::Vst::CString attributeId,
                                                 Steinberg::Vst::String128 attributeValue) override;
    Steinberg::tresult PLUGIN_API hasProgramPitchNames(Steinberg::Vst::ProgramListID listId,
                                                       Steinberg::int32 programIndex) override;
    Steinberg::tresult PLUGIN_API getProgramPitchName(Steinberg::Vst::ProgramListID listId,
                                                      Steinberg::int32 programIndex,
                                                      Steinberg::int16 midiPitch,
                                                      Steinberg::Vst::String128 name) override;
    Steinberg::Vst::UnitID PLUGIN_API getSelectedUnit() override;
    Steinberg::tresult PLUGIN_API selectUnit(Steinberg::Vst::UnitID unitId) override;
    Steinberg::tresult PLUGIN_API getUnitByBus(Steinberg::Vst::MediaType type,
                                               Steinberg::Vst::BusDirection dir, Steinberg::int32 busIndex,
                                               Steinberg::int32 channel,
                                               Steinberg::Vst::UnitID& unitId) override;
    Steinberg::tresult PLUGIN_API setUnitProgramData(Steinberg::int32 listOrUnitId,
                                                     Steinberg::int32 programIndex,
                                                     Steinberg::IBStream* data) override;

protected:
    // The editor hook: a view for the host's "editor" request (igraphics::EditorView, an X11 child
    // window) when the plug-in has an editor factory, else nullptr.
    virtual Steinberg::IPlugView* CreateEditorView();

    // Each queues the host call; the next idle tick makes it (see the class comment).
    void InformHostOfParamChange(int idx, double normalized) override;
    void BeginInformHostOfParamChange(int idx) override;
    void InformHostOfParamChangeFromUI(int idx, double normalized) override;
    void EndInformHostOfParamChange(int idx) override;

private:
    struct HostEdit
    {
        enum Kind : std::uint8_t
        {
            kBegin,
            kPerform,
            kEnd,
            kGroupStart, // IComponentHandler2, where the host offers it
            kGroupFinish
        };
        Kind kind;
        Steinberg::Vst::ParamID id;
        double value;
    };
    void queueEdit(HostEdit::Kind kind, int idx, double value);
    void deliverEdits(Steinberg::Vst::IComponentHandler& handler);

    // --- IdleThread::Client: the shared thread skips an instance its view's run loop serves.
    bool AcquireForIdle() override;
    void IdleTick() override { RunIdleTick(); }
    void ReleaseAfterIdle() override { release(); }

    void applyParameterChanges(Steinberg::Vst::IParameterChanges* changes);
    // A host write of a parameter's normalised value; lock-free, callable from the audio thread.
    void setFromHost(int idx, double normalized);
    void notifyHostValuesChanged();
    void setProgramIndex(int idx);

    std::atomic<Steinberg::uint32> mRefCount{1};
    const bool mUseIdleThread;
    int mInitCount = 0;
    Steinberg::Vst::IComponentHandler* mComponentHandler = nullptr;

    Steinberg::Vst::SpeakerArrangement mArrangement; // same on input and output
    std::atomic<bool> mActive{false};
    std::atomic<bool> mHostBypass{false};
    std::atomic<double> mProgramValue{0.0};
    std::atomic<bool> mPresetRecalledOnAudioThread{false};
    std::atomic<bool> mHostNotifyPending{false};

    std::recursive_mutex mUiMutex;         // a host may call back in from inside a locked call
    std::atomic<bool> mTickRunning{false}; // a second tick, on any thread, skips rather than waits

    // Edits for the host, UI side only (the gesture's thread and the tick; never the audio thread).
    // Both vectors keep their reserved room, so steady use never allocates.
    std::atomic<bool> mHasComponentHandler{false};
    std::mutex mEditMutex;
    std::vector<HostEdit> mQueuedEdits;     // under mEditMutex
    std::vector<HostEdit> mEditsInDelivery; // the running tick's own

    std::atomic<bool> mServedByRunLoop{false}; // a view's timer runs the idle tick
};

} // namespace iplug
