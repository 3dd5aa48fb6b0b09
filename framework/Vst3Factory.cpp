// SPDX-License-Identifier: GPL-3.0-or-later
#include "Vst3Factory.h"

#include "Utf16.h"

#include <algorithm>
#include <cstring>

namespace iplug
{

using namespace Steinberg;

namespace
{

// ASCII fields of the class information take the text as it is, UTF-16 fields convert it.
template <std::size_t N> void copyText(const std::string& src, char8 (&dst)[N])
{
    const std::size_t n = std::min(src.size(), N - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = 0;
}

template <std::size_t N> void copyText(const std::string& src, char16 (&dst)[N])
{
    Utf8ToUtf16(src.c_str(), reinterpret_cast<char16_t*>(dst), static_cast<int>(N));
}

template <class Info> void fillClassInfo(const Vst3ClassDescription& d, Info& info)
{
    info = {};
    std::memcpy(info.cid, d.cid, sizeof(TUID));
    info.cardinality = d.cardinality;
    copyText(d.category, info.category);
    copyText(d.name, info.name);
}

// PClassInfo2 and PClassInfoW: the same fields, ASCII or UTF-16.
template <class Info> void fillClassInfo2(const Vst3ClassDescription& d, Info& info)
{
    fillClassInfo(d, info);
    info.classFlags = d.classFlags;
    copyText(d.subCategories, info.subCategories);
    copyText(d.vendor, info.vendor);
    copyText(d.version, info.version);
    copyText(d.sdkVersion, info.sdkVersion);
}

} // namespace

Vst3Factory::Vst3Factory(const char* vendor, const char* url, const char* email, int32 flags)
    : mVendor(vendor ? vendor : ""), mUrl(url ? url : ""), mEmail(email ? email : ""), mFlags(flags)
{
}

tresult PLUGIN_API Vst3Factory::queryInterface(const TUID iid, void** obj)
{
    if (obj == nullptr)
        return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, IPluginFactory::iid) ||
        FUnknownPrivate::iidEqual(iid, IPluginFactory2::iid) ||
        FUnknownPrivate::iidEqual(iid, IPluginFactory3::iid))
    {
        addRef();
        *obj = static_cast<IPluginFactory3*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

tresult PLUGIN_API Vst3Factory::getFactoryInfo(PFactoryInfo* info)
{
    if (info == nullptr)
        return kInvalidArgument;
    *info = {};
    copyText(mVendor, info->vendor);
    copyText(mUrl, info->url);
    copyText(mEmail, info->email);
    info->flags = mFlags;
    return kResultOk;
}

const Vst3ClassDescription* Vst3Factory::find(int32 index) const
{
    if (index < 0 || index >= static_cast<int32>(mClasses.size()))
        return nullptr;
    return &mClasses[static_cast<std::size_t>(index)];
}

tresult PLUGIN_API Vst3Factory::getClassInfo(int32 index, PClassInfo* info)
{
    const Vst3ClassDescription* d = find(index);
    if (d == nullptr || info == nullptr)
        return kInvalidArgument;
    fillClassInfo(*d, *info);
    return kResultOk;
}

tresult PLUGIN_API Vst3Factory::getClassInfo2(int32 index, PClassInfo2* info)
{
    const Vst3ClassDescription* d = find(index);
    if (d == nullptr || info == nullptr)
        return kInvalidArgument;
    fillClassInfo2(*d, *info);
    return kResultOk;
}

tresult PLUGIN_API Vst3Factory::getClassInfoUnicode(int32 index, PClassInfoW* info)
{
    const Vst3ClassDescription* d = find(index);
    if (d == nullptr || info == nullptr)
        return kInvalidArgument;
    fillClassInfo2(*d, *info);
    return kResultOk;
}

tresult PLUGIN_API Vst3Factory::createInstance(FIDString cid, FIDString iid, void** obj)
{
    if (obj == nullptr)
        return kInvalidArgument;
    *obj = nullptr;
    if (cid == nullptr || iid == nullptr)
        return kInvalidArgument;
    for (const Vst3ClassDescription& d : mClasses)
    {
        if (!FUnknownPrivate::iidEqual(cid, d.cid) || d.create == nullptr)
            continue;
        FUnknown* instance = d.create();
        if (instance == nullptr)
            return kOutOfMemory;
        const tresult result = instance->queryInterface(iid, obj);
        instance->release(); // the query holds the caller's reference
        return result == kResultOk ? kResultOk : kNoInterface;
    }
    return kNoInterface;
}

tresult PLUGIN_API Vst3Factory::setHostContext(FUnknown* /*context*/)
{
    return kResultOk;
}

} // namespace iplug
