#pragma once
// Axis-aligned box and sphere used for culling and picking.
#include <d3dx9math.h>

namespace Ulvo {

// Six floats: minimum x, y, z, then maximum x, y, z. The empty box is all zero, i.e. the
// point at the origin, so merging into it always keeps the origin inside.
class AABB {
public:
    AABB();
    AABB(const D3DXVECTOR3& minimum, const D3DXVECTOR3& maximum);

    const D3DXVECTOR3& getMin() const { return m_min; }
    const D3DXVECTOR3& getMax() const { return m_max; }

    // minimum + (maximum - minimum) * t per axis; t = (0.5, 0.5, 0.5) is the centre.
    D3DXVECTOR3 getPoint(const D3DXVECTOR3& t) const;
    // The faces belong to the box.
    bool isInside(const D3DXVECTOR3& point) const;
    bool contains(const AABB& other) const;
    void merge(const AABB& other);
    void addPoint(const D3DXVECTOR3& point);
    // Corner i takes the maximum x when bit 2 of i is set, maximum y for bit 1, maximum z
    // for bit 0: (min, min, min), (min, min, max), ... (max, max, max).
    void getCorners(D3DXVECTOR3* corners) const;

private:
    D3DXVECTOR3 m_min;
    D3DXVECTOR3 m_max;
};

class BoundingSphere {
public:
    BoundingSphere();
    BoundingSphere(const D3DXVECTOR3& centre, float radius);

    const D3DXVECTOR3& getCentre() const { return m_centre; }
    float getRadius() const { return m_radius; }
    float getRadiusSq() const { return m_radiusSq; }

    // Grows the radius (the centre stays) until the given sphere lies inside; a point is a
    // sphere of radius 0.
    void addPoint(const BoundingSphere& sphere);

private:
    D3DXVECTOR3 m_centre;
    float m_radius;
    float m_radiusSq;
};

} // namespace Ulvo
