// SPDX-License-Identifier: GPL-3.0-or-later
#include "Leveler.h"

namespace pomelu::dsp
{

void RackEngine::prepareLevelerBlock() noexcept
{
    const double speed = std::clamp(settings.levelerSpeed / 100.0, 0.0, 1.0);
    // Attack from 192 ms (speed 0 %) down to 12 ms (100 %); release from 730 ms down to 80 ms.
    block.levelerFast = std::exp(-1.0 / ((0.012 + 0.18 * (1.0 - speed)) * sampleRate));
    block.levelerSlow = std::exp(-1.0 / ((0.08 + 0.65 * (1.0 - speed)) * sampleRate));
    block.levelerSensitivity = std::clamp(settings.levelerSensitivity / 55.0, 0.15, 1.8); // 55 % is unity
}

} // namespace pomelu::dsp
