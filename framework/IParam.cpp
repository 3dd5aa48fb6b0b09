// SPDX-License-Identifier: GPL-3.0-or-later
#include "IParam.h"

#include "ValueText.h"

#include <algorithm>
#include <cmath>

namespace iplug
{

void IParam::initCommon(EParamType type, const char* name, double defaultVal, double minVal, double maxVal,
                        double step, const char* label)
{
    mType = type;
    mName = name ? name : "";
    mLabel = label ? label : "";
    mMin = std::min(minVal, maxVal);
    mMax = std::max(minVal, maxVal);
    mStep = step > 0.0 ? step : 0.0;
    mDecimals = DecimalsForStep(mStep);
    mDefault = mMin; // Constrain below falls back to it for a NaN default
    mDefault = Constrain(defaultVal);
    mValue.store(mDefault, std::memory_order_relaxed);
}

void IParam::InitBool(const char* name, bool defaultValue, const char* label, const char* offText,
                      const char* onText)
{
    mTexts = {offText ? offText : "off", onText ? onText : "on"};
    initCommon(kTypeBool, name, defaultValue ? 1.0 : 0.0, 0.0, 1.0, 1.0, label);
}

void IParam::InitEnum(const char* name, int defaultValue, std::initializer_list<const char*> texts,
                      const char* label)
{
    mTexts.clear();
    for (const char* t : texts)
        mTexts.emplace_back(t ? t : "");
    const double last = mTexts.empty() ? 0.0 : static_cast<double>(mTexts.size() - 1);
    initCommon(kTypeEnum, name, defaultValue, 0.0, last, 1.0, label);
}

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                        const char* label)
{
    mTexts.clear();
    initCommon(kTypeDouble, name, defaultVal, minVal, maxVal, step, label);
}

double IParam::Constrain(double plain) const
{
    if (std::isnan(plain))
        return mDefault;
    double v = plain;
    if (GetStepped() && mStep > 0.0)
        v = std::round(v / mStep) * mStep;
    return std::clamp(v, mMin, mMax);
}

double IParam::FiniteOrDefault(double plain) const
{
    return std::isfinite(plain) ? plain : mDefault;
}

void IParam::Set(double plain)
{
    if (std::isnan(plain))
        return;
    mValue.store(Constrain(plain), std::memory_order_relaxed);
}

double IParam::ToNormalized(double plain) const
{
    const double range = mMax - mMin;
    if (!(range > 0.0) || std::isnan(plain))
        return 0.0;
    return std::clamp((plain - mMin) / range, 0.0, 1.0);
}

double IParam::FromNormalized(double normalized) const
{
    if (std::isnan(normalized))
        return mDefault;
    const double n = std::clamp(normalized, 0.0, 1.0);
    return Constrain(mMin + n * (mMax - mMin));
}

void IParam::SetNormalized(double normalized)
{
    if (std::isnan(normalized))
        return;
    mValue.store(FromNormalized(normalized), std::memory_order_relaxed);
}

int IParam::GetStepCount() const
{
    if (!GetStepped() || !(mStep > 0.0))
        return 0;
    return static_cast<int>(std::lround((mMax - mMin) / mStep));
}

const char* IParam::GetDisplayText(int value) const
{
    if (value < 0 || value >= NDisplayTexts())
        return nullptr;
    return mTexts[static_cast<std::size_t>(value)].c_str();
}

void IParam::GetDisplay(double plain, std::string& out) const
{
    if (GetStepped() && !mTexts.empty())
    {
        const int idx = static_cast<int>(std::lround(Constrain(plain)));
        if (const char* text = GetDisplayText(idx))
        {
            out = text;
            return;
        }
    }
    out = FormatDecimals(plain, mDecimals);
}

std::optional<double> IParam::StringToValue(std::string_view text) const
{
    if (const auto index = FindValueText(mTexts, text))
        return Constrain(*index);
    const auto number = ParseNumber(text, mLabel);
    if (!number || (GetStepped() && *number != std::floor(*number)))
        return std::nullopt;
    return Constrain(*number);
}

} // namespace iplug
