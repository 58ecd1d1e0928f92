// ID3DXFont: FreeType glyphs packed into pages on first use, laid out with the DrawText rules
// and queued on a sprite.
#include <ft2build.h>
#include FT_FREETYPE_H

#include "d3dx9/font/FontFaces.h"
#include "d3dx9/font/GlyphPages.h"

#include "common/ComObject.h"

#include <d3dx9.h>

#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_TABLES_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <unordered_map>

const IID IID_ID3DXFont = {0x7d3f0001, 0x5a11, 0x4d39, {0x9f, 0x31, 0x0c, 0x4e, 0x55, 0x1a, 0xd3, 0x09}};

namespace {

struct Glyph {
    int page = -1; // -1: nothing to draw (blank or unplaceable)
    RECT source{};
    int left = 0; // from the pen position to the bitmap's left edge
    int top = 0;  // from the baseline up to the bitmap's top edge
    int advance = 0;
};

struct Line {
    size_t begin = 0;
    size_t end = 0;
    int width = 0;
};

class Font final : public PlatformInternal::ComObject<ID3DXFont> {
public:
    Font(IDirect3DDevice9* device, FontFaces::OpenedFace face)
        : m_device(device), m_face(std::move(face)), m_pages(device)
    {
        m_device->AddRef();
    }

    ~Font() override
    {
        if (m_sprite)
            m_sprite->Release();
        FontFaces::close(m_face);
        m_device->Release();
    }

    // Sizes the face by GDI's rules; false for a face that cannot be scaled.
    bool setSize(INT height, UINT width)
    {
        FT_Face face = m_face.face;
        if (!face || face->units_per_EM == 0)
            return false;
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        const double upem = face->units_per_EM;
        double ascent = os2 && os2->usWinAscent ? os2->usWinAscent : face->ascender;
        double descent = os2 && os2->usWinDescent ? os2->usWinDescent : -face->descender;
        if (ascent + descent <= 0) {
            ascent = upem * 0.8;
            descent = upem * 0.2;
        }
        // Cell height (positive) or em height (negative); in 64-bit so INT_MIN cannot overflow.
        const long long requested = height;
        double em = requested < 0
                        ? static_cast<double>(-requested)
                        : (requested == 0 ? 16.0 : static_cast<double>(requested)) * upem / (ascent + descent);
        em = std::clamp(em, 1.0, 1024.0);
        m_ascent = static_cast<int>(std::lround(ascent * em / upem));
        m_lineHeight = m_ascent + static_cast<int>(std::lround(descent * em / upem));
        if (requested > 0 && requested <= 4096)
            m_lineHeight = static_cast<int>(requested);
        double emX = em;
        if (width > 0 && os2 && os2->xAvgCharWidth > 0)
            emX = std::clamp(static_cast<double>(width) * upem / os2->xAvgCharWidth, 1.0, 1024.0);
        if (FT_Set_Char_Size(face, std::lround(emX * 64), std::lround(em * 64), 72, 72) != 0)
            return false;
        if (m_face.synthItalic) {
            FT_Matrix shear{0x10000, 0x3800, 0, 0x10000}; // about 12 degrees, as GDI slants
            FT_Set_Transform(face, &shear, nullptr);
        }
        return true;
    }

    HRESULT GetDevice(IDirect3DDevice9** device) override
    {
        if (!device)
            return D3DERR_INVALIDCALL;
        m_device->AddRef();
        *device = m_device;
        return D3D_OK;
    }

    HRESULT OnLostDevice() override { return m_sprite ? m_sprite->OnLostDevice() : D3D_OK; }
    HRESULT OnResetDevice() override { return m_sprite ? m_sprite->OnResetDevice() : D3D_OK; }

    INT DrawTextW(ID3DXSprite* sprite, LPCWSTR text, INT count, LPRECT rect, DWORD format, D3DCOLOR color) override
    {
        if (!text || !rect)
            return 0;
        size_t length = 0;
        if (count < 0) {
            while (text[length])
                ++length;
        } else {
            length = static_cast<size_t>(count);
        }
        layout(text, length, *rect, format);
        const int total = static_cast<int>(m_lines.size()) * m_lineHeight;
        if (format & DT_CALCRECT) {
            int widest = 0;
            for (const Line& line : m_lines)
                widest = std::max(widest, line.width);
            rect->right = rect->left + widest;
            rect->bottom = rect->top + total;
            return total;
        }
        if (m_lines.empty())
            return 0;

        ID3DXSprite* target = sprite;
        if (!target) {
            if (!m_sprite && FAILED(D3DXCreateSprite(m_device, &m_sprite)))
                return 0;
            if (FAILED(m_sprite->Begin(D3DXSPRITE_ALPHABLEND | D3DXSPRITE_SORT_TEXTURE)))
                return 0;
            target = m_sprite;
        }
        int y = rect->top;
        if (format & DT_VCENTER)
            y = rect->top + (rect->bottom - rect->top - total) / 2;
        else if (format & DT_BOTTOM)
            y = rect->bottom - total;
        for (const Line& line : m_lines) {
            int x = rect->left;
            if (format & DT_CENTER)
                x = rect->left + (rect->right - rect->left - line.width) / 2;
            else if (format & DT_RIGHT)
                x = rect->right - line.width;
            drawLine(target, text, line, x, y + m_ascent, *rect, format, color);
            y += m_lineHeight;
        }
        if (!sprite)
            m_sprite->End();
        return total;
    }

private:
    const Glyph& glyph(wchar_t c)
    {
        auto found = m_glyphs.find(c);
        if (found != m_glyphs.end())
            return found->second;
        Glyph g;
        FT_Face face = m_face.face;
        if (FT_Load_Char(face, static_cast<FT_ULong>(c), FT_LOAD_DEFAULT) == 0) {
            FT_GlyphSlot slot = face->glyph;
            if (m_face.synthBold)
                FT_GlyphSlot_Embolden(slot);
            g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
            if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0 && slot->bitmap.width > 0 && slot->bitmap.rows > 0 &&
                slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
                const FT_Bitmap& bitmap = slot->bitmap;
                const unsigned char* first = bitmap.buffer;
                if (bitmap.pitch < 0)
                    first += static_cast<ptrdiff_t>(-bitmap.pitch) * (bitmap.rows - 1);
                if (m_pages.add(first, static_cast<int>(bitmap.width), static_cast<int>(bitmap.rows), bitmap.pitch,
                                g.page, g.source)) {
                    g.left = slot->bitmap_left;
                    g.top = slot->bitmap_top;
                } else {
                    g.page = -1;
                }
            }
        }
        return m_glyphs.emplace(c, g).first->second;
    }

    int advance(wchar_t c, int penX, DWORD format)
    {
        if (c == L'\t') {
            const int space = glyph(L' ').advance;
            if ((format & DT_EXPANDTABS) && space > 0)
                return (penX / (8 * space) + 1) * 8 * space - penX;
            return space;
        }
        if (c == L'\r' || c == L'\n')
            return 0;
        return glyph(c).advance;
    }

    int measure(const wchar_t* text, size_t begin, size_t end, DWORD format)
    {
        int x = 0;
        for (size_t i = begin; i < end; ++i)
            x += advance(text[i], x, format);
        return x;
    }

    void addLine(const wchar_t* text, size_t begin, size_t end, DWORD format)
    {
        // Trailing blanks take no room at a line end.
        size_t last = end;
        while (last > begin && (text[last - 1] == L' ' || text[last - 1] == L'\r'))
            --last;
        m_lines.push_back(Line{begin, last, measure(text, begin, last, format)});
    }

    void layout(const wchar_t* text, size_t length, const RECT& rect, DWORD format)
    {
        m_lines.clear();
        if (length == 0)
            return;
        if (format & DT_SINGLELINE) {
            addLine(text, 0, length, format);
            return;
        }
        const bool wrap = (format & DT_WORDBREAK) != 0;
        const int maxWidth = rect.right - rect.left;
        size_t start = 0;
        while (start <= length) {
            size_t stop = start;
            while (stop < length && text[stop] != L'\n')
                ++stop;
            if (!wrap) {
                addLine(text, start, stop, format);
            } else {
                // Greedy breaking at blanks; a word wider than the line stays whole.
                size_t lineStart = start;
                while (true) {
                    size_t lastBreak = lineStart;
                    size_t i = lineStart;
                    int width = 0;
                    bool broke = false;
                    while (i < stop) {
                        if (text[i] == L' ')
                            lastBreak = i;
                        width += advance(text[i], width, format);
                        if (width > maxWidth && lastBreak > lineStart) {
                            addLine(text, lineStart, lastBreak, format);
                            lineStart = lastBreak + 1;
                            while (lineStart < stop && text[lineStart] == L' ')
                                ++lineStart;
                            broke = true;
                            break;
                        }
                        ++i;
                    }
                    if (!broke) {
                        addLine(text, lineStart, stop, format);
                        break;
                    }
                }
            }
            if (stop >= length)
                break;
            start = stop + 1;
        }
    }

    void drawLine(ID3DXSprite* sprite, const wchar_t* text, const Line& line, int x, int baseline, const RECT& clip,
                  DWORD format, D3DCOLOR color)
    {
        const bool clipped = (format & DT_NOCLIP) == 0;
        int pen = 0;
        for (size_t i = line.begin; i < line.end; ++i) {
            const wchar_t c = text[i];
            const int step = advance(c, pen, format);
            if (c != L'\t' && c != L'\r') {
                const Glyph& g = glyph(c);
                if (g.page >= 0) {
                    RECT source = g.source;
                    LONG left = x + pen + g.left;
                    LONG top = baseline - g.top;
                    LONG right = left + (source.right - source.left);
                    LONG bottom = top + (source.bottom - source.top);
                    if (clipped) {
                        if (left < clip.left) {
                            source.left += clip.left - left;
                            left = clip.left;
                        }
                        if (top < clip.top) {
                            source.top += clip.top - top;
                            top = clip.top;
                        }
                        if (right > clip.right)
                            source.right -= right - clip.right;
                        if (bottom > clip.bottom)
                            source.bottom -= bottom - clip.bottom;
                    }
                    if (source.right > source.left && source.bottom > source.top) {
                        D3DXVECTOR3 position(static_cast<float>(left), static_cast<float>(top), 0.0f);
                        sprite->Draw(m_pages.texture(g.page), &source, nullptr, &position, color);
                    }
                }
            }
            pen += step;
        }
    }

    void* findInterface(REFIID riid) override { return ownInterface(riid, IID_ID3DXFont); }

    IDirect3DDevice9* m_device;
    FontFaces::OpenedFace m_face;
    FontFaces::GlyphPages m_pages;
    ID3DXSprite* m_sprite = nullptr;
    std::unordered_map<wchar_t, Glyph> m_glyphs;
    std::vector<Line> m_lines;
    int m_ascent = 0;
    int m_lineHeight = 0;
};

} // namespace

HRESULT D3DXCreateFontW(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT, BOOL italic, DWORD, DWORD,
                        DWORD, DWORD, LPCWSTR faceName, ID3DXFont** font)
{
    if (!device || !font)
        return D3DERR_INVALIDCALL;
    *font = nullptr;
    FontFaces::OpenedFace face;
    if (!FontFaces::open(faceName ? std::wstring(faceName) : std::wstring(), weight, italic != FALSE, face))
        return E_FAIL;
    auto* made = new Font(device, std::move(face));
    if (!made->setSize(height, width)) {
        made->Release();
        return E_FAIL;
    }
    *font = made;
    return D3D_OK;
}
