// SPDX-License-Identifier: GPL-3.0-or-later
// Pop Cut: a second-order high-pass against breath and plosive rumble.
#pragma once

#include "RackEngine.h"

namespace pomelu::dsp
{

inline constexpr double kPopCutQ = 0.707;

template <class V> V RackEngine::popCutStep(V w) noexcept
{
    return popCut.tick(w);
}

} // namespace pomelu::dsp
