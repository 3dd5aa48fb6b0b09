// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IPlugBase.h"
#include "Lv2Ports.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <vector>

namespace iplug
{

// What one LV2 plug-in of a binary is: its URI, its channel count (in = out) and the keys of the
// properties its state carries.
struct Lv2PluginInfo
{
    const char* uri;
    int nChannels;
    // The plug-in's state chunk (atom:Chunk) as SerializeState writes it.
    const char* stateKey;
    // A preset's text beside its port values (atom:String, GetPresetExtraState).
    const char* presetStateKey;
};

// The UI messages on the atom ports (kLv2UiMessageUri and the others in Lv2Ports.h).
struct Lv2MessageUrids
{
    LV2_URID atomObject, atomBlank, atomInt, atomChunk, uiMessage, controlMessage, msgTag, ctrlTag, data,
        uiOpen, uiClosed;
};
Lv2MessageUrids Lv2MapMessageUrids(const LV2_URID_Map& map);
struct Lv2Message
{
    int msgTag = 0;
    int ctrlTag = 0;
    int dataSize = 0;
    const void* data = nullptr;
};
// Bytes a message with dataSize bytes of data takes as an atom.
std::uint32_t Lv2MessageSize(int dataSize);
// Appends the message as an object of the given type; false, with nothing written, when the
// forge's buffer has no room. Never allocates.
bool Lv2WriteMessage(LV2_Atom_Forge& forge, const Lv2MessageUrids& u, LV2_URID type, const Lv2Message& m);
// The message an atom carries when it is an object of the given type with all three keys; data
// points into the atom.
bool Lv2ReadMessage(const LV2_Atom* atom, const Lv2MessageUrids& u, LV2_URID type, Lv2Message& out);

// Where an LV2 UI's model instance sends what its editor changes (UI thread): parameter gestures in
// plain values, and the editor's messages to the plug-in.
class Lv2UiSink
{
public:
    virtual ~Lv2UiSink() = default;
    virtual void BeginEdit(int idx) = 0;
    virtual void Edit(int idx, double plain) = 0;
    virtual void EndEdit(int idx) = 0;
    virtual void Message(int msgTag, int ctrlTag, int dataSize, const void* data) = 0;
};

// The LV2 plug-in: audio, control and atom ports over the format-neutral IPlugBase.
//
// The host owns the control ports: a port's value reaches its parameter at the start of the first
// block after it changed (float port values are read as the shortest decimal that gives the same
// float, so 0.1 stays 0.1). A restored state sets everything the ports do not hold and the next
// block takes every port's value again. time:Position events on the atom input set the tempo for
// the block they arrive in and after. The output ports carry the levels of the last block.
//
// Threads: Lv2Run is the audio thread and never allocates, locks or logs; Lv2Activate,
// Lv2Deactivate, the state calls and instantiation come from the host's other threads, never while
// a block runs (LV2's threading classes).
class IPlugLV2 : public IPlugBase
{
public:
    IPlugLV2(const InstanceInfo& info, const Config& config);
    ~IPlugLV2() override;

    // After construction, with the host's rate and features. False when the host lacks a required
    // feature (urid:map) or the channel count is not one the plug-in offers.
    bool Lv2Init(const Lv2PluginInfo& info, double sampleRate, const LV2_Feature* const* features);
    void Lv2ConnectPort(std::uint32_t port, void* data);
    void Lv2Activate();
    void Lv2Run(std::uint32_t nFrames);
    void Lv2Deactivate();
    LV2_State_Status Lv2Save(LV2_State_Store_Function store, LV2_State_Handle handle);
    // All or nothing: a state chunk this plug-in does not accept changes nothing.
    LV2_State_Status Lv2Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

    const Lv2PortLayout& PortLayout() const { return mLayout; }

    // --- the UI side's model (UI thread)
    void SetUiSink(Lv2UiSink* sink) { mUiSink = sink; }
    bool IsEditorModel() const override { return mUiSink != nullptr; }
    bool SendMessageFromUI(int msgTag, int ctrlTag, int dataSize, const void* pData) override;
    // Processing instance, audio thread: out on the notify port while a UI is open.
    void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData) override;

protected:
    void InformHostOfParamChange(int idx, double normalized) override;
    void BeginInformHostOfParamChange(int idx) override;
    void InformHostOfParamChangeFromUI(int idx, double normalized) override;
    void EndInformHostOfParamChange(int idx) override;

private:
    struct Urids
    {
        LV2_URID atomBlank, atomObject, atomFloat, atomDouble, atomInt, atomLong, atomChunk, atomString,
            atomSequence, timePosition, timeBeatsPerMinute, maxBlockLength, nominalBlockLength, stateKey,
            presetStateKey;
    };
    void readAtomInput();
    void applyControlPorts();

    Lv2PortLayout mLayout;
    Urids mUrids{};
    Lv2MessageUrids mMsgUrids{};
    bool mActive = false;
    float* mAudioIn[2] = {nullptr, nullptr};
    float* mAudioOut[2] = {nullptr, nullptr};
    const LV2_Atom_Sequence* mControl = nullptr;
    LV2_Atom_Sequence* mNotify = nullptr;
    const float* mEnabled = nullptr;
    float* mMeters[kLv2NumMeters] = {nullptr, nullptr, nullptr};
    std::vector<const float*> mParamPorts;
    std::vector<float> mLastPortValues; // NaN: take the port's value at the next block
    Lv2UiSink* mUiSink = nullptr;
    bool mUiOpen = false, mUiOpening = false;
    bool mNotifying = false; // the forge writes the notify port (inside Lv2Run)
    LV2_Atom_Forge mForge{};
    LV2_Atom_Forge_Frame mNotifyFrame{};
};

// Plain parameter value for a float port value: the shortest decimal that reads back as the same
// float, as a double. Never allocates.
double Lv2PlainFromPortValue(float value);

// The descriptor glue. A binary declares one descriptor per plug-in:
//   MakeLv2Descriptor<kInfo, &create>() with `IPlugLV2* create()` making a new instance.
// Instantiation is refused (NULL) at a rate outside 8 kHz .. 384 kHz and when Lv2Init refuses;
// nothing is left behind then. Instances are constructed one at a time.
using Lv2CreateFunc = IPlugLV2* (*)();
LV2_Handle Lv2Instantiate(const Lv2PluginInfo& info, Lv2CreateFunc create, double sampleRate,
                          const LV2_Feature* const* features);
void Lv2ConnectPortGlue(LV2_Handle instance, std::uint32_t port, void* data);
void Lv2ActivateGlue(LV2_Handle instance);
void Lv2RunGlue(LV2_Handle instance, std::uint32_t nFrames);
void Lv2DeactivateGlue(LV2_Handle instance);
void Lv2CleanupGlue(LV2_Handle instance);
const void* Lv2ExtensionDataGlue(const char* uri);

template <const Lv2PluginInfo& Info, Lv2CreateFunc Create> LV2_Descriptor MakeLv2Descriptor()
{
    return {Info.uri,
            [](const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
            { return Lv2Instantiate(Info, Create, rate, features); },
            &Lv2ConnectPortGlue,
            &Lv2ActivateGlue,
            &Lv2RunGlue,
            &Lv2DeactivateGlue,
            &Lv2CleanupGlue,
            &Lv2ExtensionDataGlue};
}

} // namespace iplug
