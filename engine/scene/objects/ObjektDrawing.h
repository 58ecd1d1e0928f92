#pragma once
// What the drawn scene-object kinds (meshes, water, sky, animated meshes, the gizmo) share: the
// effect parameters of the material effects that do not depend on the kind (the matrices, the
// far distance, the cube map), the bounds of a local box and sphere under a world matrix, and the
// parts of their descriptions they read and write alike (TYPE, the TEXTURES entries, the
// material amounts).
#include <d3dx9.h>

#include "foundation/helpers/BoundingVolumes.h"

namespace Ulvo {

class BaseObjekt;
class Camera;
class Texture2D;
class XMLNode;

// The amounts of the material effect that meshes and animated meshes read from their data node.
struct MaterialAmounts {
    float reflection = 0.0f;
    float bump = 0.0f;
    float specular = 0.0f;
    float specularPower = 55.0f;
    // 1 - SHADOW_RECEIVE: what light is left in the shadow.
    float shadow = 0.0f;

    void read(const XMLNode& data);
    void write(XMLNode& data) const;
};

class ObjektDrawing {
public:
    // "g_World", "g_WorldView", "g_WorldTransposeInv" (the inverse, set transposed) and
    // "g_WorldViewProjection" for world under the camera.
    static void setWorldMatrices(ID3DXEffect* effect, const D3DXMATRIX& world, Camera* camera);
    // "g_fardist": the object's four far values when its fade is on, else 0, 0 and the largest
    // float twice; "g_FarFade" whether it is on.
    static void setFarDistance(ID3DXEffect* effect, const BaseObjekt& object);
    // "g_CubeMap": the object's own sky map, or with the standard environment the shared
    // environment map (null without one). True when a cube map was set.
    static bool bindCubeMap(ID3DXEffect* effect, const BaseObjekt& object);
    // The box round the eight corners of a local box under world.
    static AABB worldBox(const D3DXVECTOR3& min, const D3DXVECTOR3& max, const D3DXMATRIX& world);
    // A local sphere under world: the centre transformed, the radius grown by the largest scale.
    static BoundingSphere worldSphere(const D3DXVECTOR3& centre, float radius, const D3DXMATRIX& world,
                                      const D3DXVECTOR3& scale);
    // The TEXTURES entry key of the object node: when present, texture becomes the 2D texture of
    // that name (null when there is none) and the result is true.
    static bool readTexture(const XMLNode* textures, const wchar_t* key, Texture2D*& texture);
    // Appends key with the texture's name to the object node's TEXTURES (made when missing),
    // when there is a texture.
    static void writeTexture(XMLNode& node, const wchar_t* key, const Texture2D* texture);
    // The object node's TYPE, replaced or added.
    static void setType(XMLNode& node, const wchar_t* type);
    // A copy of part into the object node, one node per name: into a node of that name the object
    // node already has (part's attributes win, its children are added), else as a node of its own.
    // The reader takes only the first node of a name, so a second one would be lost.
    static void addPart(XMLNode& node, const XMLNode& part);
    // The drawing copies of a mesh resource bound once per run of objects sharing them.
    static void bindBuffers(IDirect3DDevice9* device, const void* owner, IDirect3DVertexBuffer9* vertices, UINT stride,
                            IDirect3DIndexBuffer9* indices, IDirect3DVertexDeclaration9* declaration);
};

} // namespace Ulvo
