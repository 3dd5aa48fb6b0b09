// SPDX-License-Identifier: GPL-3.0-or-later
#include "Vst3TestHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

namespace pomelu::test
{

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

template <class Interface> tresult queryOne(Interface* self, const TUID iid, void** obj)
{
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) || FUnknownPrivate::iidEqual(iid, Interface::iid))
    {
        *obj = self;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

} // namespace

// ------------------------------------------------------------------ MemoryStream

tresult PLUGIN_API MemoryStream::queryInterface(const TUID iid, void** obj)
{
    return queryOne<IBStream>(this, iid, obj);
}

tresult PLUGIN_API MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead)
{
    const std::size_t left = data.size() - std::min(position, data.size());
    const std::size_t n = std::min(left, static_cast<std::size_t>(std::max(numBytes, 0)));
    if (n > 0)
        std::memcpy(buffer, data.data() + position, n);
    position += n;
    if (numBytesRead != nullptr)
        *numBytesRead = static_cast<int32>(n);
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten)
{
    if (numBytes < 0 || buffer == nullptr)
        return kInvalidArgument;
    if (position + static_cast<std::size_t>(numBytes) > data.size())
        data.resize(position + static_cast<std::size_t>(numBytes));
    std::memcpy(data.data() + position, buffer, static_cast<std::size_t>(numBytes));
    position += static_cast<std::size_t>(numBytes);
    if (numBytesWritten != nullptr)
        *numBytesWritten = numBytes;
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::seek(int64 pos, int32 mode, int64* result)
{
    int64 base = 0;
    if (mode == kIBSeekCur)
        base = static_cast<int64>(position);
    else if (mode == kIBSeekEnd)
        base = static_cast<int64>(data.size());
    const int64 target = base + pos;
    if (target < 0)
        return kResultFalse;
    position = static_cast<std::size_t>(target);
    if (result != nullptr)
        *result = target;
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::tell(int64* pos)
{
    if (pos == nullptr)
        return kInvalidArgument;
    *pos = static_cast<int64>(position);
    return kResultOk;
}

// ------------------------------------------------------------------ parameter changes

ParameterChanges::ParameterChanges(int capacity) : queues(static_cast<std::size_t>(capacity)) {}

void ParameterChanges::set(const std::vector<ParamChange>& changes)
{
    count = static_cast<int>(std::min(changes.size(), queues.size()));
    for (int i = 0; i < count; ++i)
        queues[static_cast<std::size_t>(i)].change = changes[static_cast<std::size_t>(i)];
}

tresult PLUGIN_API ParameterChanges::queryInterface(const TUID iid, void** obj)
{
    return queryOne<IParameterChanges>(this, iid, obj);
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index)
{
    return index >= 0 && index < count ? &queues[static_cast<std::size_t>(index)] : nullptr;
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID&, int32& index)
{
    index = -1;
    return nullptr;
}

tresult PLUGIN_API ParameterChanges::Queue::queryInterface(const TUID iid, void** obj)
{
    return queryOne<IParamValueQueue>(this, iid, obj);
}

tresult PLUGIN_API ParameterChanges::Queue::getPoint(int32 index, int32& sampleOffset, ParamValue& value)
{
    if (index != 0)
        return kInvalidArgument;
    sampleOffset = change.offset;
    value = change.value;
    return kResultOk;
}

// ------------------------------------------------------------------ host objects

tresult PLUGIN_API ComponentHandler::queryInterface(const TUID iid, void** obj)
{
    return queryOne<IComponentHandler>(this, iid, obj);
}

tresult PLUGIN_API HostApplication::queryInterface(const TUID iid, void** obj)
{
    return queryOne<IHostApplication>(this, iid, obj);
}

tresult PLUGIN_API HostApplication::getName(String128 name)
{
    const char* text = "Pomelu Test Host";
    std::size_t i = 0;
    for (; text[i] != 0; ++i)
        name[i] = static_cast<char16>(text[i]);
    name[i] = 0;
    return kResultOk;
}

// ------------------------------------------------------------------ host

Vst3TestHost::Vst3TestHost() = default;

Vst3TestHost::~Vst3TestHost()
{
    releaseInstance();
    unload();
}

std::string Vst3TestHost::modulePath(const std::string& bundlePath)
{
    std::string b = bundlePath;
    while (!b.empty() && b.back() == '/')
        b.pop_back();
    std::string name = b.substr(b.find_last_of('/') + 1);
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".vst3") == 0)
        name.resize(name.size() - 5);
    return b + "/Contents/x86_64-linux/" + name + ".so";
}

bool Vst3TestHost::load(const std::string& bundlePath, std::string& error)
{
    const std::string path = modulePath(bundlePath);
    library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        error = std::string("dlopen failed: ") + dlerror();
        return false;
    }
    using EntryFunc = bool (*)(void*);
    using FactoryFunc = IPluginFactory* (*)();
    auto entry = reinterpret_cast<EntryFunc>(dlsym(library, "ModuleEntry"));
    auto getFactory = reinterpret_cast<FactoryFunc>(dlsym(library, "GetPluginFactory"));
    if (entry == nullptr || getFactory == nullptr)
    {
        error = "the module lacks ModuleEntry or GetPluginFactory";
        return false;
    }
    if (!entry(library))
    {
        error = "ModuleEntry returned false";
        return false;
    }
    pluginFactory = getFactory();
    if (pluginFactory == nullptr)
    {
        error = "GetPluginFactory returned nullptr";
        return false;
    }
    return true;
}

bool Vst3TestHost::createInstance(std::string& error)
{
    if (pluginFactory == nullptr)
    {
        error = "no factory";
        return false;
    }
    for (int32 i = 0; i < pluginFactory->countClasses(); ++i)
    {
        PClassInfo info;
        if (pluginFactory->getClassInfo(i, &info) != kResultOk ||
            std::strcmp(info.category, kVstAudioEffectClass) != 0)
            continue;
        void* obj = nullptr;
        if (pluginFactory->createInstance(info.cid, IComponent::iid, &obj) != kResultOk || obj == nullptr)
        {
            error = "createInstance failed";
            return false;
        }
        component = static_cast<IComponent*>(obj);
        if (component->initialize(&hostApplication) != kResultOk)
        {
            error = "initialize failed";
            return false;
        }
        if (component->queryInterface(IAudioProcessor::iid, reinterpret_cast<void**>(&processor)) !=
            kResultOk)
        {
            error = "no audio processor";
            return false;
        }
        // A single-component effect is its own controller.
        if (component->queryInterface(IEditController::iid, reinterpret_cast<void**>(&controller)) !=
            kResultOk)
        {
            error = "no edit controller";
            return false;
        }
        controller->setComponentHandler(&componentHandler);
        return true;
    }
    error = "no audio effect class";
    return false;
}

bool Vst3TestHost::setup(double sampleRate, int maxBlock, int32 sampleSize, SpeakerArrangement arrangement)
{
    if (processor == nullptr)
        return false;
    SpeakerArrangement in = arrangement, out = arrangement;
    if (processor->setBusArrangements(&in, 1, &out, 1) != kResultTrue)
        return false;
    ProcessSetup ps{kRealtime, sampleSize, maxBlock, sampleRate};
    if (processor->setupProcessing(ps) != kResultOk)
        return false;
    setupSampleSize = sampleSize;
    setupSampleRate = sampleRate;
    component->activateBus(kAudio, kInput, 0, true);
    component->activateBus(kAudio, kOutput, 0, true);
    if (component->setActive(true) != kResultOk)
        return false;
    active = true;
    processor->setProcessing(true);
    return true;
}

tresult Vst3TestHost::process(int32 sampleSize, void** in, void** out, int nIn, int nOut, int frames,
                              const std::vector<ParamChange>& changes, double tempo)
{
    inputChanges.set(changes);
    AudioBusBuffers inBus{}, outBus{};
    inBus.numChannels = nIn;
    outBus.numChannels = nOut;
    inBus.channelBuffers32 = reinterpret_cast<Sample32**>(in); // same union member for 64
    outBus.channelBuffers32 = reinterpret_cast<Sample32**>(out);
    context = ProcessContext{};
    context.sampleRate = setupSampleRate;
    if (tempo > 0.0)
    {
        context.state = ProcessContext::kTempoValid;
        context.tempo = tempo;
    }
    ProcessData data;
    data.processMode = kRealtime;
    data.symbolicSampleSize = sampleSize;
    data.numSamples = frames;
    data.numInputs = nIn > 0 ? 1 : 0;
    data.numOutputs = nOut > 0 ? 1 : 0;
    data.inputs = nIn > 0 ? &inBus : nullptr;
    data.outputs = nOut > 0 ? &outBus : nullptr;
    data.inputParameterChanges = &inputChanges;
    data.processContext = &context;
    return processor->process(data);
}

tresult Vst3TestHost::process64(double** in, double** out, int nIn, int nOut, int frames,
                                const std::vector<ParamChange>& changes, double tempo)
{
    return process(kSample64, reinterpret_cast<void**>(in), reinterpret_cast<void**>(out), nIn, nOut, frames,
                   changes, tempo);
}

tresult Vst3TestHost::process32(float** in, float** out, int nIn, int nOut, int frames,
                                const std::vector<ParamChange>& changes, double tempo)
{
    return process(kSample32, reinterpret_cast<void**>(in), reinterpret_cast<void**>(out), nIn, nOut, frames,
                   changes, tempo);
}

bool Vst3TestHost::getState(std::vector<std::uint8_t>& state)
{
    MemoryStream stream;
    if (component == nullptr || component->getState(&stream) != kResultOk)
        return false;
    state = stream.data;
    return true;
}

bool Vst3TestHost::setState(const std::vector<std::uint8_t>& state)
{
    MemoryStream stream(state);
    if (component == nullptr || component->setState(&stream) != kResultOk)
        return false;
    MemoryStream again(state);
    return controller->setComponentState(&again) == kResultOk;
}

void Vst3TestHost::releaseInstance()
{
    if (component == nullptr)
        return;
    if (active)
    {
        processor->setProcessing(false);
        component->setActive(false);
        active = false;
    }
    component->terminate();
    if (controller != nullptr)
        controller->release();
    if (processor != nullptr)
        processor->release();
    component->release();
    component = nullptr;
    processor = nullptr;
    controller = nullptr;
}

bool Vst3TestHost::unload()
{
    if (library == nullptr)
        return true;
    if (pluginFactory != nullptr)
    {
        pluginFactory->release();
        pluginFactory = nullptr;
    }
    bool ok = true;
    using ExitFunc = bool (*)();
    if (auto exitFunc = reinterpret_cast<ExitFunc>(dlsym(library, "ModuleExit")))
        ok = exitFunc();
    dlclose(library);
    library = nullptr;
    return ok;
}

} // namespace pomelu::test
