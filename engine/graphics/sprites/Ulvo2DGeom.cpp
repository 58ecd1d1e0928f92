#include "graphics/sprites/Ulvo2DGeom.h"

#include <algorithm>

namespace Ulvo {

namespace {

float cross(const D3DXVECTOR2& a, const D3DXVECTOR2& b)
{
    return a.x * b.y - a.y * b.x;
}

float distance(const D3DXVECTOR2& a, const D3DXVECTOR2& b)
{
    const D3DXVECTOR2 d = a - b;
    return D3DXVec2Length(&d);
}

// Whether p lies on a's side of the line through b and c, or on the line. A NaN
// product fails the comparison and counts as outside.
bool onSameSide(const D3DXVECTOR2& p, const D3DXVECTOR2& a, const D3DXVECTOR2& b, const D3DXVECTOR2& c)
{
    const D3DXVECTOR2 edge = c - b;
    return cross(edge, a - b) * cross(edge, p - b) >= 0.0f;
}

// For three distinct corners on one line: the side test would accept every point of the
// plane, so accept only points on the segment the corners span.
bool onFlatTriangle(const D3DXVECTOR2& p, const D3DXVECTOR2& p0, const D3DXVECTOR2& p1, const D3DXVECTOR2& p2)
{
    if (cross(p1 - p0, p - p0) != 0.0f || cross(p2 - p0, p - p0) != 0.0f)
        return false;
    const float minX = std::min({p0.x, p1.x, p2.x}), maxX = std::max({p0.x, p1.x, p2.x});
    const float minY = std::min({p0.y, p1.y, p2.y}), maxY = std::max({p0.y, p1.y, p2.y});
    return p.x >= minX && p.x <= maxX && p.y >= minY && p.y <= maxY;
}

} // namespace

Ulvo2DTriangle::Ulvo2DTriangle() : m_p0(0.0f, 0.0f), m_p1(0.0f, 0.0f), m_p2(0.0f, 0.0f), m_degenerate(true) {}

Ulvo2DTriangle::Ulvo2DTriangle(const D3DXVECTOR2& p0, const D3DXVECTOR2& p1, const D3DXVECTOR2& p2)
    : m_p0(p0), m_p1(p1), m_p2(p2), m_degenerate(p0 == p1 || p1 == p2 || p0 == p2)
{
}

bool Ulvo2DTriangle::isInside(const D3DXVECTOR2& point) const
{
    if (m_degenerate)
        return false;
    if (cross(m_p1 - m_p0, m_p2 - m_p0) == 0.0f)
        return onFlatTriangle(point, m_p0, m_p1, m_p2);
    return onSameSide(point, m_p0, m_p1, m_p2) && onSameSide(point, m_p1, m_p0, m_p2) &&
           onSameSide(point, m_p2, m_p0, m_p1);
}

float Ulvo2DTriangle::getArea() const
{
    return 0.5f * std::fabs(cross(m_p1 - m_p0, m_p2 - m_p0));
}

float Ulvo2DTriangle::getPerimeter() const
{
    return distance(m_p0, m_p1) + distance(m_p1, m_p2) + distance(m_p2, m_p0);
}

Ulvo2DQuad::Ulvo2DQuad(const D3DXVECTOR2* corners)
    : m_first(corners[0], corners[1], corners[2]), m_second(corners[0], corners[2], corners[3])
{
}

bool Ulvo2DQuad::isInside(const D3DXVECTOR2& point) const
{
    return m_first.isInside(point) || m_second.isInside(point);
}

float Ulvo2DQuad::getArea() const
{
    return m_first.getArea() + m_second.getArea();
}

float Ulvo2DQuad::getPerimeter() const
{
    const D3DXVECTOR2 c0 = getCorner(0), c1 = getCorner(1), c2 = getCorner(2), c3 = getCorner(3);
    return distance(c0, c1) + distance(c1, c2) + distance(c2, c3) + distance(c3, c0);
}

D3DXVECTOR2 Ulvo2DQuad::getCorner(int index) const
{
    switch (index) {
    case 0:
        return m_first.getP0();
    case 1:
        return m_first.getP1();
    case 2:
        return m_first.getP2();
    case 3:
        return m_second.getP2();
    default: {
        const D3DXVECTOR2 sum = m_first.getP0() + m_first.getP1() + m_first.getP2() + m_second.getP2();
        return sum * 0.25f;
    }
    }
}

FloatRect Ulvo2DQuad::getBoundingRect() const
{
    const D3DXVECTOR2 c[4] = {getCorner(0), getCorner(1), getCorner(2), getCorner(3)};
    FloatRect r(c[0].x, c[0].y, c[0].x, c[0].y);
    for (const D3DXVECTOR2& p : c) {
        r.left = std::min(r.left, p.x);
        r.right = std::max(r.right, p.x);
        r.top = std::min(r.top, p.y);
        r.bottom = std::max(r.bottom, p.y);
    }
    return r;
}

} // namespace Ulvo
