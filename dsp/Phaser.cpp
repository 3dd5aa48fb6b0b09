// SPDX-License-Identifier: GPL-3.0-or-later
#include "Phaser.h"

#include <algorithm>

namespace pomelu::dsp
{

void RackEngine::preparePhaserBlock() noexcept
{
    block.phaserIncrement = settings.phaserRate / sampleRate; // the same quotient every sample
    block.phaserMix = std::clamp(settings.phaserMix / 100.0, 0.0, 1.0);
}

} // namespace pomelu::dsp
