// SPDX-License-Identifier: GPL-3.0-or-later
#include "PluginInstance.h"

#include "MemoryStream.h"

namespace pomelu::host
{

using namespace Steinberg;
using namespace Steinberg::Vst;

PluginInstance::PluginInstance(std::string hostName) : application(std::move(hostName)) {}

PluginInstance::~PluginInstance()
{
    releaseInstance();
    unload();
}

bool PluginInstance::fail(std::string why)
{
    error = std::move(why);
    return false;
}

bool PluginInstance::load(const std::string& bundlePath)
{
    return module.load(bundlePath, error);
}

bool PluginInstance::createInstance()
{
    releaseInstance();
    TUID classId;
    if (!module.findAudioEffect(classId, error))
        return false;
    void* effect = nullptr;
    if (module.factory()->createInstance(classId, IComponent::iid, &effect) != kResultOk || effect == nullptr)
        return fail("the factory did not create its audio effect");
    return takeInterfaces(static_cast<IComponent*>(effect));
}

bool PluginInstance::adopt(FUnknown* effect)
{
    releaseInstance();
    if (effect == nullptr)
        return fail("no effect to adopt");
    return takeInterfaces(effect);
}

bool PluginInstance::takeInterfaces(FUnknown* effect)
{
    // Each query adds a reference of its own; the one handed to us goes at the end either way.
    effect->queryInterface(IComponent::iid, reinterpret_cast<void**>(&effectComponent));
    effect->queryInterface(IAudioProcessor::iid, reinterpret_cast<void**>(&effectProcessor));
    effect->queryInterface(IEditController::iid, reinterpret_cast<void**>(&effectController));
    effect->release();
    const char* missing = effectComponent == nullptr    ? "no IComponent"
                          : effectProcessor == nullptr  ? "no IAudioProcessor"
                          : effectController == nullptr ? "no IEditController of its own"
                                                        : nullptr;
    if (missing == nullptr)
    {
        initialized = true; // a failed initialize is still answered with terminate
        if (effectComponent->initialize(&application) != kResultOk)
            missing = "initialize failed";
    }
    if (missing != nullptr)
    {
        error = std::string("the effect cannot be hosted: ") + missing;
        releaseInstance();
        return false;
    }
    effectController->setComponentHandler(&handler);
    return true;
}

bool PluginInstance::setup(double rate, int maxBlock, int32 sampleSize, SpeakerArrangement arrangement,
                           int32 processMode)
{
    if (effectProcessor == nullptr)
        return fail("no instance");
    stop();
    SpeakerArrangement in = arrangement, out = arrangement;
    if (effectProcessor->setBusArrangements(&in, 1, &out, 1) != kResultTrue)
        return fail("the plug-in does not take " + std::to_string(SpeakerArr::getChannelCount(arrangement)) +
                    " channels");
    if (effectProcessor->canProcessSampleSize(sampleSize) != kResultTrue)
        return fail(std::string("the plug-in cannot process ") + (sampleSize == kSample64 ? "64" : "32") +
                    "-bit samples");
    ProcessSetup processSetup{processMode, sampleSize, maxBlock, rate};
    if (effectProcessor->setupProcessing(processSetup) != kResultOk)
        return fail("the plug-in refused the processing set-up (" + std::to_string(rate) + " Hz)");
    effectComponent->activateBus(kAudio, kInput, 0, true);
    effectComponent->activateBus(kAudio, kOutput, 0, true);
    if (effectComponent->setActive(true) != kResultOk)
        return fail("the plug-in could not be activated");
    active = true;
    effectProcessor->setProcessing(true);
    sampleRate = rate;
    mode = processMode;
    transportPosition = 0;
    return true;
}

void PluginInstance::stop()
{
    if (!active)
        return;
    effectProcessor->setProcessing(false);
    effectComponent->setActive(false);
    active = false;
}

tresult PluginInstance::process(int32 sampleSize, void** in, void** out, int nIn, int nOut, int frames,
                                const std::vector<ParamChange>& changes, double tempo)
{
    if (effectProcessor == nullptr)
        return kNotInitialized;
    block.setFormat(sampleSize, mode, sampleRate);
    block.setFrames(frames);
    block.setInput(in, nIn);
    block.setOutput(out, nOut);
    block.changes().set(changes);
    block.setTransport(tempo, transportPosition);
    const tresult result = block.run(effectProcessor);
    if (frames > 0)
        transportPosition += frames;
    return result;
}

tresult PluginInstance::process64(double** in, double** out, int nIn, int nOut, int frames,
                                  const std::vector<ParamChange>& changes, double tempo)
{
    return process(kSample64, reinterpret_cast<void**>(in), reinterpret_cast<void**>(out), nIn, nOut, frames,
                   changes, tempo);
}

tresult PluginInstance::process32(float** in, float** out, int nIn, int nOut, int frames,
                                  const std::vector<ParamChange>& changes, double tempo)
{
    return process(kSample32, reinterpret_cast<void**>(in), reinterpret_cast<void**>(out), nIn, nOut, frames,
                   changes, tempo);
}

bool PluginInstance::getState(std::vector<std::uint8_t>& state)
{
    if (effectComponent == nullptr)
        return fail("no instance");
    MemoryStream stream;
    if (effectComponent->getState(&stream) != kResultOk)
        return fail("the plug-in did not hand out its state");
    state = std::move(stream.data);
    return true;
}

bool PluginInstance::setState(const std::vector<std::uint8_t>& state)
{
    if (effectComponent == nullptr)
        return fail("no instance");
    MemoryStream stream(state);
    if (effectComponent->setState(&stream) != kResultOk)
        return fail("the plug-in refused the state");
    MemoryStream again(state);
    if (effectController->setComponentState(&again) != kResultOk)
        return fail("the controller refused the state");
    return true;
}

void PluginInstance::releaseInstance()
{
    if (effectComponent != nullptr)
        stop();
    if (initialized)
        effectComponent->terminate();
    initialized = false;
    for (FUnknown* i : {static_cast<FUnknown*>(effectController), static_cast<FUnknown*>(effectProcessor),
                        static_cast<FUnknown*>(effectComponent)})
        if (i != nullptr)
            i->release();
    effectController = nullptr;
    effectProcessor = nullptr;
    effectComponent = nullptr;
}

} // namespace pomelu::host
