// SPDX-License-Identifier: GPL-3.0-or-later
#include "IParam.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace iplug
{

namespace
{

int decimalsForStep(double step)
{
    if (!(step > 0.0) || step >= 1.0)
        return 0;
    // 0.1 -> 1, 0.01 -> 2; the small margin keeps 0.1's binary error from giving 2.
    return std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 15);
}

} // namespace

void IParam::initCommon(EParamType type, const char* name, double defaultVal, double minVal, double maxVal,
                        double step, const char* label)
{
    mType = type;
    mName = name ? name : "";
    mLabel = label ? label : "";
    mMin = std::min(minVal, maxVal);
    mMax = std::max(minVal, maxVal);
    mStep = step > 0.0 ? step : 0.0;
    mDecimals = decimalsForStep(mStep);
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
    char buf[64];
    double v = plain;
    if (v == 0.0)
        v = 0.0; // no "-0.0"
    std::snprintf(buf, sizeof buf, "%.*f", mDecimals, v);
    // A value that rounds to zero shows as "0.0", not "-0.0".
    if (buf[0] == '-' && std::strspn(buf + 1, "0.") == std::strlen(buf + 1))
        std::memmove(buf, buf + 1, std::strlen(buf));
    out = buf;
}

double IParam::StringToValue(const char* text) const
{
    if (text == nullptr)
        return Value();
    for (int i = 0; i < NDisplayTexts(); ++i)
        if (mTexts[static_cast<std::size_t>(i)] == text)
            return Constrain(i);
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || std::isnan(v))
        return Value();
    return Constrain(v);
}

} // namespace iplug
