#pragma once
// Glyph pages: managed A8L8 textures (white, coverage in alpha: the texels of ARGB in half the
// bytes) that glyphs are packed into as they are first used, with stb_rect_pack. A full page
// starts another one.
#include <d3d9.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_rect_pack.h>
#pragma GCC diagnostic pop

#include <memory>
#include <vector>

namespace FontFaces {

class GlyphPages {
public:
    static constexpr int kPageSize = 512;

    explicit GlyphPages(IDirect3DDevice9* device);
    ~GlyphPages();
    GlyphPages(const GlyphPages&) = delete;
    GlyphPages& operator=(const GlyphPages&) = delete;

    // Places a width x height coverage bitmap (rows `pitch` bytes apart) and returns its page and
    // rectangle; false when it cannot be placed (too large, or no texture can be made).
    bool add(const unsigned char* coverage, int width, int height, int pitch, int& page, RECT& rect);
    IDirect3DTexture9* texture(int page) const { return m_pages[static_cast<size_t>(page)]->texture; }

private:
    struct Page {
        IDirect3DTexture9* texture = nullptr;
        stbrp_context packer{};
        std::vector<stbrp_node> nodes;
    };
    bool newPage();

    IDirect3DDevice9* m_device;
    std::vector<std::unique_ptr<Page>> m_pages;
};

} // namespace FontFaces
