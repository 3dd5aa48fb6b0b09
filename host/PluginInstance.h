// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BlockData.h"
#include "ComponentHandler.h"
#include "HostApplication.h"
#include "Module.h"
#include "ParameterChanges.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pomelu::host
{

// One instance of a VST 3 audio effect, driven as a host drives it through IComponent,
// IAudioProcessor and IEditController. The instance comes from a bundle (load, then createInstance:
// the module's first "Audio Module Class") or from an object this program made itself (adopt).
// The effect must be its own edit controller (a single-component effect); one with a separate
// controller class is refused.
//
// The host's context (HostApplication) and its IComponentHandler (ComponentHandler, which records
// edits and restart requests) live here and are handed over at creation.
//
// Threads: a host's UI thread makes every call except process64/process32, which belong to the
// audio thread and allocate nothing (the block's storage is made at construction; a change list
// beyond 128 parameters or 16 points per parameter is cut short). Failing calls return false
// (or a tresult) and say why in lastError().
class PluginInstance
{
public:
    explicit PluginInstance(std::string hostName = "Pomelu Host");
    // releaseInstance(), then unload().
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    bool load(const std::string& bundlePath);
    // Creates the loaded module's effect, initialises it with the host context, finds its processor
    // and controller and hands over the component handler.
    bool createInstance();
    bool open(const std::string& bundlePath) { return load(bundlePath) && createInstance(); }
    // The same for an effect made in this process; takes over the caller's reference (released
    // here even when refused).
    bool adopt(Steinberg::FUnknown* effect);

    // Bus arrangement (the same on input and output), sample size check, setupProcessing,
    // activation of both buses, setActive(true), setProcessing(true). An active instance is
    // stopped first. The transport position starts at 0.
    bool setup(double sampleRate, int maxBlock, Steinberg::int32 sampleSize = Steinberg::Vst::kSample64,
               Steinberg::Vst::SpeakerArrangement arrangement = Steinberg::Vst::SpeakerArr::kStereo,
               Steinberg::int32 processMode = Steinberg::Vst::kRealtime);
    // setProcessing(false), setActive(false); nothing when not active.
    void stop();

    // One block of `frames` samples: nIn input and nOut output channels (no bus when the pointer
    // array is null and the count 0), the given parameter changes, and a transport playing at
    // `tempo` (none when tempo <= 0) at the position the blocks so far have reached.
    Steinberg::tresult process64(double** in, double** out, int nIn, int nOut, int frames,
                                 const std::vector<ParamChange>& changes = {}, double tempo = 0.0);
    Steinberg::tresult process32(float** in, float** out, int nIn, int nOut, int frames,
                                 const std::vector<ParamChange>& changes = {}, double tempo = 0.0);
    // Samples processed since setup.
    std::int64_t position() const { return transportPosition; }

    // The component state through a MemoryStream; setState also hands it to the controller
    // (setComponentState), as a host restoring a project does.
    bool getState(std::vector<std::uint8_t>& state);
    bool setState(const std::vector<std::uint8_t>& state);

    // stop(), terminate, and the last release of every interface; the module stays loaded.
    void releaseInstance();
    // Unloads the module (see Module::unload); returns ModuleExit's answer.
    bool unload() { return module.unload(); }

    Steinberg::IPluginFactory* factory() const { return module.factory(); }
    Steinberg::Vst::IComponent* component() const { return effectComponent; }
    Steinberg::Vst::IAudioProcessor* processor() const { return effectProcessor; }
    Steinberg::Vst::IEditController* controller() const { return effectController; }
    ComponentHandler& componentHandler() { return handler; }
    const std::string& lastError() const { return error; }

private:
    bool fail(std::string why);
    bool takeInterfaces(Steinberg::FUnknown* effect);
    Steinberg::tresult process(Steinberg::int32 sampleSize, void** in, void** out, int nIn, int nOut,
                               int frames, const std::vector<ParamChange>& changes, double tempo);

    HostApplication application;
    ComponentHandler handler;
    Module module;
    Steinberg::Vst::IComponent* effectComponent = nullptr;
    Steinberg::Vst::IAudioProcessor* effectProcessor = nullptr;
    Steinberg::Vst::IEditController* effectController = nullptr;
    bool initialized = false;
    bool active = false;
    double sampleRate = 48000.0;
    Steinberg::int32 mode = Steinberg::Vst::kRealtime;
    std::int64_t transportPosition = 0;
    BlockData block;
    std::string error;
};

} // namespace pomelu::host
