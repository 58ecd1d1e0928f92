#pragma once
// What roads, trees, arrangements and the height and slope fields read and edit of a terrain.
// Both terrain objects (the grid terrain and the clipmap terrain) carry it as their second base
// beside BaseObjekt; callers find the terrain by name in the object manager and dynamic_cast the
// object, which gives null for an object that is no terrain. No data: each terrain keeps its own
// change flags, edit counter and signals.
//
// UV: u runs along the terrain's local x, v along its local z; [0,1]² covers the terrain. Heights
// are world y (position and height scale applied); normals are unit length and point up on a
// flat, unrotated terrain. Edits are bracketed by beginModify/endModify; reads need no bracket.
#include <d3dx9math.h>

namespace Ulvo {

class HeightMap {
public:
    virtual ~HeightMap() = default;

    // The height at the point's x/z becomes the point's y (through worldToUV and setHeightUV);
    // nothing on a terrain whose heights are locked.
    virtual void setHeight(const D3DXVECTOR3& point) = 0;
    virtual void setHeightUV(const D3DXVECTOR2& uv, double& height) = 0;
    // Pulls the terrain within the horizontal radius of the centre towards the centre's y; the
    // factor shapes the profile.
    virtual void modifyHeightRadius(const D3DXVECTOR3& centre, double radius, float factor) = 0;
    // Adds a radial modifier to a terrain whose heights come from a procedural field; a terrain
    // with stored heights accepts the call and does nothing.
    virtual void addHeightModifier(const D3DXVECTOR2& centre, const D3DXVECTOR2& value, double radius) = 0;
    virtual void addHeightUV(const D3DXVECTOR2& uv, double& delta) = 0;

    virtual float getHeightUV(const D3DXVECTOR2& uv) = 0;
    // The point's y is ignored.
    virtual float getHeight(const D3DXVECTOR3& point) = 0;
    virtual float getHeight(const D3DXVECTOR2& xz) = 0;
    // Off the terrain: the terrain object's position.
    virtual D3DXVECTOR3* getPositionUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv) = 0;
    virtual D3DXVECTOR2* worldToUV(D3DXVECTOR2* out, const D3DXVECTOR3& point) = 0;
    // smooth interpolates the vertex normals, else the flat normal of the triangle under the
    // point (an implementation may ignore it).
    virtual D3DXVECTOR3* getNormalUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv, bool smooth) = 0;
    virtual D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR3& point, bool smooth) = 0;
    virtual D3DXVECTOR3* getNormal(D3DXVECTOR3* out, const D3DXVECTOR2& xz, bool smooth) = 0;

    // Calls nest; endModify closes the edit whatever the depth and rebuilds what the edits asked.
    virtual void beginModify() = 0;
    virtual void endModify() = 0;

protected:
    HeightMap() = default;
    HeightMap(const HeightMap&) = default;
    HeightMap& operator=(const HeightMap&) = default;
};

} // namespace Ulvo
