#include "render/scenegraph/SceneGraphNode.h"

#include "render/scenegraph/RenderObjekt.h"

namespace Ulvo {

SceneGraphNode::SceneGraphNode(const AABB& box, SceneGraphNode* parent) : m_box(box), m_parent(parent) {}

SceneGraphNode::~SceneGraphNode()
{
    for (SceneGraphNode*& child : m_children) {
        delete child;
        child = nullptr;
    }
}

bool SceneGraphNode::insert(RenderObjekt* object)
{
    const bool followsCamera = object->getMoveWithCameraMode() != 0;
    if (m_parent && !followsCamera && !m_box.contains(object->getBoundingBox()))
        return false;
    if (m_split && m_ownCount >= m_splitThreshold && !followsCamera) {
        for (SceneGraphNode* child : m_children) {
            if (child && child->insert(object))
                return true;
        }
    }
    m_objects.push_back(object);
    object->setSceneGraphNode(this);
    ++m_ownCount;
    if (m_parent)
        m_parent->addToSubtreeCount(1);
    return true;
}

bool SceneGraphNode::removeObject(const NamedObject* object, bool clearNode)
{
    for (auto it = m_objects.rbegin(); it != m_objects.rend(); ++it) {
        if (static_cast<const NamedObject*>(*it) != object)
            continue;
        RenderObjekt* held = *it;
        m_objects.erase(std::next(it).base());
        if (clearNode)
            held->setSceneGraphNode(nullptr);
        --m_ownCount;
        if (m_parent)
            m_parent->addToSubtreeCount(-1);
        return true;
    }
    if (m_split && m_subtreeCount > 0) {
        for (SceneGraphNode* child : m_children) {
            if (child && child->removeObject(object, clearNode))
                return true;
        }
    }
    return false;
}

bool SceneGraphNode::remove(RenderObjekt* object)
{
    return removeObject(object, true);
}

bool SceneGraphNode::removeAnywhere(const NamedObject* object)
{
    return removeObject(object, false);
}

void SceneGraphNode::collectAll(std::vector<RenderObjekt*>& list) const
{
    list.insert(list.end(), m_objects.begin(), m_objects.end());
    for (const SceneGraphNode* child : m_children) {
        if (child)
            child->collectAll(list);
    }
}

void SceneGraphNode::clear()
{
    for (SceneGraphNode*& child : m_children) {
        if (child)
            child->clear();
        delete child;
        child = nullptr;
    }
    if (m_parent) {
        m_parent->addToSubtreeCount(-m_ownCount);
        for (auto it = m_objects.rbegin(); it != m_objects.rend(); ++it)
            m_parent->insert(*it);
    } else {
        for (RenderObjekt* object : m_objects)
            object->setSceneGraphNode(nullptr);
    }
    m_objects.clear();
    m_ownCount = 0;
    m_subtreeCount = 0;
}

void SceneGraphNode::addToSubtreeCount(int amount)
{
    for (SceneGraphNode* node = this; node; node = node->m_parent)
        node->m_subtreeCount += amount;
}

} // namespace Ulvo
