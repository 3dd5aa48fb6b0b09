// Field access to the plug-in's component state (format version 4) as a host stores it: the 2186-byte
// state chunk followed by the wrapper's u32 host-bypass and program words. Used to give a session a module
// order and filled A/B compare slots, and to say which fields differ between two saved states.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pomelu::ardour
{
constexpr int kParamCount = 89;
constexpr int kModuleCount = 11;

constexpr std::size_t kMagicPos = 0;
constexpr std::size_t kActiveSlotPos = 8;
constexpr std::size_t kCapturedPos = 12;
constexpr std::size_t kSlotValuesPos = 13; // slot A, then slot B, kParamCount doubles each
constexpr std::size_t kModuleCountPos = kSlotValuesPos + 2 * kParamCount * 8;
constexpr std::size_t kCurrentOrderPos = kModuleCountPos + 4;
constexpr std::size_t kSlotOrdersPos = kCurrentOrderPos + kModuleCount; // slot A, then slot B
constexpr std::size_t kCurrentValuesPos = kSlotOrdersPos + 2 * kModuleCount;
constexpr std::size_t kChunkSize = kCurrentValuesPos + kParamCount * 8; // 2186
constexpr std::size_t kProgramWordPos = kChunkSize + 4;                 // behind the bypass word
constexpr std::size_t kStateSize = kChunkSize + 8;

using Order = std::array<std::uint8_t, kModuleCount>;

// Empty when `state` is a version 4 state of the right size, else the reason it is not.
std::string checkState(const std::vector<std::uint8_t>& state);

double currentValue(const std::vector<std::uint8_t>& state, int param);
double slotValue(const std::vector<std::uint8_t>& state, int slot, int param);
void setSlotValue(std::vector<std::uint8_t>& state, int slot, int param, double value);
Order currentOrder(const std::vector<std::uint8_t>& state);
Order slotOrder(const std::vector<std::uint8_t>& state, int slot);

// Sets a current parameter value as the plug-in would write it after a host change: in the current
// values and, once the slots are captured, in the active slot's copy.
void setLiveValue(std::vector<std::uint8_t>& state, int param, double value);

// Writes `order` as the current order and as both slots' orders, as loading a version 3 state would.
void setOrders(std::vector<std::uint8_t>& state, const Order& order);

// Fills the compare slots the way a user gets there: slot A holds `slotAValues` (the current values
// of another saved state) with order `slotAOrder`, slot B is active and holds this state's current
// values and order; the captured flag is set.
void fillCompareSlots(std::vector<std::uint8_t>& state, const std::vector<std::uint8_t>& slotAValuesFrom,
                      const Order& slotAOrder);

// One line per differing field ("slot A value 17: -27 -> -18"), empty when the states are equal.
// A host hands parameter values back through its normalised representation, which can move a value
// by a few ulps: current values, and the active slot's values that the writer copies from them, may
// differ by up to `liveTolerance` (relative to the value, absolute below 1). Everything else must be
// identical.
std::vector<std::string> describeDifferences(const std::vector<std::uint8_t>& before,
                                             const std::vector<std::uint8_t>& after,
                                             double liveTolerance = 0.0);

// "8,7,6,..." -> Order; nullopt unless it names 0..10 once each.
std::optional<Order> parseOrder(const std::string& text);
std::string formatOrder(const Order& order);
} // namespace pomelu::ardour
