#include "threematch/controller/SystemPointer.h"

#include "foundation/logging/Logger.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace ThreeMatch {

namespace {

uint32_t texel(const D3DLOCKED_RECT& locked, int x, int y, bool opaque)
{
    const auto* row = static_cast<const uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch;
    const uint32_t value = reinterpret_cast<const uint32_t*>(row)[x];
    return opaque ? value | 0xFF000000u : value;
}

} // namespace

IDirect3DSurface9* SystemPointer::copy(IDirect3DDevice9* device, IDirect3DTexture9* texture, const RECT& source,
                                       int width, int height, POINT& hot)
{
    D3DSURFACE_DESC desc{};
    if (!device || !texture || width <= 0 || height <= 0 || FAILED(texture->GetLevelDesc(0, &desc)) ||
        (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8))
        return nullptr;
    const RECT part{std::clamp<LONG>(source.left, 0, desc.Width), std::clamp<LONG>(source.top, 0, desc.Height),
                    std::clamp<LONG>(source.right, 0, desc.Width), std::clamp<LONG>(source.bottom, 0, desc.Height)};
    if (part.right <= part.left || part.bottom <= part.top)
        return nullptr;
    D3DLOCKED_RECT from{};
    if (FAILED(texture->LockRect(0, &from, nullptr, D3DLOCK_READONLY)))
        return nullptr;
    // Scaled once per picture (not per frame), then cut to the pixels drawn.
    std::vector<uint32_t> scaled(static_cast<size_t>(width) * static_cast<size_t>(height));
    const bool opaque = desc.Format == D3DFMT_X8R8G8B8;
    const float sx = static_cast<float>(part.right - part.left) / static_cast<float>(width);
    const float sy = static_cast<float>(part.bottom - part.top) / static_cast<float>(height);
    RECT used{hot.x, hot.y, hot.x + 1, hot.y + 1}; // the hot spot stays inside
    for (int y = 0; y < height; ++y) {
        // Bilinear, as the sprite draws it: texel centres at half steps.
        const float fy = std::clamp(part.top + (static_cast<float>(y) + 0.5f) * sy - 0.5f, static_cast<float>(part.top),
                                    static_cast<float>(part.bottom - 1));
        const int y0 = static_cast<int>(fy), y1 = std::min<int>(y0 + 1, part.bottom - 1);
        const float wy = fy - static_cast<float>(y0);
        for (int x = 0; x < width; ++x) {
            const float fx = std::clamp(part.left + (static_cast<float>(x) + 0.5f) * sx - 0.5f,
                                        static_cast<float>(part.left), static_cast<float>(part.right - 1));
            const int x0 = static_cast<int>(fx), x1 = std::min<int>(x0 + 1, part.right - 1);
            const float wx = fx - static_cast<float>(x0);
            const uint32_t corners[4] = {texel(from, x0, y0, opaque), texel(from, x1, y0, opaque),
                                         texel(from, x0, y1, opaque), texel(from, x1, y1, opaque)};
            const float weights[4] = {(1 - wx) * (1 - wy), wx * (1 - wy), (1 - wx) * wy, wx * wy};
            float alpha = 0, channels[3] = {0, 0, 0};
            for (int k = 0; k < 4; ++k) {
                const float a = static_cast<float>(corners[k] >> 24) * weights[k];
                alpha += a;
                for (int c = 0; c < 3; ++c)
                    channels[c] += a * static_cast<float>((corners[k] >> (16 - 8 * c)) & 0xFF);
            }
            const long a = std::lround(alpha);
            uint32_t value = static_cast<uint32_t>(a) << 24;
            for (int c = 0; c < 3 && a > 0; ++c)
                value |= static_cast<uint32_t>(std::clamp(std::lround(channels[c] / alpha), 0L, 255L)) << (16 - 8 * c);
            scaled[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = value;
            if (a > 0)
                used = RECT{std::min<LONG>(used.left, x), std::min<LONG>(used.top, y),
                            std::max<LONG>(used.right, x + 1), std::max<LONG>(used.bottom, y + 1)};
        }
    }
    texture->UnlockRect(0);
    used = RECT{std::max<LONG>(used.left, 0), std::max<LONG>(used.top, 0), std::min<LONG>(used.right, width),
                std::min<LONG>(used.bottom, height)};
    IDirect3DSurface9* surface = nullptr;
    D3DLOCKED_RECT to{};
    if (used.right <= used.left || used.bottom <= used.top ||
        FAILED(device->CreateOffscreenPlainSurface(static_cast<UINT>(used.right - used.left),
                                                   static_cast<UINT>(used.bottom - used.top), D3DFMT_A8R8G8B8,
                                                   D3DPOOL_SYSTEMMEM, &surface, nullptr)))
        return nullptr;
    if (FAILED(surface->LockRect(&to, nullptr, 0))) {
        surface->Release();
        return nullptr;
    }
    for (LONG y = used.top; y < used.bottom; ++y)
        std::copy_n(scaled.begin() + y * width + used.left, used.right - used.left,
                    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(to.pBits) + (y - used.top) * to.Pitch));
    surface->UnlockRect();
    hot = POINT{hot.x - used.left, hot.y - used.top};
    return surface;
}

bool SystemPointer::show(IDirect3DDevice9* device, IDirect3DTexture9* texture, const RECT* source, int width,
                         int height)
{
    if (m_refused || !device || !texture || width <= 0 || height <= 0)
        return false;
    if (device != m_device) {
        release();
        m_device = device;
    }
    RECT part{};
    if (source) {
        part = *source;
    } else {
        D3DSURFACE_DESC desc{};
        if (FAILED(texture->GetLevelDesc(0, &desc)))
            return false;
        part = RECT{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
    }
    auto same = [&](const Picture& p) {
        return p.texture == texture && p.width == width && p.height == height && p.source.left == part.left &&
               p.source.top == part.top && p.source.right == part.right && p.source.bottom == part.bottom;
    };
    auto found = std::find_if(m_pictures.begin(), m_pictures.end(), same);
    if (found == m_pictures.end()) {
        // Pictures come from a few animations; a long run of new ones (sizes changing with the
        // window) starts the store again.
        if (m_pictures.size() >= kMaxPictures) {
            hide();
            forgetPictures();
        }
        texture->AddRef();
        POINT hot{width / 2, height / 2};
        IDirect3DSurface9* surface = copy(device, texture, part, width, height, hot);
        m_pictures.push_back(Picture{texture, part, width, height, surface, hot});
        found = m_pictures.end() - 1;
    }
    if (!found->surface)
        return false;
    // Shown every frame: a device that says it was not (made anew, or reset) has lost the
    // picture too.
    const bool wasShown = device->ShowCursor(TRUE) != FALSE;
    if (m_shown && !wasShown)
        m_current = nullptr;
    m_shown = true;
    if (found->surface != m_current) {
        if (FAILED(device->SetCursorProperties(static_cast<UINT>(found->hot.x), static_cast<UINT>(found->hot.y),
                                               found->surface))) {
            Ulvo::mainLogger().log(50, Ulvo::LOG_TYPE_WARNING,
                                   L"ThreeMatch::SystemPointer: keine Systemmaus, der Mauszeiger wird gezeichnet\n");
            m_refused = true;
            hide();
            return false;
        }
        m_current = found->surface;
    }
    return true;
}

void SystemPointer::hide()
{
    if (m_shown && m_device)
        m_device->ShowCursor(FALSE);
    m_shown = false;
}

void SystemPointer::release()
{
    hide();
    forgetPictures();
    m_device = nullptr;
}

void SystemPointer::forgetPictures()
{
    for (Picture& p : m_pictures) {
        if (p.surface)
            p.surface->Release();
        p.texture->Release();
    }
    m_pictures.clear();
    m_current = nullptr;
}

} // namespace ThreeMatch
