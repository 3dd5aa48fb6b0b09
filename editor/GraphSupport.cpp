// SPDX-License-Identifier: GPL-3.0-or-later
#include "GraphSupport.h"

#include "GraphMath.h"

#include "IParam.h"

#include <algorithm>

namespace pomelu::editor
{

void setValueFromPointer(igraphics::IControl& c, int valIdx, double plain)
{
    const iplug::IParam* p = c.GetParam(valIdx);
    if (p == nullptr)
        return;
    const double held = snapToParameter(plain, p->GetMin(), p->GetMax(), p->GetStep());
    c.SetValue(std::clamp(p->ToNormalized(held), 0.0, 1.0), valIdx);
    c.SetDirty(true, valIdx);
}

} // namespace pomelu::editor
