// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace iplug
{
class IPlugBase;
}

namespace pomelu
{

// Host parameter indices. The order is part of the saved state and of the preset lists: never
// reorder, only append. Saved states of the first format carry indices 0 to 40 only.
enum EParams
{
    kBypass = 0,
    kInput,
    kPopCut,
    kPopCutFrequency,
    kSClear,
    kSClearAmount,
    kSClearFocus,
    kEq,
    kEqLow,
    kEqLowMid,
    kEqMid,
    kEqHighMid,
    kEqHigh,
    kLeveler,
    kLevelTarget,
    kLevelRange,
    kComp,
    kCompThreshold,
    kCompRatio,
    kCompAttack,
    kCompRelease,
    kCompMakeup,
    kCompMix,
    kClipGuard,
    kCeiling,
    kDistortion,
    kDrive,
    kPhaser,
    kPhaserRate,
    kPhaserDepth,
    kTremolo,
    kTremoloRate,
    kTremoloDepth,
    kDelay,
    kDelayTime,
    kDelayFeedback,
    kDelayWet,
    kReverb,
    kReverbSize,
    kReverbWet,
    kOutput,
    kEqLowCut,
    kEqLowCutFrequency,
    kEqLowCutQ,
    kEqLowCutSlope,
    kEqLowFrequency,
    kEqLowQ,
    kEqLowMidFrequency,
    kEqLowMidQ,
    kEqMidFrequency,
    kEqMidQ,
    kEqHighMidFrequency,
    kEqHighMidQ,
    kEqHighFrequency,
    kEqHighQ,
    kEqHighCut,
    kEqHighCutFrequency,
    kEqHighCutQ,
    kEqHighCutSlope,
    kCompKnee,
    kCompExpander,
    kDistortionTone,
    kDistortionMix,
    kDistortionStyle,
    kPhaserFeedback,
    kPhaserMix,
    kDelayLowCut,
    kDelayHighCut,
    kDelayWidth,
    kDelayStereo,
    kDelayRightTime,
    kDelayCrossFeedback,
    kReverbDecay,
    kReverbPreDelay,
    kReverbTone,
    kLevelerSpeed,
    kLevelerSensitivity,
    kClipGuardAmount,
    kTremoloSync,
    kTremoloDivision,
    kDelaySync,
    kDelayDivision,
    kDelayFeel,
    kDelayLeftTime,
    kDelayLeftFeedback,
    kDelayRightFeedback,
    kDelayLeftMix,
    kDelayRightMix,
    kTheme,
    kNumParams
};

static_assert(kOutput == 40 && kEqLowCut == 41 && kTheme == 88 && kNumParams == 89,
              "the index order is saved state");

// The power switch of each module, indexed by dsp::ModuleId.
inline constexpr int kModulePowerParams[] = {kPopCut,  kSClear, kEq,        kDistortion, kPhaser, kTremolo,
                                             kLeveler, kComp,   kClipGuard, kDelay,      kReverb};

// Creates all parameters on the plug-in's parameter objects, in index order. UI thread, allocates.
void initParameters(iplug::IPlugBase& plug);

} // namespace pomelu
