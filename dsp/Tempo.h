// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>

namespace pomelu::dsp
{

// Note lengths in beats for the division indices "1/1", "1/2", "1/4", "1/8", "1/16".
inline constexpr double kBeatLengths[5] = {4.0, 2.0, 1.0, 0.5, 0.25};

// Hosts without a transport may report absurd tempos; below 20 bpm the synced modules would stall.
inline constexpr double kMinTempoBpm = 20.0;

inline double msPerBeat(double tempoBpm) noexcept
{
    return 60000.0 / std::max(tempoBpm, kMinTempoBpm);
}

inline double beatLength(int divisionIndex) noexcept
{
    return kBeatLengths[std::clamp(divisionIndex, 0, 4)];
}

} // namespace pomelu::dsp
