// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lv2/IPlugLV2.h"

// The LV2 identity of the rack. Saved sessions and presets refer to these URIs: they never change.
namespace pomelu::lv2
{

inline constexpr const char* kProjectUri = "https://pomelu.example/lv2/rarorud-izad";
inline constexpr const char* kMonoUri = "https://pomelu.example/lv2/rarorud-izad/mono";
inline constexpr const char* kStereoUri = "https://pomelu.example/lv2/rarorud-izad/stereo";
inline constexpr const char* kUiUri = "https://pomelu.example/lv2/rarorud-izad/ui";
inline constexpr const char* kPresetUriPrefix = "https://pomelu.example/lv2/rarorud-izad/preset/";
// State properties: the plug-in's state chunk, and a preset's module order.
inline constexpr const char* kStateKey = "https://pomelu.example/lv2/rarorud-izad#state";
inline constexpr const char* kPresetOrderKey = "https://pomelu.example/lv2/rarorud-izad#moduleOrder";

inline constexpr iplug::Lv2PluginInfo kMono{kMonoUri, 1, kStateKey, kPresetOrderKey};
inline constexpr iplug::Lv2PluginInfo kStereo{kStereoUri, 2, kStateKey, kPresetOrderKey};

inline constexpr const char* kBundleName = "pomelu-rarorud-izad.lv2";
inline constexpr const char* kBinaryName = "pomelu-rarorud-izad.so";
inline constexpr const char* kUiBinaryName = "pomelu-rarorud-izad-ui.so";

} // namespace pomelu::lv2
