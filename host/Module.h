// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pluginterfaces/base/ipluginbase.h"

#include <string>

namespace pomelu::host
{

// A VST 3 bundle's module, loaded as a Linux host loads it: dlopen of
// <bundle>/Contents/x86_64-linux/<bundle name>.so, then ModuleEntry and GetPluginFactory; unloaded
// with the factory's release, ModuleExit and dlclose. UI thread.
class Module
{
public:
    Module() = default;
    ~Module() { unload(); }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // The module file inside a bundle folder (a trailing '/' and the ".vst3" suffix are allowed).
    static std::string modulePath(const std::string& bundlePath);

    // False, with the reason in `error` and nothing left loaded, when the file is missing or not a
    // module, lacks an entry point, or its ModuleEntry or GetPluginFactory fails.
    bool load(const std::string& bundlePath, std::string& error);
    Steinberg::IPluginFactory* factory() const { return pluginFactory; }
    // The class id of the factory's first class of category "Audio Module Class".
    bool findAudioEffect(Steinberg::TUID classId, std::string& error) const;
    // Returns what ModuleExit returns (true when nothing was loaded).
    bool unload();

private:
    void* library = nullptr;
    Steinberg::IPluginFactory* pluginFactory = nullptr;
};

} // namespace pomelu::host
