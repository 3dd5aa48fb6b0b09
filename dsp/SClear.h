// SPDX-License-Identifier: GPL-3.0-or-later
// S Clear: a static high-shelf cut that tames sibilance; it does not react to the level.
#pragma once

#include "RackEngine.h"

namespace pomelu::dsp
{

inline constexpr double kSClearQ = 0.7;
inline constexpr double kSClearDbPerPercent = -0.12; // 100 % is a 12 dB cut

template <class V> V RackEngine::sClearStep(V w) noexcept
{
    return sClear.tick(w);
}

} // namespace pomelu::dsp
