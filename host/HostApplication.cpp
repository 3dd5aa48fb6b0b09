// SPDX-License-Identifier: GPL-3.0-or-later
#include "HostApplication.h"

#include <algorithm>

namespace pomelu::host
{

Steinberg::tresult PLUGIN_API HostApplication::getName(Steinberg::Vst::String128 name)
{
    if (name == nullptr)
        return Steinberg::kInvalidArgument;
    const std::size_t n = std::min<std::size_t>(hostName.size(), 127);
    for (std::size_t i = 0; i < n; ++i)
        name[i] = static_cast<Steinberg::Vst::TChar>(static_cast<unsigned char>(hostName[i]));
    name[n] = 0;
    return Steinberg::kResultOk;
}

} // namespace pomelu::host
