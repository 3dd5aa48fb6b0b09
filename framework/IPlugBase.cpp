// SPDX-License-Identifier: GPL-3.0-or-later
#include "IPlugBase.h"

#include "AudioBuffers.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace iplug
{

std::vector<ChannelIO> ParseChannelIO(const char* channelIOStr)
{
    std::vector<ChannelIO> result;
    const char* p = channelIOStr ? channelIOStr : "";
    while (*p != '\0')
    {
        char* end = nullptr;
        const long nIn = std::strtol(p, &end, 10);
        if (end == p || *end != '-')
            break;
        p = end + 1;
        const long nOut = std::strtol(p, &end, 10);
        if (end == p)
            break;
        result.push_back({static_cast<int>(nIn), static_cast<int>(nOut)});
        p = end;
        while (*p == ' ')
            ++p;
    }
    return result;
}

namespace
{
std::atomic<void*> gModuleHandle{nullptr};
}

void SetModuleHandle(void* handle)
{
    gModuleHandle.store(handle);
}

void* GetModuleHandle()
{
    return gModuleHandle.load();
}

IPlugBase::IPlugBase(const Config& config) : mConfig(config), mChannelIO(ParseChannelIO(config.channelIOStr))
{
    mParams.reserve(static_cast<std::size_t>(config.nParams > 0 ? config.nParams : 0));
    for (int i = 0; i < config.nParams; ++i)
        mParams.push_back(std::make_unique<IParam>());
    mPresets.reserve(static_cast<std::size_t>(config.nPresets > 0 ? config.nPresets : 0));
}

IPlugBase::~IPlugBase() = default;

bool IPlugBase::LegalIO(int nIn, int nOut) const
{
    for (const ChannelIO& io : mChannelIO)
        if (io.nIn == nIn && io.nOut == nOut)
            return true;
    return false;
}

void IPlugBase::SetParameterValueFromPlugin(int idx, double normalized)
{
    IParam* param = GetParam(idx);
    if (param == nullptr)
        return;
    param->SetNormalized(normalized);
    const double stored = param->GetNormalized();
    InformHostOfParamChange(idx, stored);
    SendParameterValueFromDelegate(idx, stored);
}

void IPlugBase::SendParameterValueFromUI(int idx, double normalized)
{
    IParam* param = GetParam(idx);
    if (param == nullptr)
        return;
    param->SetNormalized(normalized);
    OnParamChange(idx);
    InformHostOfParamChangeFromUI(idx, param->GetNormalized());
}

bool IPlugBase::SerializeParams(IByteChunk& chunk) const
{
    for (const auto& param : mParams)
    {
        const double v = param->Value();
        chunk.Put(&v);
    }
    return chunk.Size() > 0;
}

void IPlugBase::BeginParamSet()
{
    mSetWriters.fetch_add(1, std::memory_order_relaxed);
    // Orders the count before the values this update stores: a reader that sees one of them sees
    // the count too.
    std::atomic_thread_fence(std::memory_order_release);
}

void IPlugBase::EndParamSet()
{
    mSetVersion.fetch_add(1, std::memory_order_release);
    mSetWriters.fetch_sub(1, std::memory_order_release);
}

int IPlugBase::UnserializeParams(const IByteChunk& chunk, int startPos, int count)
{
    if (count < 0)
        count = NParams();
    const std::int64_t end = static_cast<std::int64_t>(startPos) + 8 * static_cast<std::int64_t>(count);
    if (count > NParams() || startPos < 0 || end > chunk.Size())
        return -1;
    int pos = startPos;
    BeginParamSet();
    for (int i = 0; i < count; ++i)
    {
        double v = 0.0;
        pos = chunk.Get(&v, pos);
        IParam& param = *mParams[static_cast<std::size_t>(i)];
        param.Set(param.FiniteOrDefault(v));
    }
    EndParamSet();
    for (int i = 0; i < NParams(); ++i)
        OnParamChange(i);
    return pos;
}

const char* IPlugBase::GetPresetName(int idx) const
{
    if (idx < 0 || idx >= NPresets())
        return "";
    return mPresets[static_cast<std::size_t>(idx)].name.c_str();
}

bool IPlugBase::MakePresetFromValues(const char* name, const std::vector<double>& values)
{
    if (NPresets() >= mConfig.nPresets || static_cast<int>(values.size()) != NParams())
        return false;
    mPresets.push_back({name ? name : "", values});
    return true;
}

bool IPlugBase::RestorePreset(int idx)
{
    if (idx < 0 || idx >= NPresets())
        return false;
    const Preset& preset = mPresets[static_cast<std::size_t>(idx)];
    BeginParamSet();
    for (int i = 0; i < NParams(); ++i)
    {
        const double v = preset.values[static_cast<std::size_t>(i)];
        if (!std::isnan(v))
            mParams[static_cast<std::size_t>(i)]->Set(v);
    }
    EndParamSet();
    for (int i = 0; i < NParams(); ++i)
        OnParamChange(i);
    mCurrentPreset.store(idx, std::memory_order_relaxed);
    return true;
}

void IPlugBase::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
    CopyOrSilence(inputs, outputs, mInChansConnected, mOutChansConnected, nFrames);
}

void IPlugBase::OnRestoreState()
{
    for (int i = 0; i < NParams(); ++i)
        SendParameterValueFromDelegate(i, mParams[static_cast<std::size_t>(i)]->GetNormalized());
}

bool IPlugBase::LayoutEditor()
{
    if (mEditor == nullptr || !mLayoutFunc)
        return false;
    mLayoutFunc(*mEditor);
    return true;
}

void IPlugBase::SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData)
{
    if (mEditor != nullptr)
        mEditor->OnControlMessage(ctrlTag, msgTag, dataSize, pData);
}

void IPlugBase::SendParameterValueFromDelegate(int idx, double normalized)
{
    if (mEditor != nullptr)
        mEditor->OnParameterValue(idx, normalized);
}

} // namespace iplug
