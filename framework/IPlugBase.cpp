// SPDX-License-Identifier: GPL-3.0-or-later
#include "IPlugBase.h"

#include "AudioBuffers.h"

#include <algorithm>
#include <bit>
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

std::size_t hostChangeWords(int nParams)
{
    return (static_cast<std::size_t>(nParams) + 63) / 64;
}
} // namespace

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
    mHostChanged = std::make_unique<std::atomic<std::uint64_t>[]>(hostChangeWords(NParams()));
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

const std::vector<double>& IPlugBase::GetPresetValues(int idx) const
{
    static const std::vector<double> kNone;
    return idx >= 0 && idx < NPresets() ? mPresets[static_cast<std::size_t>(idx)].values : kNone;
}

namespace
{
constexpr int kLargestConversionBlock = 1 << 16;
}

void IPlugBase::PrepareHostBlocks(int maxBlock)
{
    const auto size = static_cast<std::size_t>(std::clamp(maxBlock, 1, kLargestConversionBlock));
    for (int c = 0; c < 2; ++c)
    {
        mConvIn[c].assign(size, 0.0);
        mConvOut[c].assign(size, 0.0);
    }
}

void IPlugBase::ProcessHostBlock(double** inputs, double** outputs, int nIn, int nOut, int nFrames,
                                 bool bypassed)
{
    // The host bypass skips the plug-in: the block after it follows a pause, as after a stop.
    if (bypassed)
    {
        mAudioPaused.store(true, std::memory_order_relaxed);
        CopyOrSilence(inputs, outputs, nIn, nOut, nFrames);
        return;
    }
    if (mAudioPaused.exchange(false, std::memory_order_acq_rel))
        OnAudioResumed();
    ProcessBlock(nIn > 0 ? inputs : nullptr, nOut > 0 ? outputs : nullptr, nFrames);
}

bool IPlugBase::ProcessHostBlock(float** in32, float** out32, int nIn, int nOut, int frames, bool bypassed)
{
    if (bypassed)
    {
        mAudioPaused.store(true, std::memory_order_relaxed);
        CopyOrSilence(in32, out32, nIn, nOut, frames);
        return true;
    }
    const int chunk = static_cast<int>(mConvIn[0].size());
    if (chunk <= 0)
    {
        CopyOrSilence<float>(nullptr, out32, 0, nOut, frames);
        return false;
    }
    if (mAudioPaused.exchange(false, std::memory_order_acq_rel))
        OnAudioResumed();
    nIn = std::clamp(nIn, 0, 2);
    nOut = std::clamp(nOut, 0, 2);
    double* inPtrs[2] = {mConvIn[0].data(), mConvIn[1].data()};
    double* outPtrs[2] = {mConvOut[0].data(), mConvOut[1].data()};
    int done = 0;
    do
    {
        const int n = std::min(frames - done, chunk);
        for (int c = 0; c < nIn; ++c)
        {
            const float* src = in32 != nullptr ? in32[c] : nullptr;
            for (int i = 0; i < n; ++i)
                inPtrs[c][i] = src != nullptr ? static_cast<double>(src[done + i]) : 0.0;
        }
        ProcessBlock(nIn > 0 ? inPtrs : nullptr, nOut > 0 ? outPtrs : nullptr, n);
        for (int c = 0; c < nOut; ++c)
        {
            float* dst = out32 != nullptr ? out32[c] : nullptr;
            if (dst != nullptr)
                for (int i = 0; i < n; ++i)
                    dst[done + i] = static_cast<float>(outPtrs[c][i]);
        }
        done += n;
    } while (done < frames);
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

void IPlugBase::NoteHostValueChange(int idx)
{
    if (idx >= NParams())
        return;
    if (idx < 0)
        mHostChangedAll.store(true, std::memory_order_release);
    else
        mHostChanged[static_cast<std::size_t>(idx) / 64].fetch_or(std::uint64_t{1} << (idx % 64),
                                                                  std::memory_order_release);
}

bool IPlugBase::ShowHostValueChanges()
{
    if (mHostChangedAll.exchange(false, std::memory_order_acquire))
    {
        for (std::size_t w = 0; w < hostChangeWords(NParams()); ++w)
            mHostChanged[w].store(0, std::memory_order_relaxed);
        OnRestoreState();
        OnHostValueShown(-1);
        return true;
    }
    bool any = false;
    for (std::size_t w = 0; w < hostChangeWords(NParams()); ++w)
    {
        std::uint64_t bits = mHostChanged[w].exchange(0, std::memory_order_acquire);
        any = any || bits != 0;
        for (; bits != 0; bits &= bits - 1)
        {
            const int idx = static_cast<int>(w * 64) + std::countr_zero(bits);
            SendParameterValueFromDelegate(idx, mParams[static_cast<std::size_t>(idx)]->GetNormalized());
            OnHostValueShown(idx);
        }
    }
    return any;
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
