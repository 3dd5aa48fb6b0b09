// SPDX-License-Identifier: GPL-3.0-or-later
#include "PomeluRarorudIzad.h"

namespace pomelu
{

bool PomeluRarorudIzad::SerializeState(iplug::IByteChunk& chunk) const
{
    return SerializeParams(chunk);
}

int PomeluRarorudIzad::UnserializeState(const iplug::IByteChunk& chunk, int startPos)
{
    return UnserializeParams(chunk, startPos);
}

} // namespace pomelu
