// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HostObject.h"

#include "pluginterfaces/vst/ivsthostapplication.h"

#include <string>

namespace pomelu::host
{

// The host context handed to initialize(): it tells the host's name and creates nothing.
class HostApplication final : public HostObject<Steinberg::Vst::IHostApplication>
{
public:
    explicit HostApplication(std::string name = "Pomelu Host") : hostName(std::move(name)) {}

    // The name, cut to fit the 128 UTF-16 units (ASCII names pass as they are).
    Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID, Steinberg::TUID, void** obj) override
    {
        *obj = nullptr;
        return Steinberg::kNotImplemented;
    }

private:
    std::string hostName;
};

} // namespace pomelu::host
