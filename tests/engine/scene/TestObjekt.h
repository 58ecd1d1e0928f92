#pragma once
// The smallest scene object kind for tests: a box of the given half size around the object's
// origin, in world space through the object's world matrix.
#include "foundation/xml/XMLNode.h"
#include "scene/objects/BaseObjekt.h"

#include <string>

namespace SceneTesting {

class TestObjekt : public Ulvo::BaseObjekt {
public:
    explicit TestObjekt(Ulvo::XMLNode* node, float halfSize = 0.5f) : BaseObjekt(node, nullptr), m_halfSize(halfSize) {}
    TestObjekt(const TestObjekt& other) = default;

    Ulvo::BaseObjekt* clone() const override { return new TestObjekt(*this); }

    void computeWorldBox() override
    {
        const Ulvo::AABB local(D3DXVECTOR3(-m_halfSize, -m_halfSize, -m_halfSize),
                               D3DXVECTOR3(m_halfSize, m_halfSize, m_halfSize));
        D3DXVECTOR3 corners[8];
        local.getCorners(corners);
        D3DXVECTOR3 first;
        D3DXVec3TransformCoord(&first, &corners[0], &getWorldMatrix());
        m_worldBox = Ulvo::AABB(first, first);
        for (const D3DXVECTOR3& corner : corners) {
            D3DXVECTOR3 world;
            D3DXVec3TransformCoord(&world, &corner, &getWorldMatrix());
            m_worldBox.addPoint(world);
        }
    }
    void computeBoundingSphere() override
    {
        m_boundingSphere = Ulvo::BoundingSphere(m_position, m_halfSize * 1.7320508f);
    }

    // Lets tests set what a description would.
    void setTransparent(bool on) { m_transparent = on; }
    void setPriorityForTest(int priority) { m_priority = priority; }
    void setEffectForTest(Ulvo::Effect* effect) { m_effect = effect; }
    void setCameraDistanceForTest(double distance) { m_cameraDistanceSq = distance; }
    void setInstancingForTest(bool on) { m_instancing = on; }
    bool isInstancingEnabled() const override { return m_instancing; }

private:
    float m_halfSize;
    bool m_instancing = false;
};

// A description node from text (the XML-like format).
inline Ulvo::XMLNode parseNode(const std::wstring& text)
{
    Ulvo::XMLNode root;
    Ulvo::XMLNode::load(&root, text, 1);
    return root;
}

// An object named so, optionally at a position.
inline TestObjekt* makeObjekt(const std::wstring& name, const D3DXVECTOR3& position = D3DXVECTOR3(0, 0, 0))
{
    Ulvo::XMLNode node(L"OBJEKT");
    node.addAttribute(new Ulvo::XMLAttribute(L"NAME", name));
    auto* object = new TestObjekt(&node);
    object->setPosition(position);
    return object;
}

} // namespace SceneTesting
