// Face names resolve the way GDI resolves them: a face the program registered from memory wins,
// then fontconfig's best installed match (which substitutes for names such as "Arial").
#include <ft2build.h>
#include FT_FREETYPE_H

#include "d3dx9/font/FontFaces.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cwctype>
#include <mutex>

namespace FontFaces {

namespace {

struct MemoryFace {
    std::wstring family;
    bool bold = false;
    bool italic = false;
    FT_Long index = 0;
};

struct MemoryFont {
    HANDLE handle = nullptr;
    std::shared_ptr<const std::vector<unsigned char>> bytes;
    std::vector<MemoryFace> faces;
};

struct Registry {
    std::mutex lock;
    FT_Library library = nullptr;
    bool fontconfigReady = false;
    std::vector<MemoryFont> memoryFonts;
    uintptr_t nextHandle = 1;
};

// Never destroyed: fonts held by other static objects are released during exit, after statics
// made later than them are gone, and their faces need the library still.
Registry& registry()
{
    static auto* instance = new Registry;
    return *instance;
}

FT_Library library(Registry& r)
{
    if (!r.library && FT_Init_FreeType(&r.library) != 0)
        r.library = nullptr;
    return r.library;
}

std::wstring lower(std::wstring text)
{
    for (auto& c : text)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return text;
}

std::wstring widen(const char* text)
{
    std::wstring out;
    if (!text)
        return out;
    int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (n > 1) {
        out.resize(static_cast<size_t>(n));
        MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
        out.resize(static_cast<size_t>(n - 1));
    }
    return out;
}

std::string narrow(const std::wstring& text)
{
    std::string out;
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n > 1) {
        out.resize(static_cast<size_t>(n));
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
        out.resize(static_cast<size_t>(n - 1));
    }
    return out;
}

bool openMemoryFace(Registry& r, const std::wstring& name, UINT weight, bool italic, OpenedFace& out)
{
    const std::wstring wanted = lower(name);
    const bool bold = weight >= FW_SEMIBOLD;
    const MemoryFont* bestFont = nullptr;
    const MemoryFace* best = nullptr;
    int bestScore = -1;
    for (const MemoryFont& font : r.memoryFonts) {
        for (const MemoryFace& face : font.faces) {
            if (face.family != wanted)
                continue;
            int score = (face.bold == bold ? 2 : 0) + (face.italic == italic ? 1 : 0);
            if (score > bestScore) {
                bestScore = score;
                best = &face;
                bestFont = &font;
            }
        }
    }
    if (!best)
        return false;
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library(r), bestFont->bytes->data(), static_cast<FT_Long>(bestFont->bytes->size()),
                           best->index, &face) != 0)
        return false;
    out.face = face;
    out.bytes = bestFont->bytes;
    out.synthBold = bold && !best->bold;
    out.synthItalic = italic && !best->italic;
    return true;
}

bool openInstalledFace(Registry& r, const std::wstring& name, UINT weight, bool italic, OpenedFace& out)
{
    if (!r.fontconfigReady)
        r.fontconfigReady = FcInit() == FcTrue;
    if (!r.fontconfigReady)
        return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    const std::string family = narrow(name.empty() ? std::wstring(L"sans-serif") : name);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    const int fcWeight = FcWeightFromOpenType(static_cast<int>(weight == 0 ? FW_NORMAL : std::min(weight, 1000u)));
    FcPatternAddInteger(pattern, FC_WEIGHT, fcWeight);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;
    FcChar8* file = nullptr;
    int index = 0, matchedWeight = FC_WEIGHT_REGULAR, matchedSlant = FC_SLANT_ROMAN;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
    FcPatternGetInteger(match, FC_SLANT, 0, &matchedSlant);
    FT_Face face = nullptr;
    if (ok)
        ok = FT_New_Face(library(r), reinterpret_cast<const char*>(file), index, &face) == 0;
    if (ok) {
        out.face = face;
        out.file = reinterpret_cast<const char*>(file);
        out.synthBold = weight >= FW_SEMIBOLD && matchedWeight < FC_WEIGHT_DEMIBOLD;
        out.synthItalic = italic && matchedSlant == FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return ok;
}

} // namespace

bool open(const std::wstring& name, UINT weight, bool italic, OpenedFace& out)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    out = OpenedFace{};
    if (!library(r))
        return false;
    return openMemoryFace(r, name, weight, italic, out) || openInstalledFace(r, name, weight, italic, out);
}

void close(OpenedFace& face)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    if (face.face)
        FT_Done_Face(face.face);
    face = OpenedFace{};
}

HANDLE addMemoryFont(const void* data, DWORD size, DWORD* count)
{
    if (count)
        *count = 0;
    if (!data || size == 0)
        return nullptr;
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    if (!library(r))
        return nullptr;
    auto bytes = std::make_shared<const std::vector<unsigned char>>(static_cast<const unsigned char*>(data),
                                                                    static_cast<const unsigned char*>(data) + size);
    MemoryFont font;
    font.bytes = bytes;
    FT_Long faces = 1;
    for (FT_Long i = 0; i < faces; ++i) {
        FT_Face face = nullptr;
        if (FT_New_Memory_Face(r.library, bytes->data(), static_cast<FT_Long>(bytes->size()), i, &face) != 0)
            break;
        faces = std::min<FT_Long>(face->num_faces, 64);
        if (face->family_name) {
            MemoryFace entry;
            entry.family = lower(widen(face->family_name));
            entry.bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
            entry.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
            entry.index = i;
            font.faces.push_back(entry);
        }
        FT_Done_Face(face);
    }
    if (font.faces.empty())
        return nullptr;
    font.handle = reinterpret_cast<HANDLE>(r.nextHandle++);
    if (count)
        *count = static_cast<DWORD>(font.faces.size());
    r.memoryFonts.push_back(std::move(font));
    return r.memoryFonts.back().handle;
}

bool removeMemoryFont(HANDLE handle)
{
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = std::find_if(r.memoryFonts.begin(), r.memoryFonts.end(),
                           [handle](const MemoryFont& f) { return f.handle == handle; });
    if (it == r.memoryFonts.end())
        return false;
    r.memoryFonts.erase(it);
    return true;
}

} // namespace FontFaces

HANDLE AddFontMemResourceEx(PVOID pbFont, DWORD cbFont, PVOID, DWORD* pcFonts)
{
    return FontFaces::addMemoryFont(pbFont, cbFont, pcFonts);
}

BOOL RemoveFontMemResourceEx(HANDLE h)
{
    return h && FontFaces::removeMemoryFont(h) ? TRUE : FALSE;
}
