// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 UI binary's entry point: one X11 UI for the mono and the stereo plug-in.
#include "Editor.h"
#include "Lv2Identity.h"
#include "PomeluRarorudIzad.h"
#include "lv2/IPlugLV2UI.h"

#include <iterator>

namespace
{

iplug::IPlugLV2* createEditorModel()
{
    auto* plug = new pomelu::PomeluRarorudIzad(iplug::InstanceInfo{});
    pomelu::editor::InstallEditor(*plug);
    return plug;
}

constexpr const iplug::Lv2PluginInfo* kPlugins[] = {&pomelu::lv2::kMono, &pomelu::lv2::kStereo};
constexpr iplug::Lv2UiInfo kUi{pomelu::lv2::kUiUri, kPlugins, static_cast<int>(std::size(kPlugins))};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    static const LV2UI_Descriptor descriptor = iplug::MakeLv2UiDescriptor<kUi, &createEditorModel>();
    return index == 0 ? &descriptor : nullptr;
}
