// SPDX-License-Identifier: GPL-3.0-or-later
#include "Fonts.h"

#include "Resources.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstring>
#include <map>
#include <mutex>

namespace igraphics
{

namespace
{

struct LoadedFile
{
    FT_Face ft = nullptr;
    cairo_font_face_t* face = nullptr; // nullptr: the file could not be read
};

// Fonts stay loaded for the life of the process: Cairo's own caches may hold a face past any
// editor, and an editor reopened twenty times reads each file once.
std::mutex& cacheMutex()
{
    static std::mutex m;
    return m;
}

LoadedFile loadFile(const std::string& path, std::string& error)
{
    static FT_Library library = nullptr;
    static std::map<std::string, LoadedFile> files;
    std::lock_guard lock(cacheMutex());
    if (auto it = files.find(path); it != files.end())
    {
        if (it->second.face == nullptr)
            error = "not a readable font";
        return it->second;
    }
    LoadedFile f;
    if (library == nullptr && FT_Init_FreeType(&library) != 0)
        library = nullptr;
    if (library != nullptr && FT_New_Face(library, path.c_str(), 0, &f.ft) == 0)
    {
        if (f.ft->num_glyphs > 1 && f.ft->charmap != nullptr)
        {
            f.face = cairo_ft_font_face_create_for_ft_face(f.ft, 0);
            if (cairo_font_face_status(f.face) != CAIRO_STATUS_SUCCESS)
            {
                cairo_font_face_destroy(f.face);
                f.face = nullptr;
            }
        }
    }
    if (f.face == nullptr)
    {
        if (f.ft != nullptr)
            FT_Done_Face(f.ft);
        f.ft = nullptr;
        error = "not a readable font";
    }
    files[path] = f;
    return f;
}

cairo_font_face_t* genericFace()
{
    static cairo_font_face_t* face =
        cairo_toy_font_face_create("sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    return face;
}

} // namespace

char32_t NextCodepoint(const char*& p)
{
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    const unsigned char c = s[0];
    int n = 0;
    char32_t cp = 0;
    if (c < 0x80)
        n = 1, cp = c;
    else if ((c & 0xE0) == 0xC0)
        n = 2, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0)
        n = 3, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0)
        n = 4, cp = c & 0x07;
    else
    {
        ++p;
        return U'\uFFFD';
    }
    for (int i = 1; i < n; ++i)
    {
        if ((s[i] & 0xC0) != 0x80)
        {
            ++p;
            return U'\uFFFD';
        }
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    p += n;
    return cp;
}

bool FontRegistry::Load(const char* name, const char* fileName)
{
    const std::string key = name != nullptr ? name : "";
    const std::string file = fileName != nullptr ? fileName : "";
    const std::string path = FindResource(file.c_str());
    if (path.empty())
    {
        WarnOnce(
            "font \"" + key + "\": file \"" + file +
            "\" not found (set POMELU_RESOURCES or run scripts/fetch-fonts.sh); its text uses another font");
        return false;
    }
    std::string error;
    const LoadedFile loaded = loadFile(path, error);
    if (loaded.face == nullptr)
    {
        WarnOnce("font \"" + key + "\": \"" + path + "\" is " + error + "; its text uses another font");
        return false;
    }
    Entry e{key, loaded.ft, loaded.face};
    for (Entry& existing : mEntries)
        if (existing.name == key)
        {
            existing = e;
            return true;
        }
    mEntries.push_back(e);
    return true;
}

bool FontRegistry::Has(const std::string& name) const
{
    return find(name) != nullptr;
}

const FontRegistry::Entry* FontRegistry::find(const std::string& name) const
{
    for (const Entry& e : mEntries)
        if (e.name == name)
            return &e;
    return nullptr;
}

bool FontRegistry::covers(const Entry& e, const char* utf8)
{
    auto* ft = static_cast<FT_Face>(e.ftFace);
    for (const char* p = utf8; *p != '\0';)
    {
        const char32_t cp = NextCodepoint(p);
        if (cp > U' ' && FT_Get_Char_Index(ft, cp) == 0)
            return false;
    }
    return true;
}

const FontRegistry::Entry* FontRegistry::covering(const Entry* wanted, const char* utf8) const
{
    if (wanted != nullptr && covers(*wanted, utf8))
        return wanted;
    for (const Entry& e : mEntries)
        if (&e != wanted && covers(e, utf8))
            return &e;
    return nullptr;
}

cairo_font_face_t* FontRegistry::FaceFor(const std::string& name, const char* utf8) const
{
    const Entry* wanted = find(name);
    if (const Entry* all = covering(wanted, utf8))
        return all->face;
    if (wanted != nullptr)
        return wanted->face;
    if (!mEntries.empty())
        return mEntries.front().face;
    return genericFace();
}

void FontRegistry::Runs(const std::string& name, const char* utf8, std::vector<Run>& runs) const
{
    runs.clear();
    const std::size_t length = std::strlen(utf8);
    const Entry* wanted = find(name);
    // The common case first: one face draws it all.
    if (const Entry* all = covering(wanted, utf8))
    {
        runs.push_back({all->face, 0, length});
        return;
    }
    if (mEntries.empty())
    {
        runs.push_back({genericFace(), 0, length});
        return;
    }
    auto maps = [](const Entry& e, char32_t cp)
    { return FT_Get_Char_Index(static_cast<FT_Face>(e.ftFace), cp) != 0; };
    for (const char* p = utf8; *p != '\0';)
    {
        const char* start = p;
        const char32_t cp = NextCodepoint(p);
        cairo_font_face_t* face = nullptr;
        if (cp <= U' ' && !runs.empty())
            face = runs.back().face; // spaces never start a run of their own
        else if (wanted != nullptr && maps(*wanted, cp))
            face = wanted->face;
        else
        {
            for (const Entry& e : mEntries)
                if (face == nullptr && maps(e, cp))
                    face = e.face;
            if (face == nullptr)
                face = cp <= U' ' ? FaceFor(name, "") : genericFace();
        }
        const auto begin = static_cast<std::size_t>(start - utf8), n = static_cast<std::size_t>(p - start);
        if (!runs.empty() && runs.back().face == face)
            runs.back().length += n;
        else
            runs.push_back({face, begin, n});
    }
}

} // namespace igraphics
