// SPDX-License-Identifier: GPL-3.0-or-later
// EQ: low cut (12 or 24 dB/oct), low shelf, three peaks, high shelf, high cut (12 or 24 dB/oct).
#pragma once

#include "RackEngine.h"

namespace pomelu::dsp
{

template <class V> V RackEngine::eqStep(V w) noexcept
{
    if (settings.lowCutOn)
    {
        w = lowCutA.tick(w);
        if (settings.lowCutSteep) // the steep slope is the same stage twice: the 12 dB response squared
            w = lowCutB.tick(w);
    }
    for (auto& band : eqBands)
        w = band.tick(w);
    if (settings.highCutOn)
    {
        w = highCutA.tick(w);
        if (settings.highCutSteep)
            w = highCutB.tick(w);
    }
    return w;
}

} // namespace pomelu::dsp
