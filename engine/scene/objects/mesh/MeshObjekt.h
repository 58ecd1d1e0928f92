#pragma once
// The scene object that draws one static mesh of the mesh list with the engine's material
// effect: per-subset diffuse textures or colours, bump and parallax mapping, specular and
// emissive terms, reflection against a cube map and a shadow-receive factor. With instancing on
// (the command line's INSTANCING), the root of an instance group draws every visible instance
// by repeating the draw with the instance's matrices.
//
// Read from the object node's MESH_DATA (and TEXTURES); written back the same way under the
// kind's own TYPE word, which the kinds below it (water, sky) replace together with their own
// data nodes. The object holds one reference on its mesh; the mesh follows the device itself.
#include <d3dx9.h>

#include "scene/objects/BaseObjekt.h"
#include "scene/objects/ObjektDrawing.h"

#include <string>

// The global instancing switch, set by the command line's "INSTANCING".
extern bool INSTANCING;

namespace Ulvo {

class Mesh;
class Texture2D;

class MeshObjekt : public BaseObjekt {
public:
    MeshObjekt(XMLNode* node, ObjektManager* owner);
    MeshObjekt(const MeshObjekt& other);
    ~MeshObjekt() override;

    static BaseObjekt* create(XMLNode* node, ObjektManager* owner) { return new MeshObjekt(node, owner); }

    bool save(XMLNode* node) override;
    BaseObjekt* clone() const override { return new MeshObjekt(*this); }
    void render(Camera* camera) override;
    bool isInstancingEnabled() const override { return INSTANCING; }
    void switchLightsOn() override;
    void switchLightsOff() override;
    void autoSwitchLights(double t) override;
    bool getIntersectionDist(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& distance) override;
    void computeWorldBox() override;
    void computeBoundingSphere() override;

    Mesh* getMesh() const { return m_mesh; }
    float getEmissive() const { return m_emissive; }
    float getShadow() const { return m_amounts.shadow; }
    const float* getParallax() const { return m_parallax; }
    const float* getDamageParams() const { return m_damage; }

protected:
    // The TYPE word the writer puts on the object node.
    virtual const wchar_t* getTypeWord() const { return L"MESH"; }
    // The current effect when there is a mesh with its drawing copies to draw, else null.
    ID3DXEffect* drawingEffect(Camera* camera) const;
    // The mesh drawing of every subset with the current effect.
    void renderMesh(Camera* camera);
    // "g_CubeMap" for the material group; true when a cube map was set.
    virtual bool bindCubeMap(ID3DXEffect* effect);

    Mesh* m_mesh = nullptr;
    Mesh* m_sourceMesh = nullptr;
    MaterialAmounts m_amounts;
    float m_parallax[2] = {0.0f, 0.0f};
    int m_minSamples = 5;
    int m_maxSamples = 50;
    int m_lodThreshold = 1;
    Texture2D* m_bumpTexture = nullptr;
    Texture2D* m_reflectionTexture = nullptr;
    float m_emissive = 0.0f;
    float m_emissiveStored = 0.0f;
    Texture2D* m_diffuseTexture = nullptr;
    bool m_overrideDiffuse = false;
    bool m_hasBumpTexture = false;
    bool m_hasReflectionTexture = false;
    bool m_takeEmissiveParams = false;
    bool m_takeSpecularParams = false;
    bool m_switchEmissiveOff = false;
    // Impulse threshold, penetration depth, largest deform distance: kept and copied only.
    float m_damage[3] = {1.0f, 0.5f, 0.5f};

private:
    void readMeshData(XMLNode* node);
    void setBump(ID3DXEffect* effect, Texture2D* texture);
    void drawRange(ID3DXEffect* effect, const D3DXATTRIBUTERANGE& range, Camera* camera);
    bool m_cubeMapSet = false;
};

} // namespace Ulvo
