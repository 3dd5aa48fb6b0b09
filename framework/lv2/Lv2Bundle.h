// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IPlugBase.h"
#include "IPlugLV2.h"

#include <string>
#include <vector>

namespace iplug
{

// What an LV2 bundle says about a binary beside what the plug-in class itself knows (parameters,
// presets, channel pairs, names).
struct Lv2BundleInfo
{
    struct PluginEntry
    {
        Lv2PluginInfo info;
        std::string name; // doap:name
    };
    std::vector<PluginEntry> plugins;
    std::string binary;          // the shared object's file name
    std::string descriptionFile; // the plug-ins' description, beside manifest.ttl
    std::string presetUriPrefix; // + the preset's name in lower case, spaces as '-'
    std::string project;         // the doap:Project the plug-ins belong to
    std::string homepage;
    std::string license; // a URI
    // The X11 UI every plug-in of the bundle names (ui:ui), and its binary; none when empty.
    std::string uiUri;
    std::string uiBinary;
};

// Writes manifest.ttl, the description and one file per preset ("preset-<name>.ttl") into dir,
// which must exist. Every port gets its range, default and units from the parameter objects:
// bools are lv2:toggled, enums lv2:integer + lv2:enumeration with their value texts as scale
// points, units from the labels "dB", "Hz", "ms" and "%". Returns false (and why) when a file
// cannot be written or two parameters would share a port symbol.
bool WriteLv2Bundle(const IPlugBase& plug, const Lv2BundleInfo& bundle, const std::string& dir,
                    std::string& error);

// A preset's file and URI suffix: "Podcast" -> "podcast".
std::string Lv2PresetSlug(const char* presetName);

} // namespace iplug
