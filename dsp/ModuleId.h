// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace pomelu::dsp
{

// The eleven modules of the rack. The values are stored in saved state: never renumber.
enum class ModuleId : std::uint8_t
{
    PopCut = 0,
    SClear = 1,
    Eq = 2,
    Distortion = 3,
    Phaser = 4,
    Tremolo = 5,
    Leveler = 6,
    Comp = 7,
    ClipGuard = 8,
    Delay = 9,
    Reverb = 10,
};

inline constexpr int kNumModules = 11;

// Slot i names the module that runs i-th. The engine accepts any bytes: entries above 10 do
// nothing and repeated entries run twice.
using ModuleOrder = std::array<ModuleId, kNumModules>;

constexpr ModuleOrder defaultModuleOrder() noexcept
{
    ModuleOrder order{};
    for (int i = 0; i < kNumModules; ++i)
        order[static_cast<std::size_t>(i)] = static_cast<ModuleId>(i);
    return order;
}

// True when every entry is below 11 and none repeats.
constexpr bool isValidModuleOrder(const ModuleOrder& order) noexcept
{
    bool seen[kNumModules] = {};
    for (ModuleId id : order)
    {
        const auto v = static_cast<unsigned>(id);
        if (v >= static_cast<unsigned>(kNumModules) || seen[v])
            return false;
        seen[v] = true;
    }
    return true;
}

// An order in one 64-bit word, entry i in bits 4i to 4i+3, so that it can be handed between threads
// as one atomic value. Eleven entries of 0 to 10 fit; larger entries keep their low four bits.
constexpr std::uint64_t packModuleOrder(const ModuleOrder& order) noexcept
{
    std::uint64_t word = 0;
    for (int i = 0; i < kNumModules; ++i)
        word |= static_cast<std::uint64_t>(static_cast<unsigned>(order[static_cast<std::size_t>(i)]) & 0xFu)
                << (4 * i);
    return word;
}

constexpr ModuleOrder unpackModuleOrder(std::uint64_t word) noexcept
{
    ModuleOrder order{};
    for (int i = 0; i < kNumModules; ++i)
        order[static_cast<std::size_t>(i)] = static_cast<ModuleId>((word >> (4 * i)) & 0xFu);
    return order;
}

// Enumerator names ("PopCut") and the routing strip's short labels ("POP").
const char* moduleName(ModuleId id) noexcept;
const char* moduleShortLabel(ModuleId id) noexcept;

} // namespace pomelu::dsp
