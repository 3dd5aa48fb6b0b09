// SPDX-License-Identifier: GPL-3.0-or-later
#include "PopCut.h"

namespace pomelu::dsp
{

void RackEngine::designPopCut() noexcept
{
    designSection(popCut, FilterType::HighPass, settings.popCutFrequency, kPopCutQ, 0.0);
}

} // namespace pomelu::dsp
