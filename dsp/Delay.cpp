// SPDX-License-Identifier: GPL-3.0-or-later
#include "Delay.h"

#include "Tempo.h"

#include <algorithm>

namespace pomelu::dsp
{

double delayTimeMs(const RackSettings& s, int channel) noexcept
{
    double t = s.delayTimeMs;
    if (s.delaySync) // the feel only applies when synced
        t = msPerBeat(s.tempoBpm) * beatLength(s.delayDivision) * delayFeelFactor(s.delayFeel);
    if (s.delayStereo)
        t = t * (channel == 0 ? s.delayLeftTime : s.delayRightTime) / 100.0;
    return t;
}

void RackEngine::prepareDelayBlock() noexcept
{
    const RackSettings& s = settings;
    block.delayCross = s.delayStereo ? s.delayCrossFeedback / 100.0 : 0.0;
    block.delayWidth = s.delayWidth / 100.0;
    for (int ch = 0; ch < 2; ++ch)
    {
        block.delayFeedback[ch] =
            (s.delayStereo ? (ch == 0 ? s.delayLeftFeedback : s.delayRightFeedback) : s.delayFeedback) /
            100.0;
        block.delayMix[ch] =
            (s.delayStereo ? (ch == 0 ? s.delayLeftMix : s.delayRightMix) : s.delayWet) / 100.0;
    }

    // Times are not smoothed: a change moves the read position at the next block.
    for (int ch = 0; ch < 2; ++ch)
    {
        const std::size_t length = delayLine.size();
        double samples = 0.0;
        if (length > 0)
        {
            samples = delayTimeMs(settings, ch) * sampleRate / 1000.0;
            // Every read distance stays inside the line, whatever the request (NaN reads as 0).
            samples = samples > 0.0 ? std::min(samples, static_cast<double>(length - 1)) : 0.0;
        }
        const double whole = std::floor(samples);
        block.delayInt[ch] = static_cast<std::size_t>(whole);
        block.delayFrac[ch] = samples - whole;
    }
}

} // namespace pomelu::dsp

namespace pomelu::dsp
{

void RackEngine::designDelayFilters() noexcept
{
    designSection(delayLowCutFilter, FilterType::HighPass, settings.delayLowCut, kDelayReturnQ, 0.0);
    designSection(delayHighCutFilter, FilterType::LowPass, settings.delayHighCut, kDelayReturnQ, 0.0);
}

} // namespace pomelu::dsp
