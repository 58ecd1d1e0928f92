#pragma once
// What the drawn scene-object kinds (meshes, water, sky, animated meshes) share: the effect
// parameters of the material effects that do not depend on the kind (the matrices, the far
// distance, the cube map), the bounds of a local box and sphere under a world matrix, and the
// check that refuses a transform that is not a number.
#include <d3dx9.h>

#include "foundation/helpers/BoundingVolumes.h"

namespace Ulvo {

class BaseObjekt;
class Camera;

class ObjektDrawing {
public:
    // "g_World", "g_WorldView", "g_WorldTransposeInv" (the inverse, set transposed) and
    // "g_WorldViewProjection" for world under the camera.
    static void setWorldMatrices(ID3DXEffect* effect, const D3DXMATRIX& world, Camera* camera);
    // "g_fardist": the object's four far values when its fade is on, else 0, 0 and the largest
    // float twice.
    static void setFarDistance(ID3DXEffect* effect, const BaseObjekt& object);
    // "g_CubeMap": the object's own sky map, or with the standard environment the shared
    // environment map (null without one). True when a cube map was set.
    static bool bindCubeMap(ID3DXEffect* effect, const BaseObjekt& object);
    // The box round the eight corners of a local box under world.
    static AABB worldBox(const D3DXVECTOR3& min, const D3DXVECTOR3& max, const D3DXMATRIX& world);
    // A local sphere under world: the centre transformed, the radius grown by the largest scale.
    static BoundingSphere worldSphere(const D3DXVECTOR3& centre, float radius, const D3DXMATRIX& world,
                                      const D3DXVECTOR3& scale);
    // The drawing copies of a mesh resource bound once per run of objects sharing them.
    static void bindBuffers(IDirect3DDevice9* device, const void* owner, IDirect3DVertexBuffer9* vertices, UINT stride,
                            IDirect3DIndexBuffer9* indices, IDirect3DVertexDeclaration9* declaration);
};

} // namespace Ulvo
