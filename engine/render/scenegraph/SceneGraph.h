#pragma once
// The objects that take part in rendering: which of them a camera sees, the render list of a
// render pass in the render order, and the day-and-night sun light, whose values it hands to the
// objects of each list. Laid out as an octree whose root holds every object (no node is ever
// split), so every visibility query returns all objects in the root's order: insertion order,
// moved objects last. Culling happens in the render passes and the objects' own drawing.
//
// The graph holds no reference on its objects; added with connect, an object leaves the graph
// when it is destroyed and moves to the end of the list when it moves. Offers the SG_ console
// commands.
#include "foundation/console/ConsoleCommandReceiver.h"
#include "render/scenegraph/SceneGraphNode.h"
#include "render/sun/SunLightSystem.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Ulvo {

class Effect;
class RenderObjekt;
class Camera;
class NamedObject;
class RenderObjektRegistry;

class SceneGraph : public ConsoleCommandReceiver {
public:
    SceneGraph();
    ~SceneGraph() override;
    SceneGraph(const SceneGraph&) = delete;
    SceneGraph& operator=(const SceneGraph&) = delete;

    // An object already in a node is left alone.
    void addObject(RenderObjekt* object, bool connect);
    void removeObject(RenderObjekt* object, bool disconnect);
    // Slots of the added objects' signals.
    void onObjectMoved(RenderObjekt& object);
    void onObjectDeleted(NamedObject* object);

    // The objects the camera sees, unfiltered and unsorted, appended to list.
    void getVisibleObjects(Camera* camera, std::vector<RenderObjekt*>& list);
    // The visible objects; with pass names only those that take part in one of them (kept in
    // visible order); sorted into the render order when sort is set.
    void GetRenderList(Camera* camera, std::vector<RenderObjekt*>& list, const std::vector<std::wstring>* passNames,
                       bool sort);
    void sort(std::vector<RenderObjekt*>& list) const;
    // Every object's per-camera step, in list order.
    void updateObjectsForCamera(Camera* camera, std::vector<RenderObjekt*>& list, const D3DXVECTOR3* reference);
    // The shared sky, background and environment maps, and the sun's light on every effect of
    // the list (once each); the objects with an effect take the sun's stamp.
    void applySunLight(std::vector<RenderObjekt*>& list);
    // The sun's light on the object's current effect unless that effect took it since the last
    // applySunLight (a pass calls it for the effect it selected for drawing).
    void lightObject(RenderObjekt* object);
    // Objects of instancing groups leave the list and are drawn through their group, which goes
    // to the front of the list.
    void collapseInstances(std::vector<RenderObjekt*>& list);
    // Debug display of the nodes the camera sees.
    void drawNodes(Camera* camera);

    // True when a is drawn before b: objects with a PRIORITY first (ascending, unsigned), then
    // opaque objects grouped by effect, then transparent objects from far to near.
    static bool compareRenderOrder(RenderObjekt* a, RenderObjekt* b);
    // Farther first: the order of the console listings.
    static bool compareCameraDistance(RenderObjekt* a, RenderObjekt* b);

    SunLightSystem& getSunLightSystem() { return m_sun; }
    // Slot of the sun's change signal.
    void onSunLightChanged() { ++m_lightStamp; }
    uint32_t getLightStamp() const { return m_lightStamp; }
    uint32_t getInstanceStamp() const { return m_instanceStamp; }
    const SceneGraphNode& getRoot() const { return m_root; }

    // Where SG_addObject and SG_removeObject look objects up; handed down by the engine.
    void setObjektRegistry(RenderObjektRegistry* registry) { m_objekte = registry; }

private:
    void collectVisible(const SceneGraphNode& node, std::vector<RenderObjekt*>& list, Camera* camera, bool test);
    void connectObject(RenderObjekt* object);
    void disconnectObject(RenderObjekt* object);
    // The listed objects' names and positions, one line each, farthest first.
    static std::wstring listing(std::vector<RenderObjekt*>& objects);

    // The object manager's object named by the first argument; null, with the answer, when none.
    RenderObjekt* findObject(TypedConsoleCommand& line) const;
    void cmdGetVisibleObjectNames(TypedConsoleCommand& line);
    void cmdAddObject(TypedConsoleCommand& line);
    void cmdRemoveObject(TypedConsoleCommand& line);
    void cmdGetAllObjectNames(TypedConsoleCommand& line);
    // The names that begin with the typed argument: of the graph's objects, of the manager's.
    void completeGraphObject(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);
    void completeManagerObject(TypedConsoleCommand& line, std::vector<std::wstring>& candidates);
    static void completeFrom(const std::vector<RenderObjekt*>& objects, TypedConsoleCommand& line,
                             std::vector<std::wstring>& candidates);

    static const ConsoleCommandEntry<SceneGraph> kCommands[4];

    SceneGraphNode m_root;
    SunLightSystem m_sun;
    uint32_t m_instanceStamp = 0;
    uint32_t m_lightStamp = 0;
    RenderObjektRegistry* m_objekte = nullptr;
    std::vector<RenderObjekt*> m_groups;     // reused by collapseInstances
    std::vector<const Effect*> m_litEffects; // reused by applySunLight
    // What the render order compares, read once per object and sort (reused by sort).
    struct OrderKey {
        uint32_t priority;
        bool transparent;
        Effect* effect;
        double distance;
        RenderObjekt* object;
    };
    mutable std::vector<OrderKey> m_orderKeys;
    static double renderDistanceKey(const RenderObjekt* object);
};

} // namespace Ulvo
