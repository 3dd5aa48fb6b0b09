// SPDX-License-Identifier: GPL-3.0-or-later
// The module's entry points: the factory the host asks for and the load-count pair. Built into the
// VST 3 module only; everything else lives in the pomelu_plugin and pomelu_editor libraries.
#include "Editor.h"
#include "PomeluRarorudIzad.h"
#include "Vst3Factory.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>
#include <string>

using namespace Steinberg;

namespace
{

// Two fixed words, then the maker and plug-in codes.
constexpr uint32 kClassIdWord1 = 0x7A3C51E9;
constexpr uint32 kClassIdWord2 = 0x2B8D4F06;

std::atomic<int> gLoadCount{0};

// Held while an instance is constructed, so two instances are never built at the same time.
std::mutex& constructionMutex()
{
    static std::mutex m;
    return m;
}

// "1.0.0" for 0x00010000: 16-bit major, 8-bit minor, 8-bit patch.
std::string versionText(int version)
{
    return std::to_string(version >> 16) + "." + std::to_string((version >> 8) & 0xFF) + "." +
           std::to_string(version & 0xFF);
}

FUnknown* createPomeluRarorudIzad()
{
    std::lock_guard lock(constructionMutex());
    iplug::InstanceInfo info;
    info.runIdleTimer = true;
    auto* plug = new pomelu::PomeluRarorudIzad(info);
    pomelu::editor::InstallEditor(*plug);
    return static_cast<Vst::IAudioProcessor*>(plug);
}

iplug::Vst3Factory& factory()
{
    // A static object, not a heap one: it lives as long as the module is loaded and is freed when a
    // host unloads the module (a heap factory would be lost at every unload).
    static const iplug::Config config = pomelu::makePluginConfig();
    static iplug::Vst3Factory instance(config.mfrName, "https://pomelu.example/", "info@pomelu.example",
                                       PFactoryInfo::kUnicode);
    static const bool described = []
    {
        iplug::Vst3ClassDescription d;
        const FUID cid(kClassIdWord1, kClassIdWord2, config.mfrID, config.uniqueID);
        cid.toTUID(d.cid);
        d.cardinality = PClassInfo::kManyInstances;
        d.category = kVstAudioEffectClass;
        d.name = config.pluginName;
        d.classFlags = Vst::kSimpleModeSupported;
        d.subCategories = "Fx|Dynamics|EQ";
        d.vendor = "";
        d.version = versionText(config.vendorVersion);
        d.sdkVersion = "VST 3.8.1";
        d.create = &createPomeluRarorudIzad;
        instance.AddClass(d);
        return true;
    }();
    (void)described;
    return instance;
}

} // namespace

extern "C"
{

    SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory()
    {
        iplug::Vst3Factory& f = factory();
        f.addRef();
        return &f;
    }

    // Load count: the first call records the module's handle for resource loading.
    SMTG_EXPORT_SYMBOL bool InitDll()
    {
        if (gLoadCount.fetch_add(1) == 0 && iplug::GetModuleHandle() == nullptr)
        {
            Dl_info dl{};
            if (dladdr(reinterpret_cast<void*>(&InitDll), &dl) != 0)
                iplug::SetModuleHandle(dl.dli_fbase);
        }
        return gLoadCount.load() >= 0;
    }

    SMTG_EXPORT_SYMBOL bool ExitDll()
    {
        return gLoadCount.fetch_sub(1) - 1 >= 0;
    }

    SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle)
    {
        if (gLoadCount.load() == 0 && sharedLibraryHandle != nullptr)
            iplug::SetModuleHandle(sharedLibraryHandle);
        return InitDll();
    }

    SMTG_EXPORT_SYMBOL bool ModuleExit()
    {
        return ExitDll();
    }

} // extern "C"
