#pragma once
// A render pass: the unit of drawing of the render core. The plain pass asks the scene graph for
// the objects that join it by name, lets each prepare itself for the camera, drops what cannot be
// drawn, folds instanced objects into their groups, sorts the list into the render order, hands
// the sun's light to the objects and draws them one by one, switching effects and blending only
// when they change. Kinds with render targets (shadow maps, water, reflection, depth, cube maps,
// render to texture) derive from it and reuse its drawing between their own steps.
//
// Two counts: the named-object reference count governs the pass's lifetime, the activation count
// (addRef/release) whether anybody uses it; a pass holds device resources only while activated,
// and an inactive pass draws nothing. The whole device state is saved before drawing and restored
// afterwards, in one state block the pass keeps while activated (captured anew each time). Passes draw on the main thread, one at a time: the effect in use is one value
// shared by all of them.
#include <d3d9.h>
#include <d3dx9math.h>

#include "foundation/objects/NamedObject.h"
#include "foundation/sigslot.h"
#include "render/RenderTechnique.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class AABB;
class Camera;
class D3DInterface;
class Effect;
class RenderManager;
class RenderObjekt;
class SceneGraph;
class ShadowReach;
class XMLNode;

// What a caller hands a pass for its next drawing: a fixed object list instead of the scene
// graph's, a reference position for the objects' camera step, and the sort and blend switches.
struct RenderPassParams {
    explicit RenderPassParams(const std::vector<RenderObjekt*>* list = nullptr, const D3DXVECTOR3* position = nullptr,
                              bool sort = true, bool transparency = true);

    std::vector<RenderObjekt*> objects;
    bool useObjects = false;
    bool sort = true;
    bool transparency = true;
    D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
    bool usePosition = false;
};

// Which objects a pass leaves out before drawing, for passes that draw into targets of their own:
// with toCamera those whose world box lies wholly outside the frustum of the camera the pass draws
// with; with byPlane those wholly on the negative side of the world plane `keep` (the side a clip
// plane removes); with byScreen those whose box, seen by the camera, covers nothing of the
// rectangle `screen` (minimum x, minimum y, maximum x, maximum y in -1..1 device coordinates).
// With reach, those that can neither be seen in its slice nor throw a shadow into it (shadow maps).
// Either way nothing of them would reach the pixels wanted. Objects that move with the camera,
// objects whose box is a single point (nothing known of their extent) and, for the rectangle,
// boxes reaching behind the camera always stay.
struct PassCulling {
    bool toCamera = false;
    bool byPlane = false;
    D3DXPLANE keep{0.0f, 0.0f, 0.0f, 0.0f};
    bool byScreen = false;
    D3DXVECTOR4 screen{-1.0f, -1.0f, 1.0f, 1.0f};
    const ShadowReach* reach = nullptr; // not owned
};

// The rectangle in device coordinates (as PassCulling::screen) the box covers seen through the
// view-projection matrix; false when a corner lies on or behind the eye plane.
bool screenRectOf(const AABB& box, const D3DXMATRIX& viewProjection, D3DXVECTOR4& rect);

class RenderPass : public NamedObject {
public:
    // From a RENDERPASS node: NAME, EVERY_FRAME, EVERY_TICK and TECHNIQUE.
    RenderPass(XMLNode* node, RenderManager* renderManager);
    // The inner passes of the kinds.
    RenderPass(const std::wstring& name, RenderTechnique technique, unsigned quality, RenderManager* renderManager);
    ~RenderPass() override;
    RenderPass(const RenderPass&) = delete;
    RenderPass& operator=(const RenderPass&) = delete;

    virtual void setSceneGraph(SceneGraph* sceneGraph);
    virtual void setParams(const RenderPassParams& params);
    // Draws the pass for the camera into the current render target.
    virtual void render(Camera* camera);
    // Whether the pass runs in the frame of this counter: once its tick interval has passed, or
    // on every frame-interval-th frame.
    virtual bool shouldRender(const unsigned& frameCounter);
    // The activation count; the first addRef and the release down to 0 call onActivate.
    virtual void addRef();
    virtual void release();
    // The activation count (the named-object count is NamedObject's).
    virtual unsigned getRefCount() const { return m_activations; }
    // Kinds with targets create them on true and release them on false.
    virtual void onActivate(const bool& active);

    SceneGraph* getSceneGraph() const { return m_sceneGraph; }
    RenderManager* getRenderManager() const { return m_renderManager; }
    const std::vector<std::wstring>& getPassNames() const { return m_passNames; }
    // The kinds give their inner passes names of their own (outermost first).
    void setPassNames(const std::vector<std::wstring>& names) { m_passNames = names; }
    RenderTechnique getTechnique() const { return m_technique; }
    unsigned getQuality() const { return m_quality; }
    uint32_t getFrameInterval() const { return m_everyFrame; }
    uint32_t getTickInterval() const { return m_everyTick; }

    void setCulling(const PassCulling& culling) { m_culling = culling; }
    const PassCulling& getCulling() const { return m_culling; }
    // Whether the object can leave a mark in a target drawn with the camera under the culling.
    static bool canReach(RenderObjekt& object, const Camera& camera, const PassCulling& culling);

    // The technique of a TECHNIQUE keyword (exact); T_DIFFUSE for any other word.
    static RenderTechnique techniqueFromName(const std::wstring& name);

    // Inside render, each time the effect in use changes (pass, new effect, previous effect), and
    // once at the end with no new effect: kinds set their textures and matrices here.
    sigslot::signal3<RenderPass&, Effect*, Effect*> effectChanged;
    // Once per render after the objects' camera step, before anything is removed; a slot may
    // change the list.
    sigslot::signal2<RenderPass&, std::vector<RenderObjekt*>&> renderListCreated;

protected:
    // setParams with a fixed list, reusing the kept list's storage (kinds hand their receivers
    // every frame).
    void setObjectList(const std::vector<RenderObjekt*>& list, bool sort, bool transparency);
    // The object loop of render, for a pass that is active and has a scene graph.
    void drawObjects(Camera* camera);

    D3DInterface* m_d3d;
    SceneGraph* m_sceneGraph = nullptr;
    RenderManager* m_renderManager;
    std::vector<std::wstring> m_passNames;
    uint32_t m_everyFrame = 1;
    uint32_t m_everyTick = 0;
    uint32_t m_lastTick = 0;
    RenderTechnique m_technique = T_DIFFUSE;
    unsigned m_quality = 0;
    RenderPassParams m_params;
    unsigned m_activations = 0;
    PassCulling m_culling;

private:
    // The kept state block, captured from the device now; a new one when the device changed or
    // the kept one is in use by a drawing further up the stack.
    IDirect3DStateBlock9* captureState(IDirect3DDevice9* device);
    void dropSavedState();

    std::vector<RenderObjekt*> m_list; // reused by every render
    IDirect3DStateBlock9* m_saved = nullptr;
    IDirect3DDevice9* m_savedDevice = nullptr;
    bool m_savedInUse = false;

    // The effect in use by whichever pass is drawing.
    static Effect* s_currentEffect;
};

} // namespace Ulvo
