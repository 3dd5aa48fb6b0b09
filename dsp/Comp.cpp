// SPDX-License-Identifier: GPL-3.0-or-later
#include "Comp.h"

namespace pomelu::dsp
{

namespace
{
// One-pole coefficient for a time constant in ms; below 1 ms the ballistics would click.
double ballisticsCoefficient(double timeMs, double sampleRate) noexcept
{
    return std::exp(-1.0 / (std::max(timeMs, 1.0) / 1000.0 * sampleRate));
}
} // namespace

void RackEngine::prepareCompBlock() noexcept
{
    block.compAttackCoefficient = ballisticsCoefficient(settings.compAttackMs, sampleRate);
    block.compReleaseCoefficient = ballisticsCoefficient(settings.compReleaseMs, sampleRate);
    block.compReduction = 1.0 - 1.0 / std::max(settings.compRatio, 1.0);
    block.compMakeupGain = std::exp(settings.compMakeupDb * kDbToLinear);
    block.compMix = std::clamp(settings.compMix / 100.0, 0.0, 1.0);
    block.compExpanderExponent = 1.0 + settings.compExpander / 70.0;
}

} // namespace pomelu::dsp
