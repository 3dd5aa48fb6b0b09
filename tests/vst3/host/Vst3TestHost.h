// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pomelu::test
{

// A growable byte stream as hosts hand to getState/setState.
class MemoryStream final : public Steinberg::IBStream
{
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : data(std::move(bytes)) {}

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; } // lives on the caller's stack
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
    Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                       Steinberg::int32* numBytesRead) override;
    Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                        Steinberg::int32* numBytesWritten) override;
    Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                       Steinberg::int64* result) override;
    Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;

    std::vector<std::uint8_t> data;
    std::size_t position = 0;
};

// One parameter change for a block: host id, normalised value, sample offset.
struct ParamChange
{
    Steinberg::Vst::ParamID id = 0;
    double value = 0.0;
    Steinberg::int32 offset = 0;
};

// Parameter changes with storage made up front, so handing them to process() allocates nothing.
class ParameterChanges final : public Steinberg::Vst::IParameterChanges
{
public:
    explicit ParameterChanges(int capacity = 128);
    void set(const std::vector<ParamChange>& changes); // one point per queue; no allocation within capacity

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
    Steinberg::int32 PLUGIN_API getParameterCount() override { return count; }
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                  Steinberg::int32& index) override;

private:
    class Queue final : public Steinberg::Vst::IParamValueQueue
    {
    public:
        Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
        Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
        Steinberg::uint32 PLUGIN_API release() override { return 1; }
        Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return change.id; }
        Steinberg::int32 PLUGIN_API getPointCount() override { return 1; }
        Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                               Steinberg::Vst::ParamValue& value) override;
        Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32, Steinberg::Vst::ParamValue,
                                               Steinberg::int32&) override
        {
            return Steinberg::kResultFalse;
        }
        ParamChange change;
    };
    std::vector<Queue> queues;
    int count = 0;
};

// Records what the plug-in tells its host.
class ComponentHandler final : public Steinberg::Vst::IComponentHandler
{
public:
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID) override { return Steinberg::kResultOk; }
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue v) override
    {
        edits.push_back({id, v, 0});
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID) override { return Steinberg::kResultOk; }
    // May come from the plug-in's idle thread.
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override
    {
        std::lock_guard lock(mutex);
        restarts.push_back({flags, std::this_thread::get_id()});
        return Steinberg::kResultOk;
    }
    struct Restart
    {
        Steinberg::int32 flags;
        std::thread::id thread;
    };
    std::vector<Restart> restartsSoFar()
    {
        std::lock_guard lock(mutex);
        return restarts;
    }
    std::vector<ParamChange> edits;

private:
    std::mutex mutex;
    std::vector<Restart> restarts;
};

// The host context handed to initialize().
class HostApplication final : public Steinberg::Vst::IHostApplication
{
public:
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
    Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID, Steinberg::TUID, void** obj) override
    {
        *obj = nullptr;
        return Steinberg::kResultFalse;
    }
};

// Loads a VST 3 bundle the way a Linux host does (dlopen, ModuleEntry, GetPluginFactory) and drives
// one instance of its first audio effect class. Every call runs on the calling thread; process64
// and process32 allocate nothing themselves.
class Vst3TestHost
{
public:
    Vst3TestHost();
    ~Vst3TestHost();
    Vst3TestHost(const Vst3TestHost&) = delete;
    Vst3TestHost& operator=(const Vst3TestHost&) = delete;

    // <bundle>/Contents/x86_64-linux/<bundle name>.so
    static std::string modulePath(const std::string& bundlePath);

    bool load(const std::string& bundlePath, std::string& error);
    Steinberg::IPluginFactory* factory() const { return pluginFactory; }
    // Creates the first "Audio Module Class" class, initialises it with the host context and finds
    // its audio processor and edit controller.
    bool createInstance(std::string& error);
    // Bus arrangement (the same on input and output), setupProcessing, setActive, setProcessing.
    bool setup(double sampleRate, int maxBlock, Steinberg::int32 sampleSize,
               Steinberg::Vst::SpeakerArrangement arrangement = Steinberg::Vst::SpeakerArr::kStereo);
    // tempo <= 0: the process context carries no tempo.
    Steinberg::tresult process64(double** in, double** out, int nIn, int nOut, int frames,
                                 const std::vector<ParamChange>& changes = {}, double tempo = 0.0);
    Steinberg::tresult process32(float** in, float** out, int nIn, int nOut, int frames,
                                 const std::vector<ParamChange>& changes = {}, double tempo = 0.0);
    bool getState(std::vector<std::uint8_t>& state);
    bool setState(const std::vector<std::uint8_t>& state);
    // setProcessing(false), setActive(false), terminate, release.
    void releaseInstance();
    // Releases the factory, ModuleExit, dlclose.
    bool unload();

    Steinberg::Vst::IComponent* component = nullptr;
    Steinberg::Vst::IAudioProcessor* processor = nullptr;
    Steinberg::Vst::IEditController* controller = nullptr;
    HostApplication hostApplication;
    ComponentHandler componentHandler;

private:
    Steinberg::tresult process(Steinberg::int32 sampleSize, void** in, void** out, int nIn, int nOut,
                               int frames, const std::vector<ParamChange>& changes, double tempo);

    void* library = nullptr;
    Steinberg::IPluginFactory* pluginFactory = nullptr;
    Steinberg::int32 setupSampleSize = Steinberg::Vst::kSample64;
    double setupSampleRate = 48000.0;
    bool active = false;
    ParameterChanges inputChanges;
    Steinberg::Vst::ProcessContext context{};
};

} // namespace pomelu::test
