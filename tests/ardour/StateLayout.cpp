#include "StateLayout.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <sstream>
#include <utility>

namespace pomelu::ardour
{
namespace
{
std::uint32_t readU32(const std::vector<std::uint8_t>& state, std::size_t pos)
{
    return static_cast<std::uint32_t>(state[pos]) | static_cast<std::uint32_t>(state[pos + 1]) << 8 |
           static_cast<std::uint32_t>(state[pos + 2]) << 16 |
           static_cast<std::uint32_t>(state[pos + 3]) << 24;
}

void writeU32(std::vector<std::uint8_t>& state, std::size_t pos, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        state[pos + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

double readDouble(const std::vector<std::uint8_t>& state, std::size_t pos)
{
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | state[pos + static_cast<std::size_t>(i)];
    return std::bit_cast<double>(bits);
}

void writeDouble(std::vector<std::uint8_t>& state, std::size_t pos, double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        state[pos + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
}

std::size_t slotValuePos(int slot, int param)
{
    return kSlotValuesPos + static_cast<std::size_t>(slot * kParamCount + param) * 8;
}

std::string formatDouble(double value)
{
    std::ostringstream text;
    text.precision(17);
    text << value;
    return text.str();
}

const char* slotName(int slot)
{
    return slot == 0 ? "A" : "B";
}
} // namespace

std::string checkState(const std::vector<std::uint8_t>& state)
{
    if (state.size() != kStateSize)
        return "state is " + std::to_string(state.size()) + " bytes, expected " + std::to_string(kStateSize);
    if (std::memcmp(state.data(), "4REP", 4) != 0)
        return "state does not start with \"4REP\"";
    if (readU32(state, 4) != kParamCount)
        return "parameter count " + std::to_string(readU32(state, 4)) + ", expected 89";
    if (readU32(state, kModuleCountPos) != kModuleCount)
        return "module count " + std::to_string(readU32(state, kModuleCountPos)) + ", expected 11";
    return {};
}

double currentValue(const std::vector<std::uint8_t>& state, int param)
{
    return readDouble(state, kCurrentValuesPos + static_cast<std::size_t>(param) * 8);
}

double slotValue(const std::vector<std::uint8_t>& state, int slot, int param)
{
    return readDouble(state, slotValuePos(slot, param));
}

void setSlotValue(std::vector<std::uint8_t>& state, int slot, int param, double value)
{
    writeDouble(state, slotValuePos(slot, param), value);
}

void setLiveValue(std::vector<std::uint8_t>& state, int param, double value)
{
    writeDouble(state, kCurrentValuesPos + static_cast<std::size_t>(param) * 8, value);
    if (state[kCapturedPos] != 0)
        setSlotValue(state, readU32(state, kActiveSlotPos) == 1 ? 1 : 0, param, value);
}

Order currentOrder(const std::vector<std::uint8_t>& state)
{
    Order order{};
    std::memcpy(order.data(), state.data() + kCurrentOrderPos, kModuleCount);
    return order;
}

Order slotOrder(const std::vector<std::uint8_t>& state, int slot)
{
    Order order{};
    std::memcpy(order.data(), state.data() + kSlotOrdersPos + static_cast<std::size_t>(slot) * kModuleCount,
                kModuleCount);
    return order;
}

void setOrders(std::vector<std::uint8_t>& state, const Order& order)
{
    std::memcpy(state.data() + kCurrentOrderPos, order.data(), kModuleCount);
    std::memcpy(state.data() + kSlotOrdersPos, order.data(), kModuleCount);
    std::memcpy(state.data() + kSlotOrdersPos + kModuleCount, order.data(), kModuleCount);
}

void fillCompareSlots(std::vector<std::uint8_t>& state, const std::vector<std::uint8_t>& slotAValuesFrom,
                      const Order& slotAOrder)
{
    writeU32(state, kActiveSlotPos, 1);
    state[kCapturedPos] = 1;
    for (int param = 0; param < kParamCount; ++param)
    {
        setSlotValue(state, 0, param, currentValue(slotAValuesFrom, param));
        setSlotValue(state, 1, param, currentValue(state, param));
    }
    std::memcpy(state.data() + kSlotOrdersPos, slotAOrder.data(), kModuleCount);
    std::memcpy(state.data() + kSlotOrdersPos + kModuleCount, state.data() + kCurrentOrderPos, kModuleCount);
}

std::vector<std::string> describeDifferences(const std::vector<std::uint8_t>& before,
                                             const std::vector<std::uint8_t>& after, double liveTolerance)
{
    const auto close = [liveTolerance](double a, double b)
    { return std::fabs(a - b) <= liveTolerance * std::max(1.0, std::max(std::fabs(a), std::fabs(b))); };
    const int liveSlot = after[kCapturedPos] != 0 ? (readU32(after, kActiveSlotPos) == 1 ? 1 : 0) : -1;
    std::vector<std::string> lines;
    if (before.size() != after.size())
    {
        lines.push_back("size: " + std::to_string(before.size()) + " -> " + std::to_string(after.size()));
        return lines;
    }
    if (readU32(before, kActiveSlotPos) != readU32(after, kActiveSlotPos))
        lines.push_back("active slot: " + std::to_string(readU32(before, kActiveSlotPos)) + " -> " +
                        std::to_string(readU32(after, kActiveSlotPos)));
    if (before[kCapturedPos] != after[kCapturedPos])
        lines.push_back("captured flag: " + std::to_string(before[kCapturedPos]) + " -> " +
                        std::to_string(after[kCapturedPos]));
    for (int slot = 0; slot < 2; ++slot)
        for (int param = 0; param < kParamCount; ++param)
        {
            const std::size_t pos = slotValuePos(slot, param);
            if (slot == liveSlot && close(slotValue(before, slot, param), slotValue(after, slot, param)))
                continue;
            if (std::memcmp(before.data() + pos, after.data() + pos, 8) != 0)
                lines.push_back(std::string("slot ") + slotName(slot) + " value " + std::to_string(param) +
                                ": " + formatDouble(slotValue(before, slot, param)) + " -> " +
                                formatDouble(slotValue(after, slot, param)));
        }
    if (currentOrder(before) != currentOrder(after))
        lines.push_back("current order: " + formatOrder(currentOrder(before)) + " -> " +
                        formatOrder(currentOrder(after)));
    for (int slot = 0; slot < 2; ++slot)
        if (slotOrder(before, slot) != slotOrder(after, slot))
            lines.push_back(std::string("slot ") + slotName(slot) +
                            " order: " + formatOrder(slotOrder(before, slot)) + " -> " +
                            formatOrder(slotOrder(after, slot)));
    for (int param = 0; param < kParamCount; ++param)
    {
        const std::size_t pos = kCurrentValuesPos + static_cast<std::size_t>(param) * 8;
        if (close(currentValue(before, param), currentValue(after, param)))
            continue;
        if (std::memcmp(before.data() + pos, after.data() + pos, 8) != 0)
            lines.push_back("current value " + std::to_string(param) + ": " +
                            formatDouble(currentValue(before, param)) + " -> " +
                            formatDouble(currentValue(after, param)));
    }
    for (const auto& [pos, name] : {std::pair{kChunkSize, "bypass"}, std::pair{kProgramWordPos, "program"}})
        if (readU32(before, pos) != readU32(after, pos))
            lines.push_back(std::string(name) + " word: " + std::to_string(readU32(before, pos)) + " -> " +
                            std::to_string(readU32(after, pos)));
    // Anything else (magic, counts) would be caught here.
    if (lines.empty() && std::memcmp(before.data(), after.data(), kSlotValuesPos) != 0)
        lines.push_back("header bytes differ");
    return lines;
}

std::optional<Order> parseOrder(const std::string& text)
{
    Order order{};
    std::array<bool, kModuleCount> seen{};
    std::istringstream in(text);
    std::string item;
    int count = 0;
    while (std::getline(in, item, ','))
    {
        if (count == kModuleCount || item.empty() || item.size() > 2 ||
            item.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        const int id = std::stoi(item);
        if (id >= kModuleCount || seen[static_cast<std::size_t>(id)])
            return std::nullopt;
        seen[static_cast<std::size_t>(id)] = true;
        order[static_cast<std::size_t>(count++)] = static_cast<std::uint8_t>(id);
    }
    if (count != kModuleCount)
        return std::nullopt;
    return order;
}

std::string formatOrder(const Order& order)
{
    std::string text;
    for (std::size_t i = 0; i < order.size(); ++i)
    {
        if (i > 0)
            text += ',';
        text += std::to_string(order[i]);
    }
    return text;
}
} // namespace pomelu::ardour
