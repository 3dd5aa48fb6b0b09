// SPDX-License-Identifier: GPL-3.0-or-later
#include "Eq.h"

namespace pomelu::dsp
{

namespace
{
constexpr FilterType kBandTypes[5] = {FilterType::LowShelf, FilterType::Peak, FilterType::Peak,
                                      FilterType::Peak, FilterType::HighShelf};
}

void RackEngine::designEq() noexcept
{
    const RackSettings& s = settings;
    designSection(lowCutA, FilterType::HighPass, s.lowCutFrequency, s.lowCutQ, 0.0);
    designSection(lowCutB, FilterType::HighPass, s.lowCutFrequency, s.lowCutQ, 0.0);
    for (int b = 0; b < 5; ++b)
        designSection(eqBands[b], kBandTypes[b], s.eqFrequency[b], s.eqQ[b], s.eqGainDb[b]);
    designSection(highCutA, FilterType::LowPass, s.highCutFrequency, s.highCutQ, 0.0);
    designSection(highCutB, FilterType::LowPass, s.highCutFrequency, s.highCutQ, 0.0);
}

} // namespace pomelu::dsp
