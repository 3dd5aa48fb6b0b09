// SPDX-License-Identifier: GPL-3.0-or-later
#include "Parameters.h"

#include "IPlugBase.h"

namespace pomelu
{

void initParameters(iplug::IPlugBase& plug)
{
    auto p = [&plug](int idx) -> iplug::IParam& { return *plug.GetParam(idx); };

    p(kBypass).InitBool("Bypass", false);
    p(kInput).InitDouble("Input", 0.0, -18.0, 18.0, 0.1, "dB");
    p(kPopCut).InitBool("Pop Cut", true);
    p(kPopCutFrequency).InitDouble("Pop Cut Frequency", 75.0, 25.0, 220.0, 1.0, "Hz");
    p(kSClear).InitBool("S Clear", false);
    p(kSClearAmount).InitDouble("S Clear Amount", 25.0, 0.0, 100.0, 1.0, "%");
    p(kSClearFocus).InitDouble("S Clear Focus", 7200.0, 4000.0, 12000.0, 10.0, "Hz");
    p(kEq).InitBool("EQ", true);
    p(kEqLow).InitDouble("EQ Low", 0.0, -18.0, 18.0, 0.1, "dB");
    p(kEqLowMid).InitDouble("EQ Low Mid", 0.0, -18.0, 18.0, 0.1, "dB");
    p(kEqMid).InitDouble("EQ Mid", 0.0, -18.0, 18.0, 0.1, "dB");
    p(kEqHighMid).InitDouble("EQ High Mid", 0.0, -18.0, 18.0, 0.1, "dB");
    p(kEqHigh).InitDouble("EQ High", 0.0, -18.0, 18.0, 0.1, "dB");
    p(kLeveler).InitBool("Leveler", false);
    p(kLevelTarget).InitDouble("Level Target", -18.0, -30.0, -8.0, 0.1, "dB");
    p(kLevelRange).InitDouble("Level Range", 6.0, 1.0, 12.0, 0.1, "dB");
    p(kComp).InitBool("Comp", false);
    p(kCompThreshold).InitDouble("Comp Threshold", -18.0, -48.0, 0.0, 0.1, "dB");
    p(kCompRatio).InitDouble("Comp Ratio", 3.0, 1.0, 20.0, 0.1, ":1");
    p(kCompAttack).InitDouble("Comp Attack", 12.0, 0.1, 200.0, 0.1, "ms");
    p(kCompRelease).InitDouble("Comp Release", 120.0, 10.0, 1500.0, 1.0, "ms");
    p(kCompMakeup).InitDouble("Comp Makeup", 0.0, 0.0, 18.0, 0.1, "dB");
    p(kCompMix).InitDouble("Comp Mix", 100.0, 0.0, 100.0, 1.0, "%");
    p(kClipGuard).InitBool("Clip Guard", false);
    p(kCeiling).InitDouble("Ceiling", -1.0, -6.0, -0.1, 0.1, "dB");
    p(kDistortion).InitBool("Distortion", false);
    p(kDrive).InitDouble("Drive", 10.0, 0.0, 100.0, 1.0, "%");
    p(kPhaser).InitBool("Phaser", false);
    p(kPhaserRate).InitDouble("Phaser Rate", 0.35, 0.05, 8.0, 0.01, "Hz");
    p(kPhaserDepth).InitDouble("Phaser Depth", 25.0, 0.0, 100.0, 1.0, "%");
    p(kTremolo).InitBool("Tremolo", false);
    p(kTremoloRate).InitDouble("Tremolo Rate", 4.0, 0.1, 20.0, 0.1, "Hz");
    p(kTremoloDepth).InitDouble("Tremolo Depth", 0.0, 0.0, 100.0, 1.0, "%");
    p(kDelay).InitBool("Delay", false);
    p(kDelayTime).InitDouble("Delay Time", 280.0, 10.0, 2000.0, 1.0, "ms");
    p(kDelayFeedback).InitDouble("Delay Feedback", 20.0, 0.0, 88.0, 1.0, "%");
    p(kDelayWet).InitDouble("Delay Wet", 0.0, 0.0, 100.0, 1.0, "%");
    p(kReverb).InitBool("Reverb", false);
    p(kReverbSize).InitDouble("Reverb Size", 45.0, 0.0, 100.0, 1.0, "%");
    p(kReverbWet).InitDouble("Reverb Wet", 0.0, 0.0, 100.0, 1.0, "%");
    p(kOutput).InitDouble("Output", 0.0, -18.0, 18.0, 0.1, "dB");
    p(kEqLowCut).InitBool("EQ Low Cut", true);
    p(kEqLowCutFrequency).InitDouble("EQ Low Cut Frequency", 75.0, 20.0, 600.0, 1.0, "Hz");
    p(kEqLowCutQ).InitDouble("EQ Low Cut Q", 0.7, 0.1, 12.0, 0.01, "");
    p(kEqLowCutSlope).InitEnum("EQ Low Cut Slope", 0, {"12 dB/oct", "24 dB/oct"});
    p(kEqLowFrequency).InitDouble("EQ Low Frequency", 180.0, 30.0, 800.0, 1.0, "Hz");
    p(kEqLowQ).InitDouble("EQ Low Q", 0.7, 0.1, 12.0, 0.01, "");
    p(kEqLowMidFrequency).InitDouble("EQ Low Mid Frequency", 500.0, 80.0, 4000.0, 1.0, "Hz");
    p(kEqLowMidQ).InitDouble("EQ Low Mid Q", 1.0, 0.1, 12.0, 0.01, "");
    p(kEqMidFrequency).InitDouble("EQ Mid Frequency", 2800.0, 200.0, 10000.0, 1.0, "Hz");
    p(kEqMidQ).InitDouble("EQ Mid Q", 0.9, 0.1, 12.0, 0.01, "");
    p(kEqHighMidFrequency).InitDouble("EQ High Mid Frequency", 5200.0, 500.0, 16000.0, 1.0, "Hz");
    p(kEqHighMidQ).InitDouble("EQ High Mid Q", 1.0, 0.1, 12.0, 0.01, "");
    p(kEqHighFrequency).InitDouble("EQ High Frequency", 7500.0, 1000.0, 20000.0, 1.0, "Hz");
    p(kEqHighQ).InitDouble("EQ High Q", 0.7, 0.1, 12.0, 0.01, "");
    p(kEqHighCut).InitBool("EQ High Cut", false);
    p(kEqHighCutFrequency).InitDouble("EQ High Cut Frequency", 17000.0, 2000.0, 22000.0, 1.0, "Hz");
    p(kEqHighCutQ).InitDouble("EQ High Cut Q", 0.7, 0.1, 12.0, 0.01, "");
    p(kEqHighCutSlope).InitEnum("EQ High Cut Slope", 0, {"12 dB/oct", "24 dB/oct"});
    p(kCompKnee).InitDouble("Comp Knee", 18.0, 0.0, 40.0, 0.1, "dB");
    p(kCompExpander).InitDouble("Comp Expander", 18.0, 0.0, 100.0, 1.0, "%");
    p(kDistortionTone).InitDouble("Distortion Tone", 55.0, 0.0, 100.0, 1.0, "%");
    p(kDistortionMix).InitDouble("Distortion Mix", 20.0, 0.0, 100.0, 1.0, "%");
    p(kDistortionStyle)
        .InitEnum("Distortion Style", 0,
                  {"Soft Bloom / ふんわり", "Warm Bite / あたたか", "Hard Edge / ざくざく",
                   "Velvet Fuzz / もこもこ", "Wave Fold / 折りたたみ", "Pixel Crush / ぴこぴこ",
                   "Rectify / 片寄せ", "Chaos Ring / 大暴れ"});
    p(kPhaserFeedback).InitDouble("Phaser Feedback", 18.0, 0.0, 95.0, 1.0, "%");
    p(kPhaserMix).InitDouble("Phaser Mix", 22.0, 0.0, 100.0, 1.0, "%");
    p(kDelayLowCut).InitDouble("Delay Low Cut", 180.0, 20.0, 2000.0, 1.0, "Hz");
    p(kDelayHighCut).InitDouble("Delay High Cut", 7200.0, 1000.0, 22000.0, 1.0, "Hz");
    p(kDelayWidth).InitDouble("Delay Width", 70.0, 0.0, 200.0, 1.0, "%");
    p(kDelayStereo).InitBool("Delay Stereo", false);
    p(kDelayRightTime).InitDouble("Delay Right Time", 112.0, 50.0, 200.0, 1.0, "%");
    p(kDelayCrossFeedback).InitDouble("Delay Cross Feedback", 100.0, 0.0, 100.0, 1.0, "%");
    p(kReverbDecay).InitDouble("Reverb Decay", 38.0, 0.0, 100.0, 1.0, "%");
    p(kReverbPreDelay).InitDouble("Reverb Pre-delay", 18.0, 0.0, 250.0, 1.0, "ms");
    p(kReverbTone).InitDouble("Reverb Tone", 58.0, 0.0, 100.0, 1.0, "%");
    p(kLevelerSpeed).InitDouble("Leveler Speed", 45.0, 0.0, 100.0, 1.0, "%");
    p(kLevelerSensitivity).InitDouble("Leveler Sensitivity", 55.0, 0.0, 100.0, 1.0, "%");
    p(kClipGuardAmount).InitDouble("Clip Guard Amount", 55.0, 0.0, 100.0, 1.0, "%");
    p(kTremoloSync).InitBool("Tremolo Sync", false);
    p(kTremoloDivision).InitEnum("Tremolo Division", 3, {"1/1", "1/2", "1/4", "1/8", "1/16"});
    p(kDelaySync).InitBool("Delay Sync", false);
    p(kDelayDivision).InitEnum("Delay Division", 3, {"1/1", "1/2", "1/4", "1/8", "1/16"});
    p(kDelayFeel).InitEnum("Delay Feel", 0, {"Straight", "Dotted", "Triplet"});
    p(kDelayLeftTime).InitDouble("Delay Left Time", 100.0, 50.0, 200.0, 1.0, "%");
    p(kDelayLeftFeedback).InitDouble("Delay Left Feedback", 20.0, 0.0, 88.0, 1.0, "%");
    p(kDelayRightFeedback).InitDouble("Delay Right Feedback", 20.0, 0.0, 88.0, 1.0, "%");
    p(kDelayLeftMix).InitDouble("Delay Left Mix", 12.0, 0.0, 100.0, 1.0, "%");
    p(kDelayRightMix).InitDouble("Delay Right Mix", 12.0, 0.0, 100.0, 1.0, "%");
    p(kTheme).InitEnum("Theme", 0, {"Pomelu", "Dark", "Cool"});
}

} // namespace pomelu
