#include "terrain/quadtree/TerrainQuadNode.h"

#include "render/cameras/Camera.h"
#include "terrain/heightmap/HeightMapVertex.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Ulvo {

namespace {
bool s_neverStopped = false;
} // namespace

TerrainQuadNode::TerrainQuadNode(uint32_t row, uint32_t column, uint32_t gridSize, int32_t halfSize, uint8_t* marks,
                                 HeightMapVertex* vertices, D3DXVECTOR3* positionsA, D3DXVECTOR3* positionsB,
                                 bool diagonal)
    : TerrainQuadNode(row, column, gridSize, halfSize, marks, vertices, positionsA, positionsB, diagonal, nullptr,
                      s_neverStopped)
{
}

std::unique_ptr<TerrainQuadNode> TerrainQuadNode::build(uint32_t gridSize, uint8_t* marks, HeightMapVertex* vertices,
                                                        D3DXVECTOR3* positionsA, D3DXVECTOR3* positionsB,
                                                        const std::function<bool()>& stop)
{
    const int32_t half = static_cast<int32_t>((gridSize - 1) / 2);
    bool stopped = false;
    std::unique_ptr<TerrainQuadNode> root(new TerrainQuadNode(static_cast<uint32_t>(half), static_cast<uint32_t>(half),
                                                              gridSize, half, marks, vertices, positionsA, positionsB,
                                                              false, &stop, stopped));
    if (stopped)
        root.reset();
    return root;
}

uint64_t TerrainQuadNode::nodeCount(uint32_t gridSize)
{
    // Blocks of half size h have their centres 2 h apart: (n - 1) / 2h of them along each side.
    uint64_t count = 0;
    for (uint64_t across = 1; 2 * across <= uint64_t(gridSize) - 1; across *= 2)
        count += across * across;
    return count;
}

TerrainQuadNode::TerrainQuadNode(uint32_t row, uint32_t column, uint32_t gridSize, int32_t halfSize, uint8_t* marks,
                                 HeightMapVertex* vertices, D3DXVECTOR3* positionsA, D3DXVECTOR3* positionsB,
                                 bool diagonal, const std::function<bool()>* stop, bool& stopped)
    : m_halfSize(halfSize)
    , m_row(row)
    , m_column(column)
    , m_gridSize(gridSize)
    , m_marks(marks)
    , m_vertices(vertices)
    , m_positionsA(positionsA)
    , m_positionsB(positionsB)
    , m_diagonal(diagonal)
    , m_morph(positionsA && positionsB)
{
    const uint32_t n = gridSize;
    const uint32_t h = static_cast<uint32_t>(halfSize);
    auto at = [n](uint32_t r, uint32_t c) { return r * n + c; };
    m_ring[B0] = at(row, column - h);
    m_ring[B1] = at(row - h, column - h);
    m_ring[B2] = at(row - h, column);
    m_ring[B3] = at(row - h, column + h);
    m_ring[B4] = at(row, column + h);
    m_ring[B5] = at(row + h, column + h);
    m_ring[B6] = at(row + h, column);
    m_ring[B7] = at(row + h, column - h);
    m_ring[CENTRE] = at(row, column);

    // A stopped build makes no more nodes; the caller drops what was made.
    if (stopped || (stop && (*stop)())) {
        stopped = true;
        return;
    }
    if (halfSize > 1) {
        const uint32_t q = h / 2;
        const int32_t s = halfSize / 2;
        m_children[0] = new TerrainQuadNode(row - q, column - q, n, s, marks, vertices, positionsA, positionsB, false,
                                            stop, stopped);
        m_children[1] = new TerrainQuadNode(row - q, column + q, n, s, marks, vertices, positionsA, positionsB, true,
                                            stop, stopped);
        m_children[2] = new TerrainQuadNode(row + q, column + q, n, s, marks, vertices, positionsA, positionsB, false,
                                            stop, stopped);
        m_children[3] = new TerrainQuadNode(row + q, column - q, n, s, marks, vertices, positionsA, positionsB, true,
                                            stop, stopped);
        if (stopped)
            return;
        // Siblings share the largest roughness, so that they refine together.
        double largest = 0.0;
        for (TerrainQuadNode* child : m_children)
            largest = std::max(largest, child->m_roughness);
        for (TerrainQuadNode* child : m_children)
            child->m_roughness = largest;
    }
    computeRoughness();
    computeBox();
}

TerrainQuadNode::~TerrainQuadNode()
{
    release();
}

void TerrainQuadNode::release()
{
    for (TerrainQuadNode*& child : m_children) {
        if (child) {
            child->release();
            delete child;
            child = nullptr;
        }
    }
}

float TerrainQuadNode::heightAt(uint32_t index) const
{
    return m_vertices[index].position.y;
}

const D3DXVECTOR3& TerrainQuadNode::positionAt(uint32_t index) const
{
    return m_vertices[index].position;
}

void TerrainQuadNode::computeRoughness()
{
    auto deviation = [this](Ring middle, Ring a, Ring b) {
        return static_cast<float>(
            std::fabs(heightAt(m_ring[middle]) - (heightAt(m_ring[a]) + heightAt(m_ring[b])) * 0.5));
    };
    const float values[6] = {deviation(B6, B5, B7), deviation(B2, B3, B1),     deviation(B4, B3, B5),
                             deviation(B0, B1, B7), deviation(CENTRE, B3, B7), deviation(CENTRE, B1, B5)};
    m_roughness = *std::max_element(values, values + 6);
    // Raised to the children's: a block is then refined whenever one of its same-size neighbours'
    // children is, so neighbouring levels differ by one at most and the fans meet without gaps.
    for (const TerrainQuadNode* child : m_children)
        if (child)
            m_roughness = std::max(m_roughness, child->m_roughness);
}

void TerrainQuadNode::computeBox()
{
    const D3DXVECTOR3& first = positionAt(m_ring[B1]);
    m_boxMin = m_boxMax = first;
    for (Ring corner : {B3, B5, B7}) {
        const D3DXVECTOR3& p = positionAt(m_ring[corner]);
        m_boxMin = D3DXVECTOR3(std::min(m_boxMin.x, p.x), std::min(m_boxMin.y, p.y), std::min(m_boxMin.z, p.z));
        m_boxMax = D3DXVECTOR3(std::max(m_boxMax.x, p.x), std::max(m_boxMax.y, p.y), std::max(m_boxMax.z, p.z));
    }
    if (m_halfSize >= 2) {
        m_boxMin.y = m_children[0]->m_boxMin.y;
        m_boxMax.y = m_children[0]->m_boxMax.y;
        for (int k = 1; k < 4; ++k) {
            m_boxMin.y = std::min(m_boxMin.y, m_children[k]->m_boxMin.y);
            m_boxMax.y = std::max(m_boxMax.y, m_children[k]->m_boxMax.y);
        }
    }
}

float TerrainQuadNode::resolution(const D3DXVECTOR3& eye, double lodC, double lodSmallC) const
{
    const D3DXVECTOR3& centre = positionAt(m_ring[CENTRE]);
    const float dx = static_cast<float>(eye.x - centre.x);
    const float dy = static_cast<float>(eye.y - centre.y);
    const float dz = static_cast<float>(eye.z - centre.z);
    const float sum = dx * dx + dy * dy + dz * dz;
    const float d = std::sqrt(sum);
    const double rough = lodSmallC * m_roughness;
    return static_cast<float>(d / (m_halfSize * lodC * (1.0 > rough ? 1.0 : rough)));
}

void TerrainQuadNode::morph(float q)
{
    auto y = [this](Ring r) { return heightAt(m_ring[r]); };
    auto slide = [this, q](uint32_t index) {
        const D3DXVECTOR3& a = m_positionsA[index];
        const D3DXVECTOR3& b = m_positionsB[index];
        m_vertices[index].position = D3DXVECTOR3(a.x + (b.x - a.x) * q, a.y + (b.y - a.y) * q, a.z + (b.z - a.z) * q);
    };
    const uint32_t centre = m_ring[CENTRE];
    m_positionsB[centre].y = m_diagonal ? (y(B3) + y(B7)) * 0.5f : (y(B1) + y(B5)) * 0.5f;
    slide(centre);
    m_positionsB[m_ring[B0]].y = (y(B7) + y(B1)) * 0.5f;
    m_positionsB[m_ring[B2]].y = (y(B3) + y(B1)) * 0.5f;
    m_positionsB[m_ring[B4]].y = (y(B5) + y(B3)) * 0.5f;
    m_positionsB[m_ring[B6]].y = (y(B5) + y(B7)) * 0.5f;
    for (Ring mid : {B0, B2, B4, B6})
        slide(m_ring[mid]);
}

void TerrainQuadNode::updateFrame(const Camera& camera, const D3DXVECTOR3& eye, double lodC, double lodSmallC)
{
    std::memset(m_marks, 0, static_cast<size_t>(m_gridSize) * m_gridSize);
    updateLevels(camera, eye, lodC, lodSmallC, true);
}

void TerrainQuadNode::updateLevels(const Camera& camera, const D3DXVECTOR3& eye, double lodC, double lodSmallC,
                                   bool test)
{
    update(camera, eye, lodC, lodSmallC, test, false);
}

void TerrainQuadNode::update(const Camera& camera, const D3DXVECTOR3& eye, double lodC, double lodSmallC, bool test,
                             bool hidden)
{
    // Children 0 to 2 recurse; child 3 continues the loop, so recursion is one call per level.
    TerrainQuadNode* node = this;
    while (node) {
        int f = 1;
        if (test) {
            f = camera.isAABBInFrustum(node->m_boxMin, node->m_boxMax);
            // A block outside the view is not drawn, but it still refines as its distance asks:
            // its visible neighbours read its marks and would otherwise leave a gap towards it.
            if (f == 0)
                hidden = true;
        }
        node->m_visible = !hidden;
        const float q = node->resolution(eye, lodC, lodSmallC);
        const uint32_t centre = node->m_ring[CENTRE];
        if (!(q < 1.0f)) {
            node->m_marks[centre] = 0;
            return;
        }
        if (node->m_morph)
            node->morph(q);
        node->m_marks[centre] = 1;
        if (node->m_halfSize < 2)
            return;
        test = test && f == 1;
        for (int k = 0; k < 3; ++k)
            node->m_children[k]->update(camera, eye, lodC, lodSmallC, test, hidden);
        node = node->m_children[3];
    }
}

void TerrainQuadNode::addBox(AABB& box, const D3DXVECTOR3& minimum, const D3DXVECTOR3& maximum)
{
    // A running box that is a single point counts as empty.
    if (box.getMin() == box.getMax())
        box = AABB(minimum, maximum);
    else
        box.merge(AABB(minimum, maximum));
}

void TerrainQuadNode::selectVisible(const Camera& camera, const D3DXVECTOR3& eye, double lodC, double lodSmallC,
                                    AABB& box)
{
    TerrainQuadNode* node = this;
    while (node) {
        const uint32_t h = static_cast<uint32_t>(node->m_halfSize);
        const uint32_t last = node->m_gridSize - 1;
        const bool border =
            node->m_row <= h || node->m_row + h >= last || node->m_column <= h || node->m_column + h >= last;
        if (!border) {
            const int f = camera.isAABBInFrustum(node->m_boxMin, node->m_boxMax);
            if (f == 0)
                return;
            if (f == 2)
                addBox(box, node->m_boxMin, node->m_boxMax);
            const float q = node->resolution(eye, lodC, lodSmallC);
            if (!(q < 1.0f) || node->m_halfSize < 2) {
                addBox(box, node->m_boxMin, node->m_boxMax);
                return;
            }
        }
        if (!node->m_children[0])
            return;
        for (int k = 0; k < 3; ++k)
            node->m_children[k]->selectVisible(camera, eye, lodC, lodSmallC, box);
        node = node->m_children[3];
    }
}

void TerrainQuadNode::writeIndices(uint32_t* destination, uint32_t& count)
{
    if (!m_visible)
        return;
    const uint32_t n = m_gridSize;
    const uint32_t h = static_cast<uint32_t>(m_halfSize);
    for (int k = 0; k < 4; ++k)
        m_childFlags[k] = h != 1 && m_marks[m_children[k]->m_ring[CENTRE]] != 0;
    const uint32_t r = m_row, c = m_column;
    m_neighbourFlags[0] = c < 2 * h ? 1 : m_marks[r * n + (c - 2 * h)];
    m_neighbourFlags[1] = r < 2 * h ? 1 : m_marks[(r - 2 * h) * n + c];
    m_neighbourFlags[2] = c + 2 * h >= n ? 1 : m_marks[r * n + (c + 2 * h)];
    m_neighbourFlags[3] = r + 2 * h >= n ? 1 : m_marks[(r + 2 * h) * n + c];

    for (int k = 0; k < 4; ++k)
        if (m_childFlags[k])
            m_children[k]->writeIndices(destination, count);
    if (m_childFlags[0] && m_childFlags[1] && m_childFlags[2] && m_childFlags[3])
        return;

    uint32_t scratch[24];
    uint32_t used = 0;
    const uint32_t centre = m_ring[CENTRE];
    auto triangle = [&](uint32_t a, uint32_t b) {
        scratch[used++] = a;
        scratch[used++] = centre;
        scratch[used++] = b;
    };
    for (int k = 0; k < 4; ++k) {
        const int i = 2 * k + 1;
        const uint32_t bi = m_ring[i], bi1 = m_ring[(i + 1) % 8], bi2 = m_ring[(i + 2) % 8];
        const int next = (k + 1) % 4;
        if (m_childFlags[k] && m_childFlags[next])
            continue;
        if (m_childFlags[k])
            triangle(bi1, bi2);
        else if (m_childFlags[next])
            triangle(bi, bi1);
        else if (m_neighbourFlags[next]) {
            triangle(bi, bi1);
            triangle(bi1, bi2);
        } else {
            // The coarser block beyond this edge has no vertex at its midpoint.
            triangle(bi, bi2);
        }
    }
    std::memcpy(destination + count, scratch, used * sizeof(uint32_t));
    count += used;
}

} // namespace Ulvo
