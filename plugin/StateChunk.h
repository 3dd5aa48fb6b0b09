// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace pomelu
{

// Magic numbers of the state chunk versions; in the stream they read "1REP" to "4REP".
inline constexpr std::uint32_t kStateMagicV1 = 0x50455231;
inline constexpr std::uint32_t kStateMagicV2 = 0x50455232;
inline constexpr std::uint32_t kStateMagicV3 = 0x50455233;
inline constexpr std::uint32_t kStateMagicV4 = 0x50455234;

// Version 1 chunks carry no count: they hold the first 41 parameters.
inline constexpr std::uint32_t kStateParamCountV1 = 41;

// The size of a version 4 chunk with 89 parameters: 13 header, 1424 slots, 37 orders, 712 values.
inline constexpr int kStateChunkSizeV4 = 2186;

// 1 to 4 for a known magic, 0 otherwise.
int stateVersionFromMagic(std::uint32_t magic);

} // namespace pomelu
