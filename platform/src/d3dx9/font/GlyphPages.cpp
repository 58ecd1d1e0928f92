// Glyph packing and upload.
#include "d3dx9/font/GlyphPages.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_RECT_PACK_IMPLEMENTATION
#define STBRP_STATIC
#include <stb/stb_rect_pack.h>
#pragma GCC diagnostic pop

#include <cstring>

namespace FontFaces {

GlyphPages::GlyphPages(IDirect3DDevice9* device) : m_device(device) {}

GlyphPages::~GlyphPages()
{
    for (auto& page : m_pages) {
        if (page->texture)
            page->texture->Release();
    }
}

bool GlyphPages::newPage()
{
    auto page = std::make_unique<Page>();
    if (FAILED(
            m_device->CreateTexture(kPageSize, kPageSize, 1, 0, D3DFMT_A8L8, D3DPOOL_MANAGED, &page->texture, nullptr)))
        return false;
    // Empty texels around each glyph must be transparent, also under bilinear filtering.
    D3DLOCKED_RECT locked{};
    if (SUCCEEDED(page->texture->LockRect(0, &locked, nullptr, 0))) {
        for (int y = 0; y < kPageSize; ++y)
            std::memset(static_cast<unsigned char*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch, 0,
                        kPageSize * 2);
        page->texture->UnlockRect(0);
    }
    page->nodes.resize(kPageSize);
    stbrp_init_target(&page->packer, kPageSize, kPageSize, page->nodes.data(), static_cast<int>(page->nodes.size()));
    m_pages.push_back(std::move(page));
    return true;
}

bool GlyphPages::add(const unsigned char* coverage, int width, int height, int pitch, int& pageIndex, RECT& rect)
{
    // One texel of border keeps neighbours apart.
    const int w = width + 2, h = height + 2;
    if (w > kPageSize || h > kPageSize)
        return false;
    stbrp_rect wanted{};
    wanted.w = w;
    wanted.h = h;
    bool placed = false;
    if (!m_pages.empty()) {
        stbrp_pack_rects(&m_pages.back()->packer, &wanted, 1);
        placed = wanted.was_packed != 0;
    }
    if (!placed) {
        if (!newPage())
            return false;
        stbrp_pack_rects(&m_pages.back()->packer, &wanted, 1);
        if (!wanted.was_packed)
            return false;
    }
    pageIndex = static_cast<int>(m_pages.size()) - 1;
    rect = RECT{wanted.x + 1, wanted.y + 1, wanted.x + 1 + width, wanted.y + 1 + height};
    if (width == 0 || height == 0)
        return true;
    IDirect3DTexture9* texture = m_pages.back()->texture;
    D3DLOCKED_RECT locked{};
    // Every texel of the rectangle is written: what it held need not be read back first.
    if (FAILED(texture->LockRect(0, &locked, &rect, D3DLOCK_DISCARD)))
        return false;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint16_t*>(static_cast<unsigned char*>(locked.pBits) +
                                                static_cast<size_t>(y) * locked.Pitch);
        const unsigned char* src = coverage + static_cast<ptrdiff_t>(y) * pitch;
        for (int x = 0; x < width; ++x)
            row[x] = static_cast<uint16_t>(src[x] << 8 | 0xFF);
    }
    texture->UnlockRect(0);
    return true;
}

} // namespace FontFaces
