#pragma once
// The draw record of one sprite (where, how large, turned about which point) and
// one piece of a region draw as the sprite drawers hand it to the device.
#include <windows.h>
#include <d3dx9math.h>

#include "graphics/sprites/FloatRect.h"
#include "graphics/sprites/Ulvo2DGeom.h"

namespace Ulvo {

struct SpriteDrawInfo {
    // Flags.
    enum : DWORD {
        SDI_CENTER_RELATIVE = 1,   // centre given as a fraction of the size
        SDI_CENTER_ABSOLUTE = 2,   // centre given in screen coordinates
        SDI_POSITION_IS_CENTER = 4 // position names the centre, not the top-left corner
    };

    D3DXVECTOR2 position{0.0f, 0.0f};
    D3DXVECTOR2 size{0.0f, 0.0f};
    D3DXVECTOR2 center{0.0f, 0.0f};
    float rotation = 0.0f; // degrees
    DWORD flags = 0;

    SpriteDrawInfo() = default;
    SpriteDrawInfo(const D3DXVECTOR2& position, const D3DXVECTOR2& size, float rotation = 0.0f,
                   const D3DXVECTOR2& center = D3DXVECTOR2(0.0f, 0.0f), DWORD flags = 0);
    // Position = left, top; size = right - left, bottom - top.
    explicit SpriteDrawInfo(const RECT& rect, float rotation = 0.0f,
                            const D3DXVECTOR2& center = D3DXVECTOR2(0.0f, 0.0f), DWORD flags = 0);

    void clear();

    // The rotation centre in the record's own frame (after the centre flags).
    D3DXVECTOR2 getRotationCenter() const;
    // Where the record's top-left corner goes before rotation.
    D3DXVECTOR2 getTranslation() const;
    // Rotation about the centre, then translation; the size only places the
    // centre, the matrix never scales.
    D3DXMATRIX getTransform() const;
    // Corners (0,0), (w,0), (w,h), (0,h) through getTransform, in that order.
    Ulvo2DQuad getQuad() const;
    FloatRect getBoundingRect() const;
};

// One draw of a region: source texels, scaled, turned about the rotation centre
// (radians), then moved by the translation.
struct SpritePiece {
    RECT source{0, 0, 0, 0};
    float rotation = 0.0f;
    D3DXVECTOR2 rotationCenter{0.0f, 0.0f};
    D3DXVECTOR2 scaling{0.0f, 0.0f};
    D3DXVECTOR2 translation{0.0f, 0.0f};
};

} // namespace Ulvo
