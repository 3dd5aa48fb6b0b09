// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IControl.h"

namespace pomelu::editor
{

// Sets value valIdx of c from a plain value the pointer asks for, held to the bound parameter's
// range and step (snapToParameter), and sends it to the plug-in as a user edit: what a graph's
// press or drag does. Nothing for a value bound to no parameter.
void setValueFromPointer(igraphics::IControl& c, int valIdx, double plain);

} // namespace pomelu::editor
