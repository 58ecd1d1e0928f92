#pragma once
// The base of every placeable scene object (meshes, animated meshes, water, the sky, terrain,
// trees, roads). It owns the object's transform and world matrix, its world box and bounding
// sphere, its attach points (where cameras hang), its attached lights and sounds, its drawing
// settings (effect bundle, transparency, alpha, mask colour, priority, render-pass filter), its
// camera-following modes (billboard, move with camera), its far-distance fade and its instance
// group: clones of one source object that are drawn together.
//
// Objects are read from their description node (see BaseObjektDescription.cpp) by the object
// factory, kept by name in the object manager and held for drawing by the scene graph, which
// sees them through their RenderObjekt base. A kind implements clone, computeWorldBox and
// computeBoundingSphere and usually render.
#include <d3d9.h>
#include <d3dx9math.h>

#include "foundation/helpers/BoundingVolumes.h"
#include "foundation/helpers/FlagSet.h"
#include "foundation/sigslot.h"
#include "render/scenegraph/RenderObjekt.h"
#include "scene/SceneBudget.h"
#include "scene/objects/RenderPassFilter.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace Ulvo {

class AttachPoint;
class Camera;
class D3DInterface;
class DirectInputInterface;
class Effect;
class EffectBundle;
class ObjektManager;
class PlayingSoundCue;
class SceneGraph;
class SceneGraphNode;
class TextureCube;
class XMLNode;

class BaseObjekt : public RenderObjekt {
public:
    class LightAttachPoint;
    class PlayableSound;

    // Reads the object description (TYPE, BASE_DATA, TEXTURES, SOUNDS, AMBIENT_SOUNDS), then
    // builds the world matrix.
    BaseObjekt(XMLNode* node, ObjektManager* owner);
    // Copies the settings, deep-copies attach points, lights and sounds, and joins the source's
    // instance group.
    BaseObjekt(const BaseObjekt& other);
    BaseObjekt& operator=(const BaseObjekt&) = delete;
    ~BaseObjekt() override;

    // Writes the object description; TYPE stays empty for the kind to fill.
    bool save(XMLNode* node) override;
    virtual BaseObjekt* clone() const = 0;
    // What the object holds in memory itself: its own block (of its most derived kind; every kind
    // makes its objects with new), its attach points, lights and sounds, its names, and its
    // entries in the manager, a scene graph and its instance group. Not what its kind pays for
    // on its own (a grid, a picture), nor what copies share (meshes, textures, effects).
    virtual uint64_t heldBytes() const;
    // What a copy of the object costs the scene budget: itself as one object of heldBytes, and
    // what a copy of the kind makes of its own beyond that (parts, pictures).
    virtual SceneBudget::Cost copyCost() const { return {1, heldBytes()}; }
    // What a scene file keeps for an object before it is made, until its heldBytes is known, so
    // that what its kind makes in bulk cannot take the object's own room.
    static constexpr uint64_t kReservedBytes = 8192;
    // The part of heldBytes that is the bookkeeping beside the object (a scene graph node, the
    // manager's and the instance group's entries, the signals' connections, the object's own
    // group buckets, the allocator's headers), measured: about 1,100 bytes a copy.
    static constexpr uint64_t kBookkeepingBytes = 1152;
    // The scene loader runs build(pass) on every object for every pass below the largest count.
    virtual int getBuildPassCount() const { return 1; }
    virtual void build(int pass);
    // Per frame: sounds follow the object; billboards turn and followers move to the camera.
    virtual void update(Camera* camera, uint32_t value);
    virtual void renderBoundingBox(D3DCOLOR colour, bool solid);
    virtual void switchLightsOn();
    virtual void switchLightsOff();
    // Switches the lights by their on and off times, at time t of the caller's clock.
    virtual void autoSwitchLights(double t);
    virtual void setLightsOn(bool on, int autoSwitch);
    // A hit of the ray (origin, direction): its distance. None in the base.
    virtual bool getIntersectionDist(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& distance);
    // The world box, recomputed first when the world matrix changed.
    const AABB& getBoundingBox() override;
    virtual void computeWorldBox() = 0;
    virtual void computeBoundingSphere() = 0;
    // Each returns whether the value changed; a change rebuilds the world matrix and tells the
    // listeners, unless automatic updates are off.
    virtual bool setPosition(const D3DXVECTOR3& position);
    virtual bool setScale(const D3DXVECTOR3& scale);
    // Yaw, pitch and roll in degrees.
    virtual bool setRotationYawPitchRoll(const D3DXVECTOR3& degrees);
    virtual bool setRotation(const D3DXQUATERNION& rotation);
    virtual bool setRotationMatrix(const D3DXMATRIX& rotation);
    // Heading, attitude and bank in degrees.
    virtual bool setRotationEuler(const D3DXVECTOR3& degrees);
    virtual bool setTransform(const D3DXMATRIX& transform);
    virtual void applyVelocity(const D3DXVECTOR3& velocity);
    // Per camera of a render list: the camera modes of level 2 and more, the squared distance to
    // the eye and, without an eye vector, the far-distance visibility.
    void updateForCamera(Camera* camera, const D3DXVECTOR3* eye = nullptr) override;
    // Clamped to 0..1.
    virtual void setAlpha(float alpha);
    // The shared light parameters of the object's effect.
    void setLightParams(const D3DXVECTOR3& direction, const D3DXCOLOR& diffuse, const D3DXCOLOR& ambient) override;
    // Selects the effect of the bundle named for the render technique (and shadow quality).
    void selectRenderEffect(int mode, unsigned shadowQuality) override;
    bool isInRenderPass(const std::vector<std::wstring>& path) const override;
    virtual void setMaskColor(const D3DXCOLOR& colour);
    // Plays the attached sound of that name at the object; the caller owns the returned cue's
    // reference. Null when a requester other than this object asks or nothing plays.
    virtual PlayingSoundCue* playSound(const std::wstring& name, BaseObjekt* requester);
    // Once per object: a random number of the ambient sounds.
    virtual void playRandomAmbientSounds();
    virtual void updateSounds();

    const D3DXVECTOR3& getBasePosition() const { return m_basePosition; }
    const D3DXVECTOR3& getCameraOffset() const { return m_cameraOffset; }
    const D3DXVECTOR3& getScale() const { return m_scale; }
    const D3DXQUATERNION& getRotation() const { return m_rotation; }
    const D3DXMATRIX& getWorldMatrix() const { return m_worldMatrix; }
    const D3DXMATRIX& getPreTransform() const { return m_preTransform; }
    const BoundingSphere& getBoundingSphere() const { return m_boundingSphere; }
    // Degrees, read back from the rotation.
    D3DXVECTOR3 getRotationYawPitchRoll() const;
    D3DXVECTOR3 getRotationEuler() const;
    void updateWorldMatrix();
    void setAutoUpdate(bool on) { m_autoUpdate = on; }
    bool getAutoUpdate() const { return m_autoUpdate; }

    unsigned getAttachPointCount() const override { return static_cast<unsigned>(m_attachPoints.size()); }
    AttachPoint* getAttachPoint(unsigned index) const override;
    unsigned getLightCount() const { return static_cast<unsigned>(m_lights.size()); }
    LightAttachPoint* getLight(unsigned index) const;
    bool getLightsOn() const { return m_lightsOn; }
    bool getAutoSwitch() const { return m_autoSwitchLights; }
    int getLightType() const { return m_lightType; }

    int getBillboardMode() const { return m_billboard; }
    const D3DXCOLOR& getMaskColor() const { return m_maskColor; }
    bool isFarDistEnabled() const { return m_farDistEnabled; }
    // Near pair, then far pair.
    const float* getFarDist() const { return m_farDist; }
    bool getInsertInSceneGraph() const { return m_insertInSceneGraph; }
    EffectBundle* getEffectBundle() const { return m_effectBundle; }
    int getRenderMode() const { return m_renderMode; }
    const RenderPassFilter& getRenderPassFilter() const { return m_renderPasses; }
    TextureCube* getSkyMapOfObject() const { return m_skyMap; }
    bool usesStandardEnvironment() const { return m_useStandardEnv; }
    const std::vector<std::wstring>& getAmbientSounds() const { return m_ambientSounds; }
    ObjektManager* getOwner() const { return m_owner; }

    // With automatic light switching the lights follow the object into and out of a scene graph.
    void setSceneGraphNode(SceneGraphNode* node) override;
    void setSceneGraph(SceneGraph* graph) override;

    // Instance groups: the root keeps its clones by unique number.
    BaseObjekt* getInstanceGroup() override { return m_instances.empty() ? m_instanceGroup : this; }
    const std::unordered_map<uint32_t, BaseObjekt*>& getInstances() const { return m_instances; }
    // Joins clone to the group of source's root; refused when clone lies on that chain or is
    // already in the group.
    static bool addInstance(BaseObjekt* source, BaseObjekt* clone);
    void setInstanceGroup(BaseObjekt* root);
    sigslot::signal2<BaseObjekt&, const D3DXVECTOR3&> positionChanged;
    sigslot::signal2<BaseObjekt&, const D3DXVECTOR3&> scaleChanged;
    sigslot::signal2<BaseObjekt&, const D3DXQUATERNION&> rotationChanged;

protected:
    // The bundle the render techniques select from: the one the description names, unless a kind
    // draws with a variant of it.
    virtual EffectBundle* drawingBundle() const { return m_effectBundle; }
    // The rebuild and signals after a transform setter changed something.
    void transformUpdated(bool position, bool rotation);
    // Faces the billboard to the camera: its rotation as the pre-transform.
    void turnToCamera(Camera* camera);
    // A position, scale or rotation that is not a number would poison the scene graph's boxes:
    // such a transform is logged and the object placed at the origin, unscaled and unturned.
    void refuseNonFiniteTransform();

    D3DInterface* m_d3d;
    DirectInputInterface* m_input;
    ObjektManager* m_owner;
    D3DXVECTOR3 m_cameraOffset{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_basePosition{0.0f, 0.0f, 0.0f};
    D3DXQUATERNION m_rotation{0.0f, 0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 m_scale{1.0f, 1.0f, 1.0f};
    D3DXMATRIX m_worldMatrix;
    bool m_worldBoxDirty = true;
    bool m_sphereDirty = true;
    AABB m_worldBox;
    BoundingSphere m_boundingSphere;
    std::vector<AttachPoint*> m_attachPoints;
    std::vector<AttachPoint*> m_extraAttachPoints;
    std::vector<LightAttachPoint*> m_lights;
    bool m_autoSwitchLights = true;
    bool m_lightsOn = false;
    int m_lightType = 0;
    D3DXVECTOR3 m_lastEye{0.0f, 0.0f, 0.0f};
    float m_farDist[4];
    EffectBundle* m_effectBundle = nullptr;
    FlagSet m_flags;
    RenderPassFilter m_renderPasses;
    TextureCube* m_skyMap = nullptr;
    bool m_useStandardEnv = false;
    int m_billboard = 0;
    D3DXMATRIX m_preTransform;
    bool m_autoUpdate = true;
    D3DXCOLOR m_maskColor{1.0f, 1.0f, 1.0f, 1.0f};
    bool m_insertInSceneGraph = true;
    std::unordered_map<uint32_t, BaseObjekt*> m_instances;
    BaseObjekt* m_instanceGroup;
    std::vector<PlayableSound*> m_sounds;
    std::vector<std::wstring> m_ambientSounds;
    int m_ambientMin = 0;
    int m_ambientMax = 0;
    bool m_ambientPlayed = false;
    int m_renderMode = -1;

private:
    // The description's parts.
    void readBaseData(XMLNode* baseData);
    void readLightParams(XMLNode* lightParams);
    void readObjectNodes(XMLNode* node);
    void writeBaseData(XMLNode* node);
    void writeObjectNodes(XMLNode* node);
    // Slot of a clone's deletion signal: the clone leaves this root's group.
    void onInstanceDeleted(NamedObject* instance);
    void releaseOwned();
};

} // namespace Ulvo
