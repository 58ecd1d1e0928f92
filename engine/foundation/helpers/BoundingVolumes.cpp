#include "foundation/helpers/BoundingVolumes.h"

namespace Ulvo {

AABB::AABB() : m_min(0.0f, 0.0f, 0.0f), m_max(0.0f, 0.0f, 0.0f) {}

AABB::AABB(const D3DXVECTOR3& minimum, const D3DXVECTOR3& maximum) : m_min(minimum), m_max(maximum) {}

D3DXVECTOR3 AABB::getPoint(const D3DXVECTOR3& t) const
{
    return D3DXVECTOR3(m_min.x + (m_max.x - m_min.x) * t.x, m_min.y + (m_max.y - m_min.y) * t.y,
                       m_min.z + (m_max.z - m_min.z) * t.z);
}

bool AABB::isInside(const D3DXVECTOR3& point) const
{
    return m_min.x <= point.x && point.x <= m_max.x && m_min.y <= point.y && point.y <= m_max.y && m_min.z <= point.z &&
           point.z <= m_max.z;
}

bool AABB::contains(const AABB& other) const
{
    return isInside(other.m_min) && isInside(other.m_max);
}

void AABB::merge(const AABB& other)
{
    D3DXVec3Minimize(&m_min, &m_min, &other.m_min);
    D3DXVec3Maximize(&m_max, &m_max, &other.m_max);
}

void AABB::addPoint(const D3DXVECTOR3& point)
{
    D3DXVec3Minimize(&m_min, &m_min, &point);
    D3DXVec3Maximize(&m_max, &m_max, &point);
}

void AABB::getCorners(D3DXVECTOR3* corners) const
{
    for (int i = 0; i < 8; ++i) {
        corners[i] = D3DXVECTOR3((i & 4) ? m_max.x : m_min.x, (i & 2) ? m_max.y : m_min.y, (i & 1) ? m_max.z : m_min.z);
    }
}

BoundingSphere::BoundingSphere() : m_centre(0.0f, 0.0f, 0.0f), m_radius(0.0f), m_radiusSq(0.0f) {}

BoundingSphere::BoundingSphere(const D3DXVECTOR3& centre, float radius)
    : m_centre(centre), m_radius(radius), m_radiusSq(radius * radius)
{
}

void BoundingSphere::addPoint(const BoundingSphere& sphere)
{
    const D3DXVECTOR3 offset = sphere.m_centre - m_centre;
    const float reach = D3DXVec3Length(&offset) + sphere.m_radius;
    if (reach > m_radius) {
        m_radius = reach;
        m_radiusSq = m_radius * m_radius;
    }
}

} // namespace Ulvo
