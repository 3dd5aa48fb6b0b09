// SPDX-License-Identifier: GPL-3.0-or-later
#include "Reverb.h"

#include <algorithm>

namespace pomelu::dsp
{

void RackEngine::prepareReverbBlock() noexcept
{
    const std::size_t length = preDelayLine.size();
    double samples = std::floor(sampleRate * settings.reverbPreDelayMs / 1000.0);
    samples = samples > 0.0 ? std::min(samples, static_cast<double>(length > 0 ? length - 1 : 0)) : 0.0;
    block.preDelay = static_cast<std::size_t>(samples);
    block.reverbWet = settings.reverbWet / 100.0;
    block.combFeedback = reverbCombFeedback(settings.reverbSize, settings.reverbDecay);
}

void RackEngine::designReverbTone() noexcept
{
    designSection(reverbToneFilter, FilterType::LowPass, 2500.0 + 170.0 * settings.reverbTone, kReverbToneQ,
                  0.0);
}

} // namespace pomelu::dsp
