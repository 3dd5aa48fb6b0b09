// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IByteChunk.h"
#include "IEditorDelegate.h"
#include "IParam.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace iplug
{

// What a plug-in tells the framework about itself at construction.
struct Config
{
    int nParams = 0;
    int nPresets = 0;
    const char* channelIOStr = "1-1 2-2"; // accepted in-out channel pairs
    const char* pluginName = "";
    const char* mfrName = "";
    int vendorVersion = 0x00010000; // 16-bit major, 8-bit minor, 8-bit patch
    std::uint32_t uniqueID = 0;     // four-character plug-in code
    std::uint32_t mfrID = 0;        // four-character maker code
    int latency = 0;
    bool plugHasUI = false;
    int editorWidth = 0;
    int editorHeight = 0;
    int minWidth = 0, maxWidth = 0, minHeight = 0, maxHeight = 0;
};

// Per-instance information the host side hands to the plug-in constructor.
struct InstanceInfo
{
    // Tick the instance (OnIdle, deferred host calls) on the process-wide idle thread from
    // initialize() to terminate(). The factory switches it on; tools and tests that construct the
    // class directly call the idle hook themselves.
    bool runIdleTimer = false;
};

// Channel pairs from a "1-1 2-2" string.
struct ChannelIO
{
    int nIn = 0;
    int nOut = 0;
};
std::vector<ChannelIO> ParseChannelIO(const char* channelIOStr);

// The module's handle as the host's loader gave it (recorded once by the module entry), for the
// editor's resource loading. nullptr when the plug-in is linked into a program directly.
void SetModuleHandle(void* handle);
void* GetModuleHandle();

// The format-independent plug-in: parameters, presets, state, processing and editor hooks.
//
// Threads: the block hook, OnAudioResumed and the processing values (sample rate, block size,
// tempo, connected channels) belong to the host's audio thread; the reset hook runs on the thread
// that activates processing, never during a block; everything else runs on the UI thread. Audio
// and UI share the parameters' atomic values, a format wrapper's host bypass and the senders'
// queues; a preset recalled by the host's program change runs on the audio thread.
class IPlugBase : public IEditorDelegate
{
public:
    explicit IPlugBase(const Config& config);
    ~IPlugBase() override;
    IPlugBase(const IPlugBase&) = delete;
    IPlugBase& operator=(const IPlugBase&) = delete;

    const Config& GetConfig() const { return mConfig; }
    const char* GetPluginName() const { return mConfig.pluginName; }
    const char* GetMfrName() const { return mConfig.mfrName; }
    const std::vector<ChannelIO>& GetChannelIO() const { return mChannelIO; }
    bool LegalIO(int nIn, int nOut) const;

    // --- parameters
    int NParams() const { return static_cast<int>(mParams.size()); }
    IParam* GetParam(int idx)
    {
        return idx >= 0 && idx < NParams() ? mParams[static_cast<std::size_t>(idx)].get() : nullptr;
    }
    const IParam* GetParam(int idx) const
    {
        return idx >= 0 && idx < NParams() ? mParams[static_cast<std::size_t>(idx)].get() : nullptr;
    }

    // Host-notifying setter: stores the value, tells the host the plug-in changed it and updates the
    // editor. UI thread.
    void SetParameterValueFromPlugin(int idx, double normalized);
    // Around several changes the host should take as one (one undo step): a format wrapper makes
    // them one group edit where the host offers that. UI thread; pairs may not nest.
    virtual void StartGroupEdit() {}
    virtual void FinishGroupEdit() {}

    // --- whole parameter sets
    // A restore, a preset recall or a switch between stored settings writes many values that belong
    // together: written between BeginParamSet and EndParamSet (any thread; pairs may nest and
    // overlap), they reach a reader through ReadParamSet all at once. Single changes (automation
    // points, knob edits) need neither. Never allocate, lock or wait.
    void BeginParamSet();
    void EndParamSet();
    // Audio thread: copies every parameter's plain value into values (NParams() doubles) and runs
    // also() inside the same window, to read other state that set updates write. True when no set
    // update overlapped, so values holds one whole set; false when one did: values then holds some
    // mix, and the caller keeps the last whole set it read. Never allocates, locks or waits.
    template <typename Also> bool ReadParamSet(double* values, Also&& also) const
    {
        const int writersBefore = mSetWriters.load(std::memory_order_acquire);
        const std::uint64_t version = mSetVersion.load(std::memory_order_acquire);
        for (std::size_t i = 0; i < mParams.size(); ++i)
            values[i] = mParams[i]->Value();
        also();
        // A value stored by a set update that is still under way orders its writer count before
        // the loads below; one that has ended has moved the version on.
        std::atomic_thread_fence(std::memory_order_acquire);
        const int writersAfter = mSetWriters.load(std::memory_order_acquire);
        return writersBefore == 0 && writersAfter == 0 &&
               mSetVersion.load(std::memory_order_relaxed) == version;
    }

    // --- state (UI thread)
    // Appends every parameter's plain value in index order. True when the chunk holds any byte.
    bool SerializeParams(IByteChunk& chunk) const;
    // Reads `count` doubles from startPos into the first `count` parameters (all by default; a
    // chunk of an older version may hold fewer, and the later parameters keep their values), each
    // constrained, a non-finite one as the default, then runs OnParamChange for every parameter.
    // Returns the position behind the last value, or -1 with nothing changed when the chunk holds
    // fewer values there or count is out of range.
    int UnserializeParams(const IByteChunk& chunk, int startPos, int count = -1);
    virtual bool SerializeState(IByteChunk& chunk) const { return SerializeParams(chunk); }
    // Returns the position behind the plug-in's state (where a format wrapper's own data follows),
    // or -1 when the chunk holds no whole, consistent state: then nothing has changed.
    virtual int UnserializeState(const IByteChunk& chunk, int startPos)
    {
        return UnserializeParams(chunk, startPos);
    }

    // --- presets
    int NPresets() const { return static_cast<int>(mPresets.size()); }
    const char* GetPresetName(int idx) const;
    // Stores a preset in the next free place: one plain value per parameter in index order; NaN
    // leaves that parameter alone on recall. UI thread, allocates.
    bool MakePresetFromValues(const char* name, const std::vector<double>& values);
    // Sets the preset's parameters, runs OnParamChange for all and records it as current. Never
    // allocates or locks, so the audio thread may call it; the caller refreshes the editor.
    bool RestorePreset(int idx);
    int GetCurrentPresetIdx() const { return mCurrentPreset.load(std::memory_order_relaxed); }
    // The preset's plain values in index order (NaN: left alone on recall); empty for a bad index.
    const std::vector<double>& GetPresetValues(int idx) const;
    // What a preset carries beside the parameter values, as text (a format that stores presets as
    // files writes it there), and its recall. Default: nothing. UI thread.
    virtual std::string GetPresetExtraState(int /*idx*/) const { return {}; }
    virtual bool RestorePresetExtraState(std::string_view /*text*/) { return false; }

    // --- processing (values set by the wrapper; read on the audio thread)
    double GetSampleRate() const { return mSampleRate; }
    int GetBlockSize() const { return mBlockSize; }
    // Beats per minute, 0 or less when the host reports none.
    double GetTempo() const { return mTempo; }
    int NInChansConnected() const { return mInChansConnected; }
    int NOutChansConnected() const { return mOutChansConnected; }
    void SetTailSize(int samples) { mTailSize.store(samples, std::memory_order_relaxed); }
    int GetTailSize() const { return mTailSize.load(std::memory_order_relaxed); }
    int GetLatency() const { return mConfig.latency; }

    // --- host blocks, shared by the format wrappers (audio thread unless noted)
    // Sizes the 32-bit conversion buffers for blocks of up to maxBlock frames (longer ones are
    // converted in pieces). Not on the audio thread: allocates.
    void PrepareHostBlocks(int maxBlock);
    bool HostBlocksPrepared() const { return !mConvIn[0].empty(); }
    // The host stopped processing: the next block that reaches the plug-in runs OnAudioResumed first.
    void HostPausedAudio() { mAudioPaused.store(true, std::memory_order_release); }
    // One host block with the connected channel counts: a bypassed block copies inputs to outputs
    // (null inputs as silence) and counts as a pause; otherwise ProcessBlock runs, after
    // OnAudioResumed when a pause came before. 32-bit blocks go through the conversion buffers;
    // without them (PrepareHostBlocks never ran) the outputs get silence and the result is false.
    // Never allocates or locks.
    void ProcessHostBlock(double** inputs, double** outputs, int nIn, int nOut, int nFrames, bool bypassed);
    bool ProcessHostBlock(float** inputs, float** outputs, int nIn, int nOut, int nFrames, bool bypassed);

    // Levels a host may show next to the plug-in, in dB, as the last block left them.
    struct HostMeters
    {
        double inputPeakDb = -90.0;
        double outputPeakDb = -90.0;
        double gainReductionDb = 0.0;
    };
    virtual HostMeters GetHostMeters() const { return {}; }
    // An editor model's copy of the processing instance's levels, as its host reports them. UI thread.
    const HostMeters& GetModelMeters() const { return mModelMeters; }
    void SetModelMeters(const HostMeters& meters) { mModelMeters = meters; }

    // --- hooks
    virtual void OnReset() {}
    // Audio thread. Default: copies inputs to outputs, silence for outputs without an input.
    virtual void ProcessBlock(double** inputs, double** outputs, int nFrames);
    // Audio thread, before the first block after a pause in the audio the plug-in hears: the host
    // stopped processing, or bypassed the plug-in without running it. What the plug-in remembers of
    // the audio before the pause is stale. Must not allocate, lock or wait.
    virtual void OnAudioResumed() {}
    virtual void OnParamChange(int /*idx*/) {}
    virtual void OnIdle() {}
    virtual void OnUIOpen() {}
    virtual void OnUIClose() {}
    virtual bool OnMessage(int /*msgTag*/, int /*ctrlTag*/, int /*dataSize*/, const void* /*pData*/)
    {
        return false;
    }
    // Pushes every parameter's normalised value to the editor.
    virtual void OnRestoreState();

    // --- values the host changed, on their way to the editor
    // Any thread, lock-free, never allocates: the host set parameter idx (with a block on the audio
    // thread, or through the controller on the UI thread); idx < 0 stands for every value (a
    // program change, a loaded state).
    void NoteHostValueChange(int idx);
    // UI thread: shows every value noted since the last call in the open editor (a control being
    // dragged keeps the user's value), then runs OnHostValueShown for each. Format wrappers call it
    // from their idle tick, the view before each frame. Returns whether anything was noted.
    bool ShowHostValueChanges();
    // UI thread, after ShowHostValueChanges: parameter idx (every parameter, idx = -1) now shows the
    // host's value in the controls bound to it. A plug-in refreshes here whatever its editor draws
    // from values only when it is built.
    virtual void OnHostValueShown(int /*idx*/) {}

    // --- editor
    // True for an instance that only models an editor for a processing instance elsewhere (an LV2
    // UI's): what the editor changes besides parameters must reach that instance as a message
    // (SendMessageFromUI), and parameters through the host.
    virtual bool IsEditorModel() const { return false; }
    using EditorFactory = std::function<IEditorView*()>;
    using LayoutFunc = std::function<void(IEditorView&)>;
    void SetEditorFactory(EditorFactory f) { mEditorFactory = std::move(f); }
    void SetLayoutFunc(LayoutFunc f) { mLayoutFunc = std::move(f); }
    const EditorFactory& GetEditorFactory() const { return mEditorFactory; }
    const LayoutFunc& GetLayoutFunc() const { return mLayoutFunc; }
    // The open editor, or nullptr. Attached by the format wrapper (UI thread).
    IEditorView* GetEditor() const { return mEditor; }
    void AttachEditor(IEditorView* editor) { mEditor = editor; }
    // Runs the layout function on the open editor, if both exist.
    bool LayoutEditor();

    void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData) override;
    void SendParameterValueFromDelegate(int idx, double normalized) override;

    // Editor gestures. Send stores the value and runs OnParamChange; the three hooks below tell
    // the host (nothing here: a format wrapper overrides them).
    void BeginInformHostOfParamChangeFromUI(int idx) override { BeginInformHostOfParamChange(idx); }
    void SendParameterValueFromUI(int idx, double normalized) override;
    void EndInformHostOfParamChangeFromUI(int idx) override { EndInformHostOfParamChange(idx); }
    bool SendMessageFromUI(int msgTag, int ctrlTag, int dataSize, const void* pData) override
    {
        return OnMessage(msgTag, ctrlTag, dataSize, pData);
    }

    // Set by the format wrapper before the hooks run; tools and tests that drive the class directly
    // set them the same way.
    void SetSampleRate(double sr) { mSampleRate = sr; }
    void SetBlockSize(int blockSize) { mBlockSize = blockSize; }
    void SetTempo(double bpm) { mTempo = bpm; }
    void SetChannelsConnected(int nIn, int nOut)
    {
        mInChansConnected = nIn;
        mOutChansConnected = nOut;
    }

protected:
    // Called by SetParameterValueFromPlugin; the format wrapper forwards it to the host.
    virtual void InformHostOfParamChange(int /*idx*/, double /*normalized*/) {}
    // An editor gesture on parameter idx begins, changes the value, ends.
    virtual void BeginInformHostOfParamChange(int /*idx*/) {}
    virtual void InformHostOfParamChangeFromUI(int /*idx*/, double /*normalized*/) {}
    virtual void EndInformHostOfParamChange(int /*idx*/) {}

private:
    struct Preset
    {
        std::string name;
        std::vector<double> values;
    };

    Config mConfig;
    std::vector<ChannelIO> mChannelIO;
    std::vector<std::unique_ptr<IParam>> mParams;
    std::vector<Preset> mPresets;
    std::atomic<int> mCurrentPreset{0};
    std::atomic<int> mSetWriters{0};           // set updates under way
    std::atomic<std::uint64_t> mSetVersion{0}; // set updates ended
    double mSampleRate = 44100.0;
    int mBlockSize = 1024;
    double mTempo = 0.0;
    int mInChansConnected = 2;
    int mOutChansConnected = 2;
    std::atomic<int> mTailSize{0};
    EditorFactory mEditorFactory;
    LayoutFunc mLayoutFunc;
    IEditorView* mEditor = nullptr;
    HostMeters mModelMeters;
    // One bit per parameter the host changed, and every parameter at once.
    std::unique_ptr<std::atomic<std::uint64_t>[]> mHostChanged;
    std::atomic<bool> mHostChangedAll{false};
    // Set when the audio paused; the next block that reaches the plug-in clears it.
    std::atomic<bool> mAudioPaused{false};
    // 32-bit processing converts through these; sized by PrepareHostBlocks, never on the audio thread.
    std::vector<double> mConvIn[2];
    std::vector<double> mConvOut[2];
};

} // namespace iplug
