// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace iplug
{

// Port indices of an LV2 plug-in made from an IPlugBase with nChannels in and out (1 or 2).
// Saved sessions and presets refer to ports by symbol and hosts cache indices: this layout and the
// symbols below never change. Audio inputs, audio outputs, the atom input ("control") and output
// ("notify"), the host's enable switch ("enabled"), the three level outputs, then one control
// input per parameter in index order.
struct Lv2PortLayout
{
    int nChannels = 2;

    std::uint32_t AudioIn(int c) const { return static_cast<std::uint32_t>(c); }
    std::uint32_t AudioOut(int c) const { return static_cast<std::uint32_t>(nChannels + c); }
    std::uint32_t Control() const { return static_cast<std::uint32_t>(2 * nChannels); }
    std::uint32_t Notify() const { return Control() + 1; }
    std::uint32_t Enabled() const { return Control() + 2; }
    // 0 input peak, 1 output peak, 2 gain reduction (IPlugBase::HostMeters).
    std::uint32_t Meter(int i) const { return Control() + 3 + static_cast<std::uint32_t>(i); }
    std::uint32_t Param(int idx) const { return Control() + 6 + static_cast<std::uint32_t>(idx); }
    std::uint32_t NPorts(int nParams) const { return Param(nParams); }
};

inline constexpr int kLv2NumMeters = 3;
inline constexpr const char* kLv2MeterSymbols[kLv2NumMeters] = {"input_peak", "output_peak",
                                                                "gain_reduction"};
inline constexpr const char* kLv2MeterNames[kLv2NumMeters] = {"Input Peak", "Output Peak", "Gain Reduction"};

// Messages between an LV2 UI and its plug-in on the atom ports: atom:Object events of these types.
// uiOpen and uiClosed (UI to plug-in) carry nothing; uiMessage (UI to plug-in, an editor's
// SendMessageFromUI) and controlMessage (plug-in to UI, SendControlMsgFromDelegate) carry msgTag and
// ctrlTag (atom:Int) and data (atom:Chunk).
inline constexpr const char* kLv2UiOpenUri = "https://pomelu.example/lv2/iplug#uiOpen";
inline constexpr const char* kLv2UiClosedUri = "https://pomelu.example/lv2/iplug#uiClosed";
inline constexpr const char* kLv2UiMessageUri = "https://pomelu.example/lv2/iplug#uiMessage";
inline constexpr const char* kLv2ControlMessageUri = "https://pomelu.example/lv2/iplug#controlMessage";
inline constexpr const char* kLv2MsgTagUri = "https://pomelu.example/lv2/iplug#msgTag";
inline constexpr const char* kLv2CtrlTagUri = "https://pomelu.example/lv2/iplug#ctrlTag";
inline constexpr const char* kLv2DataUri = "https://pomelu.example/lv2/iplug#data";
// Room the plug-in asks for on its notify port: a whole spectrum frame with its header.
inline constexpr int kLv2NotifyMinimumSize = 65536;

// Audio port symbols: "in"/"out" for one channel, "in_l", "in_r", "out_l", "out_r" for two.
std::string Lv2AudioSymbol(bool input, int channel, int nChannels);
// A parameter's port symbol from its name: lower case letters and digits, every other run of
// characters one underscore ("Reverb Pre-delay" -> "reverb_pre_delay").
std::string Lv2ParamSymbol(const char* paramName);

} // namespace iplug
