// SPDX-License-Identifier: GPL-3.0-or-later
#include "Distortion.h"

namespace pomelu::dsp
{

void RackEngine::prepareDistortionBlock() noexcept
{
    block.distortionShaper = DistortionShaper::make(settings.distortionStyle, settings.drive);
    block.distortionDrive = 1.0 + 0.25 * settings.drive;
    const double tone = std::clamp(settings.distortionTone / 100.0, 0.0, 1.0);
    block.distortionFinalDrive = 0.9 + 0.65 * tone;
    block.distortionFinalLevel = 0.82 + 0.18 * tone;
    block.distortionMix = std::clamp(settings.distortionMix / 100.0, 0.0, 1.0);
}

} // namespace pomelu::dsp
