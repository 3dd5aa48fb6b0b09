// SPDX-License-Identifier: GPL-3.0-or-later
#include "Eq.h"

namespace pomelu::dsp
{

namespace
{
constexpr FilterType kBandTypes[5] = {FilterType::LowShelf, FilterType::Peak, FilterType::Peak,
                                      FilterType::Peak, FilterType::HighShelf};
}

void RackEngine::designEq(int ch) noexcept
{
    const RackSettings& s = settings;
    designSection(lowCutA, ch, FilterType::HighPass, s.lowCutFrequency, s.lowCutQ, 0.0);
    designSection(lowCutB, ch, FilterType::HighPass, s.lowCutFrequency, s.lowCutQ, 0.0);
    for (int b = 0; b < 5; ++b)
        designSection(eqBands[b], ch, kBandTypes[b], s.eqFrequency[b], s.eqQ[b], s.eqGainDb[b]);
    designSection(highCutA, ch, FilterType::LowPass, s.highCutFrequency, s.highCutQ, 0.0);
    designSection(highCutB, ch, FilterType::LowPass, s.highCutFrequency, s.highCutQ, 0.0);
}

} // namespace pomelu::dsp
