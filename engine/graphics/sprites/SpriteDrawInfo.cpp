#include "graphics/sprites/SpriteDrawInfo.h"

namespace Ulvo {

namespace {

// Degrees to radians in single precision, as the drawers have always turned them.
constexpr float kDegreesToRadians = 0.017453292f;

} // namespace

SpriteDrawInfo::SpriteDrawInfo(const D3DXVECTOR2& position_, const D3DXVECTOR2& size_, float rotation_,
                               const D3DXVECTOR2& center_, DWORD flags_)
    : position(position_), size(size_), center(center_), rotation(rotation_), flags(flags_)
{
}

SpriteDrawInfo::SpriteDrawInfo(const RECT& rect, float rotation_, const D3DXVECTOR2& center_, DWORD flags_)
    : position(static_cast<float>(rect.left), static_cast<float>(rect.top))
    , size(static_cast<float>(rect.right - rect.left), static_cast<float>(rect.bottom - rect.top))
    , center(center_)
    , rotation(rotation_)
    , flags(flags_)
{
}

void SpriteDrawInfo::clear()
{
    *this = SpriteDrawInfo();
}

D3DXVECTOR2 SpriteDrawInfo::getRotationCenter() const
{
    D3DXVECTOR2 c = center;
    if (flags & SDI_CENTER_RELATIVE)
        c = D3DXVECTOR2(size.x * center.x, size.y * center.y);
    if (flags & SDI_CENTER_ABSOLUTE)
        c -= position;
    return c;
}

D3DXVECTOR2 SpriteDrawInfo::getTranslation() const
{
    D3DXVECTOR2 p = position;
    if (flags & SDI_POSITION_IS_CENTER)
        p -= getRotationCenter();
    return p;
}

D3DXMATRIX SpriteDrawInfo::getTransform() const
{
    const D3DXVECTOR2 c = getRotationCenter();
    const D3DXVECTOR2 p = getTranslation();
    D3DXMATRIX m;
    D3DXMatrixTransformation2D(&m, nullptr, 0.0f, nullptr, &c, rotation * kDegreesToRadians, &p);
    return m;
}

Ulvo2DQuad SpriteDrawInfo::getQuad() const
{
    const D3DXMATRIX m = getTransform();
    const D3DXVECTOR2 corners[4] = {D3DXVECTOR2(0.0f, 0.0f), D3DXVECTOR2(size.x, 0.0f), D3DXVECTOR2(size.x, size.y),
                                    D3DXVECTOR2(0.0f, size.y)};
    D3DXVECTOR2 out[4];
    D3DXVec2TransformCoordArray(out, sizeof(D3DXVECTOR2), corners, sizeof(D3DXVECTOR2), &m, 4);
    return Ulvo2DQuad(out);
}

FloatRect SpriteDrawInfo::getBoundingRect() const
{
    return getQuad().getBoundingRect();
}

} // namespace Ulvo
