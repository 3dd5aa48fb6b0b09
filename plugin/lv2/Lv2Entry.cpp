// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 binary's entry point: the mono and the stereo plug-in, both the same class.
#include "Lv2Identity.h"
#include "PomeluRarorudIzad.h"

#include <iterator>

namespace
{

iplug::IPlugLV2* createPomeluRarorudIzad()
{
    return new pomelu::PomeluRarorudIzad(iplug::InstanceInfo{});
}

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    static const LV2_Descriptor descriptors[] = {
        iplug::MakeLv2Descriptor<pomelu::lv2::kMono, &createPomeluRarorudIzad>(),
        iplug::MakeLv2Descriptor<pomelu::lv2::kStereo, &createPomeluRarorudIzad>()};
    return index < std::size(descriptors) ? &descriptors[index] : nullptr;
}
