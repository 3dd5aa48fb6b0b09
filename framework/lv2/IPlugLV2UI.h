// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 UI (ui:X11UI): the plug-in's editor in an X11EditorWindow inside the host's window
// (ui:parent), the same window the VST 3 view shows.
//
// The UI never touches the plug-in instance: it runs the plug-in class as its editor's model
// (IPlugLV2::SetUiSink), whose parameters follow the host's port_event calls. The editor's
// gestures reach the host as ui:touch begin, write_function of the port's plain value, touch end;
// the editor's messages go to the atom input as uiMessage events, and the plug-in's messages
// (spectra, meter records) come back on the notify port. The UI says uiOpen when it opens and
// uiClosed when it goes, so the plug-in does its analysis only while a UI shows it.
//
// Ticks come from the host's ui:idleInterface calls only: no thread or timer of ours. The corner
// resizer asks the host through ui:resize (the size fitted to the editor's aspect); a host that
// resizes the UI (our ui:resize extension) gets the editor fitted into its size, the margin painted.
//
// Threads: every call from the host's UI thread.
#pragma once

#include "IPlugLV2.h"

#include <lv2/ui/ui.h>

namespace iplug
{

struct Lv2UiInfo
{
    const char* uri;
    // The plug-ins this UI serves (their URIs tell the channel count and so the port layout).
    const Lv2PluginInfo* const* plugins;
    int nPlugins;
};

// Makes the model: a new instance of the plug-in class with its editor layout installed.
using Lv2UiCreateFunc = IPlugLV2* (*)();

// NULL, with the reason on stderr, when the host lacks ui:parent or urid:map, serves a plug-in
// this UI does not know, or the window cannot open.
LV2UI_Handle Lv2UiInstantiate(const Lv2UiInfo& info, Lv2UiCreateFunc create, const char* pluginUri,
                              LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                              const LV2_Feature* const* features);
void Lv2UiCleanup(LV2UI_Handle handle);
void Lv2UiPortEvent(LV2UI_Handle handle, std::uint32_t port, std::uint32_t size, std::uint32_t format,
                    const void* buffer);
const void* Lv2UiExtensionData(const char* uri);

template <const Lv2UiInfo& Info, Lv2UiCreateFunc Create> LV2UI_Descriptor MakeLv2UiDescriptor()
{
    return {Info.uri,
            [](const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
               LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
            { return Lv2UiInstantiate(Info, Create, pluginUri, write, controller, widget, features); },
            &Lv2UiCleanup, &Lv2UiPortEvent, &Lv2UiExtensionData};
}

} // namespace iplug
