// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClipGuard.h"

#include <algorithm>

namespace pomelu::dsp
{

void RackEngine::prepareClipGuardBlock() noexcept
{
    block.clipCeiling = std::exp(settings.clipCeilingDb * kDbToLinear);
    block.clipCeilingInverse = 1.0 / block.clipCeiling;
    block.clipAmount = std::clamp(settings.clipGuardAmount / 100.0, 0.0, 1.0);
}

} // namespace pomelu::dsp
