#include "render/cameras/AttachPoint.h"

#include "foundation/xml/XMLNode.h"
#include "render/XMLWrites.h"

namespace Ulvo {

AttachPoint::AttachPoint(const std::wstring& name) : NamedObject(name)
{
    D3DXMatrixIdentity(&m_world);
    D3DXMatrixIdentity(&m_inverseWorld);
    D3DXMatrixIdentity(&m_parent);
    rebuildLocal();
}

AttachPoint::AttachPoint(const AttachPoint& other)
    : NamedObject(other)
    , m_position(other.m_position)
    , m_scale(other.m_scale)
    , m_rotation(other.m_rotation)
    , m_local(other.m_local)
    , m_world(other.m_world)
    , m_inverseWorld(other.m_inverseWorld)
    , m_worldPosition(other.m_worldPosition)
    , m_parent(other.m_parent)
    , m_upToDate(other.m_upToDate)
{
}

AttachPoint::AttachPoint(XMLNode* node) : NamedObject(node)
{
    D3DXMatrixIdentity(&m_world);
    D3DXMatrixIdentity(&m_inverseWorld);
    D3DXMatrixIdentity(&m_parent);
    if (node) {
        node->readPoint(L"POSITION", m_position);
        node->readPoint(L"SCALE", m_scale);
        D3DXVECTOR3 degrees(0.0f, 0.0f, 0.0f);
        if (readAngles(node, L"ROTATION", L"YAW", L"PITCH", L"ROLL", degrees))
            D3DXQuaternionRotationYawPitchRoll(&m_rotation, degrees.x * kDegreesToRadians,
                                               degrees.y * kDegreesToRadians, degrees.z * kDegreesToRadians);
        readQuaternion(node, L"ROTATION_QUAT", m_rotation);
    }
    rebuildLocal();
}

bool readAngles(const XMLNode* node, const wchar_t* child, const wchar_t* first, const wchar_t* second,
                const wchar_t* third, D3DXVECTOR3& degrees)
{
    const XMLNode* angles = node->getNode(child);
    if (!angles)
        return false;
    angles->readFloat(first, degrees.x);
    angles->readFloat(second, degrees.y);
    angles->readFloat(third, degrees.z);
    return true;
}

bool readQuaternion(const XMLNode* node, const wchar_t* child, D3DXQUATERNION& rotation)
{
    D3DXVECTOR4 q(0.0f, 0.0f, 0.0f, 1.0f);
    if (!node->readPoint(child, q))
        return false;
    const D3DXQUATERNION read(q.x, q.y, q.z, q.w);
    D3DXQuaternionNormalize(&rotation, &read);
    return true;
}

bool AttachPoint::save(XMLNode* node)
{
    if (!NamedObject::save(node))
        return false;
    xmlwrite::writeVector(node, L"POSITION", m_position);
    xmlwrite::writeVector(node, L"SCALE", m_scale);
    xmlwrite::writeQuaternion(node, L"ROTATION_QUAT", m_rotation);
    return true;
}

void AttachPoint::rebuildLocal()
{
    D3DXMatrixTransformation(&m_local, nullptr, nullptr, &m_scale, nullptr, &m_rotation, &m_position);
}

void AttachPoint::setParentMatrix(const D3DXMATRIX& parent)
{
    m_parent = parent;
    m_upToDate = false;
}

void AttachPoint::update()
{
    if (m_upToDate)
        return;
    D3DXMatrixMultiply(&m_world, &m_local, &m_parent);
    m_worldPosition = D3DXVECTOR3(m_world._41, m_world._42, m_world._43);
    // A singular world (a scale of 0) keeps the last inverse rather than garbage.
    D3DXMatrixInverse(&m_inverseWorld, nullptr, &m_world);
    m_upToDate = true;
}

const D3DXMATRIX& AttachPoint::getWorldMatrix()
{
    update();
    return m_world;
}

const D3DXMATRIX& AttachPoint::getInverseWorldMatrix()
{
    update();
    return m_inverseWorld;
}

const D3DXVECTOR3& AttachPoint::getWorldPosition()
{
    update();
    return m_worldPosition;
}

} // namespace Ulvo
