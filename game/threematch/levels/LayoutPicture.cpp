#include "threematch/levels/LayoutPicture.h"

#include "graphics/textures/Texture2D.h"
#include "threematch/board/Feld.h"
#include "threematch/globals/GameGraphics.h"

#include <d3d9.h>

namespace ThreeMatch {

namespace {

struct Channels {
    uint32_t a, r, g, b;
};

Channels channels(uint32_t argb)
{
    return {argb >> 24, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF};
}

// Playable and empty, with the target, stone and spawn channels every picture shares.
LayoutCell playableCell(const Channels& c)
{
    LayoutCell cell{FeldFlag::Spielbar | FeldFlag::Leer, c.g > 64};
    if (c.b > 64)
        cell.flags |= FeldFlag::Ziel1;
    if (c.b > 128)
        cell.flags |= FeldFlag::Ziel2;
    if (c.g > 128)
        cell.flags |= FeldFlag::Quelle;
    return cell;
}

uint8_t toByte(float value)
{
    return static_cast<uint8_t>(value >= 1.0f ? 255 : value > 0.0f ? value * 255.0f + 0.5f : 0);
}

// Copies the texels of a loaded texture; false when it cannot be locked or read.
bool readTexels(Ulvo::Texture2D* texture, LayoutPicture& picture)
{
    if (!texture || texture->getWidth() == 0 || texture->getHeight() == 0)
        return false;
    const RECT area{0, 0, static_cast<LONG>(texture->getWidth()), static_cast<LONG>(texture->getHeight())};
    if (!texture->lock(0, nullptr, area, D3DLOCK_READONLY))
        return false;
    LayoutPicture read;
    read.width = static_cast<int>(texture->getLockWidth());
    read.height = static_cast<int>(texture->getLockHeight());
    read.texels.resize(static_cast<std::size_t>(read.width) * read.height);
    bool ok = true;
    for (uint32_t y = 0; ok && y < static_cast<uint32_t>(read.height); ++y) {
        for (uint32_t x = 0; ok && x < static_cast<uint32_t>(read.width); ++x) {
            D3DXVECTOR4 c;
            ok = texture->getPixel(c, x, y);
            read.texels[y * read.width + x] = static_cast<uint32_t>(toByte(c.w)) << 24 |
                                              static_cast<uint32_t>(toByte(c.x)) << 16 |
                                              static_cast<uint32_t>(toByte(c.y)) << 8 | toByte(c.z);
        }
    }
    texture->unlock(0);
    if (ok)
        picture = std::move(read);
    return ok;
}

} // namespace

LayoutCell storyCell(uint32_t argb)
{
    const Channels c = channels(argb);
    if (c.a == 0)
        return {};
    if (c.r > 128)
        return {FeldFlag::Wand, false};
    LayoutCell cell = playableCell(c);
    if (c.r > 64)
        cell.flags |= FeldFlag::Locked;
    return cell;
}

LayoutCell stampCell(uint32_t argb)
{
    const Channels c = channels(argb);
    if (c.a == 0 || c.r > 128)
        return {};
    LayoutCell cell = playableCell(c);
    if (c.r > 64)
        cell.flags |= FeldFlag::Locked;
    return cell;
}

bool TexturePictureSource::readFile(const std::wstring& fileName, LayoutPicture& picture)
{
    return readTexels(gameTextureFromFile(fileName), picture);
}

bool TexturePictureSource::readTexture(const std::wstring& name, LayoutPicture& picture)
{
    return readTexels(findGameTexture(name), picture);
}

} // namespace ThreeMatch
