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

template <std::size_t N> void copyAscii(const std::string& src, char8 (&dst)[N])
{
    const std::size_t n = std::min(src.size(), N - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = 0;
}

template <std::size_t N> void copyWide(const std::string& src, char16 (&dst)[N])
{
    Utf8ToUtf16(src.c_str(), reinterpret_cast<char16_t*>(dst), static_cast<int>(N));
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
    copyAscii(mVendor, info->vendor);
    copyAscii(mUrl, info->url);
    copyAscii(mEmail, info->email);
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
    *info = {};
    std::memcpy(info->cid, d->cid, sizeof(TUID));
    info->cardinality = d->cardinality;
    copyAscii(d->category, info->category);
    copyAscii(d->name, info->name);
    return kResultOk;
}

tresult PLUGIN_API Vst3Factory::getClassInfo2(int32 index, PClassInfo2* info)
{
    const Vst3ClassDescription* d = find(index);
    if (d == nullptr || info == nullptr)
        return kInvalidArgument;
    *info = {};
    std::memcpy(info->cid, d->cid, sizeof(TUID));
    info->cardinality = d->cardinality;
    copyAscii(d->category, info->category);
    copyAscii(d->name, info->name);
    info->classFlags = d->classFlags;
    copyAscii(d->subCategories, info->subCategories);
    copyAscii(d->vendor, info->vendor);
    copyAscii(d->version, info->version);
    copyAscii(d->sdkVersion, info->sdkVersion);
    return kResultOk;
}

tresult PLUGIN_API Vst3Factory::getClassInfoUnicode(int32 index, PClassInfoW* info)
{
    const Vst3ClassDescription* d = find(index);
    if (d == nullptr || info == nullptr)
        return kInvalidArgument;
    *info = {};
    std::memcpy(info->cid, d->cid, sizeof(TUID));
    info->cardinality = d->cardinality;
    copyAscii(d->category, info->category);
    copyWide(d->name, info->name);
    info->classFlags = d->classFlags;
    copyAscii(d->subCategories, info->subCategories);
    copyWide(d->vendor, info->vendor);
    copyWide(d->version, info->version);
    copyWide(d->sdkVersion, info->sdkVersion);
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
