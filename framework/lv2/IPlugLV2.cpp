// SPDX-License-Identifier: GPL-3.0-or-later
#include "IPlugLV2.h"

#include "AudioBuffers.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

namespace iplug
{

namespace
{

constexpr double kLowestSampleRate = 8000.0;
constexpr double kHighestSampleRate = 384000.0;
// Conversion piece when the host announces no block length; longer blocks run in pieces.
constexpr int kFallbackBlockSize = 4096;
constexpr float kUnseen = std::numeric_limits<float>::quiet_NaN();

double atomNumber(const LV2_Atom* atom, LV2_URID f, LV2_URID d, LV2_URID i, LV2_URID l)
{
    if (atom == nullptr)
        return 0.0;
    if (atom->type == f)
        return reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
    if (atom->type == d)
        return reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
    if (atom->type == i)
        return reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
    if (atom->type == l)
        return static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
    return 0.0;
}

std::mutex& constructionMutex()
{
    static std::mutex m;
    return m;
}

} // namespace

std::string Lv2AudioSymbol(bool input, int channel, int nChannels)
{
    std::string s = input ? "in" : "out";
    if (nChannels > 1)
        s += channel == 0 ? "_l" : "_r";
    return s;
}

std::string Lv2ParamSymbol(const char* paramName)
{
    std::string s;
    bool gap = false;
    for (const char* p = paramName; p != nullptr && *p != '\0'; ++p)
    {
        const char c = *p;
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum)
        {
            gap = !s.empty();
            continue;
        }
        if (gap)
            s += '_';
        gap = false;
        s += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    if (s.empty() || (s[0] >= '0' && s[0] <= '9'))
        s.insert(0, "p_");
    return s;
}

double Lv2PlainFromPortValue(float value)
{
    if (!std::isfinite(value))
        return static_cast<double>(value);
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value);
    double plain = 0.0;
    if (written.ec != std::errc() || std::from_chars(text, written.ptr, plain).ec != std::errc())
        return static_cast<double>(value);
    return plain;
}

IPlugLV2::IPlugLV2(const InstanceInfo& /*info*/, const Config& config) : IPlugBase(config) {}

IPlugLV2::~IPlugLV2() = default;

bool IPlugLV2::Lv2Init(const Lv2PluginInfo& info, double sampleRate, const LV2_Feature* const* features)
{
    if (!LegalIO(info.nChannels, info.nChannels) || info.nChannels < 1 || info.nChannels > 2)
        return false;
    const LV2_URID_Map* map = nullptr;
    const LV2_Options_Option* options = nullptr;
    for (int i = 0; features != nullptr && features[i] != nullptr; ++i)
    {
        if (std::strcmp(features[i]->URI, LV2_URID__map) == 0)
            map = static_cast<const LV2_URID_Map*>(features[i]->data);
        else if (std::strcmp(features[i]->URI, LV2_OPTIONS__options) == 0)
            options = static_cast<const LV2_Options_Option*>(features[i]->data);
    }
    if (map == nullptr || map->map == nullptr)
        return false;
    auto urid = [map](const char* uri) { return map->map(map->handle, uri); };
    mUrids = {urid(LV2_ATOM__Blank),
              urid(LV2_ATOM__Object),
              urid(LV2_ATOM__Float),
              urid(LV2_ATOM__Double),
              urid(LV2_ATOM__Int),
              urid(LV2_ATOM__Long),
              urid(LV2_ATOM__Chunk),
              urid(LV2_ATOM__String),
              urid(LV2_ATOM__Sequence),
              urid(LV2_TIME__Position),
              urid(LV2_TIME__beatsPerMinute),
              urid(LV2_BUF_SIZE__maxBlockLength),
              urid(LV2_BUF_SIZE__nominalBlockLength),
              urid(info.stateKey),
              urid(info.presetStateKey)};
    mMsgUrids = Lv2MapMessageUrids(*map);
    lv2_atom_forge_init(&mForge, const_cast<LV2_URID_Map*>(map));

    int block = 0;
    for (const LV2_Options_Option* o = options; o != nullptr && o->key != 0; ++o)
        if ((o->key == mUrids.maxBlockLength || (o->key == mUrids.nominalBlockLength && block == 0)) &&
            o->type == mUrids.atomInt && o->value != nullptr)
            block = *static_cast<const std::int32_t*>(o->value);

    mLayout.nChannels = info.nChannels;
    mParamPorts.assign(static_cast<std::size_t>(NParams()), nullptr);
    mLastPortValues.assign(static_cast<std::size_t>(NParams()), kUnseen);
    SetSampleRate(sampleRate);
    SetBlockSize(block > 0 ? block : kFallbackBlockSize);
    SetChannelsConnected(info.nChannels, info.nChannels);
    PrepareHostBlocks(GetBlockSize());
    return true;
}

void IPlugLV2::Lv2ConnectPort(std::uint32_t port, void* data)
{
    for (int c = 0; c < mLayout.nChannels; ++c)
    {
        if (port == mLayout.AudioIn(c))
            mAudioIn[c] = static_cast<float*>(data);
        else if (port == mLayout.AudioOut(c))
            mAudioOut[c] = static_cast<float*>(data);
    }
    if (port == mLayout.Control())
        mControl = static_cast<const LV2_Atom_Sequence*>(data);
    else if (port == mLayout.Notify())
        mNotify = static_cast<LV2_Atom_Sequence*>(data);
    else if (port == mLayout.Enabled())
        mEnabled = static_cast<const float*>(data);
    else if (port >= mLayout.Meter(0) && port < mLayout.Meter(kLv2NumMeters))
        mMeters[port - mLayout.Meter(0)] = static_cast<float*>(data);
    else if (port >= mLayout.Param(0) && port < mLayout.Param(NParams()))
        mParamPorts[port - mLayout.Param(0)] = static_cast<const float*>(data);
}

void IPlugLV2::Lv2Activate()
{
    OnReset();
    HostPausedAudio();
    mActive = true;
}

void IPlugLV2::Lv2Deactivate()
{
    mActive = false;
    HostPausedAudio();
}

void IPlugLV2::readAtomInput()
{
    if (mControl == nullptr)
        return;
    LV2_ATOM_SEQUENCE_FOREACH(mControl, ev)
    {
        if (ev->body.type != mUrids.atomObject && ev->body.type != mUrids.atomBlank)
            continue;
        const auto* obj = reinterpret_cast<const LV2_Atom_Object*>(&ev->body);
        const LV2_URID type = obj->body.otype;
        if (type == mUrids.timePosition)
        {
            const LV2_Atom* bpm = nullptr;
            lv2_atom_object_get(obj, mUrids.timeBeatsPerMinute, &bpm, 0);
            if (bpm != nullptr)
                SetTempo(
                    atomNumber(bpm, mUrids.atomFloat, mUrids.atomDouble, mUrids.atomInt, mUrids.atomLong));
        }
        else if (type == mMsgUrids.uiOpen && !mUiOpen)
            mUiOpen = mUiOpening = true; // OnUIOpen runs where its messages can go out
        else if (type == mMsgUrids.uiClosed && mUiOpen)
        {
            OnUIClose();
            mUiOpen = false;
        }
        else if (Lv2Message m; Lv2ReadMessage(&ev->body, mMsgUrids, mMsgUrids.uiMessage, m))
            OnMessage(m.msgTag, m.ctrlTag, m.dataSize, m.data);
    }
}

Lv2MessageUrids Lv2MapMessageUrids(const LV2_URID_Map& map)
{
    auto urid = [&map](const char* uri) { return map.map(map.handle, uri); };
    return {urid(LV2_ATOM__Object), urid(LV2_ATOM__Blank),       urid(LV2_ATOM__Int),  urid(LV2_ATOM__Chunk),
            urid(kLv2UiMessageUri), urid(kLv2ControlMessageUri), urid(kLv2MsgTagUri),  urid(kLv2CtrlTagUri),
            urid(kLv2DataUri),      urid(kLv2UiOpenUri),         urid(kLv2UiClosedUri)};
}

std::uint32_t Lv2MessageSize(int dataSize)
{
    // Object header and body, two keyed ints, the keyed chunk's header and its padded bytes.
    const auto padded = (static_cast<std::uint32_t>(dataSize) + 7u) & ~7u;
    return 16 + 2 * 24 + 16 + padded;
}

bool Lv2WriteMessage(LV2_Atom_Forge& forge, const Lv2MessageUrids& u, LV2_URID type, const Lv2Message& m)
{
    if (m.dataSize < 0 || forge.size - forge.offset < Lv2MessageSize(m.dataSize))
        return false;
    LV2_Atom_Forge_Frame frame;
    lv2_atom_forge_object(&forge, &frame, 0, type);
    lv2_atom_forge_key(&forge, u.msgTag);
    lv2_atom_forge_int(&forge, m.msgTag);
    lv2_atom_forge_key(&forge, u.ctrlTag);
    lv2_atom_forge_int(&forge, m.ctrlTag);
    lv2_atom_forge_key(&forge, u.data);
    lv2_atom_forge_atom(&forge, static_cast<std::uint32_t>(m.dataSize), u.atomChunk);
    if (m.dataSize > 0)
        lv2_atom_forge_write(&forge, m.data, static_cast<std::uint32_t>(m.dataSize));
    lv2_atom_forge_pop(&forge, &frame);
    return true;
}

bool Lv2ReadMessage(const LV2_Atom* atom, const Lv2MessageUrids& u, LV2_URID type, Lv2Message& out)
{
    if (atom == nullptr || (atom->type != u.atomObject && atom->type != u.atomBlank))
        return false;
    const auto* obj = reinterpret_cast<const LV2_Atom_Object*>(atom);
    if (obj->body.otype != type)
        return false;
    const LV2_Atom *msgTag = nullptr, *ctrlTag = nullptr, *data = nullptr;
    lv2_atom_object_get(obj, u.msgTag, &msgTag, u.ctrlTag, &ctrlTag, u.data, &data, 0);
    if (msgTag == nullptr || msgTag->type != u.atomInt || ctrlTag == nullptr || ctrlTag->type != u.atomInt ||
        data == nullptr || data->type != u.atomChunk)
        return false;
    out.msgTag = reinterpret_cast<const LV2_Atom_Int*>(msgTag)->body;
    out.ctrlTag = reinterpret_cast<const LV2_Atom_Int*>(ctrlTag)->body;
    out.dataSize = static_cast<int>(data->size);
    out.data = LV2_ATOM_BODY_CONST(data);
    return true;
}

bool IPlugLV2::SendMessageFromUI(int msgTag, int ctrlTag, int dataSize, const void* pData)
{
    if (mUiSink == nullptr)
        return IPlugBase::SendMessageFromUI(msgTag, ctrlTag, dataSize, pData);
    mUiSink->Message(msgTag, ctrlTag, dataSize, pData);
    return true;
}

void IPlugLV2::SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData)
{
    if (!mNotifying)
    {
        IPlugBase::SendControlMsgFromDelegate(ctrlTag, msgTag, dataSize, pData);
        return;
    }
    // A message that does not fit is dropped whole (an event is its time, 8 bytes, and the object).
    if (mForge.size - mForge.offset >= 8 + Lv2MessageSize(dataSize))
    {
        lv2_atom_forge_frame_time(&mForge, 0);
        Lv2WriteMessage(mForge, mMsgUrids, mMsgUrids.controlMessage, {msgTag, ctrlTag, dataSize, pData});
    }
}

void IPlugLV2::InformHostOfParamChange(int idx, double normalized)
{
    if (mUiSink != nullptr)
        mUiSink->Edit(idx, GetParam(idx)->FromNormalized(normalized));
}

void IPlugLV2::BeginInformHostOfParamChange(int idx)
{
    if (mUiSink != nullptr)
        mUiSink->BeginEdit(idx);
}

void IPlugLV2::InformHostOfParamChangeFromUI(int idx, double normalized)
{
    InformHostOfParamChange(idx, normalized);
}

void IPlugLV2::EndInformHostOfParamChange(int idx)
{
    if (mUiSink != nullptr)
        mUiSink->EndEdit(idx);
}

void IPlugLV2::applyControlPorts()
{
    for (int i = 0; i < NParams(); ++i)
    {
        const float* port = mParamPorts[static_cast<std::size_t>(i)];
        float& last = mLastPortValues[static_cast<std::size_t>(i)];
        if (port == nullptr || *port == last)
            continue;
        last = *port;
        GetParam(i)->Set(Lv2PlainFromPortValue(last));
        OnParamChange(i);
    }
}

void IPlugLV2::Lv2Run(std::uint32_t nFrames)
{
    readAtomInput();
    applyControlPorts();
    const int n = static_cast<int>(std::min<std::uint32_t>(nFrames, std::numeric_limits<int>::max()));
    const int nCh = mLayout.nChannels;
    if (mActive)
        ProcessHostBlock(mAudioIn, mAudioOut, nCh, nCh, n, mEnabled != nullptr && *mEnabled < 0.5f);
    else
        CopyOrSilence<float>(nullptr, mAudioOut, 0, nCh, n);

    const HostMeters meters = GetHostMeters();
    const double values[kLv2NumMeters] = {meters.inputPeakDb, meters.outputPeakDb, meters.gainReductionDb};
    for (int i = 0; i < kLv2NumMeters; ++i)
        if (mMeters[i] != nullptr)
            *mMeters[i] = static_cast<float>(values[i]);
    // What an open UI should hear, in the room the host gave; otherwise an empty sequence.
    const bool notify = mNotify != nullptr && mNotify->atom.size >= sizeof(LV2_Atom_Sequence_Body);
    if (notify)
    {
        const std::uint32_t capacity = mNotify->atom.size + sizeof(LV2_Atom);
        lv2_atom_forge_set_buffer(&mForge, reinterpret_cast<std::uint8_t*>(mNotify), capacity);
        lv2_atom_forge_sequence_head(&mForge, &mNotifyFrame, 0);
    }
    mNotifying = notify;
    if (mUiOpening)
    {
        mUiOpening = false;
        OnUIOpen();
    }
    if (mUiOpen)
        OnIdle();
    mNotifying = false;
    if (notify)
        lv2_atom_forge_pop(&mForge, &mNotifyFrame);
}

LV2_State_Status IPlugLV2::Lv2Save(LV2_State_Store_Function store, LV2_State_Handle handle)
{
    IByteChunk chunk;
    if (!SerializeState(chunk))
        return LV2_STATE_ERR_UNKNOWN;
    return store(handle, mUrids.stateKey, chunk.GetData(), static_cast<std::size_t>(chunk.Size()),
                 mUrids.atomChunk, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status IPlugLV2::Lv2Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
    std::size_t size = 0;
    std::uint32_t type = 0, flags = 0;
    LV2_State_Status status = LV2_STATE_SUCCESS;
    if (const void* data = retrieve(handle, mUrids.stateKey, &size, &type, &flags))
    {
        if (type != mUrids.atomChunk || size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
            return LV2_STATE_ERR_BAD_TYPE;
        IByteChunk chunk;
        chunk.PutBytes(data, static_cast<int>(size));
        if (UnserializeState(chunk, 0) < 0)
            return LV2_STATE_ERR_UNKNOWN;
    }
    if (const void* data = retrieve(handle, mUrids.presetStateKey, &size, &type, &flags))
    {
        if (type != mUrids.atomString)
            return LV2_STATE_ERR_BAD_TYPE;
        const auto* text = static_cast<const char*>(data);
        if (!RestorePresetExtraState(std::string_view(text, strnlen(text, size))))
            status = LV2_STATE_ERR_UNKNOWN;
    }
    // The ports are the host's: their values win over those the chunk held.
    std::fill(mLastPortValues.begin(), mLastPortValues.end(), kUnseen);
    OnRestoreState();
    mUiOpening = mUiOpen; // an open UI hears of the restored state as if it opened again
    return status;
}

// ------------------------------------------------------------------ descriptor glue

LV2_Handle Lv2Instantiate(const Lv2PluginInfo& info, Lv2CreateFunc create, double sampleRate,
                          const LV2_Feature* const* features)
{
    if (!(sampleRate >= kLowestSampleRate && sampleRate <= kHighestSampleRate))
        return nullptr;
    std::lock_guard lock(constructionMutex());
    IPlugLV2* plug = create();
    if (plug == nullptr)
        return nullptr;
    if (!plug->Lv2Init(info, sampleRate, features))
    {
        delete plug;
        return nullptr;
    }
    return plug;
}

void Lv2ConnectPortGlue(LV2_Handle instance, std::uint32_t port, void* data)
{
    static_cast<IPlugLV2*>(instance)->Lv2ConnectPort(port, data);
}

void Lv2ActivateGlue(LV2_Handle instance)
{
    static_cast<IPlugLV2*>(instance)->Lv2Activate();
}

void Lv2RunGlue(LV2_Handle instance, std::uint32_t nFrames)
{
    static_cast<IPlugLV2*>(instance)->Lv2Run(nFrames);
}

void Lv2DeactivateGlue(LV2_Handle instance)
{
    static_cast<IPlugLV2*>(instance)->Lv2Deactivate();
}

void Lv2CleanupGlue(LV2_Handle instance)
{
    delete static_cast<IPlugLV2*>(instance);
}

namespace
{

LV2_State_Status saveGlue(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle,
                          std::uint32_t /*flags*/, const LV2_Feature* const* /*features*/)
{
    return static_cast<IPlugLV2*>(instance)->Lv2Save(store, handle);
}

LV2_State_Status restoreGlue(LV2_Handle instance, LV2_State_Retrieve_Function retrieve,
                             LV2_State_Handle handle, std::uint32_t /*flags*/,
                             const LV2_Feature* const* /*features*/)
{
    return static_cast<IPlugLV2*>(instance)->Lv2Restore(retrieve, handle);
}

const LV2_State_Interface kStateInterface = {&saveGlue, &restoreGlue};

} // namespace

const void* Lv2ExtensionDataGlue(const char* uri)
{
    return uri != nullptr && std::strcmp(uri, LV2_STATE__interface) == 0 ? &kStateInterface : nullptr;
}

} // namespace iplug
