#pragma once
// A scene object as the render core sees it. The scene objects themselves (BaseObjekt and its
// kinds) live a layer above; the scene graph, the cameras and the render passes work on this
// view of them: the state they sort and filter by, the per-camera step, the effect selection,
// the drawing, the attach points cameras ride on, and the bookkeeping the graph keeps in each
// object (its node, its graph, its instance and light stamps).
#include <d3dx9math.h>

#include "foundation/helpers/BoundingVolumes.h"
#include "foundation/objects/NamedObject.h"
#include "foundation/sigslot.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class AttachPoint;
class Camera;
class Effect;
class SceneGraph;
class SceneGraphNode;
class TextureCube;
class XMLNode;

class RenderObjekt : public NamedObject {
public:
    explicit RenderObjekt(XMLNode* node) : NamedObject(node) {}
    // The state is copied; the graph's bookkeeping and the collected instances are not.
    RenderObjekt(const RenderObjekt& other);
    RenderObjekt& operator=(const RenderObjekt&) = delete;
    ~RenderObjekt() override = default;

    // The world box, brought up to date first.
    virtual const AABB& getBoundingBox() = 0;
    // Per camera of a render list: camera-following modes, the squared distance to the eye and,
    // without an eye vector, the far-distance visibility.
    virtual void updateForCamera(Camera* camera, const D3DXVECTOR3* eye = nullptr) = 0;
    // The shared light parameters of the object's effect.
    virtual void setLightParams(const D3DXVECTOR3& direction, const D3DXCOLOR& diffuse, const D3DXCOLOR& ambient) = 0;
    virtual Effect* getEffect() const { return m_effect; }
    // Selects the effect named for a render technique (and shadow quality).
    virtual void selectRenderEffect(int mode, unsigned shadowQuality) = 0;
    // path: a render pass's names, outermost first.
    virtual bool isInRenderPass(const std::vector<std::wstring>& path) const = 0;
    virtual void render(Camera* camera);
    virtual bool isInstancingEnabled() const { return false; }
    // The instance group (the object itself when it holds instances), or null.
    virtual RenderObjekt* getInstanceGroup() = 0;
    // The attach points in order; null out of range.
    virtual unsigned getAttachPointCount() const = 0;
    virtual AttachPoint* getAttachPoint(unsigned index) const = 0;
    // The node and graph that hold the object; the object may follow them with its lights.
    virtual void setSceneGraphNode(SceneGraphNode* node) { m_sceneGraphNode = node; }
    virtual void setSceneGraph(SceneGraph* graph) { m_sceneGraph = graph; }

    // The effective position (base position plus camera offset).
    const D3DXVECTOR3& getPosition() const { return m_position; }
    // Squared distance from the last camera's eye, written by updateForCamera.
    double getCameraDistance() const { return m_cameraDistanceSq; }
    int getMoveWithCameraMode() const { return m_moveWithCamera; }
    // PRIORITY as an unsigned value; 0 means none.
    uint32_t getPriority() const { return static_cast<uint32_t>(m_priority); }
    // TRANSPARENT set, ALPHA below 1 or a far-distance fade.
    bool isTransparent() const { return m_transparent || m_alpha < 1.0f || m_farDistEnabled; }
    float getAlpha() const { return m_alpha; }
    bool isVisible() const { return m_visible; }
    // The draw test of a render pass: visible, or drawing collected instances.
    bool isDrawable() const { return m_visible || !m_visibleInstances.empty(); }
    SceneGraphNode* getSceneGraphNode() const { return m_sceneGraphNode; }
    SceneGraph* getSceneGraph() const { return m_sceneGraph; }

    // The instances the scene graph collected for the current render list.
    void clearVisibleInstances() { m_visibleInstances.clear(); }
    void addVisibleInstance(RenderObjekt* instance) { m_visibleInstances.push_back(instance); }
    const std::vector<RenderObjekt*>& getVisibleInstances() const { return m_visibleInstances; }
    // Stamps of the scene graph: the sun-light change and the instance collection last handed to
    // this object.
    uint32_t getLightStamp() const { return m_lightStamp; }
    void setLightStamp(uint32_t stamp) { m_lightStamp = stamp; }
    uint32_t getInstanceStamp() const { return m_instanceStamp; }
    void setInstanceStamp(uint32_t stamp) { m_instanceStamp = stamp; }

    // Textures shared by every object, set per render list from the sun light.
    static void setSkyMap(TextureCube* map) { s_skyMap = map; }
    static void setBackgroundMap(TextureCube* map) { s_backgroundMap = map; }
    static void setEnvironmentMap(TextureCube* map) { s_environmentMap = map; }
    static TextureCube* getSkyMap() { return s_skyMap; }
    static TextureCube* getBackgroundMap() { return s_backgroundMap; }
    static TextureCube* getEnvironmentMap() { return s_environmentMap; }
    // What the last drawn object left bound on the device (its vertex buffer, say), so that the
    // next one skips binding it again; every render pass forgets it before its objects.
    static const void* getDrawStateMarker() { return s_drawStateMarker; }
    static void setDrawStateMarker(const void* marker) { s_drawStateMarker = marker; }

    // After every rebuild of the world matrix; the scene graph follows moved objects through it.
    sigslot::signal1<RenderObjekt&> transformChanged;

protected:
    D3DXVECTOR3 m_position{0.0f, 0.0f, 0.0f};
    double m_cameraDistanceSq = 0.0;
    bool m_transparent = false;
    float m_alpha = 1.0f;
    bool m_farDistEnabled = false;
    bool m_visible = true;
    Effect* m_effect = nullptr;
    int m_moveWithCamera = 0;
    int m_priority = 0;
    SceneGraph* m_sceneGraph = nullptr;
    SceneGraphNode* m_sceneGraphNode = nullptr;
    std::vector<RenderObjekt*> m_visibleInstances;
    uint32_t m_lightStamp = 0xFFFFFFFFu;
    uint32_t m_instanceStamp = 0xFFFFFFFFu;

private:
    static TextureCube* s_skyMap;
    static TextureCube* s_backgroundMap;
    static TextureCube* s_environmentMap;
    static const void* s_drawStateMarker;
};

// Where the scene graph's console finds objects by name, and the box display of its debug
// view: the object manager of the scene layer, handed down by the engine.
class RenderObjektRegistry {
public:
    virtual ~RenderObjektRegistry() = default;
    // The object of exactly that name, or null.
    virtual RenderObjekt* findRenderObjekt(const std::wstring& name) = 0;
    // Every registered object, appended.
    virtual void collectRenderObjekte(std::vector<RenderObjekt*>& out) = 0;
    // Draws a box as lines (or solid) in a 32-bit ARGB colour.
    virtual void drawBox(const AABB& box, D3DCOLOR colour, bool solid) = 0;
};

} // namespace Ulvo
