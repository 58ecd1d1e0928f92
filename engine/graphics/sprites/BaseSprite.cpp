#include "graphics/sprites/BaseSprite.h"

#include "foundation/logging/Logger.h"
#include "graphics/textures/Texture2D.h"

#include <cmath>
#include <cwctype>

namespace Ulvo {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
// A destination needing more tiles than this is garbage, not a picture: refusing
// it keeps a broken layout from allocating without bound.
constexpr float kMaxTilesPerAxis = 65536.0f;
constexpr double kMaxPieces = 1 << 20;

void refuse(const wchar_t* function, const wchar_t* reason)
{
    mainLogger().log(100, LOG_TYPE_ERROR, function, L" ", reason, L"\n");
}

// No texture has edges anywhere near this; beyond it the source is garbage.
constexpr long long kMaxSourceEdge = 1 << 24;

bool sourceUsable(const RECT& source, const wchar_t* function)
{
    const long long width = static_cast<long long>(source.right) - source.left;
    const long long height = static_cast<long long>(source.bottom) - source.top;
    if (width <= 0 || height <= 0) {
        refuse(function, L"refuses an empty source rectangle");
        return false;
    }
    if (width > kMaxSourceEdge || height > kMaxSourceEdge) {
        refuse(function, L"refuses an oversized source rectangle");
        return false;
    }
    return true;
}

// Where the pieces go: offsets (a, b) of the unrotated destination are laid
// along the (possibly rotated) axes from the origin.
struct Placement {
    D3DXVECTOR2 origin{0.0f, 0.0f};
    D3DXVECTOR2 axisX{1.0f, 0.0f};
    D3DXVECTOR2 axisY{0.0f, 1.0f};
    float rotation = 0.0f;

    D3DXVECTOR2 at(float a, float b) const { return origin + axisX * a + axisY * b; }
};

// The region being filled: source size and the signed destination size.
struct Region {
    RECT source;
    float sw;
    float sh;
    float dw;
    float dh;
};

RECT cutSource(const RECT& source, LONG width, LONG height)
{
    return RECT{source.left, source.top, source.left + width, source.top + height};
}

// Pieces with nothing to show (zero scale or an empty cut) are left out.
void addPiece(std::vector<SpritePiece>& pieces, const RECT& source, float sx, float sy, const Placement& placement,
              float a, float b)
{
    if (sx == 0.0f || sy == 0.0f || source.right <= source.left || source.bottom <= source.top)
        return;
    SpritePiece piece;
    piece.source = source;
    piece.scaling = D3DXVECTOR2(sx, sy);
    piece.rotation = placement.rotation;
    piece.rotationCenter = D3DXVECTOR2(0.0f, 0.0f);
    piece.translation = placement.at(a, b);
    pieces.push_back(piece);
}

// Whole tiles along one axis (truncated towards zero) and the length of the cut
// last tile. False when the count is not a sane number.
struct Tiles {
    long count = 0;
    LONG cut = 0;
};

bool countTiles(float destination, float tile, Tiles& tiles)
{
    const float q = destination / tile;
    if (!std::isfinite(q) || std::fabs(q) > kMaxTilesPerAxis)
        return false;
    tiles.count = static_cast<long>(q);
    // Taken from the lengths rather than the fraction of q, which would lose a
    // texel to rounding (7 / 3 gives a fraction just short of 1/3).
    tiles.cut = static_cast<LONG>(destination - static_cast<float>(tiles.count) * tile);
    return true;
}

bool tooManyPieces(const Tiles& x, const Tiles& y)
{
    return (std::fabs(static_cast<double>(x.count)) + 1.0) * (std::fabs(static_cast<double>(y.count)) + 1.0) >
           kMaxPieces;
}

void clampRule(const Region& r, DWORD modeX, DWORD modeY, bool integerHalves, const Placement& placement,
               std::vector<SpritePiece>& pieces)
{
    auto offset = [integerHalves](float d, float s, DWORD mode) {
        if (mode & SDP_ALIGN_BACK)
            return d - s;
        if (integerHalves)
            return static_cast<float>(static_cast<long long>(d - s) / 2);
        return (d - s) * 0.5f;
    };
    addPiece(pieces, r.source, 1.0f, 1.0f, placement, offset(r.dw, r.sw, modeX), offset(r.dh, r.sh, modeY));
}

// Place of the axis with room to spare; a reversed destination swaps the sense
// of front and back so that front stays on the left or top of the screen.
float stretchPlace(DWORD mode, float d, float s, float k)
{
    const bool reversed = d < 0.0f;
    if (mode & SDP_ALIGN_FRONT)
        return reversed ? d - s * k : 0.0f;
    if (mode & SDP_ALIGN_BACK)
        return reversed ? 0.0f : d - s * k;
    return (d - s * k) * 0.5f;
}

void stretchRule(const Region& r, DWORD modeX, DWORD modeY, const Placement& placement,
                 std::vector<SpritePiece>& pieces)
{
    const float sx = std::fabs(r.dw / r.sw);
    const float sy = std::fabs(r.dh / r.sh);
    const float s = sy >= sx ? sx : sy;
    if (!std::isfinite(s) || s == 0.0f)
        return;
    const float kx = r.dw < 0.0f ? -s : s;
    const float ky = r.dh < 0.0f ? -s : s;
    float a = 0.0f;
    float b = 0.0f;
    if (sy >= sx)
        b = stretchPlace(modeY, r.dh, r.sh, ky);
    else
        a = stretchPlace(modeX, r.dw, r.sw, kx);
    addPiece(pieces, r.source, kx, ky, placement, a, b);
}

enum class Chain { Refused, NoMatch, Matched };

// Scale and repeat in their four combinations; the first that matches decides.
Chain scaleRepeatChain(const Region& r, DWORD modeX, DWORD modeY, const Placement& placement,
                       std::vector<SpritePiece>& pieces, const wchar_t* function)
{
    const bool scaleX = modeX & SDP_SCALE;
    const bool scaleY = modeY & SDP_SCALE;
    const bool repeatX = modeX & SDP_REPEAT;
    const bool repeatY = modeY & SDP_REPEAT;

    if (scaleX && scaleY) {
        addPiece(pieces, r.source, r.dw / r.sw, r.dh / r.sh, placement, 0.0f, 0.0f);
        return Chain::Matched;
    }
    if (!repeatX && !repeatY)
        return Chain::NoMatch;
    if (!(repeatX && repeatY) && !(scaleX && repeatY) && !(repeatX && scaleY))
        return Chain::NoMatch;

    Tiles tx;
    Tiles ty;
    if ((repeatX && !countTiles(r.dw, r.sw, tx)) || (repeatY && !countTiles(r.dh, r.sh, ty)) || tooManyPieces(tx, ty)) {
        refuse(function, L"refuses a destination needing too many tiles");
        return Chain::Refused;
    }
    const LONG sw = r.source.right - r.source.left;
    const LONG sh = r.source.bottom - r.source.top;

    if (repeatX && repeatY) {
        for (long i = 0; i < tx.count; ++i)
            for (long j = 0; j < ty.count; ++j)
                addPiece(pieces, r.source, 1.0f, 1.0f, placement, i * r.sw, j * r.sh);
        const RECT column = cutSource(r.source, tx.cut, sh);
        for (long j = 0; j < ty.count; ++j)
            addPiece(pieces, column, 1.0f, 1.0f, placement, tx.count * r.sw, j * r.sh);
        const RECT row = cutSource(r.source, sw, ty.cut);
        for (long i = 0; i < tx.count; ++i)
            addPiece(pieces, row, 1.0f, 1.0f, placement, i * r.sw, ty.count * r.sh);
        addPiece(pieces, cutSource(r.source, tx.cut, ty.cut), 1.0f, 1.0f, placement, tx.count * r.sw, ty.count * r.sh);
        return Chain::Matched;
    }
    if (scaleX && repeatY) {
        const float kx = r.dw / r.sw;
        for (long j = 0; j < ty.count; ++j)
            addPiece(pieces, r.source, kx, 1.0f, placement, 0.0f, j * r.sh);
        addPiece(pieces, cutSource(r.source, sw, ty.cut), kx, 1.0f, placement, 0.0f, ty.count * r.sh);
        return Chain::Matched;
    }
    const float ky = r.dh / r.sh;
    for (long i = 0; i < tx.count; ++i)
        addPiece(pieces, r.source, 1.0f, ky, placement, i * r.sw, 0.0f);
    addPiece(pieces, cutSource(r.source, tx.cut, sh), 1.0f, ky, placement, tx.count * r.sw, 0.0f);
    return Chain::Matched;
}

// Stretch one axis to the destination and tile the other at that scale. along
// is the tiled axis: false tiles along y (stretch x), true along x.
bool stretchNumberRule(const Region& r, bool alongX, const Placement& placement, std::vector<SpritePiece>& pieces,
                       const wchar_t* function)
{
    const float k = alongX ? r.dh / r.sh : r.dw / r.sw;
    const float tile = alongX ? r.sw : r.sh;
    const float n = (alongX ? r.dw / r.sw : r.dh / r.sh) / k;
    if (!std::isfinite(k) || k == 0.0f) {
        refuse(function, L"refuses a zero scale");
        return false;
    }
    if (!std::isfinite(n) || std::fabs(n) > kMaxTilesPerAxis) {
        refuse(function, L"refuses a destination needing too many tiles");
        return false;
    }
    const long m = static_cast<long>(n);
    for (long j = 0; j < m; ++j) {
        const float offset = j * tile * k;
        addPiece(pieces, r.source, k, k, placement, alongX ? offset : 0.0f, alongX ? 0.0f : offset);
    }
    // The remaining length in texels; the small allowance keeps a length such as
    // 0.99999 from truncating to nothing.
    const LONG cut = static_cast<LONG>((n - static_cast<float>(m)) * tile + 0.001f);
    const LONG sw = r.source.right - r.source.left;
    const LONG sh = r.source.bottom - r.source.top;
    const float offset = m * tile * k;
    addPiece(pieces, alongX ? cutSource(r.source, cut, sh) : cutSource(r.source, sw, cut), k, k, placement,
             alongX ? offset : 0.0f, alongX ? 0.0f : offset);
    return true;
}

Region regionOf(const RECT& source, float dw, float dh)
{
    return Region{source, static_cast<float>(source.right - source.left),
                  static_cast<float>(source.bottom - source.top), dw, dh};
}

Placement placementOf(const RECT& destination)
{
    Placement placement;
    placement.origin = D3DXVECTOR2(static_cast<float>(destination.left), static_cast<float>(destination.top));
    return placement;
}

float rectWidth(const RECT& rect)
{
    return static_cast<float>(static_cast<long long>(rect.right) - rect.left);
}

float rectHeight(const RECT& rect)
{
    return static_cast<float>(static_cast<long long>(rect.bottom) - rect.top);
}

} // namespace

DWORD BaseSprite::getDrawMode(const std::wstring& text)
{
    std::wstring upper(text);
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    static const struct {
        const wchar_t* name;
        DWORD flag;
    } modes[] = {{L"SCALE", SDP_SCALE},
                 {L"REPEAT", SDP_REPEAT},
                 {L"STRETCH", SDP_STRETCH},
                 {L"ALIGN_FRONT", SDP_ALIGN_FRONT},
                 {L"ALIGN_BACK", SDP_ALIGN_BACK},
                 {L"CLAMP", SDP_CLAMP},
                 {L"STRETCH_NUMBER", SDP_STRETCH_NUMBER}};
    for (const auto& mode : modes) {
        if (upper == mode.name || upper == std::wstring(L"SDP_") + mode.name)
            return mode.flag;
    }
    return 0;
}

bool BaseSprite::buildPiecesRect(const RECT& source, const RECT& destination, DWORD modeX, DWORD modeY,
                                 std::vector<SpritePiece>& pieces)
{
    static const wchar_t* const function = L"Ulvo::BaseSprite::buildPiecesRect";
    pieces.clear();
    if (!sourceUsable(source, function))
        return false;
    const Region r = regionOf(source, rectWidth(destination), rectHeight(destination));
    const Placement placement = placementOf(destination);
    if ((modeX | modeY) & SDP_CLAMP)
        clampRule(r, modeX, modeY, true, placement, pieces);
    if ((modeX | modeY) & SDP_STRETCH)
        stretchRule(r, modeX, modeY, placement, pieces);
    if (scaleRepeatChain(r, modeX, modeY, placement, pieces, function) == Chain::Refused) {
        pieces.clear();
        return false;
    }
    return true;
}

bool BaseSprite::buildPieces(const SpriteDrawInfo& info, const RECT& source, DWORD modeX, DWORD modeY,
                             std::vector<SpritePiece>& pieces)
{
    static const wchar_t* const function = L"Ulvo::BaseSprite::buildPieces";
    pieces.clear();
    if (!sourceUsable(source, function))
        return false;
    const Region r = regionOf(source, info.size.x, info.size.y);

    Placement placement;
    const D3DXMATRIX transform = info.getTransform();
    const D3DXVECTOR2 corner(0.0f, 0.0f);
    D3DXVec2TransformCoord(&placement.origin, &corner, &transform);
    placement.rotation = info.rotation * kDegreesToRadians;
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, placement.rotation);
    const D3DXVECTOR2 units[2] = {D3DXVECTOR2(1.0f, 0.0f), D3DXVECTOR2(0.0f, 1.0f)};
    D3DXVECTOR2 axes[2];
    D3DXVec2TransformNormalArray(axes, sizeof(D3DXVECTOR2), units, sizeof(D3DXVECTOR2), &turn, 2);
    placement.axisX = axes[0];
    placement.axisY = axes[1];

    if ((modeX | modeY) & SDP_CLAMP)
        clampRule(r, modeX, modeY, false, placement, pieces);
    if ((modeX & SDP_STRETCH_NUMBER) && (modeY & SDP_REPEAT)) {
        if (!stretchNumberRule(r, false, placement, pieces, function)) {
            pieces.clear();
            return false;
        }
    }
    if ((modeX & SDP_REPEAT) && (modeY & SDP_STRETCH_NUMBER)) {
        if (!stretchNumberRule(r, true, placement, pieces, function)) {
            pieces.clear();
            return false;
        }
        return true;
    }
    if ((modeX | modeY) & SDP_STRETCH)
        stretchRule(r, modeX, modeY, placement, pieces);
    if (scaleRepeatChain(r, modeX, modeY, placement, pieces, function) == Chain::Refused) {
        pieces.clear();
        return false;
    }
    return true;
}

bool BaseSprite::drawPieces(Texture2D* texture, IDirect3DTexture9** raw, D3DCOLOR colour)
{
    bool drawn = false;
    for (const SpritePiece& piece : m_pieces) {
        const bool ok = texture ? drawTexture2D(texture, &piece.source, &piece.scaling, &piece.rotationCenter,
                                                piece.rotation, &piece.translation, colour)
                                : drawRaw2D(raw, &piece.source, &piece.scaling, &piece.rotationCenter, piece.rotation,
                                            &piece.translation, colour);
        drawn = drawn || ok;
    }
    return drawn;
}

bool BaseSprite::drawTexture(Texture2D* texture, const RECT* source, const SpriteDrawInfo& info, DWORD modeX,
                             DWORD modeY, D3DCOLOR colour)
{
    // An unloaded texture has nothing to draw (and an empty rectangle not worth a log line).
    if (!texture || !texture->getTexture())
        return false;
    if (!buildPieces(info, source ? *source : texture->getRect(), modeX, modeY, m_pieces))
        return false;
    return drawPieces(texture, nullptr, colour);
}

bool BaseSprite::drawRawTexture(IDirect3DTexture9** texture, const RECT* source, const SpriteDrawInfo& info,
                                DWORD modeX, DWORD modeY, D3DCOLOR colour)
{
    if (!texture || !*texture || !source)
        return false;
    if (!buildPieces(info, *source, modeX, modeY, m_pieces))
        return false;
    return drawPieces(nullptr, texture, colour);
}

bool BaseSprite::drawRegion(Texture2D* texture, const RECT* source, const RECT& destination, DWORD modeX, DWORD modeY,
                            D3DCOLOR colour)
{
    // An unloaded texture has nothing to draw (and an empty rectangle not worth a log line).
    if (!texture || !texture->getTexture())
        return false;
    return drawRegionPieces(texture, nullptr, source ? *source : texture->getRect(), destination, modeX, modeY, colour);
}

bool BaseSprite::drawRawRegion(IDirect3DTexture9** texture, const RECT* source, const RECT& destination, DWORD modeX,
                               DWORD modeY, D3DCOLOR colour)
{
    if (!texture || !*texture || !source)
        return false;
    return drawRegionPieces(nullptr, texture, *source, destination, modeX, modeY, colour);
}

bool BaseSprite::drawRegionPieces(Texture2D* texture, IDirect3DTexture9** raw, const RECT& source,
                                  const RECT& destination, DWORD modeX, DWORD modeY, D3DCOLOR colour)
{
    static const wchar_t* const function = L"Ulvo::BaseSprite::drawRegion";
    m_pieces.clear();
    if (!sourceUsable(source, function))
        return false;
    const Region r = regionOf(source, rectWidth(destination), rectHeight(destination));
    const Placement placement = placementOf(destination);
    // Clamp and stretch are one draw each and answer with that draw's result.
    if ((modeX | modeY) & SDP_CLAMP) {
        clampRule(r, modeX, modeY, true, placement, m_pieces);
        return drawPieces(texture, raw, colour);
    }
    if ((modeX | modeY) & SDP_STRETCH) {
        stretchRule(r, modeX, modeY, placement, m_pieces);
        return drawPieces(texture, raw, colour);
    }
    if (scaleRepeatChain(r, modeX, modeY, placement, m_pieces, function) == Chain::Refused)
        return false;
    drawPieces(texture, raw, colour);
    return true;
}

bool BaseSprite::drawTexture2D(Texture2D*, const RECT*, const D3DXVECTOR2*, const D3DXVECTOR2*, float,
                               const D3DXVECTOR2*, D3DCOLOR)
{
    return false;
}

bool BaseSprite::drawRaw2D(IDirect3DTexture9**, const RECT*, const D3DXVECTOR2*, const D3DXVECTOR2*, float,
                           const D3DXVECTOR2*, D3DCOLOR)
{
    return false;
}

bool BaseSprite::drawRaw3D(IDirect3DTexture9**, const RECT*, const D3DXVECTOR3*, const D3DXQUATERNION*,
                           const D3DXVECTOR3*, const D3DXVECTOR3*, D3DCOLOR)
{
    return false;
}

bool BaseSprite::drawTexture3D(Texture2D*, const RECT*, const D3DXVECTOR3*, const D3DXQUATERNION*, const D3DXVECTOR3*,
                               const D3DXVECTOR3*, D3DCOLOR)
{
    return false;
}

} // namespace Ulvo
