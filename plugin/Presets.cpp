// SPDX-License-Identifier: GPL-3.0-or-later
#include "Presets.h"

#include "IPlugBase.h"
#include "Parameters.h"

#include <array>
#include <limits>
#include <vector>

namespace pomelu
{

namespace
{

// Parameters a preset lists: kBypass and kPopCut .. kOutput, in this order.
constexpr int kListed = 40;

std::array<int, kListed> listedIndices()
{
    std::array<int, kListed> idx{};
    idx[0] = kBypass;
    for (int i = 1; i < kListed; ++i)
        idx[static_cast<std::size_t>(i)] = kPopCut + i - 1;
    return idx;
}

struct PresetValues
{
    const char* name;
    std::array<double, kListed> values;
};

// clang-format off
const PresetValues kPresets[kNumPresets] = {
    // Byp Pop  Freq  SCl Amt  Focus  EQ   Low  LMid Mid  HMid High  Lev Tgt  Rng Comp Thr  Ratio Att  Rel  Mk   Mix  CG Ceil Dist Drv Ph Rate  Dep Tr Rate Dep Dly Time Fb  Wet Rev Size Wet Out
    {"Natural",   {0, 1,  75,  1, 28, 7200, 1, -1.0, 0, 1.0, 0, 1.0,  0, -20, 5, 1, -22, 2.4, 12, 160, 1.5, 100, 1, -1, 0, 10, 0, 0.35, 25, 0, 4, 0, 0, 280, 24, 12, 0, 45, 0, 0}},
    {"Singing",   {0, 1,  75,  1, 24, 7600, 1, -1.5, 0, 1.8, 0, 1.5,  1, -21, 5, 1, -24, 2.8, 18, 190, 2.0, 100, 1, -1, 0, 10, 0, 0.35, 25, 0, 4, 0, 0, 280, 22, 11, 0, 45, 0, 0}},
    {"Narration", {0, 1,  95,  1, 36, 6800, 1, -2.0, 0, 2.2, 0, 0.5,  1, -20, 7, 1, -25, 3.2,  8, 130, 2.5, 100, 1, -1, 0, 10, 0, 0.35, 20, 0, 4, 0, 0, 140, 10,  6, 0, 30, 0, 0}},
    {"Podcast",   {0, 1, 105,  1, 42, 6500, 1, -2.5, 0, 2.5, 0, -0.5, 1, -19, 8, 1, -27, 3.8,  6, 110, 3.0, 100, 1, -1, 0, 10, 0, 0.35, 20, 0, 4, 0, 0, 110,  7,  4, 0, 30, 0, 0}},
    {"Gentle",    {0, 1,  65,  1, 18, 8000, 1,  0.0, 0, 0.7, 0, 0.8,  1, -22, 4, 1, -18, 1.7, 25, 230, 0.8, 100, 1, -1, 0, 10, 0, 0.35, 20, 0, 4, 0, 1, 320, 20, 10, 0, 45, 0, 0}},
};
// clang-format on

} // namespace

void makeFactoryPresets(iplug::IPlugBase& plug)
{
    const auto listed = listedIndices();
    for (const PresetValues& preset : kPresets)
    {
        std::vector<double> values(static_cast<std::size_t>(plug.NParams()));
        for (int i = 0; i < plug.NParams(); ++i)
            values[static_cast<std::size_t>(i)] = plug.GetParam(i)->GetDefault();
        values[kTheme] = std::numeric_limits<double>::quiet_NaN(); // keep the user's theme
        for (int i = 0; i < kListed; ++i)
            values[static_cast<std::size_t>(listed[static_cast<std::size_t>(i)])] =
                preset.values[static_cast<std::size_t>(i)];
        plug.MakePresetFromValues(preset.name, values);
    }
}

} // namespace pomelu
