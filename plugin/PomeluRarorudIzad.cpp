// SPDX-License-Identifier: GPL-3.0-or-later
#include "PomeluRarorudIzad.h"

#include "Presets.h"
#include "StateChunk.h"

#include "IGraphics.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <iterator>
#include <string>

namespace pomelu
{

iplug::Config makePluginConfig()
{
    iplug::Config c;
    c.nParams = kNumParams;
    c.nPresets = kNumPresets;
    c.channelIOStr = "1-1 2-2";
    c.pluginName = "Pomelu Rarorud Izad";
    c.mfrName = "Pomelu ZEZ";
    c.vendorVersion = 0x00010000;
    c.uniqueID = 0x5072497A; // 'PrIz'
    c.mfrID = 0x506D5A7A;    // 'PmZz'
    c.latency = 0;
    c.plugHasUI = true;
    c.editorWidth = 980;
    c.editorHeight = 680;
    c.minWidth = 326;
    c.maxWidth = 2940;
    c.minHeight = 226;
    c.maxHeight = 2040;
    return c;
}

PomeluRarorudIzad::PomeluRarorudIzad(const iplug::InstanceInfo& info)
    : iplug::Plugin(info, makePluginConfig())
{
    mSpectrumSender.SetEnabled(false); // until an editor opens
    initParameters(*this);
    makeFactoryPresets(*this);

    // The editor: a 980 x 680 page drawn at 60 frames per second, scale 1. The editor library
    // installs the layout (editor::InstallEditor, called by the module's create function); until
    // then the page stays empty.
    SetEditorFactory([this]() -> iplug::IEditorView*
                     { return new igraphics::IGraphics(*this, 980, 680, 60, 1.0f); });
    SetLayoutFunc([](iplug::IEditorView&) {});
}

PomeluRarorudIzad::~PomeluRarorudIzad() = default;

double PomeluRarorudIzad::effectiveSampleRate() const
{
    const double sr = GetSampleRate();
    return sr >= kMinSampleRate ? sr : kMinSampleRate; // also catches NaN
}

int tailSamplesFor(double hostSampleRate)
{
    const double sr = hostSampleRate >= kMinSampleRate ? hostSampleRate : kMinSampleRate;
    return static_cast<int>(std::min(kTailSeconds * sr, 2147483647.0));
}

void PomeluRarorudIzad::OnReset()
{
    const double sr = effectiveSampleRate();
    mEngine.prepare(sr, std::max(GetBlockSize(), 1));
    SetTailSize(tailSamplesFor(sr));
    mMeterSender.Reset(sr);
    sendAnalyzerSettings();
}

void PomeluRarorudIzad::sendAnalyzerSettings()
{
    const double sr = effectiveSampleRate();
    const std::int32_t settings[3] = {mSpectrumSender.GetFFTSize(), mSpectrumSender.GetOverlap(),
                                      mSpectrumSender.GetWindowType()};
    SendControlMsgFromDelegate(kCtrlTagSpectrum, kMsgTagSampleRate, sizeof sr, &sr);
    SendControlMsgFromDelegate(kCtrlTagSpectrum, kMsgTagFFTSize, sizeof(std::int32_t), &settings[0]);
    SendControlMsgFromDelegate(kCtrlTagSpectrum, kMsgTagOverlap, sizeof(std::int32_t), &settings[1]);
    SendControlMsgFromDelegate(kCtrlTagSpectrum, kMsgTagWindowType, sizeof(std::int32_t), &settings[2]);
}

void PomeluRarorudIzad::OnUIOpen()
{
    mSpectrumSender.SetEnabled(true);
    sendAnalyzerSettings();
    if (GetEditor() == nullptr) // the editor runs elsewhere, on a model of its own
        sendEditorState();
}

void PomeluRarorudIzad::sendEditorState()
{
    std::uint8_t bytes[kEditorStateSize];
    std::uint8_t* p = bytes;
    const std::int32_t head[2] = {mCompareSlots.activeSlot(), mCompareSlots.slotsCaptured() ? 1 : 0};
    std::memcpy(p, head, sizeof head);
    p += sizeof head;
    for (const dsp::ModuleOrder& order : {mModuleOrder.get(), mModuleOrder.undoOrder(),
                                          mCompareSlots.slotOrders()[0], mCompareSlots.slotOrders()[1]})
        for (const dsp::ModuleId id : order)
            *p++ = static_cast<std::uint8_t>(id);
    for (const CompareSlots::Values& values : mCompareSlots.compareValues())
    {
        std::memcpy(p, values.data(), sizeof(double) * values.size());
        p += sizeof(double) * values.size();
    }
    SendControlMsgFromDelegate(kCtrlTagRoutingStrip, kMsgTagEditorState, kEditorStateSize, bytes);
}

void PomeluRarorudIzad::SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData)
{
    if (!IsEditorModel() || ctrlTag != kCtrlTagRoutingStrip || msgTag != kMsgTagEditorState)
    {
        iplug::Plugin::SendControlMsgFromDelegate(ctrlTag, msgTag, dataSize, pData);
        return;
    }
    if (dataSize != kEditorStateSize || pData == nullptr)
        return;
    const auto* p = static_cast<const std::uint8_t*>(pData);
    std::int32_t head[2] = {};
    std::memcpy(head, p, sizeof head);
    p += sizeof head;
    std::array<dsp::ModuleOrder, 4> orders{};
    for (dsp::ModuleOrder& order : orders)
    {
        for (dsp::ModuleId& id : order)
            id = static_cast<dsp::ModuleId>(*p++);
        if (!dsp::isValidModuleOrder(order))
            return;
    }
    std::array<CompareSlots::Values, 2> values{};
    for (CompareSlots::Values& v : values)
    {
        std::memcpy(v.data(), p, sizeof(double) * v.size());
        p += sizeof(double) * v.size();
    }
    mCompareSlots.restore(head[0] == 1, head[1] != 0, values, {orders[2], orders[3]});
    mModuleOrder.set(orders[1], false);
    mModuleOrder.set(orders[0], true);
    requestRebuild();
}

void PomeluRarorudIzad::OnUIClose()
{
    mSpectrumSender.SetEnabled(false);
}

void PomeluRarorudIzad::OnAudioResumed()
{
    mEngine.clearMemories();
}

bool PomeluRarorudIzad::setModuleOrder(const dsp::ModuleOrder& order, bool rememberForUndo)
{
    if (!mModuleOrder.set(order, rememberForUndo))
        return false;
    forwardModuleOrders();
    return true;
}

void PomeluRarorudIzad::resetModuleOrder()
{
    mModuleOrder.reset();
    forwardModuleOrders();
}

void PomeluRarorudIzad::undoModuleOrder()
{
    mModuleOrder.undo();
    forwardModuleOrders();
}

void PomeluRarorudIzad::forwardModuleOrders()
{
    if (!IsEditorModel())
        return;
    std::uint8_t orders[2 * dsp::kNumModules];
    const dsp::ModuleOrder current = mModuleOrder.get();
    for (int i = 0; i < dsp::kNumModules; ++i)
    {
        orders[i] = static_cast<std::uint8_t>(current[static_cast<std::size_t>(i)]);
        orders[dsp::kNumModules + i] =
            static_cast<std::uint8_t>(mModuleOrder.undoOrder()[static_cast<std::size_t>(i)]);
    }
    SendMessageFromUI(kMsgTagModuleOrders, kCtrlTagRoutingStrip, sizeof orders, orders);
}

bool PomeluRarorudIzad::OnMessage(int msgTag, int ctrlTag, int dataSize, const void* pData)
{
    if (ctrlTag == kCtrlTagRoutingStrip && msgTag == kMsgTagModuleOrders && pData != nullptr &&
        dataSize == 2 * dsp::kNumModules)
    {
        // The undo order first, then the current one with the undo order remembered.
        const auto* bytes = static_cast<const std::uint8_t*>(pData);
        dsp::ModuleOrder current{}, undo{};
        for (int i = 0; i < dsp::kNumModules; ++i)
        {
            current[static_cast<std::size_t>(i)] = static_cast<dsp::ModuleId>(bytes[i]);
            undo[static_cast<std::size_t>(i)] = static_cast<dsp::ModuleId>(bytes[dsp::kNumModules + i]);
        }
        if (!dsp::isValidModuleOrder(current) || !dsp::isValidModuleOrder(undo))
            return false;
        mModuleOrder.set(undo, false);
        mModuleOrder.set(current, true);
        return true;
    }
    if (ctrlTag == kCtrlTagRoutingStrip && msgTag == kMsgTagCompareSwitch)
    {
        mCompareSlots.switchSlot(*this, mModuleOrder);
        sendEditorState();
        return true;
    }
    if (ctrlTag != kCtrlTagSpectrum || pData == nullptr || dataSize < static_cast<int>(sizeof(std::int32_t)))
        return false;
    std::int32_t v = 0;
    std::memcpy(&v, pData, sizeof v);
    // A refused size or overlap runs at its fallback: the analyzer hears which, so its menu checks
    // the setting the spectra are made with ("64" leaves 1024 checked).
    auto tellAnalyzer = [this](int tag, std::int32_t requested, std::int32_t taken)
    {
        if (taken != requested)
            SendControlMsgFromDelegate(kCtrlTagSpectrum, tag, sizeof taken, &taken);
    };
    switch (msgTag)
    {
    case kMsgTagFFTSize:
        mSpectrumSender.SetFFTSize(v);
        tellAnalyzer(kMsgTagFFTSize, v, mSpectrumSender.GetFFTSize());
        return true;
    case kMsgTagOverlap:
        mSpectrumSender.SetOverlap(v);
        tellAnalyzer(kMsgTagOverlap, v, mSpectrumSender.GetOverlap());
        return true;
    case kMsgTagWindowType:
        if (v < 0 || v >= iplug::ISpectrumSender::kNumWindowTypes)
            return false;
        mSpectrumSender.SetWindowType(v);
        return true;
    default:
        return false;
    }
}

void PomeluRarorudIzad::OnHostValueShown(int idx)
{
    if (idx < 0 || idx == kTheme ||
        std::ranges::find(kModulePowerParams, idx) != std::end(kModulePowerParams))
        requestRebuild();
}

void PomeluRarorudIzad::OnIdle()
{
    mSpectrumSender.TransmitData(*this);
    mMeterSender.TransmitData(*this);
    iplug::IEditorView* editor = GetEditor();
    if ((editor != nullptr && editor->InUserGesture()) || !mRebuildRequested.exchange(false))
        return;
    if (editor != nullptr)
    {
        editor->RemoveAllControls();
        LayoutEditor();
        OnRestoreState();
        sendAnalyzerSettings();
    }
}

dsp::RackSettings fillRackSettings(const ParamValues& values, double hostTempoBpm,
                                   const dsp::ModuleOrder& order)
{
    auto v = [&values](int idx) { return values[static_cast<std::size_t>(idx)]; };
    auto on = [&v](int idx) { return v(idx) >= 0.5; };
    auto index = [&v](int idx) { return static_cast<int>(v(idx)); };

    dsp::RackSettings s;
    s.bypass = on(kBypass);
    s.popCutOn = on(kPopCut);
    s.sClearOn = on(kSClear);
    s.eqOn = on(kEq);
    s.levelerOn = on(kLeveler);
    s.compOn = on(kComp);
    s.clipGuardOn = on(kClipGuard);
    s.distortionOn = on(kDistortion);
    s.phaserOn = on(kPhaser);
    s.tremoloOn = on(kTremolo);
    s.delayOn = on(kDelay);
    s.reverbOn = on(kReverb);
    s.inputGainDb = v(kInput);
    s.outputGainDb = v(kOutput);
    s.popCutFrequency = v(kPopCutFrequency);
    s.sClearAmount = v(kSClearAmount);
    s.sClearFocus = v(kSClearFocus);
    const int gains[5] = {kEqLow, kEqLowMid, kEqMid, kEqHighMid, kEqHigh};
    const int freqs[5] = {kEqLowFrequency, kEqLowMidFrequency, kEqMidFrequency, kEqHighMidFrequency,
                          kEqHighFrequency};
    const int qs[5] = {kEqLowQ, kEqLowMidQ, kEqMidQ, kEqHighMidQ, kEqHighQ};
    for (int b = 0; b < 5; ++b)
    {
        s.eqGainDb[b] = v(gains[b]);
        s.eqFrequency[b] = v(freqs[b]);
        s.eqQ[b] = v(qs[b]);
    }
    s.lowCutOn = on(kEqLowCut);
    s.lowCutSteep = index(kEqLowCutSlope) == 1;
    s.highCutOn = on(kEqHighCut);
    s.highCutSteep = index(kEqHighCutSlope) == 1;
    s.lowCutFrequency = v(kEqLowCutFrequency);
    s.lowCutQ = v(kEqLowCutQ);
    s.highCutFrequency = v(kEqHighCutFrequency);
    s.highCutQ = v(kEqHighCutQ);
    s.levelTargetDb = v(kLevelTarget);
    s.levelRangeDb = v(kLevelRange);
    s.levelerSpeed = v(kLevelerSpeed);
    s.levelerSensitivity = v(kLevelerSensitivity);
    s.compThresholdDb = v(kCompThreshold);
    s.compRatio = v(kCompRatio);
    s.compAttackMs = v(kCompAttack);
    s.compReleaseMs = v(kCompRelease);
    s.compMakeupDb = v(kCompMakeup);
    s.compMix = v(kCompMix);
    s.compKneeDb = v(kCompKnee);
    s.compExpander = v(kCompExpander);
    s.drive = v(kDrive);
    s.distortionTone = v(kDistortionTone);
    s.distortionMix = v(kDistortionMix);
    s.distortionStyle = index(kDistortionStyle);
    s.phaserRate = v(kPhaserRate);
    s.phaserDepth = v(kPhaserDepth);
    s.phaserFeedback = v(kPhaserFeedback);
    s.phaserMix = v(kPhaserMix);
    s.tremoloRate = v(kTremoloRate);
    s.tremoloDepth = v(kTremoloDepth);
    s.tremoloSync = on(kTremoloSync);
    s.tremoloDivision = index(kTremoloDivision);
    s.delayTimeMs = v(kDelayTime);
    s.delayFeedback = v(kDelayFeedback);
    s.delayWet = v(kDelayWet);
    s.delayLowCut = v(kDelayLowCut);
    s.delayHighCut = v(kDelayHighCut);
    s.delayWidth = v(kDelayWidth);
    s.delayLeftTime = v(kDelayLeftTime);
    s.delayRightTime = v(kDelayRightTime);
    s.delayCrossFeedback = v(kDelayCrossFeedback);
    s.delayLeftFeedback = v(kDelayLeftFeedback);
    s.delayRightFeedback = v(kDelayRightFeedback);
    s.delayLeftMix = v(kDelayLeftMix);
    s.delayRightMix = v(kDelayRightMix);
    s.delayStereo = on(kDelayStereo);
    s.delaySync = on(kDelaySync);
    s.delayDivision = index(kDelayDivision);
    s.delayFeel = index(kDelayFeel);
    s.reverbSize = v(kReverbSize);
    s.reverbDecay = v(kReverbDecay);
    s.reverbPreDelayMs = v(kReverbPreDelay);
    s.reverbTone = v(kReverbTone);
    s.reverbWet = v(kReverbWet);
    s.clipCeilingDb = v(kCeiling);
    s.clipGuardAmount = v(kClipGuardAmount);
    s.tempoBpm = hostTempoBpm > 1.0 ? hostTempoBpm : kFallbackTempoBpm;
    s.order = order;
    return s;
}

void PomeluRarorudIzad::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
    ParamValues values;
    dsp::ModuleOrder order;
    if (ReadParamSet(values.data(), [&] { order = getModuleOrder(); }) || !mHaveBlockSet)
    {
        mBlockValues = values;
        mBlockOrder = order;
        mHaveBlockSet = true;
    }
    const dsp::RackSettings settings = fillRackSettings(mBlockValues, GetTempo(), mBlockOrder);
    mEngine.applySettings(settings);
    const int nIn = std::max(NInChansConnected(), 0);
    const int nOut = std::max(NOutChansConnected(), 0);
    mEngine.process(inputs, outputs, nIn, nOut, nFrames);
    const int n = std::min(nOut, 2);
    if (n > 0)
    {
        mSpectrumSender.ProcessBlock(outputs, nFrames, kCtrlTagSpectrum, n, 0);
        mMeterSender.ProcessBlock(outputs, nFrames, kCtrlTagMeter, n, 0);
    }
}

bool PomeluRarorudIzad::SerializeState(iplug::IByteChunk& chunk) const
{
    return writeStateChunk(chunk, *this, mCompareSlots, mModuleOrder);
}

int PomeluRarorudIzad::UnserializeState(const iplug::IByteChunk& chunk, int startPos)
{
    BeginParamSet();
    const int pos = readStateChunk(chunk, startPos, *this, mCompareSlots, mModuleOrder);
    EndParamSet();
    return pos;
}

std::string PomeluRarorudIzad::GetPresetExtraState(int idx) const
{
    if (idx < 0 || idx >= NPresets())
        return {};
    std::string text;
    for (const dsp::ModuleId id : dsp::defaultModuleOrder())
        text += (text.empty() ? "" : " ") + std::to_string(static_cast<int>(id));
    return text;
}

bool PomeluRarorudIzad::RestorePresetExtraState(std::string_view text)
{
    dsp::ModuleOrder order{};
    std::size_t n = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end)
    {
        if (*p == ' ')
        {
            ++p;
            continue;
        }
        int v = -1;
        const auto [next, ec] = std::from_chars(p, end, v);
        if (ec != std::errc() || n >= order.size() || v < 0 || v >= dsp::kNumModules)
            return false;
        order[n++] = static_cast<dsp::ModuleId>(v);
        p = next;
    }
    return n == order.size() && setModuleOrder(order, true);
}

void PomeluRarorudIzad::switchCompareSlot()
{
    // An editor model: the processing instance switches too, before the ports bring the values.
    if (IsEditorModel())
        SendMessageFromUI(kMsgTagCompareSwitch, kCtrlTagRoutingStrip, 0, nullptr);
    mCompareSlots.switchSlot(*this, mModuleOrder);
    OnRestoreState();
    requestRebuild();
}

} // namespace pomelu
