// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the LV2 bundle's Turtle files from the plug-in class itself, so ports and presets never
// drift from the parameter table. Usage: pomelu-lv2-ttl <bundle directory>
#include "Lv2Identity.h"
#include "PomeluRarorudIzad.h"
#include "lv2/Lv2Bundle.h"

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <bundle directory>\n", argv[0]);
        return 2;
    }
    const auto plug = std::make_unique<pomelu::PomeluRarorudIzad>(iplug::InstanceInfo{});
    iplug::Lv2BundleInfo bundle;
    const std::string name = plug->GetPluginName();
    bundle.plugins = {{pomelu::lv2::kMono, name + " Mono"}, {pomelu::lv2::kStereo, name + " Stereo"}};
    bundle.binary = pomelu::lv2::kBinaryName;
    bundle.descriptionFile = "pomelu-rarorud-izad.ttl";
    bundle.uiUri = pomelu::lv2::kUiUri;
    bundle.uiBinary = pomelu::lv2::kUiBinaryName;
    bundle.presetUriPrefix = pomelu::lv2::kPresetUriPrefix;
    bundle.project = pomelu::lv2::kProjectUri;
    bundle.homepage = "https://pomelu.example/";
    bundle.license = "http://spdx.org/licenses/GPL-3.0-or-later";
    std::string error;
    if (!iplug::WriteLv2Bundle(*plug, bundle, argv[1], error))
    {
        std::fprintf(stderr, "pomelu-lv2-ttl: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
