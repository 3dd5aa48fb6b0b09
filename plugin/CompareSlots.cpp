// SPDX-License-Identifier: GPL-3.0-or-later
#include "PomeluRarorudIzad.h"

namespace pomelu
{

void PomeluRarorudIzad::switchCompareSlot() {}

} // namespace pomelu
