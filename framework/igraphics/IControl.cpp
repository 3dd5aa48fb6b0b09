// SPDX-License-Identifier: GPL-3.0-or-later
#include "IControl.h"

#include "IGraphics.h"

#include "IParam.h"
#include "IPlugBase.h"

#include <algorithm>
#include <optional>

namespace igraphics
{

IControl::IControl(const IRECT& bounds, int paramIdx, IActionFunction action)
    : IControl(bounds, std::vector<int>{paramIdx}, std::move(action))
{
}

IControl::IControl(const IRECT& bounds, const std::vector<int>& paramIdxs, IActionFunction action)
    : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(action))
{
    for (int idx : paramIdxs)
        mVals.push_back({idx, 0.0, false});
    if (mVals.empty())
        mVals.push_back({});
}

iplug::IPlugBase* IControl::GetDelegate() const
{
    return mGraphics != nullptr ? &mGraphics->GetDelegate() : nullptr;
}

void IControl::SetDirty(bool triggerAction, int valIdx)
{
    mDirty = true;
    if (!triggerAction)
        return;
    if (valIdx == kNoValIdx)
        for (int v = 0; v < NVals(); ++v)
            sendValue(v);
    else if (valIdx >= 0 && valIdx < NVals())
        sendValue(valIdx);
    if (mActionFunc)
        mActionFunc(this);
}

void IControl::sendValue(int valIdx)
{
    Val& v = mVals[static_cast<std::size_t>(valIdx)];
    iplug::IPlugBase* plug = GetDelegate();
    if (plug == nullptr || plug->GetParam(v.paramIdx) == nullptr)
        return;
    const bool oneShot = !mInGesture;
    if (oneShot || !v.editOpen)
    {
        plug->BeginInformHostOfParamChangeFromUI(v.paramIdx);
        v.editOpen = !oneShot;
    }
    plug->SendParameterValueFromUI(v.paramIdx, v.value);
    // The parameter constrains (a stepped value snaps); show what the plug-in holds, here and in
    // every other control bound to the same parameter.
    v.value = plug->GetParam(v.paramIdx)->GetNormalized();
    mGraphics->showParamValue(v.paramIdx, v.value, this);
    if (oneShot)
        plug->EndInformHostOfParamChangeFromUI(v.paramIdx);
}

void IControl::beginGesture()
{
    mInGesture = true;
}

void IControl::BeginGestureEdits(int valIdx)
{
    iplug::IPlugBase* plug = GetDelegate();
    if (plug == nullptr || !mInGesture)
        return;
    for (int i = 0; i < NVals(); ++i)
    {
        Val& v = mVals[static_cast<std::size_t>(i)];
        if ((valIdx == kNoValIdx || valIdx == i) && !v.editOpen && plug->GetParam(v.paramIdx) != nullptr)
        {
            plug->BeginInformHostOfParamChangeFromUI(v.paramIdx);
            v.editOpen = true;
        }
    }
}

void IControl::endGesture()
{
    mInGesture = false;
    iplug::IPlugBase* plug = GetDelegate();
    for (Val& v : mVals)
        if (v.editOpen)
        {
            v.editOpen = false;
            if (plug != nullptr)
                plug->EndInformHostOfParamChangeFromUI(v.paramIdx);
        }
}

void IControl::OnMouseDown(float, float, const IMouseMod&) {}
void IControl::OnMouseUp(float, float, const IMouseMod&) {}
void IControl::OnMouseDrag(float, float, float, float, const IMouseMod&) {}
void IControl::OnMouseWheel(float, float, const IMouseMod&, float) {}
void IControl::OnPopupMenuSelection(IPopupMenu*, int) {}
void IControl::OnMsgFromDelegate(int, int, const void*) {}

bool IControl::OnKeyDown(float, float, const IKeyPress&)
{
    return false;
}

void IControl::OnMouseDblClick(float, float, const IMouseMod&)
{
    SetValueToDefault(kNoValIdx);
}

void IControl::OnMouseOver(float, float, const IMouseMod&)
{
    if (!mMouseIsOver)
        SetDirty(false);
    mMouseIsOver = true;
}

void IControl::OnMouseOut()
{
    if (mMouseIsOver)
        SetDirty(false);
    mMouseIsOver = false;
}

bool IControl::OnTextEntryCompletion(const char* str, int valIdx)
{
    const iplug::IParam* param = GetParam(valIdx);
    const std::optional<double> plain =
        param != nullptr && str != nullptr ? param->StringToValue(str) : std::nullopt;
    if (!plain)
        return false;
    SetValueFromUserInput(param->ToNormalized(*plain), valIdx);
    return true;
}

double IControl::GetValue(int valIdx) const
{
    return valIdx >= 0 && valIdx < NVals() ? mVals[static_cast<std::size_t>(valIdx)].value : 0.0;
}

void IControl::SetValue(double value, int valIdx)
{
    if (valIdx >= 0 && valIdx < NVals() && !std::isnan(value))
        mVals[static_cast<std::size_t>(valIdx)].value = std::clamp(value, 0.0, 1.0);
}

void IControl::SetValueFromDelegate(double value, int valIdx)
{
    if (GetValue(valIdx) != value)
    {
        SetValue(value, valIdx);
        SetDirty(false);
    }
}

void IControl::SetValueFromUserInput(double value, int valIdx)
{
    SetValue(value, valIdx);
    SetDirty(true, valIdx);
}

void IControl::SetValueToDefault(int valIdx)
{
    for (int v = 0; v < NVals(); ++v)
        if (valIdx == kNoValIdx || v == valIdx)
            if (const iplug::IParam* p = GetParam(v))
                SetValueFromUserInput(p->GetDefault(true), v);
}

int IControl::GetParamIdx(int valIdx) const
{
    return valIdx >= 0 && valIdx < NVals() ? mVals[static_cast<std::size_t>(valIdx)].paramIdx : kNoParameter;
}

void IControl::SetParamIdx(int paramIdx, int valIdx)
{
    if (valIdx >= 0 && valIdx < NVals())
        mVals[static_cast<std::size_t>(valIdx)].paramIdx = paramIdx;
}

const iplug::IParam* IControl::GetParam(int valIdx) const
{
    iplug::IPlugBase* plug = GetDelegate();
    return plug != nullptr ? plug->GetParam(GetParamIdx(valIdx)) : nullptr;
}

int IControl::GetValIdxForParam(int paramIdx) const
{
    if (paramIdx == kNoParameter)
        return kNoValIdx;
    for (int v = 0; v < NVals(); ++v)
        if (mVals[static_cast<std::size_t>(v)].paramIdx == paramIdx)
            return v;
    return kNoValIdx;
}

std::string IControl::GetParamValueText(int valIdx) const
{
    const iplug::IParam* p = GetParam(valIdx);
    if (p == nullptr)
        return {};
    std::string text;
    p->GetDisplay(p->FromNormalized(GetValue(valIdx)), text);
    if (*p->GetLabel() != '\0' && p->Type() == iplug::IParam::kTypeDouble)
        text.append(" ").append(p->GetLabel());
    return text;
}

void IControl::SetRECT(const IRECT& r)
{
    mRECT = r;
    OnResize();
}

void IControl::SetTargetAndDrawRECTs(const IRECT& r)
{
    mTargetRECT = r;
    SetRECT(r);
}

void IControl::Hide(bool hide)
{
    if (hide != mHidden)
    {
        mHidden = hide;
        SetDirty(false);
        if (mGraphics != nullptr)
            mGraphics->SetRegionDirty(mRECT);
    }
}

void IControl::SetDisabled(bool disable)
{
    if (disable != mDisabled)
    {
        mDisabled = disable;
        SetDirty(false);
    }
}

void IControl::PromptUserInput(int valIdx)
{
    PromptUserInput(mRECT, valIdx);
}

void IControl::PromptUserInput(const IRECT& r, int valIdx)
{
    if (mGraphics != nullptr && GetParam(valIdx) != nullptr)
        mGraphics->PromptUserInput(*this, r, valIdx);
}

} // namespace igraphics
