#pragma once
// Water surfaces: mesh objects drawn as water (waves, water and fog colours, a Fresnel factor)
// with two planes through the lifted surface, the mirror plane (normal up) and the plane of what
// lies below (normal down), that the water pass reads through WaterSurface. A reflection object
// is a water object the reflection pass mirrors instead (ReflectingSurface; the water pass passes
// it over); an ice object is a water object with a surface texture and colour blend values.
//
// The planes follow every change of the transform. Each kind is written back under its own TYPE
// word with MESH_DATA and WATER_DATA (and ICE_DATA), so a saved scene reloads the same kinds.
#include "render/passes/MirrorSurfaces.h"
#include "scene/objects/mesh/MeshObjekt.h"

#include <algorithm>
#include <cmath>

namespace Ulvo {

class WaterObjekt : public MeshObjekt, public WaterSurface {
public:
    WaterObjekt(XMLNode* node, ObjektManager* owner);
    WaterObjekt(const WaterObjekt& other);
    ~WaterObjekt() override;

    static BaseObjekt* create(XMLNode* node, ObjektManager* owner) { return new WaterObjekt(node, owner); }

    bool save(XMLNode* node) override;
    BaseObjekt* clone() const override { return new WaterObjekt(*this); }
    // The water's time runs on the game clock's steps.
    void update(Camera* camera, uint32_t value) override;
    void render(Camera* camera) override;
    // Water draws each surface by itself: with the instancing switch on, a group's root would
    // draw its clones' surfaces nowhere.
    bool isInstancingEnabled() const override { return false; }
    // The water techniques by water quality: RenderWaterHIGH (2, 3) or RenderWater (1) when
    // drawing colours; every other case as any object.
    void selectRenderEffect(int mode, unsigned quality) override;

    // The surface as the water pass sees it.
    D3DXPLANE getWaterPlane() const override { return m_plane; }
    D3DXPLANE getInversePlane() const override { return m_inversePlane; }
    const D3DXMATRIX& getSurfaceWorldMatrix() const override { return m_surfaceWorld; }
    float getMaxRefractDepth() const override { return m_maxRefractDepth; }

    // The planes through the surface lifted above the highest wave, from the world matrix.
    void updatePlane();

    double getTime() const { return m_time; }
    float getFresnelFaktor() const { return m_fresnelFaktor; }
    const D3DXCOLOR& getWaterColor() const { return m_waterColor; }
    const D3DXCOLOR& getFogColor() const { return m_fogColor; }
    const float* getWaterSpeed() const { return m_waterSpeed; }
    const float* getWaterTiling() const { return m_waterTiling; }
    const float* getWaveTiling() const { return m_waveTiling; }
    const float* getWaveHeight() const { return m_waveHeight; }
    float getLargestWave() const override { return std::max(std::fabs(m_waveHeight[0]), std::fabs(m_waveHeight[1])); }

protected:
    const wchar_t* getTypeWord() const override { return L"WATER"; }
    // The water drawing with the current effect.
    void renderWater(Camera* camera);
    // The effect named so when the object has a bundle, then the bundle's current effect.
    void selectNamedEffect(const wchar_t* name, int mode, unsigned quality);

    double m_time = 0.0;
    float m_fresnelFaktor = 1.33f;
    D3DXCOLOR m_waterColor{0.6f, 0.72f, 1.0f, 1.0f};
    D3DXCOLOR m_fogColor{0.71f, 0.75f, 0.85f, 0.25f};
    float m_waterSpeed[2] = {0.0f, 0.0f};
    float m_waterTiling[2] = {1.0f, 1.0f};
    float m_waveTiling[2] = {10.0f, 10.0f};
    float m_waveHeight[2] = {0.0f, 0.0f};
    float m_maxRefractDepth = 200.0f;
    D3DXPLANE m_plane{0.0f, 1.0f, 0.0f, 0.0f};
    D3DXPLANE m_inversePlane{0.0f, -1.0f, 0.0f, 0.0f};
    // Scale, rotation and position without the pre-transform.
    D3DXMATRIX m_surfaceWorld;

private:
    void readWaterData(XMLNode* node);
    void onTransformChanged(RenderObjekt& object);
    bool m_planeWarned = false;
};

// Mirrored by the reflection pass (RenderReflection) rather than the water pass.
class ReflektionObjekt : public WaterObjekt, public ReflectingSurface {
public:
    ReflektionObjekt(XMLNode* node, ObjektManager* owner) : WaterObjekt(node, owner) {}
    ReflektionObjekt(const ReflektionObjekt& other) = default;

    static BaseObjekt* create(XMLNode* node, ObjektManager* owner) { return new ReflektionObjekt(node, owner); }

    BaseObjekt* clone() const override { return new ReflektionObjekt(*this); }
    void selectRenderEffect(int mode, unsigned quality) override;

    D3DXPLANE getReflectionPlane() const override { return m_plane; }
    const D3DXMATRIX& getSurfaceWorldMatrix() const override { return m_surfaceWorld; }

protected:
    const wchar_t* getTypeWord() const override { return L"REFLECTION"; }
};

// Water under a surface texture, blended by three colour factors.
class IceObjekt : public WaterObjekt {
public:
    IceObjekt(XMLNode* node, ObjektManager* owner);
    IceObjekt(const IceObjekt& other) = default;

    static BaseObjekt* create(XMLNode* node, ObjektManager* owner) { return new IceObjekt(node, owner); }

    bool save(XMLNode* node) override;
    BaseObjekt* clone() const override { return new IceObjekt(*this); }
    void render(Camera* camera) override;

    Texture2D* getSurfaceTexture() const { return m_surfaceTexture; }
    const float* getColorLerp() const { return m_colorLerp; }

protected:
    const wchar_t* getTypeWord() const override { return L"ICE"; }

private:
    Texture2D* m_surfaceTexture = nullptr;
    float m_colorLerp[3] = {0.8f, 0.8f, 0.25f};
};

} // namespace Ulvo
