#pragma once
// A named local frame (position, scale, rotation) that a scene object carries and that cameras,
// lights and sounds hang on. Its world matrix is its local matrix times the owner's world
// matrix, recomputed on demand after the owner moved.
#include <d3dx9math.h>

#include "foundation/objects/NamedObject.h"

#include <string>

namespace Ulvo {

class XMLNode;

class AttachPoint : public NamedObject {
public:
    explicit AttachPoint(const std::wstring& name);
    AttachPoint(const AttachPoint& other);
    // NAME, then the children POSITION (X, Y, Z), SCALE (X, Y, Z, default 1), ROTATION (YAW,
    // PITCH, ROLL in degrees) and ROTATION_QUAT (X, Y, Z, W; replaces ROTATION).
    explicit AttachPoint(XMLNode* node);
    AttachPoint& operator=(const AttachPoint&) = delete;
    ~AttachPoint() override = default;

    // NAME, POSITION, SCALE and ROTATION_QUAT.
    bool save(XMLNode* node) override;

    // The owner's world matrix; the world matrix is recomputed at the next query.
    void setParentMatrix(const D3DXMATRIX& parent);
    void update();
    const D3DXMATRIX& getWorldMatrix();
    const D3DXMATRIX& getInverseWorldMatrix();
    const D3DXVECTOR3& getWorldPosition();

    const D3DXVECTOR3& getPosition() const { return m_position; }
    const D3DXVECTOR3& getScale() const { return m_scale; }
    const D3DXQUATERNION& getRotation() const { return m_rotation; }
    const D3DXMATRIX& getLocalMatrix() const { return m_local; }
    bool isUpToDate() const { return m_upToDate; }

private:
    void rebuildLocal();

    D3DXVECTOR3 m_position{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_scale{1.0f, 1.0f, 1.0f};
    D3DXQUATERNION m_rotation{0.0f, 0.0f, 0.0f, 1.0f};
    D3DXMATRIX m_local;
    D3DXMATRIX m_world;
    D3DXMATRIX m_inverseWorld;
    D3DXVECTOR3 m_worldPosition{0.0f, 0.0f, 0.0f};
    D3DXMATRIX m_parent;
    bool m_upToDate = true;
};

// Degrees to radians as configuration files and the console give angles.
constexpr float kDegreesToRadians = 0.01745329238474369f;

// Rotations of description nodes: the child's three angle attributes in degrees (each 0 when
// absent), and ROTATION_QUAT's X, Y, Z, W (0, 0, 0, 1) normalised. False, and the value as it
// was, without the child.
bool readAngles(const XMLNode* node, const wchar_t* child, const wchar_t* first, const wchar_t* second,
                const wchar_t* third, D3DXVECTOR3& degrees);
bool readQuaternion(const XMLNode* node, const wchar_t* child, D3DXQUATERNION& rotation);

} // namespace Ulvo
