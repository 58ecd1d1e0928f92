#pragma once
// A sky element drawn as a mesh object: the sun, a cloud layer or the background. It hands its
// strength, sky type and cloud values to its effect, binds the shared sky map as its cube map and
// then draws as a mesh. A cloud layer takes its speed, density offset and colour from the sun
// light's cloud entries (CloudTarget): the scene graph binds cloud layers to the entries in the
// order they join it.
//
// Read from SUN_DATA after the mesh description; written back under TYPE "SUN" with it.
#include "render/sun/CloudTarget.h"
#include "scene/objects/mesh/MeshObjekt.h"

namespace Ulvo {

class TextureCube;

class SunObjekt : public MeshObjekt, public CloudTarget {
public:
    enum SkyType { SKY_SUN = 0, SKY_CLOUDS = 1, SKY_BACKGROUND = 2 };

    SunObjekt(XMLNode* node, ObjektManager* owner);
    SunObjekt(const SunObjekt& other);
    ~SunObjekt() override;

    static BaseObjekt* create(XMLNode* node, ObjektManager* owner) { return new SunObjekt(node, owner); }

    bool save(XMLNode* node) override;
    BaseObjekt* clone() const override { return new SunObjekt(*this); }
    // The clouds turn by their speed per second of the game clock.
    void update(Camera* camera, uint32_t value) override;
    void render(Camera* camera) override;
    // The sky surrounds every eye point, so it would be the nearest hit of every pick ray: the
    // editor picks what lies under it.
    bool getIntersectionDist(const D3DXVECTOR3&, const D3DXVECTOR3&, float&) override { return false; }

    bool takesCloudValues() const override { return m_skyType == SKY_CLOUDS; }
    void setCloudSpeed(float speed) override { m_cloudSpeed = speed; }
    void setCloudDensityOffset(const D3DXVECTOR2& densityOffset) override { m_cloudDensityOffset = densityOffset; }
    void setCloudColor(const D3DXCOLOR& colour) override { m_cloudColor = colour; }

    float getSunStrength() const { return m_sunStrength; }
    int getSkyType() const { return m_skyType; }
    TextureCube* getCloudTexture() const { return m_cloudTexture; }
    float getCloudRotation() const { return m_cloudRotation; }
    float getCloudSpeed() const { return m_cloudSpeed; }
    const D3DXVECTOR2& getCloudDensityOffset() const { return m_cloudDensityOffset; }
    const D3DXCOLOR& getCloudColor() const { return m_cloudColor; }

protected:
    const wchar_t* getTypeWord() const override { return L"SUN"; }
    // The shared sky map of the sun light, whatever the description said.
    bool bindCubeMap(ID3DXEffect* effect) override;

private:
    float m_sunStrength = 100.0f;
    int m_skyType = SKY_SUN;
    TextureCube* m_cloudTexture = nullptr;
    float m_cloudRotation = 0.0f;
    float m_cloudSpeed = 0.1f;
    D3DXVECTOR2 m_cloudDensityOffset{1.0f, 0.0f};
    D3DXCOLOR m_cloudColor{1.0f, 1.0f, 1.0f, 1.0f};
};

} // namespace Ulvo
