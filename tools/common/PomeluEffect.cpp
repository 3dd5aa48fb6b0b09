// SPDX-License-Identifier: GPL-3.0-or-later
#include "PomeluEffect.h"

#include "Errors.h"
#include "PluginInstance.h"
#include "PomeluRarorudIzad.h"

namespace pomelu::tools
{

using namespace Steinberg;

namespace
{

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

} // namespace

PomeluEffect::PomeluEffect(const std::string& hostName)
    : hostInstance(hostName), plug(new PomeluRarorudIzad(iplug::InstanceInfo{}))
{
    if (!hostInstance.adopt(static_cast<Vst::IComponent*>(plug)))
        throwIoError("the plug-in refused to initialise");
}

std::vector<ParameterDescription> PomeluEffect::parameters() const
{
    std::vector<ParameterDescription> list;
    for (int i = 0; i < plug->NParams(); ++i)
        list.push_back(describe(i, *plug->GetParam(i)));
    return list;
}

double PomeluEffect::parameterValue(int index) const
{
    return plug->GetParam(index)->Value();
}

void PomeluEffect::setParameter(int index, double plain)
{
    plug->GetParam(index)->Set(plain);
}

std::vector<std::string> PomeluEffect::presetNames() const
{
    std::vector<std::string> names;
    for (int i = 0; i < plug->NPresets(); ++i)
        names.emplace_back(plug->GetPresetName(i));
    return names;
}

void PomeluEffect::restorePreset(int index)
{
    plug->RestorePreset(index);
    plug->OnRestoreState();
}

std::vector<std::uint8_t> PomeluEffect::getState()
{
    std::vector<std::uint8_t> bytes;
    if (!hostInstance.getState(bytes))
        throwIoError(hostInstance.lastError());
    return bytes;
}

bool PomeluEffect::setState(const std::vector<std::uint8_t>& bytes)
{
    return hostInstance.setState(bytes);
}

void PomeluEffect::setModuleOrder(const dsp::ModuleOrder& order)
{
    plug->setModuleOrder(order, true);
}

void PomeluEffect::startProcessing(double sampleRate, int channels, int maxBlockSize, double tempoBpm)
{
    const Vst::SpeakerArrangement arrangement =
        channels == 1 ? Vst::SpeakerArr::kMono : Vst::SpeakerArr::kStereo;
    if (!hostInstance.setup(sampleRate, maxBlockSize, Vst::kSample64, arrangement, Vst::kOffline))
        throwIoError(hostInstance.lastError());
    channelCount = channels;
    tempo = tempoBpm;
}

// The instance counts the transport position itself, from the same blocks.
void PomeluEffect::process(const double* const* inputs, double* const* outputs, int frames, std::int64_t)
{
    double* in[2] = {const_cast<double*>(inputs[0]), const_cast<double*>(inputs[channelCount > 1 ? 1 : 0])};
    double* out[2] = {outputs[0], outputs[channelCount > 1 ? 1 : 0]};
    hostInstance.process64(in, out, channelCount, channelCount, frames, {}, tempo);
}

void PomeluEffect::stopProcessing()
{
    hostInstance.stop();
}

std::unique_ptr<Effect> makePomeluEffect()
{
    return std::make_unique<PomeluEffect>();
}

} // namespace pomelu::tools
