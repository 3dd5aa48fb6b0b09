// SPDX-License-Identifier: GPL-3.0-or-later
// Font faces registered by name, loaded through FreeType into Cairo (cairo-ft).
#pragma once

#include <string>
#include <vector>

typedef struct _cairo_font_face cairo_font_face_t;

namespace igraphics
{

// The faces one editor registered. Files are loaded once per process and shared between editors
// (so reopening an editor reads no font again); the registry itself only maps names to them.
// UI thread only.
class FontRegistry
{
public:
    // Registers fileName (a resource name or a path, see FindResource) as the face `name`. A missing
    // or unreadable file registers nothing, says so once on stderr and returns false: text in that
    // face falls back (see FaceFor). Registering a name again replaces it.
    bool Load(const char* name, const char* fileName);
    bool Has(const std::string& name) const;

    // The face to draw utf8 in font `name`: that face if it is registered and maps every character
    // of the text; else the first registered face that does; else that face anyway, else the first
    // registered one, else a generic sans-serif face from the system. Never null; the registry keeps
    // the reference.
    cairo_font_face_t* FaceFor(const std::string& name, const char* utf8) const;

    // A stretch of text (byte offsets into the UTF-8 string) and the face that draws it.
    struct Run
    {
        cairo_font_face_t* face;
        std::size_t begin, length;
    };
    // Splits utf8 into runs for font `name`: one run in FaceFor's face when some registered face maps
    // every character; otherwise each character goes to the first of `name` and the other registered
    // faces that maps it, and to a generic sans-serif face from the system when none does (an arrow
    // or a box-drawing sign in a label), so no glyph goes missing. `runs` is cleared first; it
    // allocates only when it must grow.
    void Runs(const std::string& name, const char* utf8, std::vector<Run>& runs) const;

private:
    struct Entry
    {
        std::string name;
        void* ftFace = nullptr; // FT_Face, owned by the process-wide cache
        cairo_font_face_t* face = nullptr;
    };
    const Entry* find(const std::string& name) const;
    static bool covers(const Entry& e, const char* utf8);
    // `wanted` when it maps every character of utf8, else the first other entry that does, else null.
    const Entry* covering(const Entry* wanted, const char* utf8) const;

    std::vector<Entry> mEntries;
};

// Decodes one UTF-8 sequence at *p, advancing p; malformed bytes read as U+FFFD one at a time.
char32_t NextCodepoint(const char*& p);

} // namespace igraphics
