// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace iplug
{

// UTF-8 to UTF-16 into a fixed array of `capacity` units, always terminated; a character that does
// not fit is left out whole. Invalid bytes become U+FFFD. Never allocates.
void Utf8ToUtf16(const char* src, char16_t* dst, int capacity);

// UTF-16 (terminated) to UTF-8. Allocates.
std::string Utf16ToUtf8(const char16_t* src);

} // namespace iplug
