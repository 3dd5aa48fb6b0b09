// SPDX-License-Identifier: GPL-3.0-or-later
#include "Utf16.h"

namespace iplug
{

namespace
{

// Decodes one code point; returns the bytes consumed (at least 1).
int decodeUtf8(const unsigned char* s, char32_t& cp)
{
    const unsigned char b = s[0];
    int len = 0;
    if (b < 0x80)
    {
        cp = b;
        return 1;
    }
    if ((b & 0xE0) == 0xC0)
    {
        cp = b & 0x1F;
        len = 2;
    }
    else if ((b & 0xF0) == 0xE0)
    {
        cp = b & 0x0F;
        len = 3;
    }
    else if ((b & 0xF8) == 0xF0)
    {
        cp = b & 0x07;
        len = 4;
    }
    else
    {
        cp = 0xFFFD;
        return 1;
    }
    for (int i = 1; i < len; ++i)
    {
        if ((s[i] & 0xC0) != 0x80)
        {
            cp = 0xFFFD;
            return i;
        }
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    return len;
}

} // namespace

void Utf8ToUtf16(const char* src, char16_t* dst, int capacity)
{
    if (dst == nullptr || capacity <= 0)
        return;
    int out = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(src ? src : "");
    while (*s != 0)
    {
        char32_t cp = 0;
        s += decodeUtf8(s, cp);
        if (cp >= 0x10000)
        {
            if (out + 2 >= capacity)
                break;
            cp -= 0x10000;
            dst[out++] = static_cast<char16_t>(0xD800 + (cp >> 10));
            dst[out++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        }
        else
        {
            if (out + 1 >= capacity)
                break;
            dst[out++] = static_cast<char16_t>(cp);
        }
    }
    dst[out] = 0;
}

std::string Utf16ToUtf8(const char16_t* src)
{
    std::string out;
    if (src == nullptr)
        return out;
    for (; *src != 0; ++src)
    {
        char32_t cp = *src;
        if (cp >= 0xD800 && cp <= 0xDBFF && src[1] >= 0xDC00 && src[1] <= 0xDFFF)
        {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (src[1] - 0xDC00);
            ++src;
        }
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD;
        if (cp < 0x80)
            out += static_cast<char>(cp);
        else if (cp < 0x800)
        {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
        else if (cp < 0x10000)
        {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

} // namespace iplug
