// The grid terrain's queries, edits with their change flags and signals, the rebuild at
// endModify, the painting of the layer blend texture and the flattening along a spline.
#include "devices/d3d/D3DInterface.h"
#include "graphics/textures/Texture2D.h"
#include "scene/SceneBudget.h"
#include "scene/splines/Spline.h"
#include "terrain/fields/LayerParameter.h"
#include "terrain/fields/Parameter.h"
#include "terrain/heightmap/HeightMapObjekt.h"
#include "terrain/quadtree/TerrainQuadNode.h"

#include <d3dx9mesh.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

// The flattening along a spline is the engine's one parallel loop, a rare edit. Between its runs
// OpenMP's workers are to sleep: spinning they would take the cores the rasteriser's threads draw
// every frame with. The runtime reads the wait policy once as it is loaded, before any constructor
// of the program runs, so it is set from the program's pre-initialisers (a policy the user set is
// kept).
namespace {
void workersSleep(int, char**, char**)
{
    setenv("OMP_WAIT_POLICY", "passive", 0);
}
using PreInitialiser = void (*)(int, char**, char**);
} // namespace
__attribute__((section(".preinit_array"), used)) static const PreInitialiser g_workersSleep = workersSleep;

namespace Ulvo {

namespace {

D3DXVECTOR3 lerp(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float t)
{
    return D3DXVECTOR3(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t);
}

bool inUnitSquare(const D3DXVECTOR2& uv)
{
    // Written so that a value that is not a number counts as off the terrain.
    return uv.x >= 0.0f && uv.x <= 1.0f && uv.y >= 0.0f && uv.y <= 1.0f;
}

} // namespace

// ------------------------------------------------------------------ grid addressing and reads

bool HeightMapObjekt::cellAt(const D3DXVECTOR2& uv, Cell& cell) const
{
    if (m_gridSize == 0 || m_vertices.empty() || !inUnitSquare(uv))
        return false;
    const uint32_t last = m_gridSize - 1;
    cell.fx = static_cast<float>(last) * uv.x;
    cell.fz = static_cast<float>(last) * uv.y;
    cell.ix = std::min(static_cast<uint32_t>(cell.fx), last);
    cell.iz = std::min(static_cast<uint32_t>(cell.fz), last);
    cell.ix1 = std::min(cell.ix + 1, last);
    cell.iz1 = std::min(cell.iz + 1, last);
    cell.rx = cell.fx - static_cast<float>(cell.ix);
    cell.rz = cell.fz - static_cast<float>(cell.iz);
    return true;
}

D3DXVECTOR2* HeightMapObjekt::worldToUV(D3DXVECTOR2* out, const D3DXVECTOR3& point)
{
    D3DXVECTOR3 p;
    D3DXVec3TransformCoord(&p, &point, &m_inverseRotation);
    out->x = (p.x - m_position.x) / m_scale.x + 0.5f;
    out->y = (p.z - m_position.z) / m_scale.z + 0.5f;
    return out;
}

float HeightMapObjekt::getHeightUV(const D3DXVECTOR2& uv)
{
    Cell c;
    if (!cellAt(uv, c))
        return 0.0f;
    const float a = m_vertices[index(c.ix, c.iz)].position.y +
                    (m_vertices[index(c.ix1, c.iz)].position.y - m_vertices[index(c.ix, c.iz)].position.y) * c.rx;
    const float b = m_vertices[index(c.ix, c.iz1)].position.y +
                    (m_vertices[index(c.ix1, c.iz1)].position.y - m_vertices[index(c.ix, c.iz1)].position.y) * c.rx;
    return a + (b - a) * c.rz;
}

D3DXVECTOR3* HeightMapObjekt::getPositionUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv)
{
    Cell c;
    if (!cellAt(uv, c)) {
        *out = m_position;
        return out;
    }
    const D3DXVECTOR3 a = lerp(m_vertices[index(c.ix, c.iz)].position, m_vertices[index(c.ix1, c.iz)].position, c.rx);
    const D3DXVECTOR3 b = lerp(m_vertices[index(c.ix, c.iz1)].position, m_vertices[index(c.ix1, c.iz1)].position, c.rx);
    *out = lerp(a, b, c.rz);
    return out;
}

D3DXVECTOR3* HeightMapObjekt::getNormalUV(D3DXVECTOR3* out, const D3DXVECTOR2& uv, bool smooth)
{
    *out = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    Cell c;
    if (!cellAt(uv, c))
        return out;
    const uint32_t p00 = index(c.ix, c.iz), p10 = index(c.ix1, c.iz), p01 = index(c.ix, c.iz1),
                   p11 = index(c.ix1, c.iz1);
    if (smooth) {
        const D3DXVECTOR3 a = lerp(m_vertices[p00].normal, m_vertices[p10].normal, c.rx);
        const D3DXVECTOR3 b = lerp(m_vertices[p01].normal, m_vertices[p11].normal, c.rx);
        const D3DXVECTOR3 n = lerp(a, b, c.rz);
        D3DXVec3Normalize(out, &n);
        return out;
    }
    uint32_t first, second, third;
    if ((c.ix + c.iz) % 2 == 0) {
        if (c.rz <= c.rx)
            first = p10, second = p11, third = p00;
        else
            first = p01, second = p00, third = p11;
    } else {
        if (c.rx + c.rz <= 1.0f)
            first = p00, second = p10, third = p01;
        else
            first = p11, second = p01, third = p10;
    }
    D3DXVECTOR3 e1 = m_vertices[second].position - m_vertices[first].position;
    D3DXVECTOR3 e2 = m_vertices[third].position - m_vertices[first].position;
    D3DXVec3Normalize(&e1, &e1);
    D3DXVec3Normalize(&e2, &e2);
    D3DXVECTOR3 n;
    D3DXVec3Cross(&n, &e2, &e1);
    // A degenerate cell (the last row and column) has no triangle: keep the upward default.
    if (D3DXVec3LengthSq(&n) > 0.0f)
        D3DXVec3Normalize(out, &n);
    return out;
}

// ------------------------------------------------------------------ edits

void HeightMapObjekt::setHeight(const D3DXVECTOR3& point)
{
    if (m_lockHeight)
        return;
    D3DXVECTOR2 uv;
    double height = point.y;
    setHeightUV(*worldToUV(&uv, point), height);
}

void HeightMapObjekt::setHeightUV(const D3DXVECTOR2& uv, double& height)
{
    Cell c;
    if (m_lockHeight || !cellAt(uv, c))
        return;
    const uint32_t corners[4] = {index(c.ix, c.iz), index(c.ix, c.iz1), index(c.ix1, c.iz), index(c.ix1, c.iz1)};
    for (uint32_t corner : corners)
        storeHeight(corner, static_cast<float>(height));
    // Edited heights must reach the buffer, the bounds and the quadtree at endModify.
    m_changeFlags.setBit(CHANGED, true);
    m_changeFlags.setBit(HEIGHTS_CHANGED, true);
    m_changeFlags.setBit(REBUILD, true);
    for (uint32_t corner : corners)
        heightChanged.emit(*this, m_vertices[corner].position);
}

void HeightMapObjekt::addHeightUV(const D3DXVECTOR2& uv, double& delta)
{
    Cell c;
    if (m_lockHeight || !cellAt(uv, c))
        return;
    const uint32_t i = index(c.ix, c.iz);
    storeHeight(i, static_cast<float>(m_vertices[i].position.y + delta));
    m_changeFlags.setBit(CHANGED, true);
    m_changeFlags.setBit(HEIGHTS_CHANGED, true);
    m_changeFlags.setBit(REBUILD, true);
    heightChanged.emit(*this, m_vertices[i].position);
}

void HeightMapObjekt::modifyHeightRadius(const D3DXVECTOR3& centre, double radius, float factor)
{
    if (m_lockHeight || m_vertices.empty() || !(radius > 0.0))
        return;
    const float limit = static_cast<float>(radius * radius);
    const uint32_t n = m_gridSize;
    if (n == 0 || m_vertexCount != n * n)
        return;
    if (m_rowSpans.size() != 4u * n) {
        m_rowSpans.assign(4u * n, 0.0f);
        for (uint32_t row = 0; row < n; ++row) {
            float* span = &m_rowSpans[4u * row];
            span[0] = span[2] = HUGE_VALF;
            span[1] = span[3] = -HUGE_VALF;
            for (uint32_t column = 0; column < n; ++column) {
                const D3DXVECTOR3& p = m_vertices[index(column, row)].position;
                span[0] = std::min(span[0], p.x);
                span[1] = std::max(span[1], p.x);
                span[2] = std::min(span[2], p.z);
                span[3] = std::max(span[3], p.z);
            }
        }
    }
    // A little wider than the circle, so that no vertex the float test below lets in is passed
    // over by the rounding of this one.
    const double reach = std::sqrt(static_cast<double>(limit)) * 1.0001 + 1e-4;
    bool changed = false;
    for (uint32_t row = 0; row < n; ++row) {
        const float* span = &m_rowSpans[4u * row];
        // Vertices that are no numbers are never within reach, so neither are rows of them alone.
        if (centre.x + reach < span[0] || centre.x - reach > span[1] || centre.z + reach < span[2] ||
            centre.z - reach > span[3])
            continue;
        for (uint32_t i = index(0, row), end = i + n; i < end; ++i) {
            const D3DXVECTOR3& p = m_vertices[i].position;
            const float dx = p.x - centre.x, dz = p.z - centre.z;
            const float squared = dx * dx + dz * dz;
            if (!(squared < limit))
                continue;
            const double d = std::sqrt(squared);
            const double dh = centre.y - p.y;
            const double k = factor * dh;
            // Every copy: the bounds and the morphing read positionsA and positionsB.
            storeHeight(i, static_cast<float>(p.y + (d * (dh - k) / radius + k)));
            changed = true;
        }
    }
    if (changed) {
        m_changeFlags.setBit(CHANGED, true);
        m_changeFlags.setBit(HEIGHTS_CHANGED, true);
        m_changeFlags.setBit(REBUILD, true);
    }
}

void HeightMapObjekt::addHeightModifier(const D3DXVECTOR2&, const D3DXVECTOR2&, double)
{
    // Stored heights have no field to add a modifier to.
}

// ------------------------------------------------------------------ the edit bracket

bool HeightMapObjekt::lockBlend()
{
    if (m_blendLockCount++ == 0 && !m_blendTexture->isLocked()) {
        D3DLOCKED_RECT locked;
        return m_blendTexture->lock(0, &locked, m_blendRect, 0);
    }
    return m_blendTexture->isLocked();
}

void HeightMapObjekt::unlockBlend()
{
    if (m_blendLockCount > 0 && --m_blendLockCount == 0 && m_blendTexture->isLocked())
        m_blendTexture->unlock(0);
}

void HeightMapObjekt::endBlendLock()
{
    if (m_blendLockCount == 0)
        return;
    m_blendLockCount = 0;
    if (m_blendTexture && m_blendTexture->isLocked())
        m_blendTexture->unlock(0);
}

void HeightMapObjekt::beginModify()
{
    lockBlend();
    m_changeFlags.setBit(CHANGED, true);
}

void HeightMapObjekt::endModify()
{
    endBlendLock();
    if (m_changeFlags.isSet(REBUILD) && !m_vertices.empty()) {
        // Morphing slid vertices towards coarser blocks; normals and roughness need the true ones.
        if (m_morphing)
            for (uint32_t i = 0; i < m_vertexCount; ++i)
                m_vertices[i].position = m_positionsA[i];
        computeNormals();
        if (SceneBudget::terminationPending()) {
            // The game is ending: the terrain keeps no tree (it draws nothing) instead of making
            // the ending wait for its upload, bounds and tree, a good part of a second at the
            // largest size on a busy machine.
            m_quadtree.reset();
            ++m_treeGeneration;
            m_marksKeyValid = false;
        } else {
            uploadVertices();
            D3DXVECTOR3 minimum, maximum, centre;
            float radius = 0.0f;
            D3DXComputeBoundingBox(m_positionsA.data(), m_vertexCount, sizeof(D3DXVECTOR3), &minimum, &maximum);
            D3DXComputeBoundingSphere(m_positionsA.data(), m_vertexCount, sizeof(D3DXVECTOR3), &centre, &radius);
            m_worldBox = AABB(minimum, maximum);
            m_boundingSphere = BoundingSphere(centre, radius);
            m_worldBoxDirty = false;
            m_sphereDirty = false;
            m_viewBox = m_worldBox;
            rebuildQuadtree();
            // The scene graph files the object by its box.
            transformChanged.emit(*this);
        }
    }
    m_changeFlags.clear();
    terrainChanged.emit(*this);
}

void HeightMapObjekt::rebuildQuadtree()
{
    m_quadtree.reset();
    ++m_treeGeneration;
    m_marksKeyValid = false;
    // A grid of one cell has no centre vertex to fan round.
    if (m_gridSize < 3)
        return;
    // A termination signal leaves the terrain without a tree, so the game ends instead of waiting.
    m_quadtree = TerrainQuadNode::build(
        m_gridSize, m_vertexMarks.data(), m_vertices.data(), m_morphing ? m_positionsA.data() : nullptr,
        m_morphing ? m_positionsB.data() : nullptr, [] { return SceneBudget::terminationPending(); });
}

void HeightMapObjekt::computeWorldBox()
{
    // The bounds are computed with the heights at endModify; nothing to derive here.
}

void HeightMapObjekt::computeBoundingSphere() {}

void HeightMapObjekt::computeNormals()
{
    if (!m_changeFlags.isSet(REBUILD))
        return;
    const uint32_t n = m_gridSize;
    auto edge = [this](uint32_t from, uint32_t to) {
        D3DXVECTOR3 e = m_vertices[to].position - m_vertices[from].position;
        D3DXVec3Normalize(&e, &e);
        return e;
    };
    auto cross = [](const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
        D3DXVECTOR3 out;
        D3DXVec3Cross(&out, &a, &b);
        return out;
    };
    for (uint32_t j = 0; j < n; ++j) {
        // Stopped by a termination signal between two rows (the terrain then keeps no tree).
        if (SceneBudget::terminationPending())
            return;
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t p = index(i, j);
            const bool hasL = i > 0, hasR = i + 1 < n, hasU = j > 0, hasD = j + 1 < n;
            const D3DXVECTOR3 zero(0.0f, 0.0f, 0.0f);
            const D3DXVECTOR3 l = hasL ? edge(p, p - 1) : zero, r = hasR ? edge(p, p + 1) : zero;
            const D3DXVECTOR3 u = hasU ? edge(p, p - n) : zero, d = hasD ? edge(p, p + n) : zero;
            D3DXVECTOR3 sum = zero;
            if (hasL && hasU)
                sum += cross(u, l);
            if (hasL && hasD)
                sum += cross(l, d);
            if (hasR && hasU)
                sum += cross(r, u);
            if (hasR && hasD)
                sum += cross(d, r);
            D3DXVec3Normalize(&m_vertices[p].normal, &sum);
        }
    }
    m_changeFlags.setBit(REBUILD, false);
}

bool HeightMapObjekt::uploadVertices()
{
    if (m_changeFlags.get() == 0)
        return true;
    if (!m_vertexBuffer || m_vertices.empty())
        return false;
    void* data = nullptr;
    const UINT bytes = sizeof(HeightMapVertex) * m_vertexCount;
    if (FAILED(m_vertexBuffer->Lock(0, bytes, &data, D3DLOCK_DISCARD)) || !data)
        return false;
    std::memcpy(data, m_vertices.data(), bytes);
    return SUCCEEDED(m_vertexBuffer->Unlock());
}

// ------------------------------------------------------------------ layer painting

void HeightMapObjekt::setBlendWeight(uint32_t x, uint32_t y, uint32_t layer, const float& weight)
{
    if (m_lockTexture || x >= m_blendSize || y >= m_blendSize || layer >= 4)
        return;
    lockBlend();
    D3DXVECTOR4 texel;
    if (m_blendTexture->getPixel(texel, x, y)) {
        texel *= 1.0f - weight;
        (&texel.x)[layer] = weight;
        m_blendTexture->setPixel(texel, x, y);
    }
    unlockBlend();
    m_changeFlags.setBit(CHANGED, true);
    m_changeFlags.setBit(REBUILD, true);
}

void HeightMapObjekt::paintLayers(const LayerParameter* weights, bool clear)
{
    if (m_lockTexture || m_blendSize == 0)
        return;
    if (!weights)
        weights = m_layerWeights.get();
    // One lock for the whole painting.
    lockBlend();
    if (clear) {
        for (uint32_t y = 0; y < m_blendSize; ++y)
            for (uint32_t x = 0; x < m_blendSize; ++x)
                m_blendTexture->setPixel(D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f), x, y);
        m_changeFlags.setBit(CHANGED, true);
        m_changeFlags.setBit(REBUILD, true);
    }
    const float size = static_cast<float>(m_blendSize);
    for (uint32_t layer = 0; layer < 4 && weights; ++layer) {
        const Parameter* field = weights->getParameter(layer);
        if (!field)
            continue;
        // A termination signal leaves the rest of the picture unpainted: the game is ending.
        for (uint32_t y = 0; y < m_blendSize && !SceneBudget::terminationPending(); ++y)
            for (uint32_t x = 0; x < m_blendSize; ++x) {
                const float w = field->getValue(D3DXVECTOR2(x / size, y / size));
                setBlendWeight(x, y, layer, w);
            }
    }
    unlockBlend();
}

void HeightMapObjekt::normalizeBlendWeights()
{
    if (m_lockTexture || m_blendSize == 0)
        return;
    lockBlend();
    for (uint32_t y = 0; y < m_blendSize && !SceneBudget::terminationPending(); ++y)
        for (uint32_t x = 0; x < m_blendSize; ++x) {
            D3DXVECTOR4 texel;
            if (!m_blendTexture->getPixel(texel, x, y))
                continue;
            const float sum = texel.x + texel.y + texel.z + texel.w;
            // A texel no layer claims stays empty rather than dividing by zero.
            if (!(sum > 0.0f))
                continue;
            texel *= 1.0f / sum;
            m_blendTexture->setPixel(texel, x, y);
        }
    unlockBlend();
    m_changeFlags.setBit(CHANGED, true);
    m_changeFlags.setBit(REBUILD, true);
}

// ------------------------------------------------------------------ flattening along a spline

void HeightMapObjekt::modifyAlongSpline(double radius, const Spline* spline, const float factors[2],
                                        const bool& setOnTerrain, const double& falloff)
{
    if (m_lockHeight || !spline || m_vertices.empty())
        return;
    Spline copy(*spline);
    for (SplinePoint& point : copy.getPointStore()) {
        point.position.x *= factors[0];
        point.position.z *= factors[1];
        if (setOnTerrain)
            point.position.y = getHeightUV(D3DXVECTOR2(point.position.x, point.position.z));
    }
    copy.build();
    const float lo = static_cast<float>(radius / m_scale.x);
    const float hi = static_cast<float>((radius + falloff) / m_scale.x);

    // The workers read the heights as they were before the loop: a neighbouring column may be
    // written by another thread meanwhile.
    const int n = static_cast<int>(m_gridSize);
    std::vector<float> before(m_vertexCount);
    for (uint32_t k = 0; k < m_vertexCount; ++k)
        before[k] = m_vertices[k].position.y;
    const float last = static_cast<float>(n - 1);
    const Spline& path = copy;

#pragma omp parallel for schedule(static)
    for (int i = 0; i < n; ++i) {
        // A termination signal passes over the remaining columns: the game is ending.
        if (SceneBudget::terminationPending())
            continue;
        for (int j = 0; j < n; ++j) {
            const D3DXVECTOR2 uv(i / last, j / last);
            float t = 0.0f, d = 0.0f;
            if (!path.findNearestParamXZ(uv, t, d, 0.1f))
                continue;
            const uint32_t k = static_cast<uint32_t>(j * n + i);
            float y;
            if (d < lo) {
                y = path.getPointAt(t).position.y;
            } else if (d < hi) {
                const float w = (d - lo) / (hi - lo);
                const float p = path.getPointAt(t).position.y;
                y = (before[k] - p) * w + p;
            } else {
                continue;
            }
            storeHeight(k, y);
        }
    }
    m_changeFlags.setBit(CHANGED, true);
    m_changeFlags.setBit(HEIGHTS_CHANGED, true);
    m_changeFlags.setBit(REBUILD, true);
}

} // namespace Ulvo
