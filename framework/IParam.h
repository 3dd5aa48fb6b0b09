// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace iplug
{

// One host parameter. The plain value (display units, not normalised) is one atomic double:
// the audio thread reads it while the UI thread or the host writes it. Everything else is set once
// by an Init call on the UI thread before processing starts. Shape is linear:
// normalised = (plain - min) / (max - min).
class IParam
{
public:
    enum EParamType
    {
        kTypeNone,
        kTypeBool,
        kTypeEnum,
        kTypeDouble
    };

    IParam() = default;
    IParam(const IParam&) = delete;
    IParam& operator=(const IParam&) = delete;

    void InitBool(const char* name, bool defaultValue, const char* label = "", const char* offText = "off",
                  const char* onText = "on");
    void InitEnum(const char* name, int defaultValue, std::initializer_list<const char*> texts,
                  const char* label = "");
    void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                    const char* label = "");

    // Plain value; lock-free, callable from any thread.
    double Value() const { return mValue.load(std::memory_order_relaxed); }
    bool Bool() const { return Value() >= 0.5; }
    int Int() const { return static_cast<int>(Value()); }

    // Constrains and stores. A NaN leaves the value as it was. Lock-free, never allocates.
    void Set(double plain);

    // Stepped (bool, enum): round to the nearest multiple of the step; then every kind clamps to
    // [min, max]. NaN gives the default.
    double Constrain(double plain) const;
    // A stored value (a saved state, a compare slot) that is not a finite number must never reach
    // the plug-in: it reads as the default. Finite values pass unchanged.
    double FiniteOrDefault(double plain) const;

    double ToNormalized(double plain) const;        // clamped to 0..1
    double FromNormalized(double normalized) const; // constrained plain value
    double GetNormalized() const { return ToNormalized(Value()); }
    void SetNormalized(double normalized);

    double GetDefault(bool normalized = false) const
    {
        return normalized ? ToNormalized(mDefault) : mDefault;
    }
    void SetToDefault() { Set(mDefault); }

    double GetMin() const { return mMin; }
    double GetMax() const { return mMax; }
    double GetRange() const { return mMax - mMin; }
    double GetStep() const { return mStep; }
    bool GetStepped() const { return mType == kTypeBool || mType == kTypeEnum; }
    // Host step count: 0 for continuous parameters, values - 1 for bools and enums.
    int GetStepCount() const;
    // Decimals of the value text: step 0.1 shows one, 0.01 two, 1 and 10 none (DecimalsForStep).
    int GetDisplayPrecision() const { return mDecimals; }

    const char* GetName() const { return mName.c_str(); }
    const char* GetLabel() const { return mLabel.c_str(); }
    EParamType Type() const { return mType; }

    int NDisplayTexts() const { return static_cast<int>(mTexts.size()); }
    // Text for a bool or enum value, or nullptr when there is none.
    const char* GetDisplayText(int value) const;

    // Value text without the label: decimals from the step, enum and bool texts; the same in every
    // locale (ValueText.h). Allocates (UI thread).
    void GetDisplay(std::string& out) const { GetDisplay(Value(), out); }
    void GetDisplay(double plain, std::string& out) const;

    // Text typed by a user or sent by a host, as a constrained plain value: a bool or enum value
    // text (FindValueText), or a number, optionally followed by the label (ParseNumber), which for a
    // bool or enum must be a whole index. Nothing for any other text, so a typo never becomes a value.
    std::optional<double> StringToValue(std::string_view text) const;

private:
    void initCommon(EParamType type, const char* name, double defaultVal, double minVal, double maxVal,
                    double step, const char* label);

    std::atomic<double> mValue{0.0};
    EParamType mType = kTypeNone;
    std::string mName;
    std::string mLabel;
    std::vector<std::string> mTexts;
    double mDefault = 0.0;
    double mMin = 0.0;
    double mMax = 1.0;
    double mStep = 1.0;
    int mDecimals = 0;
};

} // namespace iplug
