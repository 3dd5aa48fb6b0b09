// SPDX-License-Identifier: GPL-3.0-or-later
#include "PomeluEffect.h"

#include "Errors.h"
#include "PomeluRarorudIzad.h"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <algorithm>
#include <cstring>

namespace pomelu::tools
{

namespace
{
using namespace Steinberg;

// The component state travels through this: a byte vector with a read/write position.
class MemoryStream final : public IBStream
{
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : data(std::move(bytes)) {}

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
    {
        if (FUnknownPrivate::iidEqual(iid, IBStream::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid))
        {
            *obj = static_cast<IBStream*>(this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    // Lives on the caller's stack; the plug-in must not keep it beyond the call.
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override
    {
        if (numBytes < 0 || buffer == nullptr)
            return kInvalidArgument;
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(numBytes, static_cast<std::int64_t>(data.size()) - position));
        std::memcpy(buffer, data.data() + position, n);
        position += static_cast<std::int64_t>(n);
        if (numBytesRead != nullptr)
            *numBytesRead = static_cast<int32>(n);
        return kResultOk;
    }
    tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) override
    {
        if (numBytes < 0 || buffer == nullptr)
            return kInvalidArgument;
        const auto end = static_cast<std::size_t>(position) + static_cast<std::size_t>(numBytes);
        if (end > data.size())
            data.resize(end);
        std::memcpy(data.data() + position, buffer, static_cast<std::size_t>(numBytes));
        position = static_cast<std::int64_t>(end);
        if (numBytesWritten != nullptr)
            *numBytesWritten = numBytes;
        return kResultOk;
    }
    tresult PLUGIN_API seek(int64 pos, int32 mode, int64* result) override
    {
        std::int64_t target = pos;
        if (mode == kIBSeekCur)
            target += position;
        else if (mode == kIBSeekEnd)
            target += static_cast<std::int64_t>(data.size());
        if (target < 0)
            return kInvalidArgument;
        position = std::min<std::int64_t>(target, static_cast<std::int64_t>(data.size()));
        if (result != nullptr)
            *result = position;
        return kResultOk;
    }
    tresult PLUGIN_API tell(int64* pos) override
    {
        if (pos == nullptr)
            return kInvalidArgument;
        *pos = position;
        return kResultOk;
    }

    std::vector<std::uint8_t> data;

private:
    std::int64_t position = 0;
};

// The host context handed to initialize: it names the host and creates nothing.
class ToolHost final : public Vst::IHostApplication
{
public:
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
    {
        if (FUnknownPrivate::iidEqual(iid, Vst::IHostApplication::iid) ||
            FUnknownPrivate::iidEqual(iid, FUnknown::iid))
        {
            *obj = static_cast<Vst::IHostApplication*>(this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
    tresult PLUGIN_API getName(Vst::String128 name) override
    {
        const char* text = "pomelu-render";
        for (int i = 0;; ++i)
        {
            name[i] = static_cast<Vst::TChar>(text[i]);
            if (text[i] == '\0')
                break;
        }
        return kResultOk;
    }
    tresult PLUGIN_API createInstance(TUID, TUID, void** obj) override
    {
        *obj = nullptr;
        return kNotImplemented;
    }
};

ParameterDescription describe(int index, const iplug::IParam& param)
{
    ParameterDescription d;
    d.index = index;
    d.name = param.GetName();
    switch (param.Type())
    {
    case iplug::IParam::kTypeBool:
        d.kind = ParameterDescription::Kind::Bool;
        break;
    case iplug::IParam::kTypeEnum:
        d.kind = ParameterDescription::Kind::Enum;
        break;
    default:
        d.kind = ParameterDescription::Kind::Double;
        break;
    }
    d.minValue = param.GetMin();
    d.maxValue = param.GetMax();
    d.step = param.GetStep();
    d.defaultValue = param.GetDefault();
    d.label = param.GetLabel();
    for (int i = 0; i < param.NDisplayTexts(); ++i)
    {
        const char* text = param.GetDisplayText(i);
        d.texts.emplace_back(text != nullptr ? text : "");
    }
    return d;
}

class PomeluEffect final : public Effect
{
public:
    PomeluEffect() : plugin(new PomeluRarorudIzad(iplug::InstanceInfo{}))
    {
        component = static_cast<Vst::IComponent*>(plugin);
        processor = static_cast<Vst::IAudioProcessor*>(plugin);
        if (component->initialize(&host) != kResultOk)
        {
            component->release();
            throwIoError("the plug-in refused to initialise");
        }
    }

    ~PomeluEffect() override
    {
        stopProcessing();
        component->terminate();
        component->release();
    }

    std::vector<ParameterDescription> parameters() const override
    {
        std::vector<ParameterDescription> list;
        for (int i = 0; i < plugin->NParams(); ++i)
            list.push_back(describe(i, *plugin->GetParam(i)));
        return list;
    }
    double parameterValue(int index) const override { return plugin->GetParam(index)->Value(); }
    void setParameter(int index, double plain) override { plugin->GetParam(index)->Set(plain); }

    std::vector<std::string> presetNames() const override
    {
        std::vector<std::string> names;
        for (int i = 0; i < plugin->NPresets(); ++i)
            names.emplace_back(plugin->GetPresetName(i));
        return names;
    }
    void restorePreset(int index) override
    {
        plugin->RestorePreset(index);
        plugin->OnRestoreState();
    }

    std::vector<std::uint8_t> getState() override
    {
        MemoryStream stream;
        if (component->getState(&stream) != kResultOk)
            throwIoError("the plug-in did not hand out its state");
        return stream.data;
    }
    bool setState(const std::vector<std::uint8_t>& bytes) override
    {
        MemoryStream stream(bytes);
        return component->setState(&stream) == kResultOk;
    }

    void setModuleOrder(const dsp::ModuleOrder& order) override { plugin->setModuleOrder(order, true); }

    void startProcessing(double sampleRate, int channels, int maxBlockSize, double tempoBpm) override
    {
        Vst::SpeakerArrangement arrangement =
            channels == 1 ? Vst::SpeakerArr::kMono : Vst::SpeakerArr::kStereo;
        if (processor->setBusArrangements(&arrangement, 1, &arrangement, 1) != kResultTrue)
            throwIoError("the plug-in does not take " + std::to_string(channels) + " channels");
        if (processor->canProcessSampleSize(Vst::kSample64) != kResultTrue)
            throwIoError("the plug-in cannot process 64-bit samples");
        Vst::ProcessSetup setup{Vst::kOffline, Vst::kSample64, maxBlockSize, sampleRate};
        if (processor->setupProcessing(setup) != kResultOk)
            throwIoError("the plug-in refused the processing set-up (" + std::to_string(sampleRate) + " Hz)");
        if (component->setActive(true) != kResultOk)
            throwIoError("the plug-in could not be activated");
        active = true;
        processor->setProcessing(true);

        channelCount = channels;
        context = {};
        context.sampleRate = sampleRate;
        context.tempo = tempoBpm;
        context.timeSigNumerator = 4;
        context.timeSigDenominator = 4;
        context.state = Vst::ProcessContext::kPlaying | Vst::ProcessContext::kTempoValid |
                        Vst::ProcessContext::kTimeSigValid | Vst::ProcessContext::kProjectTimeMusicValid |
                        Vst::ProcessContext::kContTimeValid;
    }

    void process(const double* const* inputs, double* const* outputs, int frames,
                 std::int64_t position) override
    {
        double* in[2] = {const_cast<double*>(inputs[0]),
                         const_cast<double*>(inputs[channelCount > 1 ? 1 : 0])};
        double* out[2] = {outputs[0], outputs[channelCount > 1 ? 1 : 0]};
        Vst::AudioBusBuffers inBus{};
        inBus.numChannels = channelCount;
        inBus.channelBuffers64 = in;
        Vst::AudioBusBuffers outBus{};
        outBus.numChannels = channelCount;
        outBus.channelBuffers64 = out;

        context.projectTimeSamples = position;
        context.continousTimeSamples = position;
        context.projectTimeMusic = static_cast<double>(position) / context.sampleRate * context.tempo / 60.0;

        Vst::ProcessData data{};
        data.processMode = Vst::kOffline;
        data.symbolicSampleSize = Vst::kSample64;
        data.numSamples = frames;
        data.numInputs = 1;
        data.numOutputs = 1;
        data.inputs = &inBus;
        data.outputs = &outBus;
        data.processContext = &context;
        processor->process(data);
    }

    void stopProcessing() override
    {
        if (!active)
            return;
        processor->setProcessing(false);
        component->setActive(false);
        active = false;
    }

private:
    ToolHost host;
    PomeluRarorudIzad* plugin; // reference counted; released in the destructor
    Vst::IComponent* component = nullptr;
    Vst::IAudioProcessor* processor = nullptr;
    Vst::ProcessContext context{};
    int channelCount = 0;
    bool active = false;
};
} // namespace

std::unique_ptr<Effect> makePomeluEffect()
{
    return std::make_unique<PomeluEffect>();
}

} // namespace pomelu::tools
