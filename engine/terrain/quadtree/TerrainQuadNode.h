#pragma once
// The level-of-detail quadtree of the grid terrain. The grid has n x n vertices, n = 2^k + 1; a node
// covers the (2h + 1)² block centred on one vertex and is drawn as a triangle fan round that centre.
// One mark byte per grid vertex (owned by the terrain) says whether the block centred there is
// refined this frame; the index writer reads the marks of a block's children and of its same-size
// neighbours to leave no crack between blocks of different size (a midpoint is skipped where the
// neighbour is coarser).
//
// Per camera: updateFrame clears the marks and runs the level update (refinement by distance and
// roughness, optional geomorphing of the vertices refinement adds), writeIndices appends the
// triangles of the refined visible blocks, selectVisible widens a box by the visible blocks. The
// tree holds plain pointers into the terrain's arrays and is rebuilt whenever the heights change;
// it allocates nothing per frame.
#include <d3dx9math.h>

#include "foundation/helpers/BoundingVolumes.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace Ulvo {

class Camera;
struct HeightMapVertex;

class TerrainQuadNode {
public:
    // The most indices writeIndices appends, per grid cell: the triangles it writes never overlap
    // and the smallest covers half a cell, so a grid of c cells holds at most 2 c of them.
    static constexpr uint32_t kIndicesPerCell = 6;

    // Builds the whole subtree; the root is (h, h, n, h) with h = (n - 1) / 2. positionsA and
    // positionsB (true positions and morph targets) only when the terrain morphs, else both null.
    TerrainQuadNode(uint32_t row, uint32_t column, uint32_t gridSize, int32_t halfSize, uint8_t* marks,
                    HeightMapVertex* vertices, D3DXVECTOR3* positionsA, D3DXVECTOR3* positionsB, bool diagonal);
    // The same, stopped between two nodes once `stop` says so: then no tree at all (a part of one
    // would miss the children its nodes read).
    static std::unique_ptr<TerrainQuadNode> build(uint32_t gridSize, uint8_t* marks, HeightMapVertex* vertices,
                                                  D3DXVECTOR3* positionsA, D3DXVECTOR3* positionsB,
                                                  const std::function<bool()>& stop);
    // How many nodes the tree of an n x n grid has (what it costs: that many times sizeof).
    static uint64_t nodeCount(uint32_t gridSize);
    ~TerrainQuadNode();
    TerrainQuadNode(const TerrainQuadNode&) = delete;
    TerrainQuadNode& operator=(const TerrainQuadNode&) = delete;

    // Deletes the children.
    void release();

    // The marks of the whole grid cleared, then the level update with the frustum test: a block
    // the update does not reach this frame must not look refined to its neighbours.
    void updateFrame(const Camera& camera, const D3DXVECTOR3& eye, double lodC, double lodSmallC);
    // The level update of this subtree (marks, visibility, morphing); test asks for the frustum test.
    void updateLevels(const Camera& camera, const D3DXVECTOR3& eye, double lodC, double lodSmallC, bool test);
    // Widens box by the visible blocks at their chosen level; writes nothing in the tree.
    void selectVisible(const Camera& camera, const D3DXVECTOR3& eye, double lodC, double lodSmallC, AABB& box);
    // Appends the triangles of the refined visible blocks at destination + count; count grows by
    // three per triangle. The destination must hold kIndicesPerCell (n - 1)² indices.
    void writeIndices(uint32_t* destination, uint32_t& count);

    double getRoughness() const { return m_roughness; }
    int32_t getHalfSize() const { return m_halfSize; }
    uint32_t getRow() const { return m_row; }
    uint32_t getColumn() const { return m_column; }
    const TerrainQuadNode* getChild(int k) const { return m_children[k]; }
    AABB getBox() const { return AABB(m_boxMin, m_boxMax); }
    bool isVisible() const { return m_visible; }

private:
    TerrainQuadNode(uint32_t row, uint32_t column, uint32_t gridSize, int32_t halfSize, uint8_t* marks,
                    HeightMapVertex* vertices, D3DXVECTOR3* positionsA, D3DXVECTOR3* positionsB, bool diagonal,
                    const std::function<bool()>* stop, bool& stopped);

    enum Ring { B0, B1, B2, B3, B4, B5, B6, B7, CENTRE };

    void update(const Camera& camera, const D3DXVECTOR3& eye, double lodC, double lodSmallC, bool test, bool hidden);
    float heightAt(uint32_t index) const;
    const D3DXVECTOR3& positionAt(uint32_t index) const;
    // The refinement measure: below 1 the block is refined.
    float resolution(const D3DXVECTOR3& eye, double lodC, double lodSmallC) const;
    void computeRoughness();
    void computeBox();
    void morph(float q);
    static void addBox(AABB& box, const D3DXVECTOR3& minimum, const D3DXVECTOR3& maximum);

    double m_roughness = 0.0;
    int32_t m_halfSize;
    uint32_t m_row;
    uint32_t m_column;
    uint32_t m_gridSize;
    uint8_t* m_marks;
    HeightMapVertex* m_vertices;
    D3DXVECTOR3* m_positionsA;
    D3DXVECTOR3* m_positionsB;
    uint8_t m_childFlags[4] = {0, 0, 0, 0};
    uint8_t m_neighbourFlags[4] = {0, 0, 0, 0};
    uint32_t m_ring[9];
    TerrainQuadNode* m_children[4] = {nullptr, nullptr, nullptr, nullptr};
    D3DXVECTOR3 m_boxMin{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_boxMax{0.0f, 0.0f, 0.0f};
    bool m_visible = false;
    bool m_diagonal;
    bool m_morph;
};

} // namespace Ulvo
