// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Effect.h"

#include <memory>

namespace pomelu::tools
{

// A new PomeluRarorudIzad driven through its VST 3 interfaces by the project's host
// (pomelu::host::PluginInstance) as an offline host drives it: initialize, component state through
// a memory stream, bus arrangement, setupProcessing with 64-bit samples in offline mode, setActive,
// setProcessing, process with a playing transport at the given tempo.
// Parameters are written as plain values straight into the plug-in's parameter objects (as its own
// editor does), so a value given on the command line arrives exactly, without a trip through the
// host's normalised range. Single-threaded: no idle timer runs.
std::unique_ptr<Effect> makePomeluEffect();

} // namespace pomelu::tools
