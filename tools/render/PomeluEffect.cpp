// SPDX-License-Identifier: GPL-3.0-or-later
#include "PomeluEffect.h"

#include "Errors.h"
#include "PluginInstance.h"
#include "PomeluRarorudIzad.h"

namespace pomelu::tools
{

namespace
{
using namespace Steinberg;

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
        if (!instance.adopt(static_cast<Vst::IComponent*>(plugin)))
            throwIoError("the plug-in refused to initialise");
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
        std::vector<std::uint8_t> bytes;
        if (!instance.getState(bytes))
            throwIoError(instance.lastError());
        return bytes;
    }
    bool setState(const std::vector<std::uint8_t>& bytes) override { return instance.setState(bytes); }

    void setModuleOrder(const dsp::ModuleOrder& order) override { plugin->setModuleOrder(order, true); }

    void startProcessing(double sampleRate, int channels, int maxBlockSize, double tempoBpm) override
    {
        const Vst::SpeakerArrangement arrangement =
            channels == 1 ? Vst::SpeakerArr::kMono : Vst::SpeakerArr::kStereo;
        if (!instance.setup(sampleRate, maxBlockSize, Vst::kSample64, arrangement, Vst::kOffline))
            throwIoError(instance.lastError());
        channelCount = channels;
        tempo = tempoBpm;
    }

    // The instance counts the transport position itself, from the same blocks.
    void process(const double* const* inputs, double* const* outputs, int frames, std::int64_t) override
    {
        double* in[2] = {const_cast<double*>(inputs[0]),
                         const_cast<double*>(inputs[channelCount > 1 ? 1 : 0])};
        double* out[2] = {outputs[0], outputs[channelCount > 1 ? 1 : 0]};
        instance.process64(in, out, channelCount, channelCount, frames, {}, tempo);
    }

    void stopProcessing() override { instance.stop(); }

private:
    host::PluginInstance instance{"pomelu-render"};
    PomeluRarorudIzad* plugin; // kept alive by the instance's references
    int channelCount = 0;
    double tempo = 120.0;
};
} // namespace

std::unique_ptr<Effect> makePomeluEffect()
{
    return std::make_unique<PomeluEffect>();
}

} // namespace pomelu::tools
