// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pluginterfaces/base/funknown.h"

namespace pomelu::host
{

// Base of the interface objects a host keeps by value (streams, handlers, the run loop, the frame):
// reference counting is a no-op, because the host, not the plug-in, decides how long they live; a
// plug-in must drop its pointers when the host says so (terminate, setFrame(nullptr), removed).
// queryInterface hands out Interface and FUnknown.
template <class Interface> class HostObject : public Interface
{
public:
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override
    {
        if (Steinberg::FUnknownPrivate::iidEqual(iid, Interface::iid) ||
            Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::FUnknown::iid))
        {
            *obj = static_cast<Interface*>(this);
            return Steinberg::kResultOk;
        }
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

protected:
    HostObject() = default;
    ~HostObject() = default;
};

} // namespace pomelu::host
