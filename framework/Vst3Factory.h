// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pluginterfaces/base/ipluginbase.h"

#include <atomic>
#include <string>
#include <vector>

namespace iplug
{

// One class the factory can create.
struct Vst3ClassDescription
{
    Steinberg::TUID cid = {};
    Steinberg::int32 cardinality = Steinberg::PClassInfo::kManyInstances;
    std::string category;
    std::string name;
    Steinberg::uint32 classFlags = 0;
    std::string subCategories;
    std::string vendor; // empty: the factory's vendor applies
    std::string version;
    std::string sdkVersion;
    // Returns a new object with reference count 1, or nullptr.
    Steinberg::FUnknown* (*create)() = nullptr;
};

// The plug-in factory a module hands out from GetPluginFactory (versions 1 to 3 of the interface).
// Made once per process and kept: reference counting never deletes it.
class Vst3Factory final : public Steinberg::IPluginFactory3
{
public:
    Vst3Factory(const char* vendor, const char* url, const char* email, Steinberg::int32 flags);

    void AddClass(const Vst3ClassDescription& description) { mClasses.push_back(description); }

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return ++mRefCount; }
    Steinberg::uint32 PLUGIN_API release() override { return mRefCount > 1 ? --mRefCount : 1u; }

    Steinberg::tresult PLUGIN_API getFactoryInfo(Steinberg::PFactoryInfo* info) override;
    Steinberg::int32 PLUGIN_API countClasses() override
    {
        return static_cast<Steinberg::int32>(mClasses.size());
    }
    Steinberg::tresult PLUGIN_API getClassInfo(Steinberg::int32 index, Steinberg::PClassInfo* info) override;
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::FIDString cid, Steinberg::FIDString iid,
                                                 void** obj) override;
    Steinberg::tresult PLUGIN_API getClassInfo2(Steinberg::int32 index,
                                                Steinberg::PClassInfo2* info) override;
    Steinberg::tresult PLUGIN_API getClassInfoUnicode(Steinberg::int32 index,
                                                      Steinberg::PClassInfoW* info) override;
    Steinberg::tresult PLUGIN_API setHostContext(Steinberg::FUnknown* context) override;

private:
    const Vst3ClassDescription* find(Steinberg::int32 index) const;

    std::string mVendor, mUrl, mEmail;
    Steinberg::int32 mFlags;
    std::vector<Vst3ClassDescription> mClasses;
    std::atomic<Steinberg::uint32> mRefCount{1};
};

} // namespace iplug
