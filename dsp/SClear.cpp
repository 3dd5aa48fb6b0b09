// SPDX-License-Identifier: GPL-3.0-or-later
#include "SClear.h"

namespace pomelu::dsp
{

void RackEngine::designSClear() noexcept
{
    designSection(sClear, FilterType::HighShelf, settings.sClearFocus, kSClearQ,
                  kSClearDbPerPercent * settings.sClearAmount);
}

} // namespace pomelu::dsp
