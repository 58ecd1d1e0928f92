#include "render/cameras/AttachPoint.h"

#include "foundation/XMLNode.h"
#include "render/XMLReads.h"

namespace Ulvo {

AttachPoint::AttachPoint(const std::wstring& name) : NamedObject(name)
{
    D3DXMatrixIdentity(&m_world);
    D3DXMatrixIdentity(&m_inverseWorld);
    D3DXMatrixIdentity(&m_parent);
    rebuildLocal();
}

AttachPoint::AttachPoint(const AttachPoint& other)
    : NamedObject(other),
      m_position(other.m_position),
      m_scale(other.m_scale),
      m_rotation(other.m_rotation),
      m_local(other.m_local),
      m_world(other.m_world),
      m_inverseWorld(other.m_inverseWorld),
      m_worldPosition(other.m_worldPosition),
      m_parent(other.m_parent),
      m_upToDate(other.m_upToDate)
{
}

AttachPoint::AttachPoint(XMLNode* node) : NamedObject(node)
{
    D3DXMatrixIdentity(&m_world);
    D3DXMatrixIdentity(&m_inverseWorld);
    D3DXMatrixIdentity(&m_parent);
    xmlread::readVector(node, L"POSITION", m_position, 0.0f);
    xmlread::readVector(node, L"SCALE", m_scale, 1.0f);
    if (const XMLNode* rotation = node ? node->getNode(L"ROTATION") : nullptr) {
        float yaw = 0.0f, pitch = 0.0f, roll = 0.0f;
        xmlread::readFloat(rotation, L"YAW", yaw);
        xmlread::readFloat(rotation, L"PITCH", pitch);
        xmlread::readFloat(rotation, L"ROLL", roll);
        D3DXQuaternionRotationYawPitchRoll(&m_rotation, yaw * kDegreesToRadians, pitch * kDegreesToRadians,
                                           roll * kDegreesToRadians);
    }
    if (xmlread::readQuaternion(node, L"ROTATION_QUAT", m_rotation))
        D3DXQuaternionNormalize(&m_rotation, &m_rotation);
    rebuildLocal();
}

bool AttachPoint::save(XMLNode* node)
{
    if (!NamedObject::save(node))
        return false;
    xmlread::writeVector(node, L"POSITION", m_position);
    xmlread::writeVector(node, L"SCALE", m_scale);
    xmlread::writeQuaternion(node, L"ROTATION_QUAT", m_rotation);
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
