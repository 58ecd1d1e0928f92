#pragma once
// A node of the scene graph's octree: a box, the objects it holds and up to eight children. The
// graph never splits a node, so every object lives in the root; the child rules are kept so
// that a split graph behaves the same way.
#include "foundation/helpers/BoundingVolumes.h"

#include <vector>

namespace Ulvo {

class RenderObjekt;
class NamedObject;

class SceneGraphNode {
public:
    explicit SceneGraphNode(const AABB& box, SceneGraphNode* parent = nullptr);
    ~SceneGraphNode();
    SceneGraphNode(const SceneGraphNode&) = delete;
    SceneGraphNode& operator=(const SceneGraphNode&) = delete;

    // Below the root an object whose world box does not fit is refused; a taken object knows
    // this node and the counts up to the root grow.
    bool insert(RenderObjekt* object);
    // Searched from the last object to the first; the object's node is cleared.
    bool remove(RenderObjekt* object);
    // As remove, without touching the object (it may be being destroyed).
    bool removeAnywhere(const NamedObject* object);
    // This node's objects in order, then the children's.
    void collectAll(std::vector<RenderObjekt*>& list) const;
    // Deletes the children; objects of a node below the root go to its parent.
    void clear();
    // Adds to the subtree count of this node and of every node above it.
    void addToSubtreeCount(int amount);

    const AABB& getBox() const { return m_box; }
    SceneGraphNode* getParent() const { return m_parent; }
    SceneGraphNode* getChild(int index) const { return m_children[index]; }
    bool isSplit() const { return m_split; }
    int getOwnCount() const { return m_ownCount; }
    int getSubtreeCount() const { return m_subtreeCount; }
    const std::vector<RenderObjekt*>& getObjects() const { return m_objects; }

private:
    bool removeObject(const NamedObject* object, bool clearNode);

    AABB m_box;
    int m_splitThreshold = 1;
    int m_subtreeCount = 0;
    int m_ownCount = 0;
    bool m_split = false;
    SceneGraphNode* m_children[8] = {};
    SceneGraphNode* m_parent;
    std::vector<RenderObjekt*> m_objects;
};

} // namespace Ulvo
