#include "render/passes/ShadowReach.h"

#include "foundation/helpers/BoundingVolumes.h"
#include "render/cameras/Camera.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace Ulvo {

namespace {

D3DXVECTOR3 cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    D3DXVECTOR3 out;
    D3DXVec3Cross(&out, &a, &b);
    return out;
}

} // namespace

void ShadowReach::fit(const Camera& view, const Camera& light, unsigned mapSize)
{
    // The slice's corners from the device's unit cube (z from 0 at the near plane to 1 at the far).
    D3DXVECTOR3 slice[8];
    const D3DXMATRIX& toWorld = view.getViewProjectionInverseMatrix();
    for (int i = 0; i < 8; ++i) {
        const D3DXVECTOR3 device((i & 1) ? 1.0f : -1.0f, (i & 2) ? 1.0f : -1.0f, (i & 4) ? 1.0f : 0.0f);
        D3DXVec3TransformCoord(&slice[i], &device, &toWorld);
    }
    fit(slice, light.getViewMatrix(), light.getProjectionMatrix(), mapSize);
}

void ShadowReach::fit(const D3DXVECTOR3 (&slice)[8], const D3DXMATRIX& lightView, const D3DXMATRIX& lightProjection,
                      unsigned mapSize)
{
    open();
    // Only a perspective light without shear is understood: its clip w is its view depth scaled.
    const D3DXMATRIX& p = lightProjection;
    if (mapSize == 0 || p._34 <= 0.0f || p._44 != 0.0f || p._14 != 0.0f || p._24 != 0.0f || p._12 != 0.0f ||
        p._21 != 0.0f || p._11 == 0.0f || p._22 == 0.0f)
        return;
    D3DXMATRIX toEye;
    if (!D3DXMatrixInverse(&toEye, nullptr, &lightView))
        return;
    const D3DXVECTOR3 eye(toEye._41, toEye._42, toEye._43);
    D3DXVECTOR3 forward(toEye._31, toEye._32, toEye._33);
    D3DXVec3Normalize(&forward, &forward);
    m_lightViewProjection = lightView * lightProjection;

    // Receivers nearer the light than its near plane have a clip z below 0, and the maps hold
    // depths of 0 and more: the lookups there never find a shadow. Only the slice's part behind
    // the near plane counts: its corners there and where its edges cross the plane.
    const D3DXMATRIX& vp = m_lightViewProjection;
    const auto clipZ = [&vp](const D3DXVECTOR3& q) { return q.x * vp._13 + q.y * vp._23 + q.z * vp._33 + vp._43; };
    D3DXVECTOR3 part[20];
    int count = 0;
    float depth[8];
    for (int i = 0; i < 8; ++i) {
        depth[i] = clipZ(slice[i]);
        if (depth[i] >= 0.0f)
            part[count++] = slice[i];
    }
    for (int i = 0; i < 8; ++i) {
        for (int bit = 1; bit < 8; bit <<= 1) {
            const int j = i | bit;
            if (j == i || (depth[i] >= 0.0f) == (depth[j] >= 0.0f))
                continue;
            const float t = depth[i] / (depth[i] - depth[j]);
            part[count++] = slice[i] + (slice[j] - slice[i]) * t;
        }
    }
    m_open = false;
    m_count = 0;
    m_clamped = false;
    // Wholly before the near plane: no caster can darken the slice.
    m_none = count == 0;
    if (m_none)
        return;

    // Where the part comes within a lookup of the map's edge, its receivers may read the clamped
    // edge texels.
    const float lookup = kLookupTexels * 2.0f / static_cast<float>(mapSize);
    m_lookup = lookup;
    m_clampedEdges = {};
    float deepest = 0.0f, scale = 0.0f;
    for (int i = 0; i < count; ++i) {
        D3DXVECTOR4 clip;
        D3DXVec3Transform(&clip, &part[i], &vp);
        // Rounding could leave a point on the plane behind the eye: nothing sound to say then.
        if (!(clip.w > 0.0f)) {
            open();
            return;
        }
        const float edge = (1.0f - lookup) * clip.w;
        m_clampedEdges[0] = m_clampedEdges[0] || clip.x < -edge;
        m_clampedEdges[1] = m_clampedEdges[1] || clip.x > edge;
        m_clampedEdges[2] = m_clampedEdges[2] || clip.y < -edge;
        m_clampedEdges[3] = m_clampedEdges[3] || clip.y > edge;
        deepest = std::max(deepest, clip.w);
        const D3DXVECTOR3 away = part[i] - eye;
        scale = std::max(scale, D3DXVec3Length(&away));
    }
    m_clamped = m_clampedEdges[0] || m_clampedEdges[1] || m_clampedEdges[2] || m_clampedEdges[3];
    // A lookup `lookup` away in the map lies this far beside the receiver at the part's deepest
    // point (the map's footprint grows with depth), plus a little for rounding.
    const float margin = lookup * deepest * std::sqrt(1.0f / (p._11 * p._11) + 1.0f / (p._22 * p._22)) + 1e-4f * scale;
    m_tolerance = 1e-5f * scale;
    m_deepest = deepest + margin * p._34;

    const D3DXVECTOR3 x = slice[1] - slice[0], y = slice[2] - slice[0];
    const D3DXVECTOR3 edges[6] = {
        x, y, slice[4] - slice[0], slice[5] - slice[1], slice[6] - slice[2], slice[7] - slice[3]};
    const Points points{part, count, eye, margin};
    // The faces first: most boxes a slice does not reach lie beside one of them.
    addAxis(cross(x, y), points);
    addAxis(cross(slice[5] - slice[4], slice[6] - slice[4]), points);
    addAxis(cross(y, edges[2]), points);
    addAxis(cross(slice[3] - slice[1], edges[3]), points);
    addAxis(cross(x, edges[2]), points);
    addAxis(cross(slice[3] - slice[2], edges[4]), points);
    addAxis(forward, points);
    const D3DXVECTOR3 boxAxes[3] = {D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 0, 1)};
    for (const D3DXVECTOR3& axis : boxAxes) {
        addAxis(axis, points);
        addAxis(cross(axis, forward), points);
    }
    for (const D3DXVECTOR3& edge : edges) {
        for (const D3DXVECTOR3& axis : boxAxes)
            addAxis(cross(edge, axis), points);
        addAxis(cross(edge, forward), points);
    }
}

void ShadowReach::addAxis(const D3DXVECTOR3& direction, const Points& points)
{
    const float length = D3DXVec3Length(&direction);
    // Parallel edges cross to nothing: no direction to try.
    if (!(length > 1e-6f) || m_count == kMaxAxes)
        return;
    Axis& axis = m_axes[static_cast<std::size_t>(m_count++)];
    axis.direction = direction / length;
    axis.low = FLT_MAX;
    axis.high = -FLT_MAX;
    for (int i = 0; i < points.count; ++i) {
        const float at = D3DXVec3Dot(&axis.direction, &points.at[i]);
        axis.low = std::min(axis.low, at);
        axis.high = std::max(axis.high, at);
    }
    axis.low -= points.margin;
    axis.high += points.margin;
    axis.eye = D3DXVec3Dot(&axis.direction, &points.eye);
}

bool ShadowReach::mayDarken(const AABB& box) const
{
    if (m_open)
        return true;
    if (m_none)
        return false;
    const D3DXVECTOR3 centre = (box.getMin() + box.getMax()) * 0.5f;
    const D3DXVECTOR3 half = (box.getMax() - box.getMin()) * 0.5f;
    for (int i = 0; i < m_count; ++i) {
        const Axis& axis = m_axes[static_cast<std::size_t>(i)];
        const D3DXVECTOR3& d = axis.direction;
        const float middle = d.x * centre.x + d.y * centre.y + d.z * centre.z;
        const float reach = std::fabs(d.x) * half.x + std::fabs(d.y) * half.y + std::fabs(d.z) * half.z;
        // Along the axis, the shadow of a corner runs from the corner away from the eye without
        // end; a corner level with the eye stays where it is.
        const float low = middle - reach, high = middle + reach;
        const bool toLow = low < axis.eye + m_tolerance;
        const bool toHigh = high > axis.eye - m_tolerance;
        if ((!toHigh && high < axis.low) || (!toLow && low > axis.high))
            return m_clamped && mayReachClampedEdge(box);
    }
    return true;
}

bool ShadowReach::mayReachClampedEdge(const AABB& box) const
{
    D3DXVECTOR3 corners[8];
    box.getCorners(corners);
    // Seen from the light, the box covers the rectangle of its corners when all lie in front; a
    // box wholly before the light's near plane is not drawn at all.
    float nearest = FLT_MAX, left = FLT_MAX, right = -FLT_MAX, bottom = FLT_MAX, top = -FLT_MAX;
    bool behind = false, drawn = false;
    for (const D3DXVECTOR3& corner : corners) {
        D3DXVECTOR4 clip;
        D3DXVec3Transform(&clip, &corner, &m_lightViewProjection);
        drawn = drawn || clip.z >= 0.0f;
        if (!(clip.w > 0.0f)) {
            behind = true;
            continue;
        }
        nearest = std::min(nearest, clip.w);
        left = std::min(left, clip.x / clip.w);
        right = std::max(right, clip.x / clip.w);
        bottom = std::min(bottom, clip.y / clip.w);
        top = std::max(top, clip.y / clip.w);
    }
    if (!drawn)
        return false;
    if (behind)
        return true;
    // Deeper than every receiver of the slice, it darkens none.
    if (nearest > m_deepest)
        return false;
    const float edge = 1.0f - m_lookup;
    return (m_clampedEdges[0] && left < -edge) || (m_clampedEdges[1] && right > edge) ||
           (m_clampedEdges[2] && bottom < -edge) || (m_clampedEdges[3] && top > edge);
}

} // namespace Ulvo
