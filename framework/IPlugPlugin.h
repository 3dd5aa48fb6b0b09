// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The format wrapper a plug-in class derives from, chosen when its library is compiled: the class
// derives from iplug::Plugin and knows no format. A library compiled with POMELU_FORMAT_LV2 makes
// an LV2 plug-in, any other a VST 3 one; each format's build compiles the class on its own.
#if defined(POMELU_FORMAT_LV2)
#include "lv2/IPlugLV2.h"
namespace iplug
{
using Plugin = IPlugLV2;
}
#else
#include "IPlugVST3.h"
namespace iplug
{
using Plugin = IPlugVST3;
}
#endif
