// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IPlugBase.h"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstunits.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace iplug
{

// The VST 3 single-component effect: one reference-counted object that is the component, the
// audio processor and the edit controller. Created with a reference count of 1.
//
// Host parameters: the plug-in's own with ids 0..NParams()-1, then the host bypass ("Bypass",
// kIsBypass) and the program-change parameter over the factory presets.
//
// Threads: process() runs on the audio thread and only reads and writes atomics and buffers made in
// setupProcessing(). Every other call comes from the host's UI thread; those that change plug-in
// state, and the idle timer, hold the UI mutex, which the audio thread never takes; calls into the
// host are made with it released.
class IPlugVST3 : public IPlugBase,
                  public Steinberg::Vst::IComponent,
                  public Steinberg::Vst::IAudioProcessor,
                  public Steinberg::Vst::IProcessContextRequirements,
                  public Steinberg::Vst::IEditController,
                  public Steinberg::Vst::IUnitInfo
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

    // UI thread: one idle tick (the timer thread runs the same): refreshes the editor after a preset
    // recalled on the audio thread, runs OnIdle, then tells the host about values changed by a
    // state or preset recall.
    void RunIdleTick();
    std::recursive_mutex& GetUiMutex() { return mUiMutex; }

    // The editor view's attachment, UI thread. While a view is attached, this instance's idle work
    // and its deferred calls into the host run from a timer on the host's run loop (the frame's
    // Steinberg::Linux::IRunLoop); otherwise from the process-wide idle thread. Both return
    // promptly whatever locks the host holds.
    void ViewAttached(Steinberg::IPlugFrame* frame);
    void ViewRemoved();

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
    // Component state: the plug-in's state chunk followed by the host-bypass word (u32). The
    // controller's setState/getState are the same calls.
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

    void InformHostOfParamChange(int idx, double normalized) override;

private:
    void applyParameterChanges(Steinberg::Vst::IParameterChanges* changes);
    void sizeConversionBuffers(int block); // not on the audio thread: allocates
    // A host write of a parameter's normalised value; lock-free, callable from the audio thread.
    void setFromHost(int idx, double normalized);
    void notifyHostValuesChanged();
    void startIdleTimer();
    void stopIdleTimer();

    std::atomic<Steinberg::uint32> mRefCount{1};
    const bool mRunIdleTimer;
    int mInitCount = 0;
    Steinberg::FUnknown* mHostContext = nullptr;
    Steinberg::Vst::IComponentHandler* mComponentHandler = nullptr;

    Steinberg::Vst::SpeakerArrangement mArrangement; // same on input and output
    Steinberg::int32 mSampleSize = Steinberg::Vst::kSample32;
    std::atomic<bool> mActive{false};
    std::atomic<bool> mHostBypass{false};
    std::atomic<double> mProgramValue{0.0};
    std::atomic<bool> mPresetRecalledOnAudioThread{false};
    std::atomic<bool> mHostNotifyPending{false};

    // 32-bit processing converts through these; sized in setupProcessing, never in process.
    std::vector<double> mConvIn[2];
    std::vector<double> mConvOut[2];

    std::recursive_mutex mUiMutex; // a host may call back in from inside a locked call
    std::mutex mTimerMutex;
    std::condition_variable mTimerWake;
    bool mTimerStop = false;
    std::thread mIdleThread;
};

} // namespace iplug
