#pragma once
// The clipmap terrain: a procedural height field drawn round the camera as nested
// geometry-clipmap levels (ClipmapLevelSet), finer near the camera and coarser further out.
// Its heights come from a parameter field sampled in UV space, not from a stored grid, so the
// terrain has no fixed extent: the field's unit square spans the object's scale in x and z from
// its position and repeats outside it; heights are field value x scale.y + world position y.
//
// Read from the object node's CLIPMAP_DATA (the field, the level sizes, the border mode),
// HEIGHTMAP_DATA (shading, texture scales and the physics settings the grid terrain reads as
// well) and TEXTURES, then from the sidecar document "<NAME>.data". The level set is made by
// build (pass 0), released before a device reset and made again after it; a set-up that fails
// leaves none, and the terrain then draws nothing. Queries read the field itself, never the
// level textures; the only edit is a radial height modifier added to the field.
#include "devices/d3d/DeviceResource.h"
#include "scene/objects/BaseObjekt.h"
#include "terrain/TerrainHeightMap.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace Ulvo {

class ClipmapLevelSet;
class Parameter;
class Texture2D;

class ClipmapObjekt : public BaseObjekt, public TerrainHeightMap, public DeviceResource {
public:
    // What the description's physics keys hold; nothing in the engine reads them.
    struct PhysicsSettings {
        bool createBounds = false;
        uint32_t size = 0;
        uint32_t gridRatio = 1;
        std::array<std::wstring, 4> materials{L"DEFAULT", L"DEFAULT", L"DEFAULT", L"DEFAULT"};
        bool forceField = false;
        std::wstring collisionGroup;
        float constForce[3] = {0.0f, 0.0f, 0.0f};
        float noiseForce[3] = {0.0f, 0.0f, 0.0f};
        float targetVelocityForce[3] = {0.0f, 0.0f, 0.0f};
    };

    // The largest level texture side and the most levels a description may ask for.
    static constexpr uint32_t kMaxTexSize = 2048;
    static constexpr uint32_t kMaxLevels = 16;

    ClipmapObjekt(XMLNode* node, ObjektManager* owner);
    // Copies the settings, clones the fields; no level set until the copy is built.
    ClipmapObjekt(const ClipmapObjekt& other);
    ~ClipmapObjekt() override;

    // Null when the scene being loaded has no room left for its levels.
    static BaseObjekt* create(XMLNode* node, ObjektManager* owner);
    // What the scene budget charges, in bytes: the level set a description asks for (its levels,
    // SIZE_TEX, and its grid of SIZE_CENTER - 1), and a blend picture of side x side texels.
    static uint64_t levelSetBytes(uint32_t levels, uint32_t texSize, uint32_t gridSize);
    static uint64_t blendBytes(uint32_t side);

    BaseObjekt* clone() const override { return new ClipmapObjekt(*this); }
    // A copy makes a blank blend picture of its own when this one's was read from a picture.
    SceneBudget::Cost copyCost() const override;
    // The base entries with TYPE CLIPMAP and the clipmap's own nodes it was built from.
    bool save(XMLNode* node) override;
    // Pass 0 (and -1, after a device reset) makes a new level set from the current settings.
    void build(int pass) override;
    void render(Camera* camera) override;
    // Slides the levels when the camera moved or turned since the last step.
    void updateForCamera(Camera* camera, const D3DXVECTOR3* eye = nullptr) override;
    // The base's selection, then the pass kind is kept and the level set takes the effect.
    void selectRenderEffect(int mode, unsigned shadowQuality) override;
    bool getIntersectionDist(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& distance) override;
    // A linear march along the ray over min(maximum, 2 |scale|), refined twice at the crossing.
    bool getIntersectionDist(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float maximum, float& distance);
    // From world position - scale / 2 to world position + 1.5 scale on each axis.
    void computeWorldBox() override;
    void computeBoundingSphere() override;

    void onLostDevice() override;
    void onResetDevice() override;

    // Layer 0..3; any other index changes nothing.
    void setLayerTexParams(int layer, const float& nearScale, const float& farScale);

    // HeightMap: the clipmap answers from its field and has no edits but the height modifier.
    void setHeight(const D3DXVECTOR3& point) override;
    void setHeightUV(const D3DXVECTOR2& uv, double& height) override;
    void modifyHeightRadius(const D3DXVECTOR3& centre, double radius, float factor) override;
    void addHeightModifier(const D3DXVECTOR2& centre, const D3DXVECTOR2& value, double radius) override;
    void addHeightUV(const D3DXVECTOR2& uv, double& delta) override;
    float getHeightUV(const D3DXVECTOR2& uv) override;
    D3DXVECTOR3* getPositionUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv) override;
    D3DXVECTOR2* worldToUV(D3DXVECTOR2* out, const D3DXVECTOR3& point) override;
    D3DXVECTOR3* getNormalUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv, bool smooth) override;
    void beginModify() override;
    // Refills every level from the field when a modifier was added since the last call.
    void endModify() override;

    ClipmapLevelSet* getLevelSet() const { return m_levelSet.get(); }
    Parameter* getHeightSource() const { return m_heightSource; }
    Parameter* getNormalSource() const { return m_normalSource; }
    Parameter* getPhysxSource() const { return m_physxSource; }
    uint32_t getTexSize() const { return m_texSize; }
    uint32_t getGridSize() const { return m_gridSize; }
    uint32_t getLevelCount() const { return m_levelCount; }
    int32_t getBorderMode() const { return m_borderMode; }
    const float* getTexScaleNear() const { return m_texScaleNear; }
    const float* getTexScaleFar() const { return m_texScaleFar; }
    float getBlendStart() const { return m_blendStart; }
    float getBlendEnd() const { return m_blendEnd; }
    float getShadowValue() const { return m_shadowValue; }
    float getBumpAmount() const { return m_bumpAmount; }
    uint32_t getBlendSize() const { return m_blendSize; }
    Texture2D* getLayerTexture(int layer) const { return m_layerTextures[layer]; }
    Texture2D* getBumpTexture(int layer) const { return m_bumpTextures[layer]; }
    Texture2D* getColourMap() const { return m_colourMap; }
    Texture2D* getWhiteTexture() const { return m_whiteTexture; }
    Texture2D* getBlendTexture() const { return m_blendTexture; }
    const PhysicsSettings& getPhysics() const { return m_physics; }
    int getPassKind() const { return m_passKind; }
    bool needsRefresh() const { return m_needsRefresh; }
    bool heightsModified() const { return m_heightsModified; }

private:
    void setDefaults();
    void readClipmapData(XMLNode* data);
    void readHeightMapData(XMLNode* data, float s);
    void readTextures(XMLNode* textures);
    void readSidecar();
    void createBlendTexture();
    // The field at (u, v) with its wrap: the lookup the levels fill with, without the border.
    float fieldValue(float u, float v) const;

    std::unique_ptr<ClipmapLevelSet> m_levelSet;
    Parameter* m_heightSource = nullptr;
    Parameter* m_normalSource = nullptr;
    Parameter* m_physxSource = nullptr;
    std::array<Texture2D*, 4> m_layerTextures{};
    Texture2D* m_colourMap = nullptr;
    std::array<Texture2D*, 4> m_bumpTextures{};
    Texture2D* m_whiteTexture = nullptr;
    Texture2D* m_blendTexture = nullptr;
    bool m_blendBlank = true; // made here, never filled: copies share it
    uint32_t m_blendSize = 256;
    RECT m_blendRect{0, 0, 256, 256};
    float m_texScaleNear[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float m_texScaleFar[4] = {0.1f, 0.1f, 0.1f, 0.1f};
    float m_blendStart = 5.0f;
    float m_blendEnd = 20.0f;
    float m_shadowValue = 0.0f;
    float m_bumpAmount = 0.0f;
    int32_t m_borderMode = 0;
    uint32_t m_texSize = 1024;
    uint32_t m_gridSize = 127;
    uint32_t m_levelCount = 5;
    D3DXMATRIX m_inverseRotation;
    D3DXMATRIX m_lastViewMatrix;
    bool m_hasLastView = false;
    // Whether the loader asked for a level set: only then does a device reset build one (a copy
    // has none, and thousands of copies each building one at a reset would exhaust memory).
    bool m_levelSetWanted = false;
    bool m_needsRefresh = false;
    bool m_heightsModified = false;
    int m_passKind = 0;
    PhysicsSettings m_physics;
    // CLIPMAP_DATA, HEIGHTMAP_DATA and TEXTURES of the description, shared by the copies.
    std::shared_ptr<const XMLNode> m_description;
};

} // namespace Ulvo
