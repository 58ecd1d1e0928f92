#pragma once
// The sprite drawer interface all 2D drawing goes through: textured rectangles
// with a 2D or 3D transformation between Begin and End, and the filling of a
// destination with a texture region by a draw mode per axis.
#include <windows.h>
#include <d3d9.h>
#include <d3dx9math.h>

#include "devices/d3d/DeviceResource.h"
#include "foundation/sigslot.h"
#include "graphics/sprites/SpriteDrawInfo.h"

#include <string>
#include <vector>

namespace Ulvo {

class Effect;
class Texture2D;

// Draw modes, one flag set per axis.
enum SpriteDrawMode : DWORD {
    SDP_SCALE = 1,          // scale the region to the destination length
    SDP_REPEAT = 2,         // tile at natural size, the last tile cut
    SDP_STRETCH = 4,        // scale uniformly to fit, keeping the aspect ratio
    SDP_ALIGN_FRONT = 8,    // left or top edge
    SDP_ALIGN_BACK = 16,    // right or bottom edge
    SDP_CLAMP = 32,         // natural size, no scaling
    SDP_STRETCH_NUMBER = 64 // stretch this axis, tile the other at the same scale
};

// A device resource: a drawer follows the device from its create on.
class BaseSprite : public sigslot::has_slots<>, public DeviceResource {
public:
    ~BaseSprite() override = default;

    virtual bool create() = 0;
    // effect: used by drawers that draw through an effect; others ignore it.
    virtual bool Begin(DWORD flags, Effect* effect = nullptr) = 0;
    virtual bool End() = 0;
    virtual void resumeBatch() = 0;
    virtual void suspendBatch() = 0;

    // The record's size filled by the source region (null: the texture's rect)
    // by the two modes, turned and placed by the record. True when any piece
    // was drawn.
    virtual bool drawTexture(Texture2D* texture, const RECT* source, const SpriteDrawInfo& info, DWORD modeX,
                             DWORD modeY, D3DCOLOR colour);
    virtual bool drawRawTexture(IDirect3DTexture9** texture, const RECT* source, const SpriteDrawInfo& info,
                                DWORD modeX, DWORD modeY, D3DCOLOR colour);
    // The destination rectangle filled by the source region, unrotated.
    virtual bool drawRegion(Texture2D* texture, const RECT* source, const RECT& destination, DWORD modeX, DWORD modeY,
                            D3DCOLOR colour);
    virtual bool drawRawRegion(IDirect3DTexture9** texture, const RECT* source, const RECT& destination, DWORD modeX,
                               DWORD modeY, D3DCOLOR colour);

    // One draw: scaled, turned about rotationCenter (radians), translated.
    virtual bool drawTexture2D(Texture2D* texture, const RECT* source, const D3DXVECTOR2* scaling,
                               const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation,
                               D3DCOLOR colour);
    virtual bool drawRaw2D(IDirect3DTexture9** texture, const RECT* source, const D3DXVECTOR2* scaling,
                           const D3DXVECTOR2* rotationCenter, float rotation, const D3DXVECTOR2* translation,
                           D3DCOLOR colour);
    virtual bool drawRaw3D(IDirect3DTexture9** texture, const RECT* source, const D3DXVECTOR3* scaling,
                           const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation, const D3DXVECTOR3* center,
                           D3DCOLOR colour);
    virtual bool drawTexture3D(Texture2D* texture, const RECT* source, const D3DXVECTOR3* scaling,
                               const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation,
                               const D3DXVECTOR3* center, D3DCOLOR colour);

    // One word ("CLAMP" or "SDP_CLAMP", any case) to its flag; 0 for anything else.
    static DWORD getDrawMode(const std::wstring& text);

    // The pieces that fill destination with source (GUI form: unrotated, the
    // clamp and stretch rules each add their piece when they match). pieces is
    // cleared first. False, with nothing added, for an empty source or a
    // destination that would need an unbounded number of tiles (logged).
    static bool buildPiecesRect(const RECT& source, const RECT& destination, DWORD modeX, DWORD modeY,
                                std::vector<SpritePiece>& pieces);
    // The same for a record's size, placed and turned by the record.
    static bool buildPieces(const SpriteDrawInfo& info, const RECT& source, DWORD modeX, DWORD modeY,
                            std::vector<SpritePiece>& pieces);

private:
    // The region draw: pieces built by the first matching rule, each drawn.
    bool drawRegionPieces(Texture2D* texture, IDirect3DTexture9** raw, const RECT& source, const RECT& destination,
                          DWORD modeX, DWORD modeY, D3DCOLOR colour);
    bool drawPieces(Texture2D* texture, IDirect3DTexture9** raw, D3DCOLOR colour);

    // Reused by every draw so drawing allocates nothing once warmed up.
    std::vector<SpritePiece> m_pieces;
};

} // namespace Ulvo
