// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ModuleId.h"

namespace pomelu::dsp
{

// Every engine setting in display units (dB, Hz, ms, % from 0 to 100, ratio), rebuilt from the
// parameters every block. The defaults equal the parameter defaults.
struct RackSettings
{
    bool bypass = false;
    bool popCutOn = true;
    bool sClearOn = false;
    bool eqOn = true;
    bool levelerOn = false;
    bool compOn = false;
    bool clipGuardOn = false;
    bool distortionOn = false;
    bool phaserOn = false;
    bool tremoloOn = false;
    bool delayOn = false;
    bool reverbOn = false;

    double inputGainDb = 0.0;
    double outputGainDb = 0.0;

    double popCutFrequency = 75.0; // Hz
    double sClearAmount = 25.0;    // %, 100 % is a 12 dB cut
    double sClearFocus = 7200.0;   // Hz

    double eqGainDb[5] = {0.0, 0.0, 0.0, 0.0, 0.0}; // Low, Low Mid, Mid, High Mid, High
    bool lowCutOn = true;
    bool lowCutSteep = false; // 24 dB/oct: two stages
    bool highCutOn = false;
    bool highCutSteep = false;
    double lowCutFrequency = 75.0; // Hz
    double lowCutQ = 0.7;
    double highCutFrequency = 17000.0; // Hz
    double highCutQ = 0.7;
    double eqFrequency[5] = {180.0, 500.0, 2800.0, 5200.0, 7500.0}; // Hz
    double eqQ[5] = {0.7, 1.0, 0.9, 1.0, 0.7};

    double levelTargetDb = -18.0;
    double levelRangeDb = 6.0;
    double levelerSpeed = 45.0;       // %
    double levelerSensitivity = 55.0; // %, 55 % is unity

    double compThresholdDb = -18.0;
    double compRatio = 3.0; // :1
    double compAttackMs = 12.0;
    double compReleaseMs = 120.0;
    double compMakeupDb = 0.0;
    double compMix = 100.0; // %
    double compKneeDb = 18.0;
    double compExpander = 18.0; // %

    double drive = 10.0;          // %
    double distortionTone = 55.0; // %
    double distortionMix = 20.0;  // %
    int distortionStyle = 0;      // 0..7, anything else shapes like 0

    double phaserRate = 0.35;     // Hz
    double phaserDepth = 25.0;    // %, 100 % is a 12 dB dip
    double phaserFeedback = 18.0; // %, sets the dip's Q
    double phaserMix = 22.0;      // %

    double tremoloRate = 4.0;  // Hz
    double tremoloDepth = 0.0; // %
    bool tremoloSync = false;
    int tremoloDivision = 3; // 1/1, 1/2, 1/4, 1/8, 1/16

    double delayTimeMs = 280.0;
    double delayFeedback = 20.0;       // %
    double delayWet = 0.0;             // %
    double delayLowCut = 180.0;        // Hz
    double delayHighCut = 7200.0;      // Hz
    double delayWidth = 70.0;          // %, 100 % leaves the echoes as they are
    double delayLeftTime = 100.0;      // % of the delay time
    double delayRightTime = 112.0;     // % of the delay time
    double delayCrossFeedback = 100.0; // %
    double delayLeftFeedback = 20.0;   // %
    double delayRightFeedback = 20.0;  // %
    double delayLeftMix = 12.0;        // %
    double delayRightMix = 12.0;       // %
    bool delayStereo = false;
    bool delaySync = false;
    int delayDivision = 3; // 1/1 .. 1/16
    int delayFeel = 0;     // Straight, Dotted, Triplet

    double reverbSize = 45.0;       // %
    double reverbDecay = 38.0;      // %
    double reverbPreDelayMs = 18.0; // ms
    double reverbTone = 58.0;       // %
    double reverbWet = 0.0;         // %

    double clipCeilingDb = -1.0;
    double clipGuardAmount = 55.0; // %

    double tempoBpm = 120.0;
    ModuleOrder order = defaultModuleOrder();
};

} // namespace pomelu::dsp
