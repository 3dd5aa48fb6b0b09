// SPDX-License-Identifier: GPL-3.0-or-later
#include "IPlugVST3.h"

#include "AudioBuffers.h"

#include "Utf16.h"
#include "ValueText.h"

#include "pluginterfaces/base/ustring.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

namespace iplug
{

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

// Largest block converted in one go when the host gives no usable maximum.
constexpr int32 kFallbackBlockSize = 1024;
// Engine memory grows with the announced maximum block; a host announcing more than this gets this,
// and longer blocks are still processed whole (64 bit) or in pieces (32 bit).
constexpr int32 kLargestAnnouncedBlock = 1 << 16;
// Far beyond any state this plug-in writes: a stream that goes on past it is not one of ours.
constexpr int kLargestStateBytes = 16 << 20;
// An A/B switch queues a group around begin, perform and end for every parameter; room for a few
// such bursts between two ticks.
constexpr std::size_t kEditQueueReserve = 1024;

void copyString(const char* utf8, String128 dst)
{
    Utf8ToUtf16(utf8, reinterpret_cast<char16_t*>(dst), 128);
}

} // namespace

IPlugVST3::IPlugVST3(const InstanceInfo& info, const Config& config)
    : IPlugBase(config), mUseIdleThread(info.runIdleTimer), mArrangement(SpeakerArr::kStereo)
{
    mQueuedEdits.reserve(kEditQueueReserve);
    mEditsInDelivery.reserve(kEditQueueReserve);
}

IPlugVST3::~IPlugVST3()
{
    IdleThread::Remove(this);
    ViewRemoved();
    std::lock_guard lock(mUiMutex);
    if (mComponentHandler != nullptr)
        mComponentHandler->release();
}

int IPlugVST3::PresetIndexFromNormalized(double normalized) const
{
    if (NPresets() <= 0 || std::isnan(normalized))
        return 0;
    const double n = std::clamp(normalized, 0.0, 1.0);
    return std::clamp(static_cast<int>(std::round(n * (NPresets() - 1))), 0, NPresets() - 1);
}

// ------------------------------------------------------------------ FUnknown

tresult PLUGIN_API IPlugVST3::queryInterface(const TUID iid, void** obj)
{
    if (obj == nullptr)
        return kInvalidArgument;
    auto is = [&](const FUID& id) { return FUnknownPrivate::iidEqual(iid, id.toTUID()); };
    void* found = nullptr;
    if (is(FUnknown::iid) || is(IPluginBase::iid) || is(IComponent::iid))
        found = static_cast<IComponent*>(this);
    else if (is(IAudioProcessor::iid))
        found = static_cast<IAudioProcessor*>(this);
    else if (is(IProcessContextRequirements::iid))
        found = static_cast<IProcessContextRequirements*>(this);
    else if (is(IEditController::iid))
        found = static_cast<IEditController*>(this);
    else if (is(IUnitInfo::iid))
        found = static_cast<IUnitInfo*>(this);
    if (found == nullptr)
    {
        *obj = nullptr;
        return kNoInterface;
    }
    addRef();
    *obj = found;
    return kResultOk;
}

uint32 PLUGIN_API IPlugVST3::addRef()
{
    return ++mRefCount;
}

uint32 PLUGIN_API IPlugVST3::release()
{
    const uint32 left = --mRefCount;
    if (left == 0)
    {
        // Whoever drops the last reference deletes, the idle thread included. Out of its list first:
        // a host that never called terminate() must not be ticked while the destructors run.
        IdleThread::Remove(this);
        delete this;
    }
    return left;
}

bool IPlugVST3::AcquireForIdle()
{
    if (mServedByRunLoop.load(std::memory_order_acquire))
        return false;
    // A reference only while one is still held: an object on its way to deletion stays dead.
    uint32 count = mRefCount.load();
    while (count != 0)
        if (mRefCount.compare_exchange_weak(count, count + 1))
            return true;
    return false;
}

// ------------------------------------------------------------------ IPluginBase

tresult PLUGIN_API IPlugVST3::initialize(FUnknown* /*context*/)
{
    // A host may initialise the component and the controller: both are this object.
    if (mInitCount++ > 0)
        return kResultOk;
    if (mUseIdleThread)
        IdleThread::Add(this);
    return kResultOk;
}

tresult PLUGIN_API IPlugVST3::terminate()
{
    if (mInitCount == 0)
        return kResultOk;
    if (--mInitCount > 0)
        return kResultOk;
    // A tick under way may be inside a call into the host, which may hold a lock of its own around
    // this call: it finishes on its own, holding its own references.
    IdleThread::Remove(this);
    std::lock_guard lock(mUiMutex);
    mHasComponentHandler.store(false, std::memory_order_relaxed);
    if (mComponentHandler != nullptr)
    {
        mComponentHandler->release();
        mComponentHandler = nullptr;
    }
    return kResultOk;
}

// ------------------------------------------------------------------ IComponent

tresult PLUGIN_API IPlugVST3::getControllerClassId(TUID /*classId*/)
{
    return kNotImplemented; // the controller is this object
}

tresult PLUGIN_API IPlugVST3::setIoMode(IoMode /*mode*/)
{
    return kResultOk;
}

int32 PLUGIN_API IPlugVST3::getBusCount(MediaType type, BusDirection /*dir*/)
{
    return type == kAudio ? 1 : 0;
}

tresult PLUGIN_API IPlugVST3::getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus)
{
    if (type != kAudio || index != 0)
        return kInvalidArgument;
    bus.mediaType = kAudio;
    bus.direction = dir;
    bus.channelCount = SpeakerArr::getChannelCount(mArrangement);
    copyString(dir == kInput ? "Input" : "Output", bus.name);
    bus.busType = kMain;
    bus.flags = BusInfo::kDefaultActive;
    return kResultOk;
}

tresult PLUGIN_API IPlugVST3::getRoutingInfo(RoutingInfo& /*inInfo*/, RoutingInfo& /*outInfo*/)
{
    return kNotImplemented;
}

tresult PLUGIN_API IPlugVST3::activateBus(MediaType type, BusDirection /*dir*/, int32 index, TBool /*state*/)
{
    return type == kAudio && index == 0 ? kResultOk : kInvalidArgument;
}

tresult PLUGIN_API IPlugVST3::setActive(TBool state)
{
    if (state)
    {
        // Hosts may activate without setupProcessing: the defaults need their 32-bit buffers too.
        if (!HostBlocksPrepared())
            PrepareHostBlocks(GetBlockSize());
        OnReset();
        mActive.store(true, std::memory_order_release);
    }
    else
        mActive.store(false, std::memory_order_release);
    return kResultOk;
}

tresult PLUGIN_API IPlugVST3::setState(IBStream* state)
{
    if (state == nullptr)
        return kInvalidArgument;
    IByteChunk chunk;
    char buffer[4096];
    for (;;)
    {
        // A short read is not the end (streams may hand out pieces); an empty one is. A failing
        // stream applies nothing: what it gave so far cannot be trusted to be the host's state.
        int32 numRead = 0;
        if (state->read(buffer, static_cast<int32>(sizeof buffer), &numRead) != kResultOk)
            return kResultFalse;
        if (numRead <= 0)
            break;
        numRead = std::min(numRead, static_cast<int32>(sizeof buffer));
        if (chunk.Size() > kLargestStateBytes - numRead)
            return kResultFalse;
        chunk.PutBytes(buffer, numRead);
    }
    int pos = -1;
    {
        std::lock_guard lock(mUiMutex);
        pos = UnserializeState(chunk, 0);
        if (pos >= 0)
        {
            // Both words are missing from states of older versions: the bypass then stays as it is
            // and the program is the first (a failed Get leaves the zero).
            uint32 bypass = 0, program = 0;
            const int programPos = chunk.Get(&bypass, pos);
            if (programPos >= 0)
            {
                mHostBypass.store(bypass != 0, std::memory_order_relaxed);
                chunk.Get(&program, programPos);
            }
            setProgramIndex(static_cast<int>(std::min<uint32>(program, static_cast<uint32>(NPresets()))));
            NoteHostValueChange(-1);
        }
    }
    return pos >= 0 ? kResultOk : kResultFalse;
}

tresult PLUGIN_API IPlugVST3::getState(IBStream* state)
{
    if (state == nullptr)
        return kInvalidArgument;
    IByteChunk chunk;
    {
        std::lock_guard lock(mUiMutex);
        if (!SerializeState(chunk))
            return kResultFalse;
    }
    const uint32 bypass = mHostBypass.load(std::memory_order_relaxed) ? 1u : 0u;
    const auto program =
        static_cast<uint32>(PresetIndexFromNormalized(mProgramValue.load(std::memory_order_relaxed)));
    chunk.Put(&bypass);
    chunk.Put(&program);
    // Streams may take the bytes in pieces; one that takes none or fails ends the write.
    int32 done = 0;
    while (done < chunk.Size())
    {
        int32 written = 0;
        if (state->write(chunk.GetData() + done, chunk.Size() - done, &written) != kResultOk || written <= 0)
            return kResultFalse;
        done += std::min(written, chunk.Size() - done);
    }
    return kResultOk;
}

// ------------------------------------------------------------------ IAudioProcessor

tresult PLUGIN_API IPlugVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                 SpeakerArrangement* outputs, int32 numOuts)
{
    if (numIns != 1 || numOuts != 1 || inputs == nullptr || outputs == nullptr)
        return kResultFalse;
    const SpeakerArrangement in = inputs[0], out = outputs[0];
    const bool known = (in == SpeakerArr::kMono || in == SpeakerArr::kStereo) &&
                       (out == SpeakerArr::kMono || out == SpeakerArr::kStereo);
    if (!known || !LegalIO(SpeakerArr::getChannelCount(in), SpeakerArr::getChannelCount(out)))
        return kResultFalse;
    mArrangement = in;
    return kResultTrue;
}

tresult PLUGIN_API IPlugVST3::getBusArrangement(BusDirection /*dir*/, int32 index, SpeakerArrangement& arr)
{
    if (index != 0)
        return kInvalidArgument;
    arr = mArrangement;
    return kResultOk;
}

tresult PLUGIN_API IPlugVST3::canProcessSampleSize(int32 symbolicSampleSize)
{
    return symbolicSampleSize == kSample64 || symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

uint32 PLUGIN_API IPlugVST3::getLatencySamples()
{
    return static_cast<uint32>(std::max(GetLatency(), 0));
}

tresult PLUGIN_API IPlugVST3::setupProcessing(ProcessSetup& setup)
{
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue)
        return kResultFalse;
    const int32 block = setup.maxSamplesPerBlock > 0
                            ? std::min(setup.maxSamplesPerBlock, kLargestAnnouncedBlock)
                            : kFallbackBlockSize;
    SetSampleRate(setup.sampleRate);
    SetBlockSize(block);
    PrepareHostBlocks(block);
    return kResultOk;
}

tresult PLUGIN_API IPlugVST3::setProcessing(TBool state)
{
    if (!state)
        HostPausedAudio();
    return kResultOk;
}

void IPlugVST3::setFromHost(int idx, double normalized)
{
    IParam* p = GetParam(idx);
    // Hosts that keep normalised values as 32-bit floats send back the float nearest to what they
    // read; taking that would nudge a restored value such as Q 1.0 to 1.000000035.
    const double current = p->GetNormalized();
    if (normalized == static_cast<double>(static_cast<float>(current)))
        return;
    p->SetNormalized(normalized);
    if (p->GetNormalized() != current)
        NoteHostValueChange(idx);
}

void IPlugVST3::applyParameterChanges(IParameterChanges* changes)
{
    if (changes == nullptr)
        return;
    const int32 count = changes->getParameterCount();
    for (int32 i = 0; i < count; ++i)
    {
        IParamValueQueue* queue = changes->getParameterData(i);
        if (queue == nullptr)
            continue;
        const int32 points = queue->getPointCount();
        int32 offset = 0;
        ParamValue value = 0.0;
        // Changes take effect for the whole block: the last point wins. NaN means nothing.
        if (points <= 0 || queue->getPoint(points - 1, offset, value) != kResultOk || std::isnan(value))
            continue;
        const ParamID id = queue->getParameterId();
        if (id < static_cast<ParamID>(NParams()))
        {
            setFromHost(static_cast<int>(id), value);
            OnParamChange(static_cast<int>(id));
        }
        else if (id == BypassParamId())
            mHostBypass.store(value >= 0.5, std::memory_order_relaxed);
        else if (id == ProgramParamId())
        {
            mProgramValue.store(std::clamp(value, 0.0, 1.0), std::memory_order_relaxed);
            if (RestorePreset(PresetIndexFromNormalized(value)))
            {
                NoteHostValueChange(-1);
                mPresetRecalledOnAudioThread.store(true, std::memory_order_release);
            }
        }
    }
}

tresult PLUGIN_API IPlugVST3::process(ProcessData& data)
{
    applyParameterChanges(data.inputParameterChanges);

    const ProcessContext* context = data.processContext;
    SetTempo(context != nullptr && (context->state & ProcessContext::kTempoValid) != 0 ? context->tempo
                                                                                       : 0.0);

    const bool hasIn = data.numInputs > 0 && data.inputs != nullptr;
    const bool hasOut = data.numOutputs > 0 && data.outputs != nullptr;
    const int nIn = hasIn ? std::clamp(static_cast<int>(data.inputs[0].numChannels), 0, 2) : 0;
    const int nOut = hasOut ? std::clamp(static_cast<int>(data.outputs[0].numChannels), 0, 2) : 0;
    const int frames = std::max(static_cast<int>(data.numSamples), 0);
    SetChannelsConnected(nIn, nOut);
    if (hasOut)
        data.outputs[0].silenceFlags = 0;

    const bool is64 = data.symbolicSampleSize == kSample64;
    if (!mActive.load(std::memory_order_acquire))
    {
        // Not prepared: silence rather than touching an unprepared plug-in.
        if (is64)
            CopyOrSilence<double>(nullptr, hasOut ? data.outputs[0].channelBuffers64 : nullptr, 0, nOut,
                                  frames);
        else
            CopyOrSilence<float>(nullptr, hasOut ? data.outputs[0].channelBuffers32 : nullptr, 0, nOut,
                                 frames);
        return kNotInitialized;
    }
    const bool bypassed = mHostBypass.load(std::memory_order_relaxed);
    if (is64)
    {
        ProcessHostBlock(hasIn ? data.inputs[0].channelBuffers64 : nullptr,
                         hasOut ? data.outputs[0].channelBuffers64 : nullptr, nIn, nOut, frames, bypassed);
        return kResultOk;
    }
    return ProcessHostBlock(hasIn ? data.inputs[0].channelBuffers32 : nullptr,
                            hasOut ? data.outputs[0].channelBuffers32 : nullptr, nIn, nOut, frames, bypassed)
               ? kResultOk
               : kNotInitialized;
}

uint32 PLUGIN_API IPlugVST3::getTailSamples()
{
    return static_cast<uint32>(std::max(GetTailSize(), 0));
}

uint32 PLUGIN_API IPlugVST3::getProcessContextRequirements()
{
    return IProcessContextRequirements::kNeedTempo;
}

// ------------------------------------------------------------------ IEditController

tresult PLUGIN_API IPlugVST3::setComponentState(IBStream* /*state*/)
{
    return kResultOk; // the component's setState already applied it to this same object
}

int32 PLUGIN_API IPlugVST3::getParameterCount()
{
    return NParams() + 2;
}

tresult PLUGIN_API IPlugVST3::getParameterInfo(int32 paramIndex, ParameterInfo& info)
{
    if (paramIndex < 0 || paramIndex >= getParameterCount())
        return kInvalidArgument;
    info = {};
    info.id = static_cast<ParamID>(paramIndex);
    info.unitId = kRootUnitId;
    if (const IParam* p = GetParam(paramIndex))
    {
        copyString(p->GetName(), info.title);
        copyString(p->GetName(), info.shortTitle);
        copyString(p->GetLabel(), info.units);
        info.stepCount = p->GetStepCount();
        info.defaultNormalizedValue = p->GetDefault(true);
        info.flags =
            ParameterInfo::kCanAutomate | (p->Type() == IParam::kTypeEnum ? ParameterInfo::kIsList : 0);
    }
    else if (info.id == BypassParamId())
    {
        copyString("Host Bypass", info.title);
        copyString("Host Bypass", info.shortTitle);
        info.stepCount = 1;
        info.defaultNormalizedValue = 0.0;
        info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsBypass;
    }
    else
    {
        copyString("Program", info.title);
        copyString("Program", info.shortTitle);
        info.stepCount = std::max(NPresets() - 1, 0);
        info.defaultNormalizedValue = 0.0;
        info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsProgramChange | ParameterInfo::kIsList;
    }
    return kResultOk;
}

tresult PLUGIN_API IPlugVST3::getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string)
{
    if (string == nullptr)
        return kInvalidArgument;
    if (const IParam* p = GetParam(static_cast<int>(id));
        p != nullptr && id < static_cast<ParamID>(NParams()))
    {
        std::string text;
        p->GetDisplay(p->FromNormalized(valueNormalized), text);
        copyString(text.c_str(), string);
        return kResultOk;
    }
    if (id == BypassParamId())
    {
        copyString(valueNormalized >= 0.5 ? "on" : "off", string);
        return kResultOk;
    }
    if (id == ProgramParamId())
    {
        copyString(GetPresetName(PresetIndexFromNormalized(valueNormalized)), string);
        return kResultOk;
    }
    return kInvalidArgument;
}

tresult PLUGIN_API IPlugVST3::getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized)
{
    if (string == nullptr)
        return kInvalidArgument;
    const std::string text = Utf16ToUtf8(reinterpret_cast<const char16_t*>(string));
    if (id < static_cast<ParamID>(NParams()))
    {
        const IParam* p = GetParam(static_cast<int>(id));
        const std::optional<double> plain = p->StringToValue(text);
        if (!plain)
            return kResultFalse;
        valueNormalized = p->ToNormalized(*plain);
        return kResultOk;
    }
    if (id == BypassParamId())
    {
        static const std::string kTexts[] = {"off", "on"};
        const std::optional<double> number = ParseNumber(text);
        std::optional<int> state = FindValueText(kTexts, text);
        if (!state && number && (*number == 0.0 || *number == 1.0))
            state = static_cast<int>(*number);
        if (!state)
            return kResultFalse;
        valueNormalized = *state;
        return kResultOk;
    }
    if (id == ProgramParamId())
    {
        for (int i = 0; i < NPresets(); ++i)
            if (text == GetPresetName(i))
            {
                valueNormalized = NPresets() > 1 ? static_cast<double>(i) / (NPresets() - 1) : 0.0;
                return kResultOk;
            }
        return kResultFalse;
    }
    return kInvalidArgument;
}

ParamValue PLUGIN_API IPlugVST3::normalizedParamToPlain(ParamID id, ParamValue valueNormalized)
{
    if (id < static_cast<ParamID>(NParams()))
        return GetParam(static_cast<int>(id))->FromNormalized(valueNormalized);
    if (id == ProgramParamId())
        return PresetIndexFromNormalized(valueNormalized);
    return std::isnan(valueNormalized) ? 0.0 : std::clamp(valueNormalized, 0.0, 1.0);
}

ParamValue PLUGIN_API IPlugVST3::plainParamToNormalized(ParamID id, ParamValue plainValue)
{
    if (id < static_cast<ParamID>(NParams()))
        return GetParam(static_cast<int>(id))->ToNormalized(plainValue);
    if (std::isnan(plainValue))
        return 0.0;
    if (id == ProgramParamId() && NPresets() > 1)
        return std::clamp(plainValue / (NPresets() - 1), 0.0, 1.0);
    return std::clamp(plainValue, 0.0, 1.0);
}

ParamValue PLUGIN_API IPlugVST3::getParamNormalized(ParamID id)
{
    if (id < static_cast<ParamID>(NParams()))
        return GetParam(static_cast<int>(id))->GetNormalized();
    if (id == BypassParamId())
        return mHostBypass.load(std::memory_order_relaxed) ? 1.0 : 0.0;
    if (id == ProgramParamId())
        return mProgramValue.load(std::memory_order_relaxed);
    return 0.0;
}

void IPlugVST3::setProgramIndex(int idx)
{
    const int last = NPresets() - 1;
    const double value = last > 0 ? static_cast<double>(std::clamp(idx, 0, last)) / last : 0.0;
    mProgramValue.store(value, std::memory_order_relaxed);
}

void IPlugVST3::notifyHostValuesChanged()
{
    // Hosts may hold their own locks around a program change and take them again in
    // restartComponent, so the news goes out from the next idle tick, never from inside the call.
    mHostNotifyPending.store(true, std::memory_order_release);
}

tresult PLUGIN_API IPlugVST3::setParamNormalized(ParamID id, ParamValue value)
{
    if (std::isnan(value))
        return kInvalidArgument;
    if (id < static_cast<ParamID>(NParams()))
    {
        setFromHost(static_cast<int>(id), value);
        return kResultOk;
    }
    if (id == BypassParamId())
    {
        mHostBypass.store(value >= 0.5, std::memory_order_relaxed);
        return kResultOk;
    }
    if (id == ProgramParamId())
    {
        bool recalled = false;
        {
            std::lock_guard lock(mUiMutex);
            mProgramValue.store(std::clamp(value, 0.0, 1.0), std::memory_order_relaxed);
            recalled = RestorePreset(PresetIndexFromNormalized(value));
            if (recalled)
                NoteHostValueChange(-1);
        }
        if (recalled)
            notifyHostValuesChanged();
        return kResultOk;
    }
    return kInvalidArgument;
}

tresult PLUGIN_API IPlugVST3::setComponentHandler(IComponentHandler* handler)
{
    std::lock_guard lock(mUiMutex);
    if (handler == mComponentHandler)
        return kResultOk;
    if (mComponentHandler != nullptr)
        mComponentHandler->release();
    mComponentHandler = handler;
    if (mComponentHandler != nullptr)
        mComponentHandler->addRef();
    mHasComponentHandler.store(mComponentHandler != nullptr, std::memory_order_relaxed);
    return kResultOk;
}

IPlugView* PLUGIN_API IPlugVST3::createView(FIDString name)
{
    if (name == nullptr || std::strcmp(name, ViewType::kEditor) != 0)
        return nullptr;
    return CreateEditorView();
}

void IPlugVST3::queueEdit(HostEdit::Kind kind, int idx, double value)
{
    // With no handler nobody would take them; values the host set itself never come this way.
    const bool group = kind == HostEdit::kGroupStart || kind == HostEdit::kGroupFinish;
    if ((!group && GetParam(idx) == nullptr) || !mHasComponentHandler.load(std::memory_order_relaxed))
        return;
    std::lock_guard lock(mEditMutex);
    mQueuedEdits.push_back({kind, group ? ParamID{0} : static_cast<ParamID>(idx), value});
}

void IPlugVST3::deliverEdits(IComponentHandler& handler)
{
    IComponentHandler2* groups = nullptr; // asked for at the first group of the tick
    bool asked = false;
    for (const HostEdit& edit : mEditsInDelivery)
    {
        switch (edit.kind)
        {
        case HostEdit::kBegin:
            handler.beginEdit(edit.id);
            break;
        case HostEdit::kPerform:
            handler.performEdit(edit.id, edit.value);
            break;
        case HostEdit::kEnd:
            handler.endEdit(edit.id);
            break;
        case HostEdit::kGroupStart:
        case HostEdit::kGroupFinish:
            if (!asked && handler.queryInterface(IComponentHandler2::iid,
                                                 reinterpret_cast<void**>(&groups)) != kResultOk)
                groups = nullptr;
            asked = true;
            if (groups != nullptr)
                edit.kind == HostEdit::kGroupStart ? groups->startGroupEdit() : groups->finishGroupEdit();
            break;
        }
    }
    if (groups != nullptr)
        groups->release();
}

void IPlugVST3::InformHostOfParamChange(int idx, double normalized)
{
    queueEdit(HostEdit::kBegin, idx, 0.0);
    queueEdit(HostEdit::kPerform, idx, normalized);
    queueEdit(HostEdit::kEnd, idx, 0.0);
}

void IPlugVST3::StartGroupEdit()
{
    queueEdit(HostEdit::kGroupStart, -1, 0.0);
}

void IPlugVST3::FinishGroupEdit()
{
    queueEdit(HostEdit::kGroupFinish, -1, 0.0);
}

void IPlugVST3::BeginInformHostOfParamChange(int idx)
{
    queueEdit(HostEdit::kBegin, idx, 0.0);
}

void IPlugVST3::InformHostOfParamChangeFromUI(int idx, double normalized)
{
    queueEdit(HostEdit::kPerform, idx, normalized);
}

void IPlugVST3::EndInformHostOfParamChange(int idx)
{
    queueEdit(HostEdit::kEnd, idx, 0.0);
}

void IPlugVST3::ViewAttached()
{
    mServedByRunLoop.store(true, std::memory_order_release);
}

void IPlugVST3::ViewRemoved()
{
    mServedByRunLoop.store(false, std::memory_order_release);
}

// ------------------------------------------------------------------ IUnitInfo

int32 PLUGIN_API IPlugVST3::getUnitCount()
{
    return 1;
}

tresult PLUGIN_API IPlugVST3::getUnitInfo(int32 unitIndex, UnitInfo& info)
{
    if (unitIndex != 0)
        return kInvalidArgument;
    info.id = kRootUnitId;
    info.parentUnitId = kNoParentUnitId;
    copyString("Root", info.name);
    info.programListId = NPresets() > 0 ? kFactoryProgramListId : kNoProgramListId;
    return kResultOk;
}

int32 PLUGIN_API IPlugVST3::getProgramListCount()
{
    return NPresets() > 0 ? 1 : 0;
}

tresult PLUGIN_API IPlugVST3::getProgramListInfo(int32 listIndex, ProgramListInfo& info)
{
    if (listIndex != 0 || NPresets() <= 0)
        return kInvalidArgument;
    info.id = kFactoryProgramListId;
    copyString("Factory Presets", info.name);
    info.programCount = NPresets();
    return kResultOk;
}

tresult PLUGIN_API IPlugVST3::getProgramName(ProgramListID listId, int32 programIndex, String128 name)
{
    if (listId != kFactoryProgramListId || programIndex < 0 || programIndex >= NPresets() || name == nullptr)
        return kInvalidArgument;
    copyString(GetPresetName(programIndex), name);
    return kResultOk;
}

tresult PLUGIN_API IPlugVST3::getProgramInfo(ProgramListID, int32, Vst::CString, String128)
{
    return kNotImplemented;
}

tresult PLUGIN_API IPlugVST3::hasProgramPitchNames(ProgramListID, int32)
{
    return kResultFalse;
}

tresult PLUGIN_API IPlugVST3::getProgramPitchName(ProgramListID, int32, int16, String128)
{
    return kNotImplemented;
}

UnitID PLUGIN_API IPlugVST3::getSelectedUnit()
{
    return kRootUnitId;
}

tresult PLUGIN_API IPlugVST3::selectUnit(UnitID unitId)
{
    return unitId == kRootUnitId ? kResultOk : kResultFalse;
}

tresult PLUGIN_API IPlugVST3::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID& unitId)
{
    unitId = kRootUnitId;
    return kResultOk;
}

tresult PLUGIN_API IPlugVST3::setUnitProgramData(int32, int32, IBStream*)
{
    return kNotImplemented;
}

// ------------------------------------------------------------------ idle tick

void IPlugVST3::RunIdleTick()
{
    if (mTickRunning.exchange(true, std::memory_order_acquire))
        return;
    IComponentHandler* handler = nullptr;
    bool valuesChanged = false;
    {
        std::lock_guard lock(mUiMutex);
        valuesChanged = mPresetRecalledOnAudioThread.exchange(false, std::memory_order_acquire);
        ShowHostValueChanges();
        OnIdle();
        valuesChanged = mHostNotifyPending.exchange(false, std::memory_order_acquire) || valuesChanged;
        handler = mComponentHandler;
        if (handler != nullptr)
            handler->addRef();
    }
    {
        std::lock_guard lock(mEditMutex);
        mEditsInDelivery.swap(mQueuedEdits);
    }
    // No lock of ours is held from here on: the host may take its own, and may call back in.
    if (handler != nullptr)
    {
        deliverEdits(*handler);
        if (valuesChanged)
            handler->restartComponent(kParamValuesChanged);
        handler->release();
    }
    mEditsInDelivery.clear();
    mTickRunning.store(false, std::memory_order_release);
}

} // namespace iplug
