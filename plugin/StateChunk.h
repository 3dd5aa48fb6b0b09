// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace iplug
{
class IByteChunk;
class IPlugBase;
} // namespace iplug

namespace pomelu
{

class CompareSlots;
class ModuleOrderStore;

// Magic numbers of the state chunk versions; in the stream they read "1REP" to "4REP".
inline constexpr std::uint32_t kStateMagicV1 = 0x50455231;
inline constexpr std::uint32_t kStateMagicV2 = 0x50455232;
inline constexpr std::uint32_t kStateMagicV3 = 0x50455233;
inline constexpr std::uint32_t kStateMagicV4 = 0x50455234;

// Version 1 chunks carry no count: they hold the first 41 parameters.
inline constexpr std::uint32_t kStateParamCountV1 = 41;

// The size of a version 4 chunk with 89 parameters: 13 header, 1424 slots, 37 orders, 712 values.
inline constexpr int kStateChunkSizeV4 = 2186;

// The plug-in's saved state, in the current version: the compare slots, the current module order
// and the parameters' values. Nothing here changes. True when the chunk holds any byte.
bool writeStateChunk(iplug::IByteChunk& chunk, const iplug::IPlugBase& params, const CompareSlots& slots,
                     const ModuleOrderStore& order);

// Reads a chunk of any version. All or nothing: the whole chunk is read and checked (lengths,
// counts, every order) before the parameters, the slots and the order change. Returns the position
// behind the chunk, or -1 with nothing changed. The undo order is left alone.
int readStateChunk(const iplug::IByteChunk& chunk, int startPos, iplug::IPlugBase& params,
                   CompareSlots& slots, ModuleOrderStore& order);

} // namespace pomelu
