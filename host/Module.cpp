// SPDX-License-Identifier: GPL-3.0-or-later
#include "Module.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <dlfcn.h>

#include <cstring>

namespace pomelu::host
{

using namespace Steinberg;

std::string Module::modulePath(const std::string& bundlePath)
{
    std::string bundle = bundlePath;
    while (bundle.size() > 1 && bundle.back() == '/')
        bundle.pop_back();
    std::string name = bundle.substr(bundle.find_last_of('/') + 1);
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".vst3") == 0)
        name.resize(name.size() - 5);
    return bundle + "/Contents/x86_64-linux/" + name + ".so";
}

bool Module::load(const std::string& bundlePath, std::string& error)
{
    unload();
    const std::string path = modulePath(bundlePath);
    library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        const char* why = dlerror();
        error = "cannot load " + path + ": " + (why != nullptr ? why : "unknown error");
        return false;
    }
    using EntryFunction = bool (*)(void*);
    using ExitFunction = bool (*)();
    using FactoryFunction = IPluginFactory* (*)();
    auto entry = reinterpret_cast<EntryFunction>(dlsym(library, "ModuleEntry"));
    auto exit = reinterpret_cast<ExitFunction>(dlsym(library, "ModuleExit"));
    auto getFactory = reinterpret_cast<FactoryFunction>(dlsym(library, "GetPluginFactory"));
    if (entry == nullptr || exit == nullptr || getFactory == nullptr)
        error = path + " lacks ModuleEntry, ModuleExit or GetPluginFactory";
    else if (!entry(library))
        error = "ModuleEntry of " + path + " failed";
    else if ((pluginFactory = getFactory()) == nullptr)
    {
        error = "GetPluginFactory of " + path + " returned no factory";
        exit();
    }
    if (pluginFactory == nullptr)
    {
        dlclose(library);
        library = nullptr;
        return false;
    }
    return true;
}

bool Module::findAudioEffect(TUID classId, std::string& error) const
{
    if (pluginFactory == nullptr)
    {
        error = "no module loaded";
        return false;
    }
    for (int32 i = 0; i < pluginFactory->countClasses(); ++i)
    {
        PClassInfo info;
        if (pluginFactory->getClassInfo(i, &info) == kResultOk &&
            std::strcmp(info.category, kVstAudioEffectClass) == 0)
        {
            std::memcpy(classId, info.cid, sizeof(TUID));
            return true;
        }
    }
    error = "the module has no \"" + std::string(kVstAudioEffectClass) + "\"";
    return false;
}

bool Module::unload()
{
    if (library == nullptr)
        return true;
    pluginFactory->release();
    pluginFactory = nullptr;
    auto exit = reinterpret_cast<bool (*)()>(dlsym(library, "ModuleExit"));
    const bool ok = exit();
    dlclose(library);
    library = nullptr;
    return ok;
}

} // namespace pomelu::host
