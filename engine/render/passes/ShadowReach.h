#pragma once
// Whether a shadow caster can darken a split's slice of the view. The light camera of a split
// sees more than the slice, so many casters it sees throw their shadow somewhere else.
//
// The light camera is a perspective one: a caster's shadow runs from the caster away from the
// light's eye, along the rays through it. A box can darken the slice only when that swept volume
// (the box and everything behind it as seen from the eye) meets the slice, widened by how far a
// lookup in the map may land from the receiver's own ray (texel snapping and the deferred
// light's neighbour taps). Both are convex, so an axis along which their extents do not overlap
// proves they are apart; the axes tried are the slice's faces, the box's faces, and the crossings
// of their edges with each other and with the light's direction. A box that no tried axis
// separates is kept, so the test may keep a caster it need not, never the reverse.
//
// Receivers nearer the light than its near plane never find a shadow (their clip z is below the
// depths a map holds), so only the part of the slice behind that plane counts; a slice wholly
// before it takes no caster at all.
//
// Where the slice reaches past the map's edge, its receivers there read the clamped edge texels,
// whose casters need not lie near their rays: a box the light sees near such an edge, no deeper
// than the slice's deepest point, is kept too. A light that is no plain perspective one leaves the
// test open.
#include <d3dx9math.h>

#include <array>

namespace Ulvo {

class AABB;
class Camera;

class ShadowReach {
public:
    // Fitted to the view camera's frustum between its current near and far planes and to the
    // light camera's current view and projection, whose map has mapSize texels along an edge.
    void fit(const Camera& view, const Camera& light, unsigned mapSize);
    // The same from the slice's eight corners, ordered as the device's unit cube: bit 0 of the
    // index right, bit 1 top, bit 2 far; and the light's matrices.
    void fit(const D3DXVECTOR3 (&slice)[8], const D3DXMATRIX& lightView, const D3DXMATRIX& lightProjection,
             unsigned mapSize);
    // No test: every box may darken.
    void open()
    {
        m_count = 0;
        m_open = true;
    }
    bool isOpen() const { return m_open; }

    // False only when neither the box nor its shadow can reach the slice.
    bool mayDarken(const AABB& box) const;

    // Texels, per axis of the map, by which a lookup may miss the receiver's own ray: half a
    // texel of snapping, one of the deferred light's neighbour taps, and some left for rounding.
    static constexpr float kLookupTexels = 2.0f;

private:
    // A unit direction with the slice's extent along it (already widened) and the eye's place.
    struct Axis {
        D3DXVECTOR3 direction;
        float low;
        float high;
        float eye;
    };
    static constexpr int kMaxAxes = 40;

    // The points that span the part of the slice that counts, the light's eye and the widening.
    struct Points {
        const D3DXVECTOR3* at;
        int count;
        D3DXVECTOR3 eye;
        float margin;
    };
    void addAxis(const D3DXVECTOR3& direction, const Points& points);

    // Whether the box may throw depth into a texel that receivers beyond the map's edge read.
    bool mayReachClampedEdge(const AABB& box) const;

    std::array<Axis, kMaxAxes> m_axes{};
    int m_count = 0;
    float m_tolerance = 0.0f; // for comparisons with the eye's place
    D3DXMATRIX m_lightViewProjection;
    float m_deepest = 0.0f; // the largest clip w of the slice (widened) seen from the light
    float m_lookup = 0.0f;  // kLookupTexels in the map's device coordinates
    // The map's edges (left, right, bottom, top) the slice reaches beyond.
    std::array<bool, 4> m_clampedEdges{};
    bool m_clamped = false;
    bool m_none = false; // no receiver of the slice can be darkened
    bool m_open = true;
};

} // namespace Ulvo
