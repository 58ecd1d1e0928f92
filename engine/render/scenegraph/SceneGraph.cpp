#include "render/scenegraph/SceneGraph.h"

#include "render/ScopedMeasure.h"
#include "render/cameras/Camera.h"
#include "render/scenegraph/RenderObjekt.h"

#include <algorithm>

namespace Ulvo {

SceneGraph::SceneGraph() : m_root(AABB())
{
    registerCommands(kCommands);
    m_sun.sunChanged.connect(this, &SceneGraph::onSunLightChanged);
}

SceneGraph::~SceneGraph()
{
    std::vector<RenderObjekt*> objects;
    m_root.collectAll(objects);
    for (RenderObjekt* object : objects)
        disconnectObject(object);
    m_root.clear();
    for (RenderObjekt* object : objects) {
        object->setSceneGraph(nullptr);
        m_sun.unbindCloudTarget(object);
    }
}

void SceneGraph::connectObject(RenderObjekt* object)
{
    object->onDeleted.connect(this, &SceneGraph::onObjectDeleted);
    object->transformChanged.connect(this, &SceneGraph::onObjectMoved);
}

void SceneGraph::disconnectObject(RenderObjekt* object)
{
    object->onDeleted.disconnect(this);
    object->transformChanged.disconnect(this);
}

void SceneGraph::addObject(RenderObjekt* object, bool connect)
{
    if (!object || object->getSceneGraphNode())
        return;
    m_root.insert(object);
    object->setSceneGraph(this);
    if (connect)
        connectObject(object);
    m_sun.bindCloudTarget(object);
}

void SceneGraph::removeObject(RenderObjekt* object, bool disconnect)
{
    if (!object)
        return;
    SceneGraphNode* node = object->getSceneGraphNode() ? object->getSceneGraphNode() : &m_root;
    // An object of no graph, or of another one, is none of this graph's business.
    if (!node->remove(object) && object->getSceneGraph() != this)
        return;
    if (disconnect)
        disconnectObject(object);
    object->setSceneGraph(nullptr);
    m_sun.unbindCloudTarget(object);
}

void SceneGraph::onObjectMoved(RenderObjekt& object)
{
    SceneGraphNode* node = object.getSceneGraphNode();
    if (!node) {
        addObject(&object, false);
        return;
    }
    if (node != &m_root && object.getMoveWithCameraMode() == 0 && !node->getBox().contains(object.getBoundingBox())) {
        node->remove(&object);
        addObject(&object, false);
        return;
    }
    // Back into the same node, at the end; the object never leaves the graph, so its lights
    // stay as they are.
    node->removeAnywhere(&object);
    node->insert(&object);
}

void SceneGraph::onObjectDeleted(NamedObject* object)
{
    m_root.removeAnywhere(object);
}

// ------------------------------------------------------------------ visibility and render lists

void SceneGraph::collectVisible(const SceneGraphNode& node, std::vector<RenderObjekt*>& list, Camera* camera, bool test)
{
    int result = 2;
    if (test) {
        result = camera->isAABBInFrustum(node.getBox());
        if (result == 0) {
            // The root's box is a point: outside it still hands out every object.
            if (!node.getParent())
                list.insert(list.end(), node.getObjects().begin(), node.getObjects().end());
            return;
        }
    }
    for (int i = 0; i < 8; ++i) {
        const SceneGraphNode* child = node.getChild(i);
        if (child && child->getOwnCount() + child->getSubtreeCount() > 0)
            collectVisible(*child, list, camera, test && result == 1);
    }
    const std::vector<RenderObjekt*>& objects = node.getObjects();
    if (test && result == 1) {
        for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
            if ((*it)->getMoveWithCameraMode() != 0 || camera->isAABBInFrustum((*it)->getBoundingBox()) != 0)
                list.push_back(*it);
        }
    } else {
        list.insert(list.end(), objects.begin(), objects.end());
    }
}

void SceneGraph::getVisibleObjects(Camera* camera, std::vector<RenderObjekt*>& list)
{
    collectVisible(m_root, list, camera, camera != nullptr);
}

void SceneGraph::GetRenderList(Camera* camera, std::vector<RenderObjekt*>& list,
                               const std::vector<std::wstring>* passNames, bool sort)
{
    ScopedMeasure measure(L"Scenegraph.GetRenderList");
    getVisibleObjects(camera, list);
    if (passNames) {
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [passNames](RenderObjekt* object) { return !object->isInRenderPass(*passNames); }),
                   list.end());
    }
    if (sort) {
        ScopedMeasure sorting(L"Scenegraph.SortRenderList");
        this->sort(list);
    }
}

void SceneGraph::sort(std::vector<RenderObjekt*>& list) const
{
    // The keys compare exactly as compareRenderOrder compares the objects, so the sort makes
    // the same moves; each object is asked for them once instead of at every comparison.
    m_orderKeys.clear();
    for (RenderObjekt* object : list)
        m_orderKeys.push_back(
            {object->getPriority(), object->isTransparent(), object->getEffect(), renderDistanceKey(object), object});
    std::sort(m_orderKeys.begin(), m_orderKeys.end(), [](const OrderKey& a, const OrderKey& b) {
        if (a.priority != 0 && b.priority != 0)
            return a.priority < b.priority;
        if (a.priority != 0 || b.priority != 0)
            return a.priority != 0;
        if (a.transparent != b.transparent)
            return !a.transparent;
        if (!a.transparent)
            return std::less<Effect*>()(a.effect, b.effect);
        return a.distance > b.distance;
    });
    for (size_t i = 0; i < list.size(); ++i)
        list[i] = m_orderKeys[i].object;
}

void SceneGraph::updateObjectsForCamera(Camera* camera, std::vector<RenderObjekt*>& list, const D3DXVECTOR3* reference)
{
    for (RenderObjekt* object : list)
        object->updateForCamera(camera, reference);
}

void SceneGraph::applySunLight(std::vector<RenderObjekt*>& list)
{
    RenderObjekt::setSkyMap(m_sun.getSkyMap());
    RenderObjekt::setBackgroundMap(m_sun.getBackgroundMap());
    RenderObjekt::setEnvironmentMap(m_sun.getEnvironmentMap() ? m_sun.getEnvironmentMap() : m_sun.getSkyMap());
    // Bundles share no effect pool, so every effect drawn takes the values itself, once per list;
    // the pass lights the effects it selects while drawing (lightObject) the same way.
    m_litEffects.clear();
    for (RenderObjekt* object : list)
        lightObject(object);
}

void SceneGraph::lightObject(RenderObjekt* object)
{
    // An object without an effect yet has nowhere to put the values: a later call lights it.
    const Effect* effect = object ? object->getEffect() : nullptr;
    if (!effect)
        return;
    object->setLightStamp(m_lightStamp);
    if (std::find(m_litEffects.begin(), m_litEffects.end(), effect) != m_litEffects.end())
        return;
    m_litEffects.push_back(effect);
    object->setLightParams(m_sun.getLightDirection(), m_sun.getDiffuseColor(), m_sun.getAmbientColor());
}

void SceneGraph::collapseInstances(std::vector<RenderObjekt*>& list)
{
    m_groups.clear();
    std::size_t kept = 0;
    for (RenderObjekt* object : list) {
        RenderObjekt* group = object->getInstanceGroup();
        if (!group || !group->isInstancingEnabled()) {
            list[kept++] = object;
            continue;
        }
        if (group->getInstanceStamp() != m_instanceStamp) {
            group->setInstanceStamp(m_instanceStamp);
            group->clearVisibleInstances();
            m_groups.push_back(group);
        }
        group->addVisibleInstance(object);
    }
    if (kept != list.size()) {
        list.resize(kept);
        list.insert(list.begin(), m_groups.begin(), m_groups.end());
    }
    ++m_instanceStamp;
}

void SceneGraph::drawNodes(Camera* camera)
{
    if (!camera || !m_objekte || m_root.getOwnCount() + m_root.getSubtreeCount() == 0)
        return;
    if (camera->isAABBInFrustum(m_root.getBox()) != 0)
        m_objekte->drawBox(m_root.getBox(), 0xFFFF0000, false);
}

} // namespace Ulvo
