#pragma once
// Small 2D shapes for hit tests and culling of drawn sprites. Single precision throughout.
#include <d3dx9math.h>

#include "graphics/sprites/FloatRect.h"

namespace Ulvo {

class Ulvo2DGeom {
public:
    virtual ~Ulvo2DGeom() = default;
    // Points on the outline count as inside.
    virtual bool isInside(const D3DXVECTOR2& point) const = 0;
    virtual float getArea() const = 0;
    virtual float getPerimeter() const = 0;
};

class Ulvo2DTriangle : public Ulvo2DGeom {
public:
    // All corners at the origin: degenerate.
    Ulvo2DTriangle();
    Ulvo2DTriangle(const D3DXVECTOR2& p0, const D3DXVECTOR2& p1, const D3DXVECTOR2& p2);

    bool isInside(const D3DXVECTOR2& point) const override;
    float getArea() const override;
    float getPerimeter() const override;

    const D3DXVECTOR2& getP0() const { return m_p0; }
    const D3DXVECTOR2& getP1() const { return m_p1; }
    const D3DXVECTOR2& getP2() const { return m_p2; }
    // Two corners coincide; such a triangle contains no point.
    bool isDegenerate() const { return m_degenerate; }

private:
    D3DXVECTOR2 m_p0;
    D3DXVECTOR2 m_p1;
    D3DXVECTOR2 m_p2;
    bool m_degenerate;
};

// Four corners in order around the shape, split along the diagonal c0-c2 into the
// triangles (c0, c1, c2) and (c0, c2, c3).
class Ulvo2DQuad : public Ulvo2DGeom {
public:
    explicit Ulvo2DQuad(const D3DXVECTOR2* corners);

    // Inside either triangle, so a concave quad tests as the union of its two halves.
    bool isInside(const D3DXVECTOR2& point) const override;
    float getArea() const override;
    float getPerimeter() const override;

    // Corners 0 to 3; any other index gives the centre (the mean of the corners).
    D3DXVECTOR2 getCorner(int index) const;
    FloatRect getBoundingRect() const;

private:
    Ulvo2DTriangle m_first;
    Ulvo2DTriangle m_second;
};

} // namespace Ulvo
